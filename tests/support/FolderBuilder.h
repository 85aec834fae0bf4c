#pragma once
// Builds folder trees for tests: files with given contents, nested folders, read-only
// files and folders, symbolic links. Paths are relative to the root and use '/'.

#include <map>
#include <string>

namespace vextral::test {

// Directory entries that are not regular files: a FIFO (without a writer, opening it for
// reading waits for ever), a socket, and a link to /dev/zero (reading never ends).
enum class SpecialKind { Fifo, Socket, DeviceLink };
// Names parameterised tests by the kind.
struct SpecialKindName {
    template <class Info>
    std::string operator()(const Info& info) const {
        constexpr const char* kNames[] = {"Fifo", "Socket", "DeviceLink"};
        return kNames[static_cast<int>(info.param)];
    }
};

class FolderBuilder {
  public:
    explicit FolderBuilder(std::string root);  // created when missing

    FolderBuilder& File(const std::string& relative, const std::string& contents);
    FolderBuilder& Folder(const std::string& relative);
    // Takes away every write permission of an existing file or folder.
    FolderBuilder& ReadOnly(const std::string& relative);
    FolderBuilder& Link(const std::string& relative, const std::string& target);
    FolderBuilder& Special(const std::string& relative, SpecialKind kind);

    std::string Path(const std::string& relative) const { return root_ + relative; }
    const std::string& Root() const { return root_; }

  private:
    std::string root_;  // ends with '/'
};

// Every file and folder under root (links not followed), keyed by the relative path:
// a file maps to its contents, a folder (key ending with '/') and a link to "", a FIFO,
// socket or device to "<special>" (never opened).
std::map<std::string, std::string> ReadTree(const std::string& root);

}  // namespace vextral::test
