#pragma once
// Small path and file helpers used everywhere. They never show a message.

#include <string>
#include <string_view>

namespace vextral {

// The text after the last '\', '/' or ':' (looked for from the end back to the second
// character); empty when the path is empty or ends in one of them.
std::string FileNamePart(std::string_view path);
// The text before the last separator followed by the native separator: the last '/',
// else the last '\', else the last ':'. Empty when the path has none.
std::string FolderPart(std::string_view path);

void ClearFileAttributes(const std::string& path);
// Clears the attributes, then deletes; false on any error (also: no such file) and for a
// FIFO, socket or device, which is never removed.
[[nodiscard]] bool DeleteFileForced(const std::string& path);
// Removes the folder (named without trailing separator) with everything in it; true when
// the folder itself was removed.
[[nodiscard]] bool RemoveFolderTree(const std::string& folder);
// Copies a file or a folder tree into the destination folder. A source ending with a
// separator copies the folder's contents. Existing files are replaced; errors are ignored.
void CopyTree(const std::string& source, const std::string& destination);

}  // namespace vextral
