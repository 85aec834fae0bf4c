#pragma once
// The game list in memory. What a scan finds (fixer/GameFindings.h) and which games it
// visits (scanner/GameSelection.h) are kept beside it.

#include <cstdint>
#include <string>
#include <vector>

namespace vextral {

struct CloneRef {
    std::string name;
    std::uint32_t index = 0;  // the clone's database index
};

struct RomRecord {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    std::uint32_t complementedCrc = 0;    // ~crc when the list gives a crc, else 0
    bool crcKnown = false;                // crc is not 0
    std::vector<std::string> otherNames;  // same crc and size elsewhere in the list
};

struct SampleRecord {
    std::string name;
};

struct GameRecord {
    std::string description;
    std::string name;
    std::vector<RomRecord> roms;        // sorted by name, exact byte order
    std::vector<SampleRecord> samples;  // sorted by name, exact byte order
    std::uint32_t romCount = 0;
    std::uint32_t sampleCount = 0;
    bool hasSampleOf = false;
    bool isClone = false;
    bool isParent = false;
    bool isNeoGeo = false;
    std::string sampleOf;
    std::string cloneOf;
    std::uint32_t parentIndex = 0;
    std::vector<CloneRef> clones;
};

}  // namespace vextral
