#pragma once
// What the ROMs of one game say about a file found in a set: whether it is rightly named for
// a ROM with its checksum, which ROM it holds the data of, and whether a ROM of its name has
// no checksum to judge by. A set of a hundred thousand files is judged through an index, not
// by comparing every file with every ROM.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"

namespace vextral {

struct RomMatch {
    bool named = false;               // a ROM with the file's checksum has its name (any case)
    const RomRecord* last = nullptr;  // the last ROM in list order with the file's checksum
    bool unjudged = false;            // a ROM of the file's name has no checksum
};

class RomLookup {
  public:
    explicit RomLookup(const GameRecord& owner);
    // With complementCounts a ROM's complemented checksum matches too.
    RomMatch Look(std::string_view fileName, std::uint32_t crc, bool complementCounts) const;

  private:
    // Sorted vectors rather than hash maps: the index is built for every game scanned, and
    // one allocation per table costs less than one per ROM.
    struct CrcKey {
        std::uint32_t crc = 0;
        std::uint32_t rom = 0;
        bool complemented = false;
    };
    const GameRecord& owner_;
    // Both empty for a game of a few ROMs, which are simply walked.
    std::vector<CrcKey> byCrc_;
    std::vector<std::string> unjudgedNames_;  // folded names of the ROMs without a checksum
};

}  // namespace vextral
