#include "scanner/RomLookup.h"

#include <algorithm>

#include "platform/Text.h"

namespace vextral {

namespace {

constexpr std::size_t kIndexFrom = 16;

}  // namespace

RomLookup::RomLookup(const GameRecord& owner) : owner_(owner) {
    if (owner.roms.size() < kIndexFrom)
        return;
    byCrc_.reserve(owner.roms.size() * 2);
    for (std::size_t i = 0; i < owner.roms.size(); ++i) {
        const RomRecord& rom = owner.roms[i];
        const auto index = static_cast<std::uint32_t>(i);
        byCrc_.push_back({rom.crc, index, false});
        byCrc_.push_back({rom.complementedCrc, index, true});
        if (rom.crc == 0)
            unjudgedNames_.push_back(ToLowerAscii(rom.name));
    }
    std::sort(byCrc_.begin(), byCrc_.end(),
              [](const CrcKey& a, const CrcKey& b) { return a.crc < b.crc; });
    std::sort(unjudgedNames_.begin(), unjudgedNames_.end());
}

RomMatch RomLookup::Look(std::string_view fileName, std::uint32_t crc,
                         bool complementCounts) const {
    RomMatch match;
    const auto consider = [&](const RomRecord& rom) {
        if (!match.last || &rom > match.last)
            match.last = &rom;
        if (EqualsIgnoringCase(rom.name, fileName))
            match.named = true;
    };
    if (owner_.roms.size() < kIndexFrom) {
        for (const RomRecord& rom : owner_.roms) {
            if (rom.crc == 0 && EqualsIgnoringCase(rom.name, fileName))
                match.unjudged = true;
            if (rom.crc == crc || (complementCounts && rom.complementedCrc == crc))
                consider(rom);
        }
        return match;
    }
    auto at =
        std::lower_bound(byCrc_.begin(), byCrc_.end(), crc,
                         [](const CrcKey& key, std::uint32_t value) { return key.crc < value; });
    for (; at != byCrc_.end() && at->crc == crc; ++at) {
        if (!at->complemented || complementCounts)
            consider(owner_.roms[at->rom]);
    }
    if (!unjudgedNames_.empty())
        match.unjudged = std::binary_search(unjudgedNames_.begin(), unjudgedNames_.end(),
                                            ToLowerAscii(fileName));
    return match;
}

}  // namespace vextral
