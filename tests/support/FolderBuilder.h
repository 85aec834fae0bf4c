#pragma once
// Builds folder trees for tests: files with given contents, nested folders, read-only
// files and folders, symbolic links. Paths are relative to the root and use '/'.

#include <map>
#include <string>

namespace vextral::test {

class FolderBuilder {
  public:
    explicit FolderBuilder(std::string root);  // created when missing

    FolderBuilder& File(const std::string& relative, const std::string& contents);
    FolderBuilder& Folder(const std::string& relative);
    // Takes away every write permission of an existing file or folder.
    FolderBuilder& ReadOnly(const std::string& relative);
    FolderBuilder& Link(const std::string& relative, const std::string& target);

    std::string Path(const std::string& relative) const { return root_ + relative; }
    const std::string& Root() const { return root_; }

  private:
    std::string root_;  // ends with '/'
};

// Every file and folder under root (links not followed), keyed by the relative path:
// a file maps to its contents, a folder (key ending with '/') and a link to "".
std::map<std::string, std::string> ReadTree(const std::string& root);

}  // namespace vextral::test
