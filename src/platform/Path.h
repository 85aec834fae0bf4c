#pragma once
// Folder texts end with the separator wherever the program passes them around; these are the
// only places that add, strip or join it.

#include <string>
#include <string_view>

namespace vextral {

// The native separator. Every folder text the program builds ends with it.
inline constexpr char kSeparator = '/';

// The folder with one separator at its end ("" becomes "/").
inline std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kSeparator)
        folder += kSeparator;
    return folder;
}

// The path without separators at its end; the root stays "/".
inline std::string WithoutSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

// A name inside a folder, whether or not the folder text ends with the separator.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && joined.back() != kSeparator)
        joined += kSeparator;
    joined += name;
    return joined;
}

// A name from outside (an archive member's) as a file name inside a folder of ours: the name
// itself when it is one plain component, otherwise "member".
inline std::string SafeFileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find(kSeparator) != std::string::npos)
        return "member";
    return name;
}

}  // namespace vextral
