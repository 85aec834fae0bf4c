#include "platform/FileSystem.h"

#include "platform/AtomicFile.h"
#include "platform/FileDescriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Text.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace vextral {

namespace {

bool MatchPlain(std::string_view pattern, std::string_view name) {
    // Greedy two-pointer match: on a mismatch after a '*', let that star swallow one more
    // character and retry. Linear in practice, never exponential.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || ToLowerAscii(pattern[p]) == ToLowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool LstatPath(const std::string& path, struct stat& info) {
    return ::lstat(path.c_str(), &info) == 0;
}

bool StatPath(const std::string& path, struct stat& info) {
    return ::stat(path.c_str(), &info) == 0;
}

bool SamePathIgnoringCase(const std::string& from, const std::string& to) {
    return from != to && EqualsIgnoringCase(from, to);
}

// Copies length bytes from offset of in to the end of out.
bool CopyContents(int in, AtomicFile& out, std::uint64_t offset, std::uint64_t length) {
    // copy_file_range lets the kernel (or a reflinking file system) do the work; it is not
    // supported everywhere, so a plain buffer loop takes over on the first refusal.
    auto position = static_cast<loff_t>(offset);
    while (length > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(length, 1 << 30));
        const ssize_t copied = ::copy_file_range(in, &position, out.Descriptor(), nullptr, step, 0);
        if (copied == 0)
            return false;  // the file ended before the range
        if (copied > 0) {
            length -= static_cast<std::uint64_t>(copied);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
            break;
        }
        return false;
    }
    constexpr std::size_t kBufferSize = 1 << 20;
    std::unique_ptr<char[]> buffer;
    if (length > 0)
        buffer.reset(new char[kBufferSize]);
    while (length > 0) {
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, kBufferSize));
        const ssize_t got = ::pread(in, buffer.get(), step, position);
        if (got == 0)
            return false;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!out.Write(buffer.get(), static_cast<std::size_t>(got)))
            return false;
        position += got;
        length -= static_cast<std::uint64_t>(got);
    }
    return true;
}

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Appends components to an absolute base, removing "." and ".." by text alone.
std::string AppendNormalised(std::string base, const std::vector<std::string>& parts,
                             std::size_t from) {
    for (std::size_t i = from; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == ".")
            continue;
        if (part == "..") {
            while (base.size() > 1 && base.back() == '/')
                base.pop_back();
            const std::size_t slash = base.rfind('/');
            base.erase(slash == std::string::npos || slash == 0 ? 1 : slash);
            continue;
        }
        base = WithSeparator(std::move(base)) + part;
    }
    return base.empty() ? "/" : base;
}

std::optional<std::string> RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (MatchPlain(pattern, name))
        return true;
    // "x.*" also stands for names that have no extension at all.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos) {
        return MatchPlain(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

std::vector<DirEntry> ListFolder(const std::string& folder) {
    return TryListFolder(folder).value_or(std::vector<DirEntry>{});
}

std::optional<std::vector<DirEntry>> TryListFolder(const std::string& folder) {
    std::vector<DirEntry> entries;
    const std::string base = folder.empty() ? std::string("./") : folder;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(base.c_str()));
    if (!dir)
        return std::nullopt;
    const std::string prefix = WithSeparator(base);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0)
                return std::nullopt;
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        DirEntry item{std::string(name), false, false};
        if (entry->d_type == DT_DIR) {
            item.isFolder = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            const bool exists = StatPath(prefix + item.name, info);
            item.isFolder = exists && S_ISDIR(info.st_mode);
            item.isSpecial = !exists || (!item.isFolder && !S_ISREG(info.st_mode));
        } else if (entry->d_type != DT_REG) {
            item.isSpecial = true;
        }
        entries.push_back(std::move(item));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

std::vector<DirEntry> ListMatching(const std::string& folder, std::string_view pattern) {
    std::vector<DirEntry> entries = ListFolder(folder);
    std::erase_if(entries, [&](const DirEntry& e) { return !WildcardMatch(pattern, e.name); });
    return entries;
}

bool IsReadableTree(const std::string& folder) {
    const auto entries = TryListFolder(folder);
    if (!entries)
        return false;
    const std::string prefix = WithSeparator(folder);
    for (const DirEntry& entry : *entries) {
        const std::string path = prefix + entry.name;
        struct stat info {};
        if (!LstatPath(path, info))
            return false;
        if (S_ISDIR(info.st_mode)) {
            if (!IsReadableTree(path))
                return false;
        } else if (S_ISREG(info.st_mode)) {
            FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
            if (file.Get() < 0)
                return false;
        }
    }
    return true;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return StatPath(path, info);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

bool IsSpecialFile(const std::string& path) {
    struct stat info {};
    return LstatPath(path, info) && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) ||
                                     S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode));
}

FileDescriptor OpenRegularFile(const std::string& path, std::uint64_t* length) {
    struct stat info {};
    if (!StatPath(path, info))
        return FileDescriptor(-1);
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    // The path may have changed since: O_NONBLOCK keeps a FIFO put there from blocking the
    // open, and the descriptor is checked again.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsOpen())
        return file;
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        static_cast<void>(file.Close());
        errno = EINVAL;
        return FileDescriptor(-1);
    }
    if (length != nullptr)
        *length = static_cast<std::uint64_t>(info.st_size);
    return file;
}

namespace {

// Up to size bytes from the descriptor's position; nothing on a read error.
std::optional<std::string> ReadUpTo(int fd, std::size_t size) {
    std::string contents(size, '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t got = ::read(fd, contents.data() + done, contents.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;  // the file shrank while being read
        done += static_cast<std::size_t>(got);
    }
    contents.resize(done);
    return contents;
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxLength) {
    std::uint64_t length = 0;
    const FileDescriptor file = OpenRegularFile(path, &length);
    if (!file.IsOpen() || length > maxLength)
        return std::nullopt;
    return ReadUpTo(file.Get(), static_cast<std::size_t>(length));
}

std::optional<std::string> ReadRegularFileHead(const std::string& path, std::uint64_t maxLength) {
    std::uint64_t length = 0;
    const FileDescriptor file = OpenRegularFile(path, &length);
    if (!file.IsOpen())
        return std::nullopt;
    return ReadUpTo(file.Get(), static_cast<std::size_t>(std::min(length, maxLength)));
}

bool IsSymbolicLink(const std::string& path) {
    struct stat info {};
    return LstatPath(path, info) && S_ISLNK(info.st_mode);
}

std::optional<std::uint64_t> FileLength(const std::string& path) {
    struct stat info {};
    if (!StatPath(path, info) || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::string> ResolveIgnoringCase(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    if (path.back() == '/') {
        const std::string stripped = WithoutSeparator(path);
        if (stripped == "/")
            return path;
        auto resolved = ResolveIgnoringCase(stripped);
        if (!resolved)
            return std::nullopt;
        return *resolved + '/';
    }
    struct stat info {};
    if (LstatPath(path, info))
        return path;
    const std::size_t slash = path.rfind('/');
    const std::string parent =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    for (const DirEntry& entry : ListFolder(parent)) {
        if (EqualsIgnoringCase(entry.name, name))
            return parent + entry.name;
    }
    return std::nullopt;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
    struct stat source {};
    if (!LstatPath(from, source))
        return false;
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    const int error = errno;
    struct stat target {};
    if (error == EEXIST) {
        // A case-insensitive file system reports the source itself as the target of a
        // rename that only changes case; that rename replaces nothing.
        return LstatPath(to, target) && target.st_dev == source.st_dev &&
               target.st_ino == source.st_ino && SamePathIgnoringCase(from, to) &&
               ::rename(from.c_str(), to.c_str()) == 0;
    }
    if (error != EINVAL && error != ENOSYS)
        return false;

    // The file system cannot rename atomically without replacing.
    if (!S_ISDIR(source.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) == 0)
                return true;
            static_cast<void>(::unlink(to.c_str()));
            return false;
        }
        if (errno == EEXIST) {
            return LstatPath(to, target) && target.st_ino == source.st_ino &&
                   SamePathIgnoringCase(from, to) && ::rename(from.c_str(), to.c_str()) == 0;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK)
            return false;
    }
    if (LstatPath(to, target)) {
        const bool sameFile = target.st_dev == source.st_dev && target.st_ino == source.st_ino;
        if (!sameFile || !SamePathIgnoringCase(from, to))
            return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ExchangePaths(const std::string& first, const std::string& second) {
    return ::syscall(SYS_renameat2, AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(),
                     RENAME_EXCHANGE) == 0;
}

bool MakeOwnerWritable(const std::string& path) {
    struct stat info {};
    if (!StatPath(path, info))
        return false;
    mode_t wanted = (info.st_mode & 07777) | S_IRUSR | S_IWUSR;
    // A folder is only usable (listed, emptied) with search permission as well.
    if (S_ISDIR(info.st_mode))
        wanted |= S_IXUSR;
    if (wanted == (info.st_mode & 07777))
        return true;
    return ::chmod(path.c_str(), wanted) == 0;
}

bool CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && IsFolder(path);
}

bool CreateFolderTree(const std::string& path) {
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    std::size_t pos = 0;
    while (pos < path.size()) {
        pos = path.find('/', pos + 1);
        if (pos == std::string::npos)
            pos = path.size();
        const std::string prefix = path.substr(0, pos);
        if (prefix.empty() || prefix.back() == '/')
            continue;
        if (!CreateFolder(prefix))
            return false;
    }
    return true;
}

bool RemoveEmptyFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool CopyFileTo(const std::string& from, const std::string& to, CopyMode mode) {
    return CopyFilePart(from, std::nullopt, to, mode);
}

bool LinkFile(const std::string& from, const std::string& to) {
    struct stat info {};
    return LstatPath(from, info) && S_ISREG(info.st_mode) && ::link(from.c_str(), to.c_str()) == 0;
}

bool CopyFilePart(const std::string& from, std::optional<FileRange> range, const std::string& to,
                  CopyMode mode) {
    FileDescriptor in = OpenRegularFile(from);
    struct stat info {};
    if (!in.IsOpen() || ::fstat(in.Get(), &info) != 0)
        return false;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const FileRange part = range.value_or(FileRange{0, size});
    if (part.offset > size || part.length > size - part.offset)
        return false;
    struct stat existing {};
    if (mode == CopyMode::KeepExisting && LstatPath(to, existing))
        return false;

    AtomicFile out(to, Durability::Unsynced);
    return CopyContents(in.Get(), out, part.offset, part.length) &&
           out.SetMode((info.st_mode & 0777) | S_IRUSR | S_IWUSR) && out.Commit(mode);
}

bool WriteFileReplacing(const std::string& path, std::string_view contents, std::string* failure) {
    AtomicFile out(path);
    if (out.Write(contents) && out.Commit())
        return true;
    if (failure != nullptr)
        *failure = out.Error();
    return false;
}

std::string CanonicalPath(const std::string& path) {
    const bool trailing = !path.empty() && path.back() == '/';
    std::string absolute = path;
    if (absolute.empty() || absolute.front() != '/')
        absolute = CurrentFolder() + absolute;
    const std::vector<std::string> parts = SplitComponents(absolute);

    // The longest prefix that exists has its links resolved; the rest is taken as text.
    std::string result;
    for (std::size_t count = parts.size() + 1; count-- > 0;) {
        std::string prefix = "/";
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0)
                prefix += '/';
            prefix += parts[i];
        }
        if (auto real = RealPath(prefix)) {
            result = AppendNormalised(*real, parts, count);
            break;
        }
    }
    if (result.empty())
        result = AppendNormalised("/", parts, 0);
    if (trailing && result.back() != '/')
        result += '/';
    return result;
}

bool IsSameOrInside(const std::string& inner, const std::string& outer) {
    std::string outerPath = CanonicalPath(outer);
    std::string innerPath = CanonicalPath(inner);
    if (outerPath.empty() || innerPath.empty())
        return false;
    return WithSeparator(innerPath).starts_with(WithSeparator(outerPath));
}

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return WithSeparator(std::move(buffer));
}

}  // namespace vextral
