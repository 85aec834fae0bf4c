#pragma once
// What a scan knows about the collection on disk: folder listings, resolved set locations,
// set zip listings and loose-file CRCs, each kept until a change makes it stale. Every change
// the scan makes is told here through Invalidate, so no caller resyncs by hand.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "archive/ZipEntry.h"
#include "platform/FolderCache.h"
#include "ui/Dialogs.h"

namespace vextral {

// A set location (folder text + set name) resolved against the folder's listing.
struct SetLocation {
    std::string folder;     // ends with the separator
    std::string name;       // the set name as asked for
    std::string setFolder;  // folder + name as on disk, ending with the separator
    std::string zipPath;    // folder + zip name as on disk
    std::string zipStem;    // zipPath without ".zip"
    // setFolder is set only with hasFolder, zipPath and zipStem only with hasZip.
    bool hasFolder = false;
    bool hasZip = false;
};

// A message box the zip reader asked for, shown later on the scanning thread.
struct ReaderMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// One set zip read: its members (null when the listing failed) and the messages the reading
// showed (none without reportErrors). Made from the path alone, so that it can be read ahead
// on another thread.
struct SetZipListing {
    std::shared_ptr<const std::vector<ZipEntry>> members;
    std::vector<ReaderMessage> messages;
};
SetZipListing ReadSetZipListing(const std::string& zipPath, bool reportErrors);

class ReadAhead;
struct ReadAheadItem;

class CollectionIndex {
  public:
    explicit CollectionIndex(Dialogs& dialogs);
    ~CollectionIndex();
    CollectionIndex(const CollectionIndex&) = delete;
    CollectionIndex& operator=(const CollectionIndex&) = delete;

    // The listings revalidated by the folder's modification time, shared with the fixer.
    FolderCache& folders() { return folders_; }
    const FolderListing& Listing(const std::string& folder) { return folders_.Listing(folder); }
    const DirEntry* Find(const std::string& folder, std::string_view name) {
        return folders_.Find(folder, name);
    }
    // A configured folder's listing, taken once and kept until a change to it is told.
    const FolderListing& Snapshot(const std::string& folder);
    std::shared_ptr<const SetLocation> Location(const std::string& location);
    // The members of a set zip, null when the listing failed. The reader's messages are
    // shown here, once per scan for each archive.
    std::shared_ptr<const std::vector<ZipEntry>> SetZipMembers(const std::string& zipPath);
    std::uint32_t LooseCrc(const std::string& path);

    // path (a file or a folder, with or without separator) changed, appeared or went away:
    // drops what was known about it, about anything inside it and the listing holding it.
    void Invalidate(const std::string& path);
    // Anything may have changed (a batch file ran): kept folder listings are revalidated by
    // their modification time, everything else is dropped.
    void InvalidateAll();
    // Forgets every listing and CRC (the set folders may have changed anywhere).
    void Reset();
    // A new scan: Reset, and the archives that showed messages may show them again.
    void StartScan();
    // Locations and loose-file CRCs are kept for one game at a time.
    void StartGame();

    // Set archives and set folders of the plan (in the scan's order) are read by `threads`
    // readers ahead of the scan; what they read is taken instead of reading again.
    void StartReadAhead(std::vector<ReadAheadItem> plan, unsigned threads);
    // The scan reached the plan's game at position.
    void ReadAheadAt(std::size_t position);
    // The readers are stopped and joined.
    void StopReadAhead();

  private:
    struct Snapshotted {
        const FolderListing* listing;                   // kept by folders_
        std::optional<std::pair<long, long>> modified;  // seconds and nanoseconds
    };

    Dialogs& dialogs_;
    FolderCache folders_;
    std::unordered_map<std::string, Snapshotted> snapshots_;
    std::unordered_map<std::string, std::shared_ptr<const SetLocation>> locations_;
    std::unordered_map<std::string, std::shared_ptr<const std::vector<ZipEntry>>> zipListings_;
    std::size_t keptMembers_ = 0;                       // in zipListings_
    std::unordered_set<std::string> reportedArchives_;  // this scan's
    std::unordered_map<std::string, std::uint32_t> looseCrcs_;
    std::unique_ptr<ReadAhead> readAhead_;
};

}  // namespace vextral
