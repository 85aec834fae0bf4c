#pragma once

#include <cstdint>

namespace vextral {

struct DatabaseCounts {
    std::uint32_t gameCount = 0;
    std::uint32_t neoGeoGameCount = 0;
    std::uint32_t arcadeGameCount = 0;
    std::uint32_t neoGeoRomCount = 0;
    std::uint32_t arcadeRomCount = 0;
    std::uint32_t totalSampleCount = 0;
    std::uint32_t badDumpCount = 0;
    std::uint32_t parentCount = 0;
    std::uint32_t cloneCount = 0;
};

}  // namespace vextral
