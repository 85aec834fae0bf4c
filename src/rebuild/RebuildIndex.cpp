#include "rebuild/RebuildIndex.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "platform/Text.h"

namespace vextral {

namespace {

using RomsByName = std::unordered_map<std::string_view, const RomRecord*, CaseInsensitiveHash,
                                      CaseInsensitiveEqual>;

RomsByName RomsOf(const GameRecord& game) {
    RomsByName roms;
    roms.reserve(game.roms.size());
    for (const auto& rom : game.roms)
        roms.emplace(rom.name, &rom);
    return roms;
}

}  // namespace

void RebuildIndex::Clear() {
    byCrc_.clear();
    byName_.clear();
    foldedNames_.clear();
}

void RebuildIndex::ResetUsed() {
    for (auto& entry : byCrc_)
        entry.used = false;
    for (auto& entry : byName_)
        entry.used = false;
}

void RebuildIndex::Build(const GameDatabase& database, const GameSelection& selection) {
    Clear();
    for (std::size_t i = 0; i < database.size() && i < selection.size(); ++i) {
        const GameRecord& game = database[i];
        if (!selection[i].selected)
            continue;
        std::string parentName;
        RomsByName parentRoms;
        if (game.isClone && !game.isNeoGeo) {
            parentName = game.cloneOf;
            if (game.parentIndex < database.size()) {
                parentRoms = RomsOf(database[game.parentIndex]);
            }
        }
        for (const auto& rom : game.roms) {
            RebuildEntry entry;
            entry.crc = rom.crc;
            entry.size = rom.size;
            entry.gameName = game.name;
            entry.romName = rom.name;
            entry.parentName = parentName;
            const auto parentRom = parentRoms.find(rom.name);
            entry.parentHasName = !parentName.empty() && parentRom != parentRoms.end();
            entry.parentHasSameData = entry.parentHasName && parentRom->second->size == rom.size &&
                                      parentRom->second->crc == rom.crc;
            (rom.crc != 0 ? byCrc_ : byName_).push_back(std::move(entry));
        }
    }
    std::stable_sort(byCrc_.begin(), byCrc_.end(),
                     [](const RebuildEntry& a, const RebuildEntry& b) { return a.crc < b.crc; });

    std::vector<std::string> folded;
    folded.reserve(byName_.size());
    for (const auto& entry : byName_)
        folded.push_back(ToLowerAscii(entry.romName));
    std::vector<std::size_t> order(byName_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return folded[a] < folded[b]; });
    std::vector<RebuildEntry> sorted;
    sorted.reserve(byName_.size());
    foldedNames_.reserve(byName_.size());
    for (std::size_t i : order) {
        sorted.push_back(std::move(byName_[i]));
        foldedNames_.push_back(std::move(folded[i]));
    }
    byName_ = std::move(sorted);
}

std::span<RebuildEntry> RebuildIndex::FindCrc(std::uint32_t crc) {
    const auto first = std::lower_bound(
        byCrc_.begin(), byCrc_.end(), crc,
        [](const RebuildEntry& entry, std::uint32_t value) { return entry.crc < value; });
    const auto last = std::upper_bound(
        first, byCrc_.end(), crc,
        [](std::uint32_t value, const RebuildEntry& entry) { return value < entry.crc; });
    return {first, last};
}

std::span<RebuildEntry> RebuildIndex::FindName(std::string_view name) {
    const std::string key = ToLowerAscii(name);
    const auto range = std::equal_range(foldedNames_.begin(), foldedNames_.end(), key);
    const auto first = static_cast<std::size_t>(range.first - foldedNames_.begin());
    const auto count = static_cast<std::size_t>(range.second - range.first);
    return std::span<RebuildEntry>(byName_).subspan(first, count);
}

}  // namespace vextral
