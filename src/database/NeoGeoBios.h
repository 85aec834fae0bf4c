#pragma once
// The files of the NeoGeo BIOS set: the three every NeoGeo game needs, then one that only
// some BIOS sets hold. All have the same size.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace vextral {

// The set that holds them.
inline constexpr std::string_view kNeoGeoBiosSet = "neogeo";

struct NeoGeoBiosFile {
    std::string_view name;
    std::uint32_t crc;
};

inline constexpr std::uint32_t kNeoGeoBiosSize = 0x20000;
inline constexpr std::size_t kNeoGeoBiosCoreCount = 3;
inline constexpr std::array<NeoGeoBiosFile, 4> kNeoGeoBios{{
    {"neo-geo.rom", 0x9036D879},
    {"ng-sfix.rom", 0x354029FC},
    {"ng-sm1.rom", 0x97CF998B},
    {"im_bios.rom", 0x853E6B96},
}};

// Is this size and CRC-32 one of the BIOS files (of the first count only).
constexpr bool IsNeoGeoBiosData(std::uint64_t size, std::uint32_t crc,
                                std::size_t count = kNeoGeoBios.size()) {
    return size == kNeoGeoBiosSize &&
           std::any_of(kNeoGeoBios.begin(), kNeoGeoBios.begin() + count,
                       [crc](const NeoGeoBiosFile& file) { return file.crc == crc; });
}

}  // namespace vextral
