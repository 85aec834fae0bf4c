#pragma once
// A fixdat: what a scan found missing, as an XML datfile in the common format, for tools
// that fetch or rebuild exactly that.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vextral {

struct FixdatRom {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    std::uint32_t complementedCrc = 0;  // 0 with crc 0: the list gave no crc
};

// One game with anything missing: only its missing ROMs and samples.
struct FixdatGame {
    std::string name;
    std::string description;
    std::string cloneOf;
    std::vector<FixdatRom> roms;
    std::vector<std::string> samples;  // file names, as the list gives them
};

// The whole file: a header with name, description, version and date (of when), then one
// <game> per entry. Texts that are no UTF-8 are taken as Latin-1.
std::string FixdatText(const std::vector<FixdatGame>& games, std::time_t when);

}  // namespace vextral
