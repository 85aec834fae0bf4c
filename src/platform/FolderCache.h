#pragma once
// Folder listings reused while a folder is unchanged. A scan looks up tens of thousands of
// names in one rom folder; listing it once per name would be quadratic.

#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace vextral {

class FolderListing {
  public:
    FolderListing() = default;
    explicit FolderListing(std::vector<DirEntry> sortedEntries, bool exists);

    bool Exists() const { return exists_; }
    const std::vector<DirEntry>& Entries() const { return entries_; }
    // Exact name first, otherwise the first entry equal ignoring case in byte order.
    const DirEntry* Find(std::string_view name) const;
    std::vector<const DirEntry*> Match(std::string_view pattern) const;

  private:
    std::vector<DirEntry> entries_;  // sorted by name bytes
    std::unordered_map<std::string, std::size_t> firstByFoldedName_;
    bool exists_ = false;
};

class FolderCache {
  public:
    // The listing of a folder (with or without trailing separator), listed again when the
    // folder's modification time changed or was too recent to be trusted.
    const FolderListing& Listing(const std::string& folder);
    // Resolves folder + name ignoring case through the cached listing.
    const DirEntry* Find(const std::string& folder, std::string_view name);
    void Invalidate(const std::string& folder);
    // The folder and every folder inside it.
    void InvalidateTree(const std::string& folder);
    void Clear();

  private:
    struct Cached {
        FolderListing listing;
        std::timespec modified{};
        bool trusted = false;
    };
    std::unordered_map<std::string, Cached> cache_;
};

}  // namespace vextral
