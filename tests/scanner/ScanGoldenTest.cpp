// Whole scans over small generated collections, each compared line for line with a log
// written out by hand.

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/ZipReader.h"
#include "scanner/ScanFixture.h"
#include "support/FolderBuilder.h"
#include "support/Watchdog.h"
#include "support/ZipBuilder.h"

namespace vextral {
namespace {

using test::DataWithCrc;
using test::ListBuilder;
using test::Right;
using test::SetFile;

class ScanGoldenTest : public test::ScanFixture {
  protected:
    // Nine games, most with one kind of problem, and unknown entries in both folders.
    void BuildMixedCollection() {
        ListBuilder list;
        list.Game("alpha", "Alpha Good")
            .Rom("a1.rom", 16, 0xA1A1A1A1)
            .Rom("a2.rom", 32, 0xA2A2A2A2);
        list.Game("bravo", "Bravo Missing").Rom("b1.rom", 16, 0xB1B1B1B1);
        list.Game("charlie", "Charlie Problems")
            .Rom("c1.rom", 16, 0xC1C1C1C1)
            .Rom("c2.rom", 16, 0xC2C2C2C2)
            .Rom("c3.rom", 16, 0xC3C3C3C3)
            .Rom("c4.rom", 16, 0xC4C4C4C4)
            .Rom("c5.rom", 16, 0xC5C5C5C5);
        list.Game("delta", "Delta Folder")
            .Rom("d1.rom", 16, 0xD1D1D1D1)
            .Rom("d2.rom", 16, 0xD2D2D2D2);
        list.Game("echo", "Echo No Checksum").Rom("e1.rom", 16);
        list.Game("fox", "Foxtrot Shared").Rom("f1.rom", 16, 0xF1F1F1F1);
        list.Game("golf", "Golf Other Name").Rom("g1.rom", 16, 0xF1F1F1F1);
        list.Game("hotel", "Hotel Samples")
            .Rom("h.rom", 8, 0x0D0D0D0D)
            .Sample("h1.wav")
            .Sample("h2.wav")
            .Sample("h3.wav");
        list.Game("india", "India Case").Rom("i1.rom", 8, 0x11111111);
        Load(list);

        romFolder
            .ZipSet("alpha", {Right("a1.rom", 0xA1A1A1A1, 16), Right("a2.rom", 0xA2A2A2A2, 32)})
            .ZipSet("charlie", {Right("c2.rom", 0xC2C2C2C2, 32),
                                Right("c3.rom", 0x12345678, 16),
                                Right("c4.rom", ~0xC4C4C4C4u, 16),
                                Right("C5.ROM", 0xC5C5C5C5, 16),
                                {"readme.txt", "hello"}})
            .FolderSet("delta", {Right("dx.rom", 0xD1D1D1D1, 16), Right("d2.rom", 0xD2D2D2D2, 8)})
            .Folder("delta/extra")
            .ZipSet("echo", {{"e1.rom", "sixteen bytes!!!"}})
            .ZipSet("fox", {Right("f1.rom", 0xF1F1F1F1, 16)})
            .ZipSet("golf", {Right("f1.rom", 0xF1F1F1F1, 16)})
            .ZipSet("hotel", {Right("h.rom", 0x0D0D0D0D, 8)})
            .ZipSet("India", {Right("i1.rom", 0x11111111, 8)})
            .File("junk.txt", "junk")
            .Folder("neogeo")
            .Folder("stuff");
        sampleFolder.ZipSet("hotel", {{"h1.wav", "one"}, {"H2.WAV", "two"}})
            .ZipSet("neogeo", {{"x.wav", "x"}})
            .Folder("ym3812");
    }
};

TEST_F(ScanGoldenTest, EveryKindOfProblemGivesItsLinesInOrder) {
    BuildMixedCollection();
    EXPECT_TRUE(Scan());

    EXPECT_EQ(scanner.report().logText(), Expected(R"(
unneeded file: {R}junk.txt

unneeded folder: {R}stuff

unneeded file: {S}neogeo.zip

Bravo Missing [folder: bravo]
missing game: Bravo Missing
missing rom: b1.rom [length: 16] [chksum: b1b1b1b1 (4e4e4e4e)]

Charlie Problems [folder: charlie]
missing rom: c1.rom [length: 16] [chksum: c1c1c1c1 (3e3e3e3e)]
wrong length: c2.rom [wrong: 32] [right: 16]
wrong checksum: c3.rom [wrong: 12345678] [right: c3c3c3c3 (3c3c3c3c)]
wrong spelling: c5.rom [wrong: C5.ROM] [right: c5.rom]
unneeded file: {R}charlie/readme.txt

Delta Folder [folder: delta]
wrong name: {R}delta/dx.rom [wrong: dx.rom] [right: d1.rom]
missing rom: d1.rom [length: 16] [chksum: d1d1d1d1 (2e2e2e2e)]
wrong length: d2.rom [wrong: 8] [right: 16]
unneeded file: {R}delta/dx.rom
unneeded folder: {R}delta/extra

Golf Other Name [folder: golf]
wrong name: {R}golf/f1.rom [wrong: f1.rom] [right: g1.rom]
unneeded file: {R}golf/f1.rom

Hotel Samples [folder: hotel]
wrong spelling: h2.wav[wrong: H2.WAV] [right: h2.wav]
missing sample: h3.wav

India Case [folder: india]
wrong spelling: india [wrong: India] [right: india]
)"));

    // The tree got the same lines, with the images of their kinds.
    ASSERT_GE(sink.lines.size(), 6u);
    EXPECT_EQ(
        sink.lines[0],
        (test::ResultLine{"unneeded file: " + scanner.paths.romList[0] + "junk.txt", false, 11}));
    EXPECT_EQ(sink.lines[3], (test::ResultLine{"Bravo Missing [folder: bravo]", false, 5}));
    EXPECT_EQ(sink.lines[4].image, 7);
    EXPECT_EQ(sink.lines[5].image, 1);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(scanner.result().fastScanAvailable);
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Scanning Games"});
    EXPECT_EQ(progress.upper, 9);
    EXPECT_EQ(progress.advances, 9);
    EXPECT_FALSE(progress.open);

    // Only the games with problems are due for the next fast scan.
    EXPECT_FALSE(Marks("alpha").needsRescan);
    EXPECT_FALSE(Marks("echo").needsRescan);
    EXPECT_TRUE(Marks("golf").needsRescan);
    EXPECT_EQ(Found("golf").roms[0].lookupName, "f1.rom");

    scanner.ShowStatistics();
    EXPECT_EQ(scanner.report().statisticsText(),
              "Missing Games:          1 of 9\r\n"
              "Missing Arcade Games:   1 of 9\r\n"
              "Missing NeoGeo Games:   0 of 0\r\n"
              "Wrong Spelled Games:    1\r\n"
              "\r\nMissing Roms:           3 of 15\r\n"
              "Missing Arcade Roms:    3 of 15\r\n"
              "Missing NeoGeo Roms:    0 of 0\r\n"
              "Wrong Named Roms:       2\r\n"
              "Wrong Spelled Roms:     1\r\n"
              "Wrong Sized Roms:       2\r\n"
              "Unavailable Checksums:  <n/a>\r\n"
              "Wrong Checksums:        1"
              "\r\nMissing Samples:        1 of 3\r\n"
              "Wrong Spelled Samples:  1\r\n"
              "\r\nUnneeded Files/Folders: 7\r\n"
              "\r\nNumber Of Games:        9"
              "\r\nNumber Of NeoGeo Games: 0"
              "\r\nNumber Of Arcade Games: 9"
              "\r\nNumber Of Parents:      0"
              "\r\nNumber Of Clones:       0"
              "\r\nNumber Of Others:       9"
              "\r\n\r\nNumber Of Roms:         15"
              "\r\nNumber Of Arcade Roms:  15"
              "\r\nNumber Of NeoGeo Roms:  0"
              "\r\n\r\nNumber Of Samples:      3"
              "\r\n\r\nNumber Of Bad Dumps:    1");
}

TEST_F(ScanGoldenTest, AdvancedMissingAndAvailableChecksumsReportMore) {
    BuildMixedCollection();
    scanner.config.options.MissingAdvanced = true;
    scanner.config.options.Missing = false;
    scanner.config.options.Checksum = false;
    scanner.config.options.AvailChecksum = true;
    scanner.config.options.Spelling = false;
    scanner.config.options.RightName = false;
    scanner.config.options.Unneeded = false;
    EXPECT_TRUE(Scan());

    // No unknown entries, no case or name findings; the ROM present only under another
    // game's name is missing, and the ROM without a listed checksum is reported.
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Bravo Missing [folder: bravo]
missing game: Bravo Missing
missing rom: b1.rom [length: 16] [chksum: b1b1b1b1 (4e4e4e4e)]

Charlie Problems [folder: charlie]
missing rom: c1.rom [length: 16] [chksum: c1c1c1c1 (3e3e3e3e)]
wrong length: c2.rom [wrong: 32] [right: 16]
wrong checksum: c3.rom [wrong: 12345678] [right: c3c3c3c3 (3c3c3c3c)]

Delta Folder [folder: delta]
missing rom: d1.rom [length: 16] [chksum: d1d1d1d1 (2e2e2e2e)]
wrong length: d2.rom [wrong: 8] [right: 16]

Echo No Checksum [folder: echo]
unavailable checksum: e1.rom

Golf Other Name [folder: golf]
missing rom: g1.rom [length: 16] [chksum: f1f1f1f1 (e0e0e0e)]

Hotel Samples [folder: hotel]
missing sample: h3.wav
)"));
}

TEST_F(ScanGoldenTest, SplitAndFullMergeFindClonesInTheParentSet) {
    ListBuilder list;
    list.Game("pa", "Papa Parent").Rom("p1.rom", 8, 0x50505050).Rom("p2.rom", 8, 0x51515151);
    list.Game("pc", "Papa Clone")
        .CloneOf("pa")
        .Rom("c1.rom", 8, 0x52525252)
        .Rom("p1.rom", 8, 0x50505050);
    Load(list);
    // Fully merged: the parent's zip holds the clone's own ROM too.
    romFolder.ZipSet("pa", {Right("p1.rom", 0x50505050, 8), Right("p2.rom", 0x51515151, 8),
                            Right("c1.rom", 0x52525252, 8)});

    scanner.config.options.MergeSplit = false;
    scanner.config.options.MergeFull = true;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");
    EXPECT_TRUE(Found("pc").setFound);

    // Split merging does not look for the clone's set in the parent's name.
    scanner.config.options.MergeFull = false;
    scanner.config.options.MergeSplit = true;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Papa Clone [folder: pc - parent: pa]
missing game: Papa Clone
)"));

    // Without merging the clone's ROMs are looked for in its own set only.
    scanner.config.options.MergeSplit = false;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Papa Clone [folder: pc - parent: pa]
missing game: Papa Clone
missing rom: c1.rom [length: 8] [chksum: 52525252 (adadadad)]
missing rom: p1.rom [length: 8] [chksum: 50505050 (afafafaf)]

Papa Parent [folder: pa]
unneeded file: {R}pa/c1.rom
)"));
}

TEST_F(ScanGoldenTest, AdvancedUnneededReportsWhatTheParentAlreadyHolds) {
    ListBuilder list;
    list.Game("pa", "Papa Parent").Rom("p1.rom", 8, 0x50505050);
    list.Game("pc", "Papa Clone")
        .CloneOf("pa")
        .Rom("c1.rom", 8, 0x52525252)
        .Rom("p1.rom", 8, 0x50505050);
    Load(list);
    romFolder.ZipSet("pa", {Right("p1.rom", 0x50505050, 8)})
        .ZipSet("pc", {Right("c1.rom", 0x52525252, 8), Right("p1.rom", 0x50505050, 8)});

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");

    scanner.config.options.UnneededAdvanced = true;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Papa Clone [folder: pc - parent: pa]
unneeded file: {R}pc/p1.rom
)"));
}

TEST_F(ScanGoldenTest, NeoGeoBiosInItsOwnSetCountsForEveryNeoGeoGame) {
    ListBuilder list;
    list.Game("neogeo", "Neo Geo Bios")
        .Rom("neo-geo.rom", 131072, 0x9036D879)
        .Rom("ng-sfix.rom", 131072, 0x354029FC)
        .Rom("ng-sm1.rom", 131072, 0x97CF998B);
    list.Game("ngame", "Neo Game")
        .Rom("n1.rom", 8, 0x4E4E4E4E)
        .Rom("neo-geo.rom", 131072, 0x9036D879)
        .Rom("ng-sfix.rom", 131072, 0x354029FC)
        .Rom("ng-sm1.rom", 131072, 0x97CF998B);
    Load(list);
    romFolder.ZipSet("ngame", {Right("n1.rom", 0x4E4E4E4E, 8)});

    EXPECT_TRUE(Scan());
    EXPECT_FALSE(scanner.result().neoGeoBiosFound);
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Neo Game [folder: ngame]
missing rom: neo-geo.rom [length: 131072] [chksum: 9036d879 (6fc92786)]
missing rom: ng-sfix.rom [length: 131072] [chksum: 354029fc (cabfd603)]
missing rom: ng-sm1.rom [length: 131072] [chksum: 97cf998b (68306674)]

Neo Geo Bios [folder: neogeo]
missing game: Neo Geo Bios
missing rom: neo-geo.rom [length: 131072] [chksum: 9036d879 (6fc92786)]
missing rom: ng-sfix.rom [length: 131072] [chksum: 354029fc (cabfd603)]
missing rom: ng-sm1.rom [length: 131072] [chksum: 97cf998b (68306674)]
)"));

    romFolder.ZipSet("neogeo", {Right("neo-geo.rom", 0x9036D879, 131072),
                                Right("ng-sfix.rom", 0x354029FC, 131072),
                                Right("ng-sm1.rom", 0x97CF998B, 131072)});
    EXPECT_TRUE(Scan());
    EXPECT_TRUE(scanner.result().neoGeoBiosFound);
    EXPECT_FALSE(scanner.result().neoGeoBiosFoundAll);
    EXPECT_EQ(scanner.report().logText(), "");

    // Without NeoGeo support the NeoGeo games are not checked at all.
    std::filesystem::remove(romFolder.Root() + "ngame.zip");
    scanner.config.options.NeoGeo = false;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");
}

TEST_F(ScanGoldenTest, ZipMemberWinsOverALooseCopyAndALooseFileAloneGivesItsOwnValues) {
    ListBuilder list;
    list.Game("kilo", "Kilo Twice")
        .Rom("k1.rom", 16, 0x6B6B6B6B)
        .Rom("k2.rom", 16, 0x6C6C6C6C)
        .Rom("k3.rom", 16, 0x6D6D6D6D);
    Load(list);
    romFolder.ZipSet("kilo", {Right("k1.rom", 0x6B6B6B6B, 16)})
        .FolderSet("kilo", {{"k1.rom", "damaged"},
                            Right("k2.rom", 0x6C6C6C6C, 16),
                            Right("K3.rom", 0x01020304, 16)});

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Kilo Twice [folder: kilo]
wrong spelling: k3.rom [wrong: K3.rom] [right: k3.rom]
wrong checksum: k3.rom [wrong: 1020304] [right: 6d6d6d6d (92929292)]
)"));
}

TEST_F(ScanGoldenTest, DamagedZipIsReportedOncePerScanAndCountsAsAbsent) {
    ListBuilder list;
    list.Game("lima", "Lima Damaged").Rom("l1.rom", 8, 0x4C4C4C4C);
    list.Game("limb", "Lima Clone").CloneOf("lima").Rom("l2.rom", 8, 0x4D4D4D4D);
    Load(list);
    romFolder.File("lima.zip", "").File("neogeo.zip", "no zip archive at all, only text");

    for (int scan = 0; scan < 2; ++scan) {
        dialogs.messages.clear();
        EXPECT_TRUE(Scan());
        const auto messages = [](const std::string& zip) {
            return std::vector<std::string>{"Unsupported Zipformat In File:\n\n" + zip,
                                            "Corrupt Zipfile:\n\n" + zip};
        };
        auto expected = messages(scanner.paths.romList[0] + "neogeo.zip");
        for (const std::string& text : messages(scanner.paths.romList[0] + "lima.zip"))
            expected.push_back(text);
        EXPECT_EQ(dialogs.MessageTexts(), expected);
        // The file is there, so the set is not missing; its ROMs are.
        EXPECT_EQ(scanner.report().logText(), Expected(R"(
Lima Clone [folder: limb - parent: lima]
missing game: Lima Clone
missing rom: l2.rom [length: 8] [chksum: 4d4d4d4d (b2b2b2b2)]

Lima Damaged [folder: lima]
missing rom: l1.rom [length: 8] [chksum: 4c4c4c4c (b3b3b3b3)]
)"));
    }
}

TEST_F(ScanGoldenTest, MissingFilesComeBackFromTheBackupFolder) {
    ListBuilder list;
    list.Game("mike", "Mike Zip").Rom("m1.rom", 8, 0x4D4D4D4D).Rom("m2.rom", 8, 0x4D4D4D4E);
    list.Game("nova", "Nova Folder").Rom("n1.rom", 8, 0x4E4F4E4F).Sample("n.wav");
    Load(list);
    ASSERT_TRUE(zipLibrary.Load());
    romFolder.ZipSet("mike", {Right("m2.rom", 0x4D4D4D4E, 8)}).FolderSet("nova", {});
    sampleFolder.FolderSet("nova", {});
    const std::string backup = scanner.config.programFolder + "backup.vxt/";
    test::WriteFile(backup + "mike/m1.rom", DataWithCrc(0x4D4D4D4D, 8));
    test::WriteFile(backup + "nova/n1.rom", DataWithCrc(0x4E4F4E4F, 8));
    test::WriteFile(backup + "nova/n.wav", "wave");

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");
    std::vector<ZipEntry> members;
    ASSERT_TRUE(
        ZipReader(dialogs).ReadZipDirectory(romFolder.Root() + "mike.zip", members, false, true));
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[1].name, "m1.rom");
    EXPECT_EQ(members[1].crc, 0x4D4D4D4Du);
    EXPECT_EQ(test::ReadFile(romFolder.Root() + "nova/n1.rom"), DataWithCrc(0x4E4F4E4F, 8));
    EXPECT_EQ(test::ReadFile(sampleFolder.Root() + "nova/n.wav"), "wave");
    EXPECT_TRUE(std::filesystem::exists(backup + "mike/m1.rom"));
}

TEST_F(ScanGoldenTest, ABackupOfTheNameButNotTheDataIsNotPutBack) {
    ListBuilder list;
    list.Game("papa", "Papa").Rom("p1.rom", 8, 0x50505050);
    Load(list);
    romFolder.FolderSet("papa", {});
    test::WriteFile(scanner.config.programFolder + "backup.vxt/papa/p1.rom", "not p1!!");
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Papa [folder: papa]
missing rom: p1.rom [length: 8] [chksum: 50505050 (afafafaf)]
)"));
    EXPECT_FALSE(std::filesystem::exists(romFolder.Root() + "papa/p1.rom"));
}

TEST_F(ScanGoldenTest, AlternativeSampleSetServesTheGame) {
    ListBuilder list;
    list.Game("oscar", "Oscar Uses Samples")
        .SampleOf("oscars")
        .Rom("o.rom", 4, 0x4F4F4F4F)
        .Sample("o1.wav")
        .Sample("o2.wav");
    list.Game("oscars", "Oscars Own").Rom("s.rom", 4, 0x53535353).Sample("o1.wav").Sample("o2.wav");
    Load(list);
    romFolder.ZipSet("oscar", {Right("o.rom", 0x4F4F4F4F, 4)})
        .ZipSet("oscars", {Right("s.rom", 0x53535353, 4)});
    sampleFolder.ZipSet("oscars", {{"o1.wav", "1"}, {"o2.wav", "2"}})
        .ZipSet("oscar", {{"o1.wav", "1"}});

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");

    scanner.config.options.UnneededAdvanced = true;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Oscar Uses Samples [folder: oscar]
unneeded file: {S}oscar/o1.wav
)"));

    scanner.config.options.UnneededAdvanced = false;
    scanner.config.options.AltSamples = false;
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Oscar Uses Samples [folder: oscar]
missing sample: o2.wav
)"));
}

TEST_F(ScanGoldenTest, LengthsBeyond4GiBAreReportedWhole) {
    constexpr std::uint64_t kBeyond4GiB = (std::uint64_t{1} << 32) + 8;
    ListBuilder list;
    list.Game("ll", "Loose Giant").Rom("l.rom", 8, 0x4C4C4C4C);
    list.Game("zz", "Zipped Giant").Rom("z.rom", 8, 0x5A5A5A5A);
    Load(list);
    romFolder.FolderSet("ll", {{"l.rom", ""}});
    std::filesystem::resize_file(romFolder.Root() + "ll/l.rom", kBeyond4GiB);  // sparse
    test::ZipBuilder zipped;
    zipped.Add("z.rom", DataWithCrc(0x5A5A5A5A, 8));
    zipped.Last().zip64 = true;
    zipped.Last().size = kBeyond4GiB;
    zipped.Write(romFolder.Root() + "zz.zip");
    // Reading four gigabytes of zeros would only slow the test.
    scanner.config.options.Checksum = false;
    scanner.config.options.RightName = false;

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Loose Giant [folder: ll]
wrong length: l.rom [wrong: 4294967304] [right: 8]

Zipped Giant [folder: zz]
wrong length: z.rom [wrong: 4294967304] [right: 8]
)"));
}

TEST_F(ScanGoldenTest, EncryptedMemberIsNeverAGoodRomWhateverItsHeaderSays) {
    ListBuilder list;
    list.Game("kk", "Locked").Rom("k1.rom", 8, 0x4B4B4B4B).Rom("k2.rom", 8, 0x4C4C4C4C);
    Load(list);
    test::ZipBuilder zip;
    zip.Add("k1.rom", DataWithCrc(0x4B4B4B4B, 8)).Add("k2.rom", DataWithCrc(0x4C4C4C4C, 8));
    zip.Last().flags = 1;
    zip.Write(romFolder.Root() + "kk.zip");

    for (const bool checksum : {true, false}) {
        scanner.config.options.Checksum = checksum;
        EXPECT_TRUE(Scan());
        EXPECT_EQ(scanner.report().logText(), Expected(R"(
Locked [folder: kk]
wrong checksum: k2.rom [encrypted member]
)"));
    }
}

// A FIFO, a socket or a link to a device met where a set, a file of a set or a sample set
// would be is no file of the set: never opened (a FIFO would block the scan for ever, the
// device would be read for ever), reported unneeded where a file would be, and never removed
// by the fix (a link goes as a link, as every link does).
class SpecialFileScanTest : public test::ScanFixture,
                            public testing::WithParamInterface<test::SpecialKind> {};

TEST_P(SpecialFileScanTest, IsReportedUnneededButNeverReadNorRemoved) {
    const test::Watchdog watchdog;
    ListBuilder list;
    list.Game("g1", "Game One")
        .Rom("g1.rom", 8, 0x47474747)
        .Rom("g1b.rom", 8, 0x48484848)
        .Sample("s1.wav");
    list.Game("g2", "Game Two").Rom("g2.rom", 8, 0x49494949);
    list.Game("g3", "Game Three").Rom("g3.rom", 8, 0x4A4A4A4A);
    Load(list);
    test::FolderBuilder roms(romFolder.Root());
    for (const char* name : {"g1/g1.rom", "g1/G1B.ROM", "g1/extra.bin", "g2.zip", "g3"})
        roms.Special(name, GetParam());
    test::FolderBuilder(sampleFolder.Root()).Special("g1.zip", GetParam());
    const auto before = test::ReadTree(temp.Path());
    scanner.config.options.FixUnneeded = true;
    scanner.config.options.Ask = false;
    scanner.config.options.Backup = false;

    EXPECT_TRUE(Scan());
    const bool isLink = GetParam() == test::SpecialKind::DeviceLink;
    std::string expected = R"(
unneeded file: {R}g2.zip [F]

unneeded file: {R}g3 [F]

unneeded file: {S}g1.zip [F]

Game One [folder: g1]
missing rom: g1.rom [length: 8] [chksum: 47474747 (b8b8b8b8)]
missing rom: g1b.rom [length: 8] [chksum: 48484848 (b7b7b7b7)]
missing sample: s1.wav
unneeded file: {R}g1/G1B.ROM [F]
unneeded file: {R}g1/extra.bin [F]
unneeded file: {R}g1/g1.rom [F]

Game Three [folder: g3]
missing game: Game Three
missing rom: g3.rom [length: 8] [chksum: 4a4a4a4a (b5b5b5b5)]

Game Two [folder: g2]
missing game: Game Two
missing rom: g2.rom [length: 8] [chksum: 49494949 (b6b6b6b6)]
)";
    for (auto at = expected.find("[F]"); at != std::string::npos; at = expected.find("[F]"))
        expected.replace(at, 3, isLink ? "[fixed]" : "[not fixed]");
    EXPECT_EQ(scanner.report().logText(), Expected(expected));
    if (!isLink) {
        EXPECT_EQ(test::ReadTree(temp.Path()), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileScanTest,
                         testing::Values(test::SpecialKind::Fifo, test::SpecialKind::Socket,
                                         test::SpecialKind::DeviceLink),
                         test::SpecialKindName());

// Devices list no ROM and no sample: a missing one is no finding, a present one is checked as
// any set. BIOS sets and shared sample sets are no games, but a scan never calls them
// unneeded.
TEST_F(ScanGoldenTest, GamesNeedingNoFilesAreNeverMissingAndBiosOrSharedSampleSetsNeverUnneeded) {
    ListBuilder list;
    list.Game("naomi", "Naomi BIOS").Bios().Rom("epr-21576.ic27", 8, 0x21576000);
    list.Game("24c01", "24C01 I2C Memory");
    list.Game("z80", "Z80 CPU");
    list.Game("alpha", "Alpha").Rom("a1.rom", 4, 0xA1A1A1A1);
    // Pinball machines share a sample set that no machine is named after.
    list.Game("flip", "Flipper").SampleOf("genpin").Rom("f.rom", 4, 0xF0F0F0F0).Sample("coil.wav");
    Load(list);
    romFolder.ZipSet("naomi", {Right("epr-21576.ic27", 0x21576000, 8)})
        .FolderSet("z80", {{"readme.txt", "x"}})
        .ZipSet("flip", {Right("f.rom", 0xF0F0F0F0, 4)});
    sampleFolder.ZipSet("genpin", {{"coil.wav", "x"}});

    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Alpha [folder: alpha]
missing game: Alpha
missing rom: a1.rom [length: 4] [chksum: a1a1a1a1 (5e5e5e5e)]

Z80 CPU [folder: z80]
unneeded file: {R}z80/readme.txt
)"));
    scanner.ShowStatistics();
    EXPECT_EQ(scanner.report().statisticsText().rfind("Missing Games:          1 of 4\r\n", 0), 0u);
    EXPECT_FALSE(Marks("24c01").needsRescan);
}

class ScanStopTest : public test::ScanFixture {
  protected:
    void SetUp() override {
        ListBuilder list;
        list.Game("aa", "A Missing").Rom("a.rom", 4, 0x41414141);
        list.Game("bb", "B Wrong Case").Rom("b.rom", 4, 0x42424242);
        list.Game("cc", "C Missing").Rom("c.rom", 4, 0x43434343);
        Load(list);
        romFolder.ZipSet("bb", {Right("B.ROM", 0x42424242, 4)});
    }
};

TEST_F(ScanStopTest, StopFromTheProgressWindowKeepsEarlierLinesAndNoFastScan) {
    progress.stopOnCall = 2;
    EXPECT_FALSE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
A Missing [folder: aa]
missing game: A Missing
missing rom: a.rom [length: 4] [chksum: 41414141 (bebebebe)]
)"));
    EXPECT_FALSE(scanner.result().fastScanAvailable);
    EXPECT_FALSE(progress.open);
    EXPECT_TRUE(Marks("bb").needsRescan);  // not visited: stays due
}

TEST_F(ScanStopTest, StopInAFixQuestionEndsTheScanWithoutTheCurrentGamesLines) {
    scanner.config.options.FixSpelling = true;
    dialogs.askAnswers = {AskAnswer::Stop};
    EXPECT_FALSE(Scan());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].caption, "Fix Wrong Spelled Roms In Gameset 'B Wrong Case' ?");
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
A Missing [folder: aa]
missing game: A Missing
missing rom: a.rom [length: 4] [chksum: 41414141 (bebebebe)]
)"));
    EXPECT_TRUE(scanner.result().fastScanAvailable);  // the first game had problems
    EXPECT_TRUE(std::filesystem::exists(romFolder.Root() + "bb.zip"));
    EXPECT_EQ(progress.advances, 2);
}

TEST_F(ScanStopTest, StopWhileRemovingLooseEntriesStillShowsThemAndVisitsNoGame) {
    romFolder.File("junk1.txt", "1").File("junk2.txt", "2");
    scanner.config.options.FixUnneeded = true;
    dialogs.askAnswers = {AskAnswer::Yes, AskAnswer::Stop};
    EXPECT_FALSE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
unneeded file: {R}junk1.txt [fixed]

unneeded file: {R}junk2.txt [not fixed]
)"));
    EXPECT_EQ(scanner.report().counters().unneededEntries, 2u);
    EXPECT_EQ(scanner.report().counters().unneededEntriesFixed, 1u);
    EXPECT_TRUE(std::filesystem::exists(romFolder.Root() + "junk2.txt"));
    EXPECT_EQ(progress.advances, 0);
    EXPECT_FALSE(progress.open);
}

TEST_F(ScanStopTest, FastScanChecksOnlyTheGamesThatHadProblems) {
    EXPECT_TRUE(Scan());
    EXPECT_TRUE(Marks("aa").needsRescan && Marks("bb").needsRescan && Marks("cc").needsRescan);
    // aa gets its set; bb is taken off the due list although its problem remains.
    romFolder.ZipSet("aa", {Right("a.rom", 0x41414141, 4)});
    Marks("bb").needsRescan = false;
    EXPECT_TRUE(Scan(/*fullScan=*/false));
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
C Missing [folder: cc]
missing game: C Missing
missing rom: c.rom [length: 4] [chksum: 43434343 (bcbcbcbc)]
)"));
    EXPECT_FALSE(Marks("aa").needsRescan);
    EXPECT_FALSE(Marks("bb").needsRescan);
    EXPECT_TRUE(Marks("cc").needsRescan);
}

TEST_F(ScanStopTest, BatchFilesRunOnlyForCheckedGames) {
    scanner.config.options.Batchrun = true;
    test::WriteFile(scanner.config.programFolder + "_exist.sh",
                    "echo \"exist $*\" >> \"$(dirname \"$0\")/ran.txt\"\n");
    test::WriteFile(scanner.config.programFolder + "_noexist.sh",
                    "echo \"noexist $*\" >> \"$(dirname \"$0\")/ran.txt\"\n");
    EXPECT_TRUE(Scan(/*fullScan=*/true, "bb;aa"));
    EXPECT_EQ(test::ReadFile(scanner.config.programFolder + "ran.txt"), "exist bb B Wrong Case\n");

    scanner.config.options.Missing = false;
    std::filesystem::remove(scanner.config.programFolder + "ran.txt");
    EXPECT_TRUE(Scan());
    EXPECT_FALSE(std::filesystem::exists(scanner.config.programFolder + "ran.txt"));
}

}  // namespace
}  // namespace vextral
