#include "app/core/SettingsIo.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "MemorySettingsStore.h"
#include "app/core/QtSettingsStore.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::MemorySettingsStore;
using Writes = std::vector<std::pair<std::string, std::string>>;

TEST(SettingsIoTest, EmptyStoreGivesDefaultsWrittenBackInOrder) {
    MemorySettingsStore empty;
    const AppSettings settings = LoadSettings(empty);
    MemorySettingsStore out;
    ASSERT_TRUE(SaveSettings(out, settings));
    const Writes expected = {
        {"Settings/ListInfoWarnings", "1"},
        {"Settings/UseMameExe", "1"},
        {"Settings/AskForMameExe", "1"},
        {"Settings/PathWarning", "1"},
        {"Paths/MameExe", ""},
        {"Paths/VextralExe", ""},
        {"Settings/Games", "1"},
        {"Settings/Roms", "1"},
        {"Settings/Samples", "1"},
        {"Settings/Missing", "1"},
        {"Settings/MissingAdvanced", "0"},
        {"Settings/Length", "1"},
        {"Settings/Unneeded", "1"},
        {"Settings/UnneededAdvanced", "0"},
        {"Settings/Spelling", "0"},
        {"Settings/Checksum", "1"},
        {"Settings/AvailChecksum", "0"},
        {"Settings/RightName", "1"},
        {"Settings/FixName", "0"},
        {"Settings/FixLength", "0"},
        {"Settings/FixUnneeded", "0"},
        {"Settings/FixSpelling", "0"},
        {"Settings/Backup", "1"},
        {"Settings/Ask", "1"},
        {"Settings/Batchrun", "0"},
        {"Settings/NeoGeo", "1"},
        {"Settings/NeoGeoExclusive", "0"},
        {"Settings/MergeSplit", "1"},
        {"Settings/MergeFull", "0"},
        {"Settings/AltSamples", "1"},
        {"Paths/Rompaths", ""},
        {"Paths/Samplepaths", ""},
        {"Paths/Miscpaths", ""},
        {"Paths/ChosenGames", ""},
        {"Paths/ListFile", ""},
    };
    EXPECT_EQ(out.writes, expected);
    EXPECT_EQ(out.syncs, 1);
}

TEST(SettingsIoTest, ReadsEveryValueInItsOrder) {
    MemorySettingsStore store;
    (void)LoadSettings(store);
    const std::vector<std::string> expected = {
        "Settings/ListInfoWarnings",
        "Settings/AskForMameExe",
        "Settings/PathWarning",
        "Settings/UseMameExe",
        "Settings/Games",
        "Settings/Roms",
        "Settings/Samples",
        "Settings/Missing",
        "Settings/MissingAdvanced",
        "Settings/Length",
        "Settings/Unneeded",
        "Settings/UnneededAdvanced",
        "Settings/Spelling",
        "Settings/Checksum",
        "Settings/AvailChecksum",
        "Settings/RightName",
        "Settings/FixName",
        "Settings/FixLength",
        "Settings/FixUnneeded",
        "Settings/FixSpelling",
        "Settings/Backup",
        "Settings/Ask",
        "Settings/Batchrun",
        "Settings/NeoGeo",
        "Settings/NeoGeoExclusive",
        "Settings/MergeSplit",
        "Settings/MergeFull",
        "Settings/AltSamples",
        "Paths/Samplepaths",
        "Paths/Rompaths",
        "Paths/Miscpaths",
        "Paths/ChosenGames",
        "Paths/MameExe",
        "Paths/VextralExe",
        "Paths/ListFile",
        "Settings/JournalRuns",
    };
    EXPECT_EQ(store.reads, expected);
}

TEST(SettingsIoTest, OnlyExactlyOneIsOn) {
    MemorySettingsStore store;
    store.ints["Settings/Backup"] = 2;  // default on
    store.ints["Settings/PathWarning"] = -1;
    store.ints["Settings/Checksum"] = 0;
    store.ints["Settings/FixName"] = 1;  // default off
    store.strings["Paths/Rompaths"] = "/Roms/Arcade;Other";
    const AppSettings settings = LoadSettings(store);
    EXPECT_FALSE(settings.options.Backup);
    EXPECT_FALSE(settings.PathWarning);
    EXPECT_FALSE(settings.options.Checksum);
    EXPECT_TRUE(settings.options.FixName);
    EXPECT_EQ(settings.rompaths, "/Roms/Arcade;Other");  // case kept

    ASSERT_TRUE(SaveSettings(store, settings));
    EXPECT_EQ(store.ints["Settings/Backup"], 0);
    EXPECT_EQ(store.ints["Settings/PathWarning"], 0);
    EXPECT_EQ(store.ints["Settings/FixName"], 1);
}

TEST(SettingsIoTest, IniFileRoundTripKeepsEveryValue) {
    test::TempFolder temp;
    const std::string file = temp / "conf/vextral.ini";
    AppSettings original;
    original.UseMameExe = false;
    original.options.MergeFull = true;
    original.options.AltSamples = false;
    original.rompaths = "/roms, one;/Roms Two/";
    original.samplepaths = " leading;trailing = ";
    original.miscpaths = "/m\xc3\xbcsic/\"quoted\"";
    original.chosenGames = "pac*;galaga";
    original.mameFolder = "/opt/M\xe9me/";  // not UTF-8: every byte must come back
    original.programFolder = "/home/u/.local/share/vextral/";
    {
        QtSettingsStore store(file);
        ASSERT_TRUE(SaveSettings(store, original));
    }
    const std::string ini = test::ReadFile(file);
    EXPECT_NE(ini.find("[Settings]"), std::string::npos);
    EXPECT_NE(ini.find("[Paths]"), std::string::npos);

    QtSettingsStore reread(file);
    const AppSettings loaded = LoadSettings(reread);
    EXPECT_FALSE(loaded.UseMameExe);
    EXPECT_TRUE(loaded.ListInfoWarnings);
    EXPECT_EQ(loaded.options, original.options);
    EXPECT_EQ(loaded.rompaths, original.rompaths);
    EXPECT_EQ(loaded.samplepaths, original.samplepaths);
    EXPECT_EQ(loaded.miscpaths, original.miscpaths);
    EXPECT_EQ(loaded.chosenGames, original.chosenGames);
    EXPECT_EQ(loaded.mameFolder, original.mameFolder);
    EXPECT_EQ(loaded.programFolder, original.programFolder);
}

TEST(SettingsIoTest, WindowPlaceNeedsAWholeSection) {
    MemorySettingsStore store;
    EXPECT_EQ(LoadWindowPlace(store), std::nullopt);  // files without [Window] still load
    const WindowPlace place{-5, 40, 900, 700, true};
    SaveWindowPlace(store, place);
    EXPECT_EQ(LoadWindowPlace(store), place);
    store.ints["Window/Height"] = 0;
    EXPECT_EQ(LoadWindowPlace(store), std::nullopt);
    store.ints.erase("Window/Height");
    EXPECT_EQ(LoadWindowPlace(store), std::nullopt);
}

TEST(SettingsIoTest, UnwritableIniIsReported) {
    test::TempFolder temp;
    // Its folder is a file: not even root can write there.
    test::WriteFile(temp / "conf", "a file");
    QtSettingsStore store(temp / "conf/vextral.ini");
    EXPECT_FALSE(SaveSettings(store, AppSettings{}));
}

TEST(SettingsIoTest, HandEditedIniValues) {
    test::TempFolder temp;
    const std::string file = test::WriteFile(
        temp / "vextral.ini", "[Settings]\nBackup=yes\nFixName= 1\n[Paths]\nRompaths=/a,/b\n");
    QtSettingsStore store(file);
    const AppSettings settings = LoadSettings(store);
    EXPECT_TRUE(settings.options.Backup);  // no number: the default stands
    EXPECT_TRUE(settings.options.FixName);
    EXPECT_EQ(settings.rompaths, "/a,/b");
}

}  // namespace
}  // namespace vextral
