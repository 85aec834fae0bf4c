#pragma once
// Names and small look-ups the set checks share.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "archive/ZipEntry.h"
#include "database/GameDatabase.h"
#include "platform/Text.h"

namespace vextral {

inline constexpr std::string_view kZipExtension = ".zip";
inline constexpr std::string_view kSampleBiosSet = "ym3812";
inline constexpr std::string_view kUnknownSet = "_unknown";
inline constexpr std::string_view kBackupFolder = "backup.vxt";

// The first member of that name, ignoring case.
inline std::optional<std::size_t> FindMember(const std::vector<ZipEntry>& members,
                                             std::string_view name) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (EqualsIgnoringCase(members[i].name, name))
            return i;
    }
    return std::nullopt;
}

// The parent record found by name: parentIndex is left at 0 for a clone whose parent is
// itself a clone, and would then name an unrelated game.
inline const GameRecord* ParentOf(const GameRecord& game, const GameDatabase& database) {
    if (!game.isClone)
        return nullptr;
    if (game.parentIndex < database.size() &&
        EqualsIgnoringCase(database[game.parentIndex].name, game.cloneOf) &&
        !database[game.parentIndex].isClone)
        return &database[game.parentIndex];
    const auto index = database.FindGame(game.cloneOf);
    return index ? &database[*index] : nullptr;
}

}  // namespace vextral
