#include "database/GameDatabase.h"

namespace vextral {

void GameDatabase::Clear() {
    games.clear();
    biosSets.clear();
    firstByName_.clear();
}

void GameDatabase::RebuildIndex() {
    firstByName_.clear();
    firstByName_.reserve(games.size());
    for (std::uint32_t i = 0; i < games.size(); ++i) {
        firstByName_.try_emplace(games[i].name, i);  // keeps the first in database order
    }
}

std::optional<std::uint32_t> GameDatabase::FindGame(std::string_view name) const {
    const auto it = firstByName_.find(name);
    if (it == firstByName_.end())
        return std::nullopt;
    return it->second;
}

bool GameDatabase::IsBiosSet(std::string_view name) const {
    for (const std::string& bios : biosSets) {
        if (EqualsIgnoringCase(bios, name))
            return true;
    }
    return false;
}

}  // namespace vextral
