#include "scanner/Fixdat.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "scanner/ScanFixture.h"

namespace vextral {
namespace {

using test::Right;

class FixdatTest : public test::ScanFixture {};

std::string RomsOf(const GameRecord& game) {
    std::string text;
    for (const RomRecord& rom : game.roms) {
        text += rom.name + ":" + std::to_string(rom.size) + ":" + std::to_string(rom.crc) + ":" +
                std::to_string(rom.complementedCrc) + " ";
    }
    for (const SampleRecord& sample : game.samples)
        text += sample.name + " ";
    return text;
}

// A fixdat read back as a list gives exactly the games with something missing, with just
// the missing ROMs and samples, crc or no crc.
TEST_F(FixdatTest, ReadBackItGivesExactlyWhatTheScanFoundMissing) {
    test::ListBuilder list;
    list.Game("alpha", "Alpha & <Sons> (Caf\xC3\xA9)")
        .Rom("a1.rom", 4, 0xA1A1A1A1)
        .Rom("a2.rom", 8, 0xA2A2A2A2)
        .Rom("a3.rom", 16)     // no crc (a nodump)
        .Rom("a4.rom", 32, 0)  // a crc of 0
        .Sample("boom.wav")
        .Sample("SHOT.WAV");
    list.Game("alphaj", "Alpha (Japan)").CloneOf("alpha").Rom("j1.rom", 4, 0x1A1A1A1A);
    list.Game("beta", "Beta").Rom("b1.rom", 4, 0xB1B1B1B1);
    list.Game("z80", "Z80");  // needs nothing
    Load(list);
    romFolder.ZipSet("alpha", {Right("a1.rom", 0xA1A1A1A1, 4)})
        .ZipSet("beta", {Right("b1.rom", 0xB1B1B1B1, 4)});
    sampleFolder.Folder("alpha");
    ASSERT_TRUE(Scan());

    const std::string path = temp / "out/fix.dat";
    ASSERT_TRUE(CreateFolder(temp / "out"));
    ASSERT_TRUE(scanner.report().WriteFixdatFile(path));
    EXPECT_EQ(ListFolder(temp / "out/").size(), 1u);  // no temporary file left
    const std::string text = test::ReadFile(path);
    for (const char* field : {"<name>", "<description>", "<version>", "<date>"})
        EXPECT_NE(text.find(field), std::string::npos) << field;

    GameDatabase back;
    NullProgress quiet;
    ASSERT_TRUE(LoadListFile(back, path, quiet, dialogs, /*listInfoWarnings=*/true));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].name, "alphaj");
    EXPECT_EQ(back[1].description, "Alpha (Japan)");
    EXPECT_EQ(back[1].cloneOf, "alpha");
    EXPECT_EQ(RomsOf(back[1]), "j1.rom:4:437918234:3857049061 ");
    EXPECT_EQ(back[0].description, "Alpha & <Sons> (Caf\xC3\xA9)");
    EXPECT_EQ(RomsOf(back[0]),
              "a2.rom:8:2728567458:1566399837 a3.rom:16:0:0 a4.rom:32:0:4294967295 SHOT.WAV "
              "boom.wav ");
    EXPECT_FALSE(scanner.report().WriteFixdatFile(temp / "missing/fix.dat"));
}

}  // namespace
}  // namespace vextral
