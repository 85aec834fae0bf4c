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

// Lists a folder whose modification time was just seen as `modified`.
ListedFolder ListSeen(const std::string& key, const std::timespec& modified) {
    std::timespec listedAt{};
    std::timespec_get(&listedAt, TIME_UTC);
    ListedFolder listed{FolderListing(ListFolder(key), true), modified, false};
    listed.trusted = listedAt.tv_sec - modified.tv_sec > kTrustDelaySeconds ||
                     (listedAt.tv_sec - modified.tv_sec == kTrustDelaySeconds &&
                      listedAt.tv_nsec >= modified.tv_nsec);
    return listed;
}

}  // namespace

FolderListing::FolderListing(std::vector<DirEntry> sortedEntries, bool exists)
    : entries_(std::move(sortedEntries)), exists_(exists) {
    folded_.reserve(entries_.size());
    for (const DirEntry& entry : entries_) {
        Folded& folded = folded_.try_emplace(entry.name, Folded{entry.name, 0}).first->second;
        ++folded.count;
    }
}

namespace {

template <typename Entries>
auto LowerBound(Entries& entries, std::string_view name) {
    return std::lower_bound(entries.begin(), entries.end(), name,
                            [](const DirEntry& entry, std::string_view key) {
                                return std::string_view(entry.name) < key;
                            });
}

}  // namespace

const DirEntry* FolderListing::Find(std::string_view name) const {
    const auto exact = LowerBound(entries_, name);
    if (exact != entries_.end() && exact->name == name)
        return &*exact;
    const auto folded = folded_.find(name);
    if (folded == folded_.end())
        return nullptr;
    return &*LowerBound(entries_, folded->second.first);
}

std::size_t FolderListing::CountIgnoringCase(std::string_view name) const {
    const auto folded = folded_.find(name);
    return folded == folded_.end() ? 0 : folded->second.count;
}

void FolderListing::Insert(DirEntry entry) {
    const auto at = LowerBound(entries_, entry.name);
    if (at != entries_.end() && at->name == entry.name) {
        *at = std::move(entry);
        return;
    }
    Folded& folded = folded_.try_emplace(entry.name, Folded{entry.name, 0}).first->second;
    if (entry.name < folded.first)
        folded.first = entry.name;
    ++folded.count;
    entries_.insert(at, std::move(entry));
}

bool FolderListing::Erase(std::string_view name) {
    const auto at = LowerBound(entries_, name);
    if (at == entries_.end() || at->name != name)
        return false;
    entries_.erase(at);
    const auto folded = folded_.find(name);
    if (--folded->second.count == 0) {
        folded_.erase(folded);
    } else if (folded->second.first == name) {
        // Names differing in case only are rare; the next one in byte order is looked for.
        const auto next = std::find_if(entries_.begin(), entries_.end(), [&](const DirEntry& e) {
            return EqualsIgnoringCase(e.name, name);
        });
        folded->second.first = next->name;
    }
    return true;
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

std::optional<ListedFolder> ListFolderNow(const std::string& folder) {
    const std::string key = FolderKey(folder);
    struct stat info {};
    if (::stat(key.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return ListSeen(key, info.st_mtim);
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
    if (prepared_) {
        auto ready = prepared_(key);
        if (ready && ready->trusted && SameTime(ready->modified, info.st_mtim)) {
            cached = Cached{std::move(*ready), false};
            return cached.listing;
        }
    }
    cached = Cached{ListSeen(key, info.st_mtim), false};
    return cached.listing;
}

const DirEntry* FolderCache::Find(const std::string& folder, std::string_view name) {
    return Listing(folder).Find(name);
}

void FolderCache::Invalidate(const std::string& folder) {
    // Kept in place so that a listing reference handed out earlier stays valid.
    const auto found = cache_.find(FolderKey(folder));
    if (found != cache_.end()) {
        found->second.trusted = false;
        found->second.told = false;
    }
}

void FolderCache::InvalidateTree(const std::string& folder) {
    const std::string key = FolderKey(folder);
    for (auto& [cachedFolder, cached] : cache_) {
        if (cachedFolder.starts_with(key)) {
            cached.trusted = false;
            cached.told = false;
        }
    }
}

void FolderCache::Clear() {
    cache_.clear();
}

FolderCache::Cached* FolderCache::Updatable(const std::string& folder) {
    const std::string key = FolderKey(folder);
    const auto found = cache_.find(key);
    if (found == cache_.end())
        return nullptr;
    Cached& cached = found->second;
    struct stat info {};
    if (!cached.trusted || ::stat(key.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        cached.trusted = false;
        cached.told = false;
        return nullptr;
    }
    // The listing now holds the folder as it is at this modification time.
    cached.modified = info.st_mtim;
    cached.told = true;
    return &cached;
}

void FolderCache::Renamed(const std::string& folder, std::string_view from, std::string_view to) {
    const auto found = cache_.find(FolderKey(folder));
    if (found == cache_.end())
        return;
    const DirEntry* entry = found->second.listing.Find(from);
    if (entry == nullptr || entry->name != from) {
        Invalidate(folder);
        return;
    }
    DirEntry renamed = *entry;
    renamed.name = std::string(to);
    if (Cached* cached = Updatable(folder)) {
        cached->listing.Erase(from);
        cached->listing.Insert(std::move(renamed));
    }
}

void FolderCache::Removed(const std::string& folder, std::string_view name) {
    if (Cached* cached = Updatable(folder); cached != nullptr && !cached->listing.Erase(name))
        Invalidate(folder);
}

void FolderCache::Rewritten(const std::string& folder) {
    static_cast<void>(Updatable(folder));
}

void FolderCache::Revalidate(Cached& cached) {
    // A told listing is checked against the folder's time at its next use, like any other.
    if (!cached.told)
        cached.trusted = false;
}

void FolderCache::ForgetTold() {
    for (auto& [folder, cached] : cache_) {
        if (cached.told) {
            cached.trusted = false;
            cached.told = false;
        }
    }
}

void FolderCache::Revalidate(const std::string& folder) {
    const std::string key = FolderKey(folder);
    if (const auto found = cache_.find(key); found != cache_.end())
        Revalidate(found->second);
}

void FolderCache::RevalidateTree(const std::string& folder) {
    const std::string key = FolderKey(folder);
    for (auto& [cachedFolder, cached] : cache_) {
        if (cachedFolder.starts_with(key))
            Revalidate(cached);
    }
}

}  // namespace vextral
