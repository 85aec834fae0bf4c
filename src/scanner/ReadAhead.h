#pragma once
// Set listings read by a few threads ahead of the scan, in the order the scan will ask for
// them. On a cold disk or a network share each local-header walk waits for the device; many
// of them in flight at once cost little more than one. The scan stays on its own thread and
// decides everything there: a listing read here is only handed over, with the messages the
// reading would have shown, when the scan asks for it.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/FolderCache.h"
#include "scanner/CollectionIndex.h"

namespace vextral {

// An archive file as seen by stat: any change of it gives another identity, provided the
// change did not share the clock tick of the one before (see ArchiveIdentity).
struct FileIdentity {
    unsigned long device = 0, inode = 0;
    long long size = 0;
    long modifiedSeconds = 0, modifiedNanoseconds = 0, changedSeconds = 0, changedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// One listing the scan will ask for: a set archive (by its path as on disk) or a set folder
// (ending with the separator), first needed by the game at `position` of the scan.
struct ReadAheadItem {
    enum class Kind { Archive, Folder };
    Kind kind = Kind::Archive;
    std::string path;
    std::size_t position = 0;
};

class ReadAhead {
  public:
    // Readers start at once; items more than `window` ahead of the scan wait.
    ReadAhead(std::vector<ReadAheadItem> plan, unsigned threads, std::size_t window);
    // Stops and joins the readers.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The scan reached the game at position: what earlier games needed is let go.
    void Advance(std::size_t position);
    // The prepared listing of path (waiting for it when a reader has it in hand); nothing when
    // the caller should read it itself. Each listing is handed over once.
    std::optional<SetZipListing> TakeArchive(const std::string& path);
    std::optional<ListedFolder> TakeFolder(const std::string& folder);
    // Archives for which stale(path) holds may have changed since they were read: each is
    // handed over only when the file is still the one that was read (a set folder's listing
    // is always checked against the folder's time by the folder cache).
    void Invalidate(const std::function<bool(std::string_view)>& stale);

  private:
    enum class State { Pending, Reading, Ready, Gone };
    struct Slot {
        ReadAheadItem item;
        State state = State::Pending;
        bool suspect = false;  // a change may have come after the read
        std::variant<std::monostate, SetZipListing, ListedFolder> result;
        std::optional<FileIdentity> read;  // the archive as read, when it can be told again
    };

    void Read();
    std::optional<std::size_t> ClaimLocked();
    template <typename Listing>
    std::optional<Listing> Take(ReadAheadItem::Kind kind, const std::string& path);
    std::optional<std::size_t> SlotOfLocked(ReadAheadItem::Kind kind, const std::string& path);

    std::mutex mutex_;
    std::condition_variable work_;  // readers wait for listings to start
    std::condition_variable done_;  // the scan waits for a listing in hand
    std::size_t idle_ = 0;          // readers waiting for work
    bool scanWaiting_ = false;
    std::vector<Slot> slots_;
    std::unordered_map<std::string, std::size_t> archives_, folders_;
    std::size_t window_;
    std::size_t live_ = 0;  // first slot the scan may still ask for
    std::size_t next_ = 0;  // no Pending slot before it
    std::size_t high_ = 0;  // no slot from here on was ever claimed
    bool stopping_ = false;
    std::vector<std::thread> readers_;
};

}  // namespace vextral
