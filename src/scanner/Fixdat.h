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
// <game> per entry.
std::string FixdatText(const std::vector<FixdatGame>& games, std::time_t when);

// Writes FixdatText under a temporary name beside path and renames it into place; false
// when it could not be written (an earlier file of that name is then left as it was).
[[nodiscard]] bool WriteFixdat(const std::string& path, const std::vector<FixdatGame>& games,
                               std::time_t when);

// Text as XML content or attribute value: markup characters as entities, control
// characters XML cannot carry as '?', bytes that are no UTF-8 taken as Latin-1.
std::string XmlText(std::string_view text);

}  // namespace vextral
