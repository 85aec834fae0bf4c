#include "support/FolderBuilder.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
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

FolderBuilder& FolderBuilder::Special(const std::string& relative, SpecialKind kind) {
    const std::string path = Path(relative);
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    bool made = false;
    if (kind == SpecialKind::Fifo) {
        made = ::mkfifo(path.c_str(), 0644) == 0;
    } else if (kind == SpecialKind::DeviceLink) {
        made = ::symlink("/dev/zero", path.c_str()) == 0;
    } else {
        // A bound socket leaves its file behind when closed.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd >= 0 && path.size() < sizeof address.sun_path) {
            std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
            made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (!made)
        ADD_FAILURE() << "cannot make the special file " << path;
    return *this;
}

std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> tree;
    const std::string base = root.empty() || root.back() == '/' ? root : root + '/';
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(base, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        // By text: fs::relative would resolve a link to where it points.
        std::string relative = it->path().generic_string().substr(base.size());
        if (it->is_symlink()) {
            tree[relative] = "";
        } else if (it->is_directory()) {
            tree[relative + '/'] = "";
        } else if (!it->is_regular_file()) {
            tree[relative] = "<special>";
        } else {
            tree[relative] = ReadFile(it->path().string());
        }
    }
    return tree;
}

}  // namespace vextral::test
