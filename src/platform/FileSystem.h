#pragma once
// Operating-system primitives: listing, case-insensitive look-up, safe renames, attributes.
// Nothing here knows of games or zips. All functions swallow errors and report them in
// their result.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileDescriptor.h"
#include "platform/Path.h"

namespace vextral {

struct DirEntry {
    std::string name;
    bool isFolder = false;
    // Neither a folder nor a regular file (also through a link): a FIFO, socket, device or
    // dangling link. Such an entry is never opened, read, followed or removed.
    bool isSpecial = false;

    bool IsFile() const { return !isFolder && !isSpecial; }
};

// Wildcard match of a name against a pattern: '*' any run, '?' any one character, ASCII case
// ignored. A pattern ending in ".*" also matches names without a dot ("*.*" matches all).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Entries of a folder other than "." and "..", sorted by name in byte order. Empty when the
// folder does not exist or cannot be listed.
std::vector<DirEntry> ListFolder(const std::string& folder);
// The same, or nothing when the folder cannot be listed completely.
std::optional<std::vector<DirEntry>> TryListFolder(const std::string& folder);
// Whether every folder below folder (itself included) can be listed and every regular file
// in them opened for reading. Links are not followed; what is neither a folder nor a regular
// file holds no data and does not count.
bool IsReadableTree(const std::string& folder);
// The entries of ListFolder(folder) whose names match the wildcard pattern.
std::vector<DirEntry> ListMatching(const std::string& folder, std::string_view pattern);

bool PathExists(const std::string& path);  // lstat-free: follows links
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// Whether the path itself (not followed) is a FIFO, socket or device.
bool IsSpecialFile(const std::string& path);
// Opens a regular file (also through links) for reading; anything else is never opened, so
// a FIFO without a writer or a device cannot make the caller wait or read for ever. The
// file's length goes to *length when given. Not open (errno set) on any failure.
FileDescriptor OpenRegularFile(const std::string& path, std::uint64_t* length = nullptr);
// The whole contents of a regular file no longer than maxLength; nothing otherwise.
std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxLength);
// The first maxLength bytes at most of a regular file; nothing when it cannot be read.
std::optional<std::string> ReadRegularFileHead(const std::string& path, std::uint64_t maxLength);
// Whether the path itself is a symbolic link (not followed).
bool IsSymbolicLink(const std::string& path);
std::optional<std::uint64_t> FileLength(const std::string& path);

// Resolves the last component of a path ignoring ASCII case: an entry of exactly that name
// wins, otherwise the first match in byte order of names. The folder part is taken as typed.
// Returns the path with the last component as it is on disk, or nothing when none matches.
std::optional<std::string> ResolveIgnoringCase(const std::string& path);

// Renames without ever replacing an existing target; false when the target exists or the
// rename fails. A rename to a name differing from the source only in case is allowed.
[[nodiscard]] bool RenameNoReplace(const std::string& from, const std::string& to);

// Swaps two existing paths in one step (renameat2 with RENAME_EXCHANGE); false when either
// is missing or the file system cannot.
[[nodiscard]] bool ExchangePaths(const std::string& first, const std::string& second);

// Makes a file writable by its owner ("clearing attributes"); time stamps stay. A folder
// also gets the owner's search permission, so that it can be emptied.
[[nodiscard]] bool MakeOwnerWritable(const std::string& path);

// Creates a folder; an existing folder counts as success.
[[nodiscard]] bool CreateFolder(const std::string& path);
// Creates a folder and all missing parents.
[[nodiscard]] bool CreateFolderTree(const std::string& path);
[[nodiscard]] bool RemoveEmptyFolder(const std::string& path);
[[nodiscard]] bool DeleteFile(const std::string& path);

enum class CopyMode { ReplaceExisting, KeepExisting };
// Copies one regular file; with KeepExisting an existing target makes the copy fail
// untouched. The copy is written under a temporary name beside the target and renamed into
// place, so a target is never half written, even when it is the source itself.
[[nodiscard]] bool CopyFileTo(const std::string& from, const std::string& to, CopyMode mode);
// A second name to for the regular file from, which no copy is needed for: false, with
// nothing made, when from is no regular file, to exists, or the file system cannot (another
// device, no hard links).
[[nodiscard]] bool LinkFile(const std::string& from, const std::string& to);
struct FileRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};
// The same for a part of the file (the whole file without a range); false when the file
// does not reach the end of the range.
[[nodiscard]] bool CopyFilePart(const std::string& from, std::optional<FileRange> range,
                                const std::string& to, CopyMode mode);

// Writes contents into a new file beside path (a name of this process's own) and renames it
// over path when complete, so a full disk or a crash leaves an earlier file intact. False
// when it could not be written; the system's reason then goes to *failure when given.
[[nodiscard]] bool WriteFileReplacing(const std::string& path, std::string_view contents,
                                      std::string* failure = nullptr);

// Absolute path with "." and ".." removed and links resolved as far as the path exists.
// A trailing separator is kept when given.
std::string CanonicalPath(const std::string& path);

// Whether inner is outer or lies inside it, comparing canonical paths.
bool IsSameOrInside(const std::string& inner, const std::string& outer);

std::string CurrentFolder();  // ends with the separator

}  // namespace vextral
