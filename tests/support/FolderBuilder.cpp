#include "support/FolderBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempFolder.h"

namespace vextral::test {

namespace fs = std::filesystem;

FolderBuilder::FolderBuilder(std::string root) : root_(std::move(root)) {
    if (root_.empty() || root_.back() != '/')
        root_ += '/';
    std::error_code ec;
    fs::create_directories(root_, ec);
    if (ec)
        ADD_FAILURE() << "cannot create " << root_;
}

FolderBuilder& FolderBuilder::File(const std::string& relative, const std::string& contents) {
    WriteFile(Path(relative), contents);
    if (!fs::is_regular_file(Path(relative)))
        ADD_FAILURE() << "cannot write " << relative;
    return *this;
}

FolderBuilder& FolderBuilder::Folder(const std::string& relative) {
    std::error_code ec;
    fs::create_directories(Path(relative), ec);
    if (ec)
        ADD_FAILURE() << "cannot create " << relative;
    return *this;
}

FolderBuilder& FolderBuilder::ReadOnly(const std::string& relative) {
    std::error_code ec;
    fs::permissions(Path(relative),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
    if (ec)
        ADD_FAILURE() << "cannot make " << relative << " read-only";
    return *this;
}

FolderBuilder& FolderBuilder::Link(const std::string& relative, const std::string& target) {
    std::error_code ec;
    fs::create_symlink(target, Path(relative), ec);
    if (ec)
        ADD_FAILURE() << "cannot link " << relative;
    return *this;
}

std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string relative = fs::relative(it->path(), root).generic_string();
        if (it->is_symlink()) {
            tree[relative] = "";
        } else if (it->is_directory()) {
            tree[relative + '/'] = "";
        } else {
            tree[relative] = ReadFile(it->path().string());
        }
    }
    return tree;
}

}  // namespace vextral::test
