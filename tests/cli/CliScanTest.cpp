// vextral scan and fast-scan, run as a separate process over generated collections.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/core/QtSettingsStore.h"
#include "cli/CliFixture.h"
#include "platform/FileSystem.h"
#include "ui/AppSettings.h"
#include "ui/ScanOptions.h"

namespace vextral {
namespace {

using test::DataWithCrc;

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class CliScanTest : public test::CliFixture {
  protected:
    // alpha complete, bravo without a set, charlie with a damaged ROM, delta with a ROM
    // whose name has the wrong case in a folder set.
    static test::ListBuilder CollectionList() {
        test::ListBuilder list;
        list.Game("alpha", "Alpha").Rom("a1.rom", 16, 0xA1A1A1A1);
        list.Game("bravo", "Bravo").Rom("b1.rom", 16, 0xB1B1B1B1);
        list.Game("charlie", "Charlie").Rom("c1.rom", 16, 0xC1C1C1C1);
        list.Game("delta", "Delta").Rom("d1.rom", 8, 0xD1D1D1D1);
        return list;
    }

    void BuildCollection() {
        WriteList(CollectionList());
        roms.ZipSet("alpha", {{"a1.rom", DataWithCrc(0xA1A1A1A1, 16)}})
            .ZipSet("charlie", {{"c1.rom", DataWithCrc(0x12345678, 16)}})
            .FolderSet("delta", {{"D1.ROM", DataWithCrc(0xD1D1D1D1, 8)}});
        samples.Folder("unused");
    }

    std::string ExpectedLog() const {
        return "\n"
               "Bravo [folder: bravo]\n"
               "missing game: Bravo\n"
               "missing rom: b1.rom [length: 16] [chksum: b1b1b1b1 (4e4e4e4e)]\n"
               "\n"
               "Charlie [folder: charlie]\n"
               "wrong checksum: c1.rom [wrong: 12345678] [right: c1c1c1c1 (3e3e3e3e)]\n";
    }
};

constexpr const char* kStatistics =
    "Missing Games:          1 of 4\n"
    "Missing Arcade Games:   1 of 4\n"
    "Missing NeoGeo Games:   0 of 0\n"
    "Wrong Spelled Games:    <n/a>\n"
    "\n"
    "Missing Roms:           1 of 4\n"
    "Missing Arcade Roms:    1 of 4\n"
    "Missing NeoGeo Roms:    0 of 0\n"
    "Wrong Named Roms:       0\n"
    "Wrong Spelled Roms:     <n/a>\n"
    "Wrong Sized Roms:       0\n"
    "Unavailable Checksums:  <n/a>\n"
    "Wrong Checksums:        1\n"
    "Missing Samples:        0 of 0\n"
    "Wrong Spelled Samples:  <n/a>\n"
    "\n"
    "Unneeded Files/Folders: 1\n"
    "\n"
    "Number Of Games:        4\n"
    "Number Of NeoGeo Games: 0\n"
    "Number Of Arcade Games: 4\n"
    "Number Of Parents:      0\n"
    "Number Of Clones:       0\n"
    "Number Of Others:       4\n"
    "\n"
    "Number Of Roms:         4\n"
    "Number Of Arcade Roms:  4\n"
    "Number Of NeoGeo Roms:  0\n"
    "\n"
    "Number Of Samples:      0\n"
    "\n"
    "Number Of Bad Dumps:    0";

TEST_F(CliScanTest, PrintsLogAndStatisticsAndWritesTheSameLogFileWithCrLf) {
    BuildCollection();
    const test::CliResult result = Scan({"--log", "report.txt"});

    const std::string samplesFolder = CanonicalPath(temp / "samples") + "/";
    const std::string log = "\nunneeded folder: " + samplesFolder + "unused\n" + ExpectedLog();
    const std::string statistics =
        std::string("\n\n\nStatistics:\n===========\n\n") + kStatistics + "\n";
    EXPECT_EQ(result.out, log + statistics);
    EXPECT_EQ(test::ReadFile(temp / "report.txt"), WithCrLf(log + statistics));
    EXPECT_EQ(result.status, 1);
    // Warned once, by the scan, not again by the opening steps.
    EXPECT_EQ(result.err,
              "Pathwarning: No samples found in samplepath:\n\n" + samplesFolder + "\n\n");
}

// The same list as -listinfo text, -listxml and a datfile (and gzip-compressed) gives the
// same log byte for byte; the fixdat of the scan, read back, holds just what was missing.
TEST_F(CliScanTest, EveryListFormatGivesTheSameLogAndTheFixdatReadsBack) {
    BuildCollection();
    const test::ListBuilder list = CollectionList();
    const std::string text = Scan({"--log", "report.txt", "--fixdat", "fix.dat"}).out;
    const std::string report = test::ReadFile(temp / "report.txt");
    for (const std::string& path : {list.WriteXmlTo(temp / "list.xml"),
                                    list.WriteXmlTo(temp / "list.xdat", test::XmlStyle::Datafile),
                                    test::WriteGzipFile(temp / "list.gz", list.Xml())}) {
        SCOPED_TRACE(path);
        listPath = path;
        EXPECT_EQ(Scan({"--log", "report.txt"}).out, text);
        EXPECT_EQ(test::ReadFile(temp / "report.txt"), report);
    }
    // Each list read was kept in the cache; --no-cache neither reads nor writes it.
    EXPECT_EQ(ListFolder(temp / "cache/vextral/").size(), 4u);
    const test::CliResult fixdat = Run({"list-info", "--no-cache", "--dat", "fix.dat"});
    EXPECT_EQ(ListFolder(temp / "cache/vextral/").size(), 4u);
    EXPECT_EQ(fixdat.status, 0) << fixdat.err;
    EXPECT_EQ(fixdat.out.substr(0, 9), "games: 1\n");  // Bravo, with its one ROM
    EXPECT_NE(fixdat.out.find("arcade roms: 1\n"), std::string::npos);
}

TEST_F(CliScanTest, NoStatisticsLeavesThemOutOfBothOutputs) {
    BuildCollection();
    const test::CliResult result = Scan({"--no-statistics", "--log", "report.txt"});
    EXPECT_EQ(result.out.find("Statistics:"), std::string::npos);
    EXPECT_EQ(test::ReadFile(temp / "report.txt"), WithCrLf(result.out));
    EXPECT_NE(result.out.find("missing game: Bravo"), std::string::npos);
}

TEST_F(CliScanTest, StatusZeroWhenNothingIsWrongAndOneWhenSomethingIs) {
    test::ListBuilder list;
    list.Game("alpha", "Alpha").Rom("a1.rom", 16, 0xA1A1A1A1);
    WriteList(list);
    roms.ZipSet("alpha", {{"a1.rom", DataWithCrc(0xA1A1A1A1, 16)}});
    samples.Folder("");
    test::CliResult result = Scan();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("\n\n\nStatistics:\n", 0), 0u);

    // A finding of no game is a finding too.
    roms.File("readme.txt", "notes");
    result = Scan();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out.rfind("\nunneeded file: ", 0), 0u) << result.out;
    ASSERT_TRUE(DeleteFile(temp / "roms/readme.txt"));

    ASSERT_TRUE(DeleteFile(temp / "roms/alpha.zip"));
    result = Scan();
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("missing game: Alpha"), std::string::npos);
}

TEST_F(CliScanTest, SetFlagsChangeTheScanButNotTheStoredSettings) {
    BuildCollection();
    const test::CliResult result = Scan({"--set", "Missing=0", "--set", "Spelling=1"});
    EXPECT_EQ(result.out.find("missing game"), std::string::npos);
    EXPECT_NE(result.out.find("wrong spelling: d1.rom [wrong: D1.ROM] [right: d1.rom]"),
              std::string::npos);
    EXPECT_NE(result.out.find("Missing Games:          <n/a>"), std::string::npos);
    EXPECT_FALSE(PathExists(SettingsFile()));
    // fastscan.dat is written as closing the window writes it.
    EXPECT_TRUE(PathExists(temp / "data/vextral/fastscan.dat"));
}

TEST_F(CliScanTest, EveryFlagNameIsAcceptedAndSavedWithSaveSettings) {
    BuildCollection();
    // Every flag to the opposite of its default, so that a name landing on the wrong flag
    // shows in the stored value.
    const AppSettings defaults;
    std::vector<std::string> args{"--save-settings"};
    std::vector<std::pair<std::string, bool>> wanted;
    for (const auto& field : kScanOptionFields)
        wanted.emplace_back(std::string(field.name), !(defaults.options.*field.member));
    wanted.emplace_back("ListInfoWarnings", !defaults.ListInfoWarnings);
    wanted.emplace_back("AskForMameExe", !defaults.AskForMameExe);
    wanted.emplace_back("PathWarning", !defaults.PathWarning);
    wanted.emplace_back("UseMameExe", !defaults.UseMameExe);
    for (const auto& [name, value] : wanted) {
        args.push_back("--set");
        args.push_back(name + "=" + (value ? "1" : "0"));
    }
    // With Games, Roms and Samples all off there is nothing to scan (status 2), yet the
    // flags are taken and stored.
    const test::CliResult result = Scan(args);
    EXPECT_EQ(result.err.find("--set"), std::string::npos) << result.err;

    QtSettingsStore store(SettingsFile());
    for (const auto& [name, value] : wanted)
        EXPECT_EQ(store.ReadInt("Settings", name), value ? 1 : 0) << name;
    // The path fields are stored as the window stores them on closing.
    EXPECT_NE(store.ReadString("Paths", "Rompaths").value_or(""), "");
}

TEST_F(CliScanTest, SettingsThatCannotBeWrittenAreReported) {
    BuildCollection();
    // A file where the settings folder belongs: not even root can write there.
    test::WriteFile(temp / "config/vextral", "");
    const test::CliResult result = Scan({"--save-settings"});
    EXPECT_NE(result.err.find("Can't write the settings to '" + SettingsFile() + "'."),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.status, 2);
}

TEST_F(CliScanTest, ListWarningsFlagGovernsTheWarningsOfLoadingToo) {
    // A game named ".." is dropped, with a warning, while the list is read.
    test::ListBuilder list;
    list.Game("alpha", "Alpha").Rom("a1.rom", 16, 0xA1A1A1A1);
    list.Game("..", "Dots").Rom("b1.rom", 16, 0xB1B1B1B1);
    WriteList(list);
    samples.Folder("");
    const std::string warning = "Vextral: -listinfo bug:\n\n.. (Dots)\n\nInvalid Foldername !";
    test::CliResult result = Scan({"--set", "PathWarning=0", "--set", "ListInfoWarnings=0"});
    EXPECT_EQ(result.err.find("-listinfo bug"), std::string::npos) << result.err;
    EXPECT_EQ(result.status, 1);

    test::WriteFile(SettingsFile(), "[Settings]\nListInfoWarnings=0\n");
    result = Scan({"--set", "PathWarning=0", "--set", "ListInfoWarnings=1"});
    EXPECT_NE(result.err.find(warning), std::string::npos) << result.err;
    EXPECT_EQ(result.status, 1);
}

TEST_F(CliScanTest, RelativePathsAreTakenFromTheShellFolderEvenWithAStoredMameFolder) {
    BuildCollection();
    ASSERT_TRUE(CreateFolder(temp / "mame"));
    test::WriteFile(SettingsFile(), "[Paths]\nMameExe=" + temp / "mame/" + "\n");
    const test::CliResult result = Scan();
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("missing game: Bravo"), std::string::npos);
}

TEST_F(CliScanTest, BadFlagsAreRejectedBeforeAnythingRuns) {
    BuildCollection();
    test::CliResult result = Scan({"--set", "Bogus=1"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("unknown flag name 'Bogus'"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(PathExists(temp / "data/vextral/fastscan.dat"));

    result = Scan({"--set", "Missing=2"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("NAME=0 or NAME=1"), std::string::npos);

    result = Scan({"--set", "missing=1"});  // names are exact
    EXPECT_EQ(result.status, 2);

    result = Scan({"--answer", "maybe"});
    EXPECT_EQ(result.status, 2);
}

TEST_F(CliScanTest, FixQuestionsTakeTheAnswerFromTheCommandLine) {
    BuildCollection();
    const std::vector<std::string> fix{"--set", "Spelling=1", "--set", "FixSpelling=1"};

    test::CliResult result = Scan(fix);  // no-to-all unless told otherwise
    EXPECT_NE(result.out.find("[right: d1.rom] [not fixed]"), std::string::npos) << result.out;
    EXPECT_TRUE(PathExists(temp / "roms/delta/D1.ROM"));
    EXPECT_FALSE(PathExists(temp / "roms/delta/d1.rom"));

    std::vector<std::string> stop = fix;
    stop.insert(stop.end(), {"--answer", "stop"});
    result = Scan(stop);
    EXPECT_EQ(result.status, 3);
    EXPECT_TRUE(PathExists(temp / "roms/delta/D1.ROM"));

    std::vector<std::string> yes = fix;
    yes.insert(yes.end(), {"--answer", "yes"});
    result = Scan(yes);
    EXPECT_NE(result.out.find("[right: d1.rom] [fixed]"), std::string::npos) << result.out;
    EXPECT_TRUE(PathExists(temp / "roms/delta/d1.rom"));
    EXPECT_FALSE(PathExists(temp / "roms/delta/D1.ROM"));
}

TEST_F(CliScanTest, FastScanChecksOnlyTheGamesThatHadProblems) {
    BuildCollection();
    test::CliResult result = Scan({}, "fast-scan");
    EXPECT_EQ(result.status, 2);  // no scan yet
    EXPECT_NE(result.err.find("no fast scan"), std::string::npos);

    ASSERT_EQ(Scan().status, 1);
    // alpha was fine, so losing it goes unnoticed; bravo now has its set.
    ASSERT_TRUE(DeleteFile(temp / "roms/alpha.zip"));
    roms.ZipSet("bravo", {{"b1.rom", DataWithCrc(0xB1B1B1B1, 16)}});
    result = Scan({}, "fast-scan");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out.find("Alpha"), std::string::npos);
    EXPECT_EQ(result.out.find("Bravo"), std::string::npos);
    EXPECT_NE(result.out.find("Charlie"), std::string::npos);

    roms.ZipSet("charlie", {{"c1.rom", DataWithCrc(0xC1C1C1C1, 16)}});
    ASSERT_TRUE(RemoveEmptyFolder(temp / "samples/unused"));
    EXPECT_EQ(Scan({}, "fast-scan").status, 0);
    // Nothing left to check again.
    EXPECT_EQ(Scan({}, "fast-scan").status, 2);
}

TEST_F(CliScanTest, MissingOrUnreadableListIsAnErrorBeforeTheScan) {
    BuildCollection();
    listPath = temp / "nowhere.dat";
    test::CliResult result = Scan();
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");

    listPath = test::WriteFile(temp / "garbage.dat", "this is not a game list\n");
    result = Scan();
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Can't receive data from the mame executable !"), std::string::npos);

    listPath = temp / "roms";  // a folder
    EXPECT_EQ(Scan().status, 2);
}

// No list file given: a stand-in for today's MAME on PATH (it knows only -listxml) gives the
// list; one that gives none at all has its own words shown and --dat named.
TEST_F(CliScanTest, WithoutDatTheListComesFromMameListXmlOrTheFailureNamesDat) {
    BuildCollection();
    const std::string bin = temp / "bin/";
    const auto writeMame = [&](const std::string& forListXml) {
        test::WriteFile(bin + "mame",
                        "#!/bin/sh\n[ \"$1\" = -listxml ] || { echo \"Error: unknown option: "
                        "$1\" >&2; exit 1; }\n" +
                            forListXml + "\n");
        ::chmod((bin + "mame").c_str(), 0755);
    };
    environment = "PATH=" + test::ShellQuoted(bin + ":/usr/bin:/bin") + " ";
    const std::vector<std::string> scan{"scan", "--rom-paths", "roms", "--sample-paths", "samples"};

    writeMame("cat " + test::ShellQuoted(CollectionList().WriteXmlTo(temp / "list.xml")));
    test::CliResult result = Run(scan);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find(ExpectedLog()), std::string::npos);

    writeMame("echo 'Fatal error: no machines' >&2; exit 1");
    result = Run(scan);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Error: unknown option: -listinfo"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("It said:\nFatal error: no machines"), std::string::npos);
    EXPECT_NE(result.err.find("name a list file with --dat FILE"), std::string::npos);
    EXPECT_EQ(result.err.find("Can't find 'mame'"), std::string::npos);
}

TEST_F(CliScanTest, NothingToScanWithoutAnExistingSampleFolder) {
    BuildCollection();
    const test::CliResult result =
        Run({"scan", "--dat", listPath, "--rom-paths", "roms", "--sample-paths", "none"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("nothing to scan"), std::string::npos);
}

}  // namespace
}  // namespace vextral
