#include "database/DatabaseLinker.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "database/ListWarning.h"
#include "platform/Text.h"

namespace vextral {

namespace {

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void SortByDescription(GameDatabase& database) {
    std::vector<std::uint32_t> order(database.size());
    std::iota(order.begin(), order.end(), 0u);
    // std::string compares bytes as unsigned, which is the exact order.
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return database[a].description < database[b].description;
    });
    std::vector<GameRecord> sorted;
    sorted.reserve(order.size());
    for (const std::uint32_t i : order)
        sorted.push_back(std::move(database[i]));
    database.games = std::move(sorted);
}

void MarkParents(GameDatabase& database) {
    for (GameRecord& game : database) {
        if (!game.isClone)
            continue;
        if (const auto parent = database.FindGame(game.cloneOf))
            database[*parent].isParent = true;
    }
}

// The checksum index groups entries by crc and size, and within that by name ignoring
// case, so each ROM visits one entry per distinct name.
void FillOtherNames(GameDatabase& database, RomCrcList& list) {
    std::stable_sort(list.begin(), list.end(), [](const RomCrcEntry& a, const RomCrcEntry& b) {
        if (a.crc != b.crc)
            return a.crc < b.crc;
        if (a.size != b.size)
            return a.size < b.size;
        const int folded = CompareIgnoringCase(a.name, b.name);
        if (folded != 0)
            return folded < 0;
        return a.name < b.name;
    });
    const std::size_t n = list.size();
    // For the first entry of each case group: where the next group starts, and the first
    // entry of the group whose name differs exactly from the group's first name.
    std::vector<std::uint32_t> nextGroup(n, 0);
    std::vector<std::uint32_t> secondName(n, 0);
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start + 1;
        std::size_t second = 0;
        while (end < n && list[end].crc == list[start].crc && list[end].size == list[start].size &&
               EqualsIgnoringCase(list[end].name, list[start].name)) {
            if (second == 0 && list[end].name != list[start].name)
                second = end;
            ++end;
        }
        nextGroup[start] = static_cast<std::uint32_t>(end);
        secondName[start] = static_cast<std::uint32_t>(second);
        start = end;
    }

    const auto keyLess = [](const RomCrcEntry& entry, std::pair<std::uint32_t, std::uint32_t> key) {
        return entry.crc != key.first ? entry.crc < key.first : entry.size < key.second;
    };
    for (GameRecord& game : database) {
        for (RomRecord& rom : game.roms) {
            if (rom.crc == 0)
                continue;
            const std::pair key{rom.crc, rom.size};
            auto first = std::lower_bound(list.begin(), list.end(), key, keyLess);
            std::size_t group = static_cast<std::size_t>(first - list.begin());
            while (group < n && list[group].crc == rom.crc && list[group].size == rom.size) {
                if (list[group].name != rom.name) {
                    rom.otherNames.push_back(list[group].name);
                } else if (secondName[group] != 0) {
                    rom.otherNames.push_back(list[secondName[group]].name);
                }
                group = nextGroup[group];
            }
        }
    }
}

}  // namespace

bool IsNeoGeoBiosRom(const RomRecord& rom) {
    return rom.size == 131072 &&
           (rom.crc == 0x9036D879u || rom.crc == 0x97CF998Bu || rom.crc == 0x354029FCu);
}

void LinkGameDatabase(GameDatabase& database, RomCrcList& romCrcList) {
    SortByDescription(database);
    database.RebuildIndex();
    MarkParents(database);
    FillOtherNames(database, romCrcList);
    RomCrcList().swap(romCrcList);
}

void ValidateGameDatabase(GameDatabase& database, bool listInfoWarnings, DatabaseCounts& counts,
                          Dialogs& dialogs) {
    counts = DatabaseCounts{};
    database.RebuildIndex();
    const auto warn = [&](const GameRecord& game, std::string_view problem) {
        if (listInfoWarnings)
            ShowListInfoWarning(dialogs, game.name, game.description, problem);
    };
    const auto isCloneNow = [](const GameRecord& game) {
        return !game.cloneOf.empty() || game.isClone;
    };

    // Clones by the parent name they give, in database order. A clone loses its cloneOf
    // only when no game has that name, so no parent's list is affected by that.
    std::unordered_map<std::string, std::vector<std::uint32_t>, CaseInsensitiveHash,
                       CaseInsensitiveEqual>
        clonesByParentName;
    for (std::uint32_t i = 0; i < database.size(); ++i) {
        if (!database[i].cloneOf.empty())
            clonesByParentName[database[i].cloneOf].push_back(i);
    }

    for (std::uint32_t i = 0; i < database.size(); ++i) {
        GameRecord& game = database[i];
        ++counts.gameCount;
        game.isNeoGeo = false;
        for (const RomRecord& rom : game.roms) {
            if (IsNeoGeoBiosRom(rom))
                game.isNeoGeo = true;
            if (rom.crc == 0)
                ++counts.badDumpCount;
        }
        if (game.isNeoGeo) {
            ++counts.neoGeoGameCount;
            counts.neoGeoRomCount += game.romCount;
        } else {
            ++counts.arcadeGameCount;
            counts.arcadeRomCount += game.romCount;
        }
        counts.totalSampleCount += game.sampleCount;

        if (game.isClone) {
            ++counts.cloneCount;
            const auto parent = database.FindGame(game.cloneOf);
            if (!parent) {
                game.isClone = false;
                game.cloneOf.clear();
                --counts.cloneCount;
                warn(game, "This IS NOT A Clone !");
            } else if (listInfoWarnings && isCloneNow(database[*parent])) {
                warn(game, "Parent - Clone Conflict !");
            } else {
                game.parentIndex = *parent;
            }
        }

        if (game.isParent) {
            if (listInfoWarnings && isCloneNow(game)) {
                warn(game, "Parent - Clone Conflict !");
                continue;
            }
            ++counts.parentCount;
            // Rebuilt rather than appended, so validating twice does not list clones twice.
            game.clones.clear();
            const auto it = clonesByParentName.find(game.name);
            if (it != clonesByParentName.end()) {
                for (const std::uint32_t clone : it->second) {
                    game.clones.push_back({database[clone].name, clone});
                }
            }
            if (game.clones.empty()) {
                game.isParent = false;
                --counts.parentCount;
                warn(game, "This IS NOT A Parentgame !");
            }
        }
    }
}

}  // namespace vextral
