#pragma once
// The parsed and linked game list kept in the per-user cache folder, so that a start whose
// source is unchanged need not run mame -listxml (seconds) and parse it again. A cache file
// is used only when its version, length and checksum are right and it was made from the
// same source; anything else is ignored and made anew.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/GameDatabase.h"
#include "database/ListWarning.h"

namespace vextral {

// What identifies the source of a list: the mame executable or the list file, by its
// resolved path and the state of the file there.
struct ListCacheKey {
    std::string kind;  // "mame" or "file"
    std::string path;  // canonical
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // CRC-32 of the first and the last 64 KiB: a rewrite within one time-stamp tick with
    // the same length still shows.
    std::uint32_t headCrc = 0;
    std::uint32_t tailCrc = 0;

    bool operator==(const ListCacheKey&) const = default;
};

// The key of the file at path now; nothing when it cannot be read.
std::optional<ListCacheKey> MakeListCacheKey(const std::string& kind, const std::string& path);

// The cached list into database (emptied first; indexed) and its reading warnings, when the
// folder holds a sound cache made from this key. False leaves database empty.
[[nodiscard]] bool LoadListCache(const std::string& folder, const ListCacheKey& key,
                                 GameDatabase& database, std::vector<ListWarning>& warnings);

// Keeps a linked database for this key, written under a temporary name and renamed into
// place. A failure (a full disk, a folder that cannot be written) only leaves the cache out.
bool SaveListCache(const std::string& folder, const ListCacheKey& key, const GameDatabase& database,
                   const std::vector<ListWarning>& warnings);

}  // namespace vextral
