#pragma once

#include <cstdint>

namespace vextral {

// Problem counts of one scan, zeroed at its start.
struct ScanCounters {
    std::uint32_t wrongCaseGames = 0;
    std::uint32_t wrongCaseRoms = 0;
    std::uint32_t wrongCaseSamples = 0;
    std::uint32_t wrongCaseGamesFixed = 0;
    std::uint32_t wrongCaseRomsFixed = 0;
    std::uint32_t wrongCaseSamplesFixed = 0;
    std::uint32_t missingArcadeGames = 0;
    std::uint32_t missingNeoGeoGames = 0;
    std::uint32_t missingArcadeRoms = 0;
    std::uint32_t missingNeoGeoRoms = 0;
    std::uint32_t missingSamples = 0;
    std::uint32_t wrongLengthRoms = 0;
    std::uint32_t wrongLengthRomsFixed = 0;
    std::uint32_t unneededEntries = 0;
    std::uint32_t unneededEntriesFixed = 0;
    std::uint32_t unavailableChecksums = 0;
    std::uint32_t wrongChecksums = 0;
    std::uint32_t wrongNames = 0;
    std::uint32_t wrongNamesFixed = 0;
};

}  // namespace vextral
