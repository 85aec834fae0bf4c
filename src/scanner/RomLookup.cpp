#include "scanner/RomLookup.h"

#include "platform/Text.h"

namespace vextral {

namespace {

constexpr std::size_t kIndexFrom = 16;

}  // namespace

RomLookup::RomLookup(const GameRecord& owner) : owner_(owner) {
    if (owner.roms.size() < kIndexFrom)
        return;
    for (std::size_t i = 0; i < owner.roms.size(); ++i) {
        const RomRecord& rom = owner.roms[i];
        byCrc_.emplace(rom.crc, i);
        byComplement_.emplace(rom.complementedCrc, i);
        byFoldedName_.emplace(ToLowerAscii(rom.name), i);
    }
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
    for (auto [at, end] = byCrc_.equal_range(crc); at != end; ++at)
        consider(owner_.roms[at->second]);
    if (complementCounts) {
        for (auto [at, end] = byComplement_.equal_range(crc); at != end; ++at)
            consider(owner_.roms[at->second]);
    }
    for (auto [at, end] = byFoldedName_.equal_range(ToLowerAscii(fileName)); at != end; ++at) {
        if (owner_.roms[at->second].crc == 0)
            match.unjudged = true;
    }
    return match;
}

}  // namespace vextral
