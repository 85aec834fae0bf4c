#include "database/ListCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string_view>

#include "archive/Crc32.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace vextral {

namespace {

constexpr char kMagic[8] = {'V', 'X', 'L', 'I', 'S', 'T', 'C', '\n'};
// Raise whenever what a list reads into the records changes, so older caches are not used.
constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kHeaderSize = sizeof kMagic + 4 + 8 + 4;
constexpr std::size_t kSampleSize = 64 * 1024;
// Caches of other sources kept besides the newest.
constexpr std::size_t kKeptCaches = 4;
constexpr std::string_view kPrefix = "list-";
constexpr std::string_view kSuffix = ".cache";

// Little-endian writer of the cache payload.
class Writer {
  public:
    std::string bytes;
    void U8(std::uint8_t value) { bytes.push_back(static_cast<char>(value)); }
    void U32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void U64(std::uint64_t value) {
        U32(static_cast<std::uint32_t>(value));
        U32(static_cast<std::uint32_t>(value >> 32));
    }
    void Text(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
    }
};

// Reads what Writer wrote; any read past the end makes it fail for good.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return rest_.empty(); }

    std::uint8_t U8() {
        if (!Need(1))
            return 0;
        const auto value = static_cast<std::uint8_t>(rest_[0]);
        rest_.remove_prefix(1);
        return value;
    }
    std::uint32_t U32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(U8()) << (8 * i);
        return value;
    }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | (static_cast<std::uint64_t>(U32()) << 32);
    }
    void Text(std::string& text) {
        const std::uint32_t size = U32();
        if (!Need(size))
            return;
        text.assign(rest_.data(), size);
        rest_.remove_prefix(size);
    }
    // A count of records each at least minimumSize bytes long; one the rest cannot hold
    // is refused before anything is reserved for it.
    std::uint32_t Count(std::size_t minimumSize) {
        const std::uint32_t count = U32();
        if (ok_ && count > rest_.size() / std::max<std::size_t>(minimumSize, 1))
            ok_ = false;
        return ok_ ? count : 0;
    }

  private:
    bool Need(std::size_t size) {
        if (ok_ && rest_.size() >= size)
            return true;
        ok_ = false;
        return false;
    }
    std::string_view rest_;
    bool ok_ = true;
};

void WriteKey(Writer& out, const ListCacheKey& key) {
    out.Text(key.kind);
    out.Text(key.path);
    out.U64(key.size);
    out.U64(static_cast<std::uint64_t>(key.modifiedSeconds));
    out.U64(static_cast<std::uint64_t>(key.modifiedNanoseconds));
    out.U64(key.device);
    out.U64(key.inode);
    out.U32(key.headCrc);
    out.U32(key.tailCrc);
}

ListCacheKey ReadKey(Reader& in) {
    ListCacheKey key;
    in.Text(key.kind);
    in.Text(key.path);
    key.size = in.U64();
    key.modifiedSeconds = static_cast<std::int64_t>(in.U64());
    key.modifiedNanoseconds = static_cast<std::int64_t>(in.U64());
    key.device = in.U64();
    key.inode = in.U64();
    key.headCrc = in.U32();
    key.tailCrc = in.U32();
    return key;
}

enum GameFlags : std::uint8_t { kClone = 1, kParent = 2, kSampleOf = 4 };

void WriteGame(Writer& out, const GameRecord& game) {
    out.Text(game.description);
    out.Text(game.name);
    out.Text(game.cloneOf);
    out.Text(game.sampleOf);
    out.U8(static_cast<std::uint8_t>((game.isClone ? kClone : 0) | (game.isParent ? kParent : 0) |
                                     (game.hasSampleOf ? kSampleOf : 0)));
    out.U32(static_cast<std::uint32_t>(game.roms.size()));
    for (const RomRecord& rom : game.roms) {
        out.Text(rom.name);
        out.U32(rom.size);
        out.U32(rom.crc);
        out.U32(rom.complementedCrc);
        out.U32(static_cast<std::uint32_t>(rom.otherNames.size()));
        for (const std::string& other : rom.otherNames)
            out.Text(other);
    }
    out.U32(static_cast<std::uint32_t>(game.samples.size()));
    for (const SampleRecord& sample : game.samples)
        out.Text(sample.name);
}

void ReadGame(Reader& in, GameRecord& game) {
    in.Text(game.description);
    in.Text(game.name);
    in.Text(game.cloneOf);
    in.Text(game.sampleOf);
    const std::uint8_t flags = in.U8();
    game.isClone = (flags & kClone) != 0;
    game.isParent = (flags & kParent) != 0;
    game.hasSampleOf = (flags & kSampleOf) != 0;
    game.roms.resize(in.Count(4 + 12 + 4));
    for (RomRecord& rom : game.roms) {
        in.Text(rom.name);
        rom.size = in.U32();
        rom.crc = in.U32();
        rom.complementedCrc = in.U32();
        rom.crcKnown = rom.crc != 0;
        rom.otherNames.resize(in.Count(4));
        for (std::string& other : rom.otherNames)
            in.Text(other);
    }
    game.samples.resize(in.Count(4));
    for (SampleRecord& sample : game.samples)
        in.Text(sample.name);
    game.romCount = static_cast<std::uint32_t>(game.roms.size());
    game.sampleCount = static_cast<std::uint32_t>(game.samples.size());
}

// The invariants every reader of the list relies on, which a sound cache keeps.
bool Consistent(const GameRecord& game) {
    return game.isClone == !game.cloneOf.empty() && game.hasSampleOf == !game.sampleOf.empty() &&
           (!game.hasSampleOf || !game.samples.empty());
}

std::string CacheFileName(const ListCacheKey& key) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (const std::string* text : {&key.kind, &key.path}) {
        for (const char c : *text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
        hash ^= 0xFF;
        hash *= 1099511628211ull;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string name(kPrefix);
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(hash >> shift) & 0xF];
    return name + std::string(kSuffix);
}

// Leaves the newest caches of other sources; the rest would only fill the disk.
void PruneOldCaches(const std::string& folder) {
    std::vector<std::pair<std::int64_t, std::string>> caches;
    for (const DirEntry& entry : ListFolder(folder)) {
        const std::string_view name = entry.name;
        if (entry.isFolder || !name.starts_with(kPrefix) || !name.ends_with(kSuffix))
            continue;
        struct stat info {};
        if (::stat((folder + entry.name).c_str(), &info) == 0)
            caches.emplace_back(info.st_mtim.tv_sec, entry.name);
    }
    if (caches.size() <= kKeptCaches)
        return;
    std::sort(caches.begin(), caches.end(), std::greater<>());
    for (std::size_t i = kKeptCaches; i < caches.size(); ++i)
        (void)DeleteFile(folder + caches[i].second);
}

}  // namespace

std::optional<ListCacheKey> MakeListCacheKey(const std::string& kind, const std::string& path) {
    ListCacheKey key;
    key.kind = kind;
    key.path = CanonicalPath(path);
    const FileDescriptor fd(::open(key.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    key.size = static_cast<std::uint64_t>(info.st_size);
    key.modifiedSeconds = info.st_mtim.tv_sec;
    key.modifiedNanoseconds = info.st_mtim.tv_nsec;
    key.device = info.st_dev;
    key.inode = info.st_ino;
    std::string sample(kSampleSize, '\0');
    const auto crcAt = [&](std::uint64_t offset) {
        const ssize_t n =
            ::pread(fd.Get(), sample.data(), sample.size(), static_cast<off_t>(offset));
        return n > 0 ? Crc32(0, sample.data(), static_cast<std::size_t>(n)) : 0u;
    };
    key.headCrc = crcAt(0);
    key.tailCrc = crcAt(key.size > kSampleSize ? key.size - kSampleSize : 0);
    return key;
}

bool LoadListCache(const std::string& folder, const ListCacheKey& key, GameDatabase& database,
                   std::vector<ListWarning>& warnings) {
    database.Clear();
    warnings.clear();
    if (folder.empty())
        return false;
    const std::optional<std::string> bytes =
        ReadRegularFile(WithSeparator(folder) + CacheFileName(key), UINT64_MAX);
    if (!bytes || bytes->size() < kHeaderSize ||
        std::memcmp(bytes->data(), kMagic, sizeof kMagic) != 0)
        return false;
    Reader header(std::string_view(*bytes).substr(sizeof kMagic, kHeaderSize - sizeof kMagic));
    const std::uint32_t version = header.U32();
    const std::uint64_t payloadSize = header.U64();
    const std::uint32_t checksum = header.U32();
    const std::string_view payload = std::string_view(*bytes).substr(kHeaderSize);
    if (version != kVersion || payloadSize != payload.size() ||
        checksum != Crc32(0, payload.data(), payload.size()))
        return false;

    Reader in(payload);
    if (!(ReadKey(in) == key) || !in.ok())
        return false;
    warnings.resize(in.Count(13));
    for (ListWarning& warning : warnings) {
        in.Text(warning.name);
        in.Text(warning.description);
        in.Text(warning.problem);
        warning.ofList = in.U8() != 0;
    }
    database.biosSets.resize(in.Count(4));
    for (std::string& bios : database.biosSets)
        in.Text(bios);
    database.games.resize(in.Count(4 * 4 + 1 + 8));
    bool consistent = true;
    for (GameRecord& game : database) {
        ReadGame(in, game);
        consistent = consistent && Consistent(game);
    }
    if (!in.ok() || !in.AtEnd() || !consistent) {
        database.Clear();
        warnings.clear();
        return false;
    }
    database.RebuildIndex();
    return true;
}

bool SaveListCache(const std::string& folder, const ListCacheKey& key, const GameDatabase& database,
                   const std::vector<ListWarning>& warnings) {
    if (folder.empty() || !CreateFolderTree(folder))
        return false;
    // The header goes first; its length and checksum are filled in once the rest is there.
    Writer out;
    out.bytes.assign(kMagic, sizeof kMagic);
    out.bytes.resize(kHeaderSize);
    WriteKey(out, key);
    out.U32(static_cast<std::uint32_t>(warnings.size()));
    for (const ListWarning& warning : warnings) {
        out.Text(warning.name);
        out.Text(warning.description);
        out.Text(warning.problem);
        out.U8(warning.ofList ? 1 : 0);
    }
    out.U32(static_cast<std::uint32_t>(database.biosSets.size()));
    for (const std::string& bios : database.biosSets)
        out.Text(bios);
    out.U32(static_cast<std::uint32_t>(database.size()));
    for (const GameRecord& game : database)
        WriteGame(out, game);
    const std::size_t payloadSize = out.bytes.size() - kHeaderSize;
    Writer header;
    header.U32(kVersion);
    header.U64(payloadSize);
    header.U32(Crc32(0, out.bytes.data() + kHeaderSize, payloadSize));
    out.bytes.replace(sizeof kMagic, header.bytes.size(), header.bytes);

    const std::string base = WithSeparator(folder);
    if (!WriteFileReplacing(base + CacheFileName(key), out.bytes))
        return false;
    PruneOldCaches(base);
    return true;
}

}  // namespace vextral
