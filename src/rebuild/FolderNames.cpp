#include "rebuild/FolderNames.h"

#include <algorithm>

#include "platform/Text.h"

namespace vextral {

FolderNames::FolderNames(const std::string& folder) {
    auto entries = TryListFolder(folder);
    listed_ = entries.has_value();
    if (!entries)
        return;
    for (auto& entry : *entries) {
        byFolded_[ToLowerAscii(entry.name)].push_back(std::move(entry));  // already sorted
    }
}

std::optional<std::string> FolderNames::Find(std::string_view name, bool wantFolder) const {
    const auto it = byFolded_.find(ToLowerAscii(name));
    if (it == byFolded_.end())
        return std::nullopt;
    const DirEntry* first = nullptr;
    for (const auto& entry : it->second) {
        // A FIFO, socket or device is neither a set nor a file to read or replace.
        if (wantFolder ? !entry.isFolder : !entry.IsFile())
            continue;
        if (entry.name == name)
            return entry.name;
        if (first == nullptr)
            first = &entry;
    }
    if (first == nullptr)
        return std::nullopt;
    return first->name;
}

std::optional<std::string> FolderNames::FindFolder(std::string_view name) const {
    return Find(name, true);
}

std::optional<std::string> FolderNames::FindFile(std::string_view name) const {
    return Find(name, false);
}

bool FolderNames::Contains(std::string_view name) const {
    return byFolded_.contains(ToLowerAscii(name));
}

void FolderNames::Add(const std::string& name, bool isFolder) {
    auto& entries = byFolded_[ToLowerAscii(name)];
    const auto at = std::find_if(entries.begin(), entries.end(),
                                 [&](const DirEntry& e) { return !LessExact(e.name, name); });
    if (at != entries.end() && at->name == name) {
        at->isFolder = isFolder;
        return;
    }
    entries.insert(at, DirEntry{name, isFolder});
}

void FolderNames::Remove(std::string_view exactName) {
    const auto it = byFolded_.find(ToLowerAscii(exactName));
    if (it == byFolded_.end())
        return;
    std::erase_if(it->second, [&](const DirEntry& e) { return e.name == exactName; });
    if (it->second.empty())
        byFolded_.erase(it);
}

}  // namespace vextral
