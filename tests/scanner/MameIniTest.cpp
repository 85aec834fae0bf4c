#include "scanner/MameIni.h"

#include <gtest/gtest.h>

#include <map>

#include "support/TempFolder.h"

namespace vextral {
namespace {

Environment FakeEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        static const std::map<std::string, std::string> values{
            {"HOME", "/home/ann"}, {"MAMEDIR", "/opt/mame"}, {"EMPTY", ""}};
        const auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

TEST(MameIniTest, ReadsRomAndSamplePathsWithVariablesHomeAndQuotes) {
    struct Case {
        const char* text;
        const char* rompath;
        const char* samplepath;
    };
    const Case cases[] = {
        // Debian's own lines
        {"# Default data search paths\n"
         "rompath                 $HOME/mame/roms;/usr/share/games/mame/roms\n"
         "samplepath              $HOME/mame/samples\n",
         "/home/ann/mame/roms;/usr/share/games/mame/roms", "/home/ann/mame/samples"},
        {"  ROMPATH \"~/my roms;${MAMEDIR}/roms\"\r\nsamplepath ~;~user/x;a~b\r\n",
         "/home/ann/my roms;/opt/mame/roms", "/home/ann;~user/x;a~b"},
        {"rompath $NOTSET/roms;$EMPTY/x;$;${MAMEDIR\n", "/roms;/x;$;${MAMEDIR", ""},
        {"rompath first\nrompath second\n#rompath commented\nrompathx other\n", "second", ""},
        {"rompath\nsamplepath   \n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const MameIniPaths paths = ParseMameIni(c.text, FakeEnvironment());
        EXPECT_EQ(paths.rompath, c.rompath);
        EXPECT_EQ(paths.samplepath, c.samplepath);
    }
}

TEST(MameIniTest, TheFirstFolderHoldingOneWinsAndMissingFilesAreSkipped) {
    test::TempFolder folder;
    test::WriteFile(folder / "user/mame.ini", "rompath /user\n");
    test::WriteFile(folder / "system/mame.ini", "rompath /system\nsamplepath /s\n");
    test::WriteFile(folder / "dir/mame.ini/x", "");  // a folder of that name
    const auto found =
        ReadMameIni({folder / "none/", folder / "dir/", folder / "user", folder / "system/"},
                    FakeEnvironment());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->rompath, "/user");
    EXPECT_EQ(found->samplepath, "");  // nothing of a later file
    EXPECT_FALSE(ReadMameIni({folder / "none/"}, FakeEnvironment()).has_value());
}

}  // namespace
}  // namespace vextral
