#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/GameRecord.h"
#include "platform/Text.h"

namespace vextral {

// The games in database order (by description after linking). A game's position is its
// database index and does not change after loading.
class GameDatabase {
  public:
    std::vector<GameRecord> games;
    // The names of the list's BIOS sets (text "resource" blocks, XML machines marked as BIOS).
    // They are not games, but games need them: a scan never calls them unneeded.
    std::vector<std::string> biosSets;

    std::size_t size() const { return games.size(); }
    bool empty() const { return games.empty(); }
    GameRecord& operator[](std::size_t i) { return games[i]; }
    const GameRecord& operator[](std::size_t i) const { return games[i]; }
    auto begin() { return games.begin(); }
    auto end() { return games.end(); }
    auto begin() const { return games.begin(); }
    auto end() const { return games.end(); }

    void Clear();
    // Builds the name index; called after linking and whenever games were reordered.
    void RebuildIndex();
    // The first game in database order whose name equals this one ignoring case.
    std::optional<std::uint32_t> FindGame(std::string_view name) const;
    // Whether a BIOS set of the list has this name, ignoring case.
    bool IsBiosSet(std::string_view name) const;

  private:
    std::unordered_map<std::string, std::uint32_t, CaseInsensitiveHash, CaseInsensitiveEqual>
        firstByName_;
};

}  // namespace vextral
