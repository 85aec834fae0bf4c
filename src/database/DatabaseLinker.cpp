#include "database/DatabaseLinker.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "database/ListWarning.h"
#include "database/NeoGeoBios.h"
#include "platform/Text.h"

namespace vextral {

namespace {

// The first eight bytes as a big-endian number order like the bytes themselves, so most
// comparisons never touch the strings.
std::uint64_t OrderPrefix(const std::string& text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const auto byte = i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

void SortByDescription(GameDatabase& database) {
    struct Slot {
        std::uint64_t prefix;
        std::uint32_t index;
    };
    std::vector<Slot> order(database.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = {OrderPrefix(database[i].description), i};
    }
    // std::string compares bytes as unsigned, which is the exact order.
    std::stable_sort(order.begin(), order.end(), [&](const Slot& a, const Slot& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return database[a.index].description < database[b.index].description;
    });
    std::vector<GameRecord> sorted;
    sorted.reserve(order.size());
    for (const Slot& slot : order)
        sorted.push_back(std::move(database[slot.index]));
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

// Walks the checksum index and the database's ROMs together, both sorted by crc and size.
// Within one run of equal crc and size the names are grouped ignoring case, so each ROM
// takes one name per group: the group's first name, or its next one when that is the
// ROM's own name.
void FillOtherNames(GameDatabase& database, const RomCrcList& list) {
    struct Slot {
        std::uint64_t key;  // crc, then size
        std::string_view name;
    };
    struct RomSlot {
        std::uint64_t key;
        RomRecord* rom;
    };
    const auto keyOf = [](std::uint32_t crc, std::uint32_t size) {
        return (std::uint64_t{crc} << 32) | size;
    };
    std::vector<Slot> entries;
    entries.reserve(list.size());
    for (const RomCrcEntry& entry : list)
        entries.push_back({keyOf(entry.crc, entry.size), entry.name});
    std::sort(entries.begin(), entries.end(),
              [](const Slot& a, const Slot& b) { return a.key < b.key; });

    std::vector<RomSlot> roms;
    roms.reserve(list.size());
    for (GameRecord& game : database) {
        for (RomRecord& rom : game.roms) {
            if (rom.crc != 0)
                roms.push_back({keyOf(rom.crc, rom.size), &rom});
        }
    }
    std::sort(roms.begin(), roms.end(),
              [](const RomSlot& a, const RomSlot& b) { return a.key < b.key; });

    struct Group {
        std::string_view first;
        std::string_view second;  // the first exactly different name, empty when none
    };
    std::vector<Group> groups;
    std::size_t e = 0;
    for (std::size_t r = 0; r < roms.size();) {
        const std::uint64_t key = roms[r].key;
        std::size_t rEnd = r;
        while (rEnd < roms.size() && roms[rEnd].key == key)
            ++rEnd;
        while (e < entries.size() && entries[e].key < key)
            ++e;
        std::size_t eEnd = e;
        while (eEnd < entries.size() && entries[eEnd].key == key)
            ++eEnd;

        // Runs are short; sorting them by name ignoring case, then exactly, makes the groups.
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(e),
                  entries.begin() + static_cast<std::ptrdiff_t>(eEnd),
                  [](const Slot& a, const Slot& b) {
                      const int folded = CompareIgnoringCase(a.name, b.name);
                      return folded != 0 ? folded < 0 : a.name < b.name;
                  });
        groups.clear();
        for (std::size_t i = e; i < eEnd; ++i) {
            const std::string_view name = entries[i].name;
            if (groups.empty() || !EqualsIgnoringCase(groups.back().first, name)) {
                groups.push_back({name, {}});
            } else if (groups.back().second.empty() && name != groups.back().first) {
                groups.back().second = name;
            }
        }
        for (; r < rEnd; ++r) {
            RomRecord& rom = *roms[r].rom;
            for (const Group& group : groups) {
                if (group.first != rom.name) {
                    rom.otherNames.emplace_back(group.first);
                } else if (!group.second.empty()) {
                    rom.otherNames.emplace_back(group.second);
                }
            }
        }
        e = eEnd;
    }
}

}  // namespace

bool IsNeoGeoBiosRom(const RomRecord& rom) {
    return IsNeoGeoBiosData(rom.size, rom.crc, kNeoGeoBiosCoreCount);
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
