#include "platform/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vextral {

namespace {

// Hidden, and starting with one prefix, so that whoever sweeps leftovers of a crash can tell
// them from the user's files.
constexpr std::string_view kTemporaryPrefix = ".vxtpart-";

// mkstemp creates 0600; a file written here gets what open(..., 0666) would have given it.
// The mask is read, not set, since setting it races with other threads.
mode_t DefaultMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string path, Durability durability)
    : path_(std::move(path)), durability_(durability) {
    const std::size_t slash = path_.rfind(kSeparator);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path_.size()) {
        Fail(EISDIR);
        return;
    }
    const std::string folder = path_.substr(0, nameStart);
    temporary_ = folder + std::string(kTemporaryPrefix) + path_.substr(nameStart) + "-XXXXXX";
    int fd = ::mkstemp(temporary_.data());
    if (fd < 0 && errno == ENAMETOOLONG) {
        // The target's name is already near the limit; a short name beside it will do.
        temporary_ = folder + std::string(kTemporaryPrefix) + "XXXXXX";
        fd = ::mkstemp(temporary_.data());
    }
    if (fd < 0) {
        Fail(errno);
        temporary_.clear();
        return;
    }
    file_ = FileDescriptor(fd);
    // Read once: the program never changes its mask, and a rebuild or merge writes thousands
    // of files.
    static const mode_t defaultMode = DefaultMode();
    if (::fchmod(fd, defaultMode) != 0)
        Fail(errno);
}

AtomicFile::~AtomicFile() {
    (void)file_.Close();
    if (!temporary_.empty())
        static_cast<void>(::unlink(temporary_.c_str()));
}

bool AtomicFile::Fail(int error) {
    if (!failed_) {
        failed_ = true;
        error_ = std::strerror(error);
    }
    return false;
}

bool AtomicFile::SetMode(mode_t mode) {
    if (failed_)
        return false;
    return ::fchmod(file_.Get(), mode) == 0 || Fail(errno);
}

bool AtomicFile::Write(const void* data, std::size_t length) {
    if (failed_)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written =
            ::write(file_.Get(), bytes, std::min<std::size_t>(length, 1u << 30));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(written < 0 ? errno : EIO);
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFile::Commit(CopyMode mode) {
    bool ok = !failed_;
    // Flushed before the rename: otherwise a crash soon after could leave the new name
    // pointing at an empty file where the old one had data.
    if (ok && durability_ == Durability::Synced && ::fsync(file_.Get()) != 0)
        ok = Fail(errno);
    if (!file_.Close() && ok)
        ok = Fail(errno);
    if (ok) {
        errno = 0;
        const bool placed = mode == CopyMode::ReplaceExisting
                                ? ::rename(temporary_.c_str(), path_.c_str()) == 0
                                : RenameNoReplace(temporary_, path_);
        if (!placed)
            ok = Fail(errno != 0 ? errno : EEXIST);
    }
    if (ok)
        temporary_.clear();
    else if (!temporary_.empty() && ::unlink(temporary_.c_str()) == 0)
        temporary_.clear();
    return ok;
}

}  // namespace vextral
