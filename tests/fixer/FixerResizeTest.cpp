#include "FixerFixture.h"
#include "archive/Crc32.h"

namespace vextral::test {
namespace {

// 4096 bytes whose second half is the ROM.
std::string OverlongRom() {
    std::string data(4096, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    }
    return data;
}

class FixerResizeTest : public FixerFixture {
  protected:
    ScannedRom Rom(const std::string& data) {
        ScannedRom rom;
        rom.name = rom.lookupName = "abc.rom";
        rom.size = static_cast<std::uint32_t>(data.size());
        rom.crc = Crc32(0, data.data(), data.size());
        return rom;
    }
    const std::string overlong = OverlongRom();
    const std::string secondHalf = overlong.substr(2048);
};

TEST_F(FixerResizeTest, FolderRomIsCutToTheWindowWithTheRightCrc) {
    FolderBuilder(roms).File("abc/ABC.rom", overlong);
    ScannedGame game = Game("abc");
    ScannedRom rom = Rom(secondHalf);
    std::vector<ZipEntry> none;
    Answer({AskAnswer::Yes});
    Result(fixer.ResizeRom(roms + "abc/abc.rom", game, rom, rom, false, none));
    EXPECT_EQ(dialogs.questions.at(0).caption, "Resize Wrong Sized Roms In Gameset 'Game abc' ?");
    EXPECT_EQ(dialogs.questions.at(0).question,
              "\nDo you want to resize '" + roms + "abc/abc.rom' ?");
    EXPECT_TRUE(rom.lengthFixed);
    // No temporary name is left behind.
    EXPECT_EQ(ReadTree(roms + "abc/"),
              (std::map<std::string, std::string>{{"ABC.rom", secondHalf}}));
}

TEST_F(FixerResizeTest, ShortOrUnmatchedFilesAreNeverChanged) {
    ScannedGame game = Game("abc");
    std::vector<ZipEntry> none;
    FolderBuilder(roms).File("abc/short.rom", secondHalf).File("abc/other.rom", overlong);
    ScannedRom longer = Rom(overlong);
    longer.lookupName = "short.rom";
    ScannedRom unmatched = Rom(std::string(2048, 'x'));
    unmatched.lookupName = "other.rom";
    Answer({AskAnswer::YesToAll});
    Result(fixer.ResizeRom(roms + "abc/short.rom", game, longer, longer, false, none));
    Result(fixer.ResizeRom(roms + "abc/other.rom", game, unmatched, unmatched, false, none));
    EXPECT_FALSE(longer.lengthFixed || unmatched.lengthFixed);
    EXPECT_EQ(ReadTree(roms + "abc/"), (std::map<std::string, std::string>{
                                           {"other.rom", overlong}, {"short.rom", secondHalf}}));

    // The right length with the right CRC is only checked.
    ScannedRom exact = Rom(secondHalf);
    exact.lookupName = "short.rom";
    Result(fixer.ResizeRom(roms + "abc/short.rom", game, exact, exact, false, none));
    EXPECT_TRUE(exact.lengthFixed);
    EXPECT_EQ(ReadFile(roms + "abc/short.rom"), secondHalf);
}

TEST_F(FixerResizeTest, ZipMemberIsCutAndTakesTheExpectedName) {
    const std::string zipPath =
        ZipBuilder().AddDeflated("ABC.ROM", overlong).Add("z.rom", "z").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    ScannedRom rom = Rom(secondHalf);
    std::vector<ZipEntry> entries = List(zipPath);
    Answer({AskAnswer::Yes});
    Result(fixer.ResizeRom(roms + "abc/abc.rom", game, rom, rom, true, entries));
    EXPECT_TRUE(rom.lengthFixed);
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"abc.rom", secondHalf}, {"z.rom", "z"}}));
}

}  // namespace
}  // namespace vextral::test
