#include "archive/FileUtils.h"

#include "platform/FileSystem.h"

namespace vextral {

namespace {

constexpr bool IsPathSeparator(char c) {
    return c == '\\' || c == '/' || c == ':';
}

std::string WithoutTrailingSeparator(std::string path) {
    if (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

void CopyEntry(const std::string& sourceFolder, const DirEntry& entry,
               const std::string& destination) {
    const std::string from = sourceFolder + entry.name;
    const std::string target = destination + kSeparator + entry.name;
    if (entry.isFolder) {
        // A linked folder may lead anywhere, even back into the tree being copied.
        if (IsSymbolicLink(from))
            return;
        // Copying a folder into itself would never end.
        if (IsSameOrInside(destination, from))
            return;
        if (!CreateFolder(target))
            return;
        CopyTree(from + kSeparator, target);
        return;
    }
    // Only regular files (also through links) carry contents worth copying.
    if (IsRegularFile(from))
        static_cast<void>(CopyFileTo(from, target, CopyMode::ReplaceExisting));
}

}  // namespace

std::string FileNamePart(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 1;) {
        if (IsPathSeparator(path[i]))
            return std::string(path.substr(i + 1));
    }
    return std::string(path);
}

std::string FolderPart(std::string_view path) {
    std::size_t pos = path.rfind('/');
    if (pos == std::string_view::npos)
        pos = path.rfind('\\');
    if (pos == std::string_view::npos)
        pos = path.rfind(':');
    if (pos == std::string_view::npos)
        return std::string();
    return std::string(path.substr(0, pos)) + kSeparator;
}

void ClearFileAttributes(const std::string& path) {
    // A link's target lies outside whatever is being cleaned up; leave it alone.
    if (IsSymbolicLink(path))
        return;
    static_cast<void>(MakeOwnerWritable(path));
}

bool DeleteFileForced(const std::string& path) {
    // A FIFO, socket or device is nothing the program made or a set holds: it stays.
    if ((!IsSymbolicLink(path) && IsFolder(path)) || IsSpecialFile(path))
        return false;
    ClearFileAttributes(path);
    return DeleteFile(path);
}

bool RemoveFolderTree(const std::string& folder) {
    const std::string path = WithoutTrailingSeparator(folder);
    if (IsSymbolicLink(path) || !IsFolder(path))
        return false;
    // A read-only folder can neither be listed completely nor emptied.
    static_cast<void>(MakeOwnerWritable(path));
    const std::string prefix = path + kSeparator;
    for (const DirEntry& entry : ListFolder(prefix)) {
        const std::string child = prefix + entry.name;
        if (entry.isFolder && !IsSymbolicLink(child)) {
            static_cast<void>(RemoveFolderTree(child));
        } else {
            static_cast<void>(DeleteFileForced(child));
        }
    }
    return RemoveEmptyFolder(path);
}

void CopyTree(const std::string& source, const std::string& destination) {
    const std::string target = WithoutTrailingSeparator(destination);
    if (source.empty())
        return;
    if (source.back() == kSeparator) {
        for (const DirEntry& entry : ListFolder(source))
            CopyEntry(source, entry, target);
        return;
    }
    const std::size_t slash = source.rfind(kSeparator);
    const std::string sourceFolder =
        slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    if (!PathExists(source))
        return;
    CopyEntry(sourceFolder, DirEntry{name, IsFolder(source)}, target);
}

}  // namespace vextral
