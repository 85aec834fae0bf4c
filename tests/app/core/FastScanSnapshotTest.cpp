#include "app/core/FastScanSnapshot.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

GameDatabase MakeDatabase(std::size_t games) {
    GameDatabase database;
    database.games.resize(games);
    return database;
}

FastScanSnapshot SampleSnapshot() {
    FastScanSnapshot snapshot;
    snapshot.fields = {"/misc/", "/roms/a/; /roms/b/", std::string(300, 's'), "pac*"};
    snapshot.options.FixName = true;
    snapshot.options.MergeSplit = false;
    snapshot.fastScanAvailable = true;
    return snapshot;
}

TEST(FastScanSnapshotTest, RoundTripRestoresTextsOptionsAndRescanFlags) {
    TempFolder temp;
    // Whatever another process is writing does not stand in the way.
    ASSERT_TRUE(CreateFolder(temp / ".vxtpart-fastscan.dat-a1b2c3"));
    const GameDatabase database = MakeDatabase(3);
    const GameSelection written{{true, false}, {true, true}, {true, false}};
    ASSERT_TRUE(WriteFastScanFile(temp / "fastscan.dat", SampleSnapshot(), database, written));

    GameSelection read;
    FastScanSnapshot snapshot;
    ASSERT_TRUE(ReadFastScanFile(temp / "fastscan.dat", snapshot, database, read));
    EXPECT_EQ(snapshot.fields.rom, "/roms/a/; /roms/b/");
    EXPECT_EQ(snapshot.fields.sample, std::string(300, 's'));
    EXPECT_EQ(snapshot.fields.select, "pac*");
    EXPECT_TRUE(snapshot.fastScanAvailable);
    EXPECT_EQ(snapshot.options, SampleSnapshot().options);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_FALSE(read[0].needsRescan);
    EXPECT_TRUE(read[1].needsRescan);
    EXPECT_FALSE(read[2].needsRescan);
}

TEST(FastScanSnapshotTest, CountedStringsUseTheThreeLengthForms) {
    TempFolder temp;
    FastScanSnapshot snapshot;
    snapshot.fields = {"ab", std::string(255, 'r'), std::string(70000, 'x'), ""};
    GameDatabase database = MakeDatabase(0);
    ASSERT_TRUE(WriteFastScanFile(temp / "f.dat", snapshot, database, {}));
    const std::string bytes = ReadFile(temp / "f.dat");
    // count(4) | 02 "ab" | FF FF00 255*r | FF FFFF 70000(4) 70000*x | 00 | avail | 24 options
    EXPECT_EQ(bytes.substr(4, 3), std::string("\x02"
                                              "ab",
                                              3));
    EXPECT_EQ(bytes.substr(7, 3), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(bytes.substr(265, 7), std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7));
    EXPECT_EQ(bytes.size(), 4 + 3 + 3 + 255 + 7 + 70000 + 1 + 1 + 24u);
}

TEST(FastScanSnapshotTest, DamagedFilesChangeNothing) {
    TempFolder temp;
    const GameSelection written(4, {true, false});
    ASSERT_TRUE(WriteFastScanFile(temp / "good.dat", SampleSnapshot(), MakeDatabase(4), written));
    const std::string good = ReadFile(temp / "good.dat");

    auto expectIgnored = [&](const std::string& bytes, std::size_t games) {
        WriteFile(temp / "bad.dat", bytes);
        GameSelection selection(games);
        FastScanSnapshot snapshot;
        snapshot.fields.rom = "untouched";
        EXPECT_FALSE(ReadFastScanFile(temp / "bad.dat", snapshot, MakeDatabase(games), selection));
        EXPECT_EQ(snapshot.fields.rom, "untouched");
        EXPECT_FALSE(snapshot.fastScanAvailable);
        for (const GameMarks& marks : selection)
            EXPECT_TRUE(marks.needsRescan);
    };
    expectIgnored(good, 5);  // written for another list
    for (std::size_t cut = 0; cut < good.size(); cut += 7)
        expectIgnored(good.substr(0, cut), 4);
    // A counted string claiming more bytes than the file holds.
    std::string lying = good.substr(0, 4) + std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7);
    expectIgnored(lying, 4);

    GameSelection selection;
    FastScanSnapshot snapshot;
    EXPECT_FALSE(ReadFastScanFile(temp / "missing.dat", snapshot, MakeDatabase(4), selection));
}

}  // namespace
}  // namespace vextral
