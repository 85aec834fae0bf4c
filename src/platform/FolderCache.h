#pragma once
// Folder listings reused while a folder is unchanged. A scan looks up tens of thousands of
// names in one rom folder; listing it once per name would be quadratic.

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace vextral {

class FolderListing {
  public:
    FolderListing() = default;
    explicit FolderListing(std::vector<DirEntry> sortedEntries, bool exists);

    bool Exists() const { return exists_; }
    const std::vector<DirEntry>& Entries() const { return entries_; }
    // Exact name first, otherwise the first entry equal ignoring case in byte order.
    const DirEntry* Find(std::string_view name) const;
    // How many entries equal name ignoring case.
    std::size_t CountIgnoringCase(std::string_view name) const;
    std::vector<const DirEntry*> Match(std::string_view pattern) const;

    // A change made on disk, told instead of listing the folder again.
    void Insert(DirEntry entry);
    // False when no entry has exactly that name.
    bool Erase(std::string_view name);

  private:
    struct Folded {
        std::string first;  // in byte order
        std::size_t count = 0;
    };
    std::vector<DirEntry> entries_;  // sorted by name bytes
    // Keyed by a name of the group as met first; found in any case without a folded copy.
    std::unordered_map<std::string, Folded, CaseInsensitiveHash, CaseInsensitiveEqual> folded_;
    bool exists_ = false;
};

// A folder listed with the modification time seen just before the listing. Trusted when the
// listing was taken long enough after that time that no later change can share it.
struct ListedFolder {
    FolderListing listing;
    std::timespec modified{};
    bool trusted = false;
};
// Lists a folder now (on any thread); nothing when it is not a folder.
std::optional<ListedFolder> ListFolderNow(const std::string& folder);

class FolderCache {
  public:
    // Where listings taken ahead of their use come from (none by default). One is used only
    // when it is trusted and the folder still has its modification time.
    using PreparedSource = std::function<std::optional<ListedFolder>(const std::string& folder)>;
    void SetPreparedSource(PreparedSource source) { prepared_ = std::move(source); }

    // The listing of a folder (with or without trailing separator), listed again when the
    // folder's modification time changed or was too recent to be trusted.
    const FolderListing& Listing(const std::string& folder);
    // Resolves folder + name ignoring case through the cached listing.
    const DirEntry* Find(const std::string& folder, std::string_view name);
    void Invalidate(const std::string& folder);
    // The folder and every folder inside it.
    void InvalidateTree(const std::string& folder);
    void Clear();

    // Changes just made in folder by this process, applied to its listing so that it need
    // not be listed again. Each call must follow the change at once; a folder without a
    // trusted listing is invalidated instead.
    void Renamed(const std::string& folder, std::string_view from, std::string_view to);
    void Removed(const std::string& folder, std::string_view name);
    // Files in folder were replaced under their own names (an archive rewritten).
    void Rewritten(const std::string& folder);
    // Something in folder (or in a folder inside it) changed: listings are invalidated, except
    // those kept up to date by the calls above (still checked against the folder's time).
    void Revalidate(const std::string& folder);
    void RevalidateTree(const std::string& folder);
    // Something else may have changed any folder within the clock tick of a told change.
    void ForgetTold();

  private:
    struct Cached : ListedFolder {
        bool told = false;  // kept up to date by told changes since it was listed
    };
    // The cached listing of folder, null when it has none that can take a told change.
    Cached* Updatable(const std::string& folder);
    static void Revalidate(Cached& cached);

    std::unordered_map<std::string, Cached> cache_;
    PreparedSource prepared_;
};

}  // namespace vextral
