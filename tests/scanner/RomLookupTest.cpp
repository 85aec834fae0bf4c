#include "scanner/RomLookup.h"

#include <gtest/gtest.h>

namespace vextral {
namespace {

RomRecord Rom(const std::string& name, std::uint32_t crc) {
    RomRecord rom;
    rom.name = name;
    rom.crc = crc;
    rom.complementedCrc = crc == 0 ? 0 : ~crc;
    return rom;
}

TEST(RomLookupTest, AGameOfManyRomsIsJudgedAsAGameOfAFew) {
    GameRecord few;
    few.roms = {Rom("a.rom", 0xA), Rom("b.rom", 0xB), Rom("nocrc.rom", 0), Rom("b2.rom", 0xB),
                Rom("c.rom", 0xC)};
    GameRecord many = few;
    for (std::uint32_t i = 0; i < 40; ++i)
        many.roms.push_back(Rom("pad" + std::to_string(i) + ".rom", 0x1000 + i));

    struct Row {
        const char* file;
        std::uint32_t crc;
        bool complementCounts;
        bool named;
        const char* last;  // "" for none
        bool unjudged;
    };
    const Row rows[] = {
        {"A.ROM", 0xA, false, true, "a.rom", false},
        {"x.rom", 0xB, false, false, "b2.rom", false},  // the last of two ROMs with the data
        {"b.rom", 0xB, false, true, "b2.rom", false},
        {"NoCrc.rom", 0xC, false, false, "c.rom", true},
        {"x.rom", ~0xCu, false, false, "", false},
        {"x.rom", ~0xCu, true, false, "c.rom", false},
        {"x.rom", 0x99, true, false, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + std::to_string(row.crc));
        for (const GameRecord* game : {&few, &many}) {
            const RomMatch match = RomLookup(*game).Look(row.file, row.crc, row.complementCounts);
            EXPECT_EQ(match.named, row.named);
            EXPECT_EQ(match.last ? match.last->name : "", row.last);
            EXPECT_EQ(match.unjudged, row.unjudged);
        }
    }
}

}  // namespace
}  // namespace vextral
