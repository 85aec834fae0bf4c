#include "platform/FolderCache.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/Text.h"

namespace vextral {

namespace {

// A listing taken this soon after the folder's last change may have missed a second change
// within the same time-stamp tick, so it is not trusted.
constexpr std::time_t kTrustDelaySeconds = 2;

bool SameTime(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool HasWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

std::string FolderKey(const std::string& folder) {
    if (folder.empty())
        return "./";
    return folder.back() == kSeparator ? folder : folder + kSeparator;
}

}  // namespace

FolderListing::FolderListing(std::vector<DirEntry> sortedEntries, bool exists)
    : entries_(std::move(sortedEntries)), exists_(exists) {
    firstByFoldedName_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        firstByFoldedName_.try_emplace(ToLowerAscii(entries_[i].name), i);
    }
}

const DirEntry* FolderListing::Find(std::string_view name) const {
    const auto exact = std::lower_bound(
        entries_.begin(), entries_.end(), name,
        [](const DirEntry& entry, std::string_view key) { return entry.name < key; });
    if (exact != entries_.end() && exact->name == name)
        return &*exact;
    const auto folded = firstByFoldedName_.find(ToLowerAscii(name));
    return folded == firstByFoldedName_.end() ? nullptr : &entries_[folded->second];
}

std::vector<const DirEntry*> FolderListing::Match(std::string_view pattern) const {
    std::vector<const DirEntry*> matches;
    if (!HasWildcard(pattern)) {
        if (const DirEntry* entry = Find(pattern))
            matches.push_back(entry);
        return matches;
    }
    for (const DirEntry& entry : entries_) {
        if (WildcardMatch(pattern, entry.name))
            matches.push_back(&entry);
    }
    return matches;
}

const FolderListing& FolderCache::Listing(const std::string& folder) {
    const std::string key = FolderKey(folder);
    Cached& cached = cache_[key];
    struct stat info {};
    if (::stat(key.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        cached = Cached{};
        return cached.listing;
    }
    if (cached.trusted && SameTime(cached.modified, info.st_mtim))
        return cached.listing;

    std::timespec listedAt{};
    std::timespec_get(&listedAt, TIME_UTC);
    cached.listing = FolderListing(ListFolder(key), true);
    cached.modified = info.st_mtim;
    cached.trusted = listedAt.tv_sec - info.st_mtim.tv_sec > kTrustDelaySeconds ||
                     (listedAt.tv_sec - info.st_mtim.tv_sec == kTrustDelaySeconds &&
                      listedAt.tv_nsec >= info.st_mtim.tv_nsec);
    return cached.listing;
}

const DirEntry* FolderCache::Find(const std::string& folder, std::string_view name) {
    return Listing(folder).Find(name);
}

void FolderCache::Invalidate(const std::string& folder) {
    // Kept in place so that a listing reference handed out earlier stays valid.
    const auto found = cache_.find(FolderKey(folder));
    if (found != cache_.end())
        found->second.trusted = false;
}

void FolderCache::InvalidateTree(const std::string& folder) {
    const std::string key = FolderKey(folder);
    for (auto& [cachedFolder, cached] : cache_) {
        if (cachedFolder.starts_with(key))
            cached.trusted = false;
    }
}

void FolderCache::Clear() {
    cache_.clear();
}

}  // namespace vextral
