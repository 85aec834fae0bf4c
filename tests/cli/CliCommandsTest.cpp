// vextral rebuild, merge, unmerge and the help texts, run as a separate process.

#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/CliFixture.h"
#include "platform/FileSystem.h"

namespace vextral {
namespace {

using test::DataWithCrc;

class CliCommandsTest : public test::CliFixture {
  protected:
    // solo: a game outside the family, without a set.
    void BuildFamily(bool withSolo = false) {
        test::ListBuilder list;
        list.Game("pop", "Pop").Rom("p1.rom", 16, 0x11111111);
        list.Game("popj", "Pop (Japan)")
            .CloneOf("pop")
            .Rom("p1.rom", 16, 0x11111111)
            .Rom("j1.rom", 16, 0x22222222);
        if (withSolo)
            list.Game("solo", "Solo").Rom("s1.rom", 8, 0x44444444);
        WriteList(list);
        roms.ZipSet("pop", {{"p1.rom", DataWithCrc(0x11111111, 16)}})
            .ZipSet("popj", {{"j1.rom", DataWithCrc(0x22222222, 16)}});
        samples.Folder("");
    }

    test::CliResult Command(const std::string& name, std::vector<std::string> more) {
        std::vector<std::string> args{name,          "--dat", listPath,
                                      "--rom-paths", "roms",  "--sample-paths",
                                      "samples",     "--set", "PathWarning=0"};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
};

TEST_F(CliCommandsTest, RebuildWritesSetsFromFilesFoundBelowTheSource) {
    BuildFamily();
    test::WriteFile(temp / "found/deep/any-name.bin", DataWithCrc(0x22222222, 16));
    test::WriteFile(temp / "found/other.bin", DataWithCrc(0x11111111, 16));

    test::CliResult result = Command("rebuild", {"--from", "found", "--to", "built"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadFile(temp / "built/popj/j1.rom"), DataWithCrc(0x22222222, 16));
    EXPECT_EQ(test::ReadFile(temp / "built/pop/p1.rom"), DataWithCrc(0x11111111, 16));

    result = Command("rebuild", {"--from", "found", "--to", "zipped", "--zip"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(IsRegularFile(temp / "zipped/popj.zip"));
}

TEST_F(CliCommandsTest, ASetThatCouldNotBeWrittenIsNamedAndFailsTheRebuild) {
    BuildFamily();
    test::WriteFile(temp / "found/x.bin", DataWithCrc(0x11111111, 16));
    test::WriteFile(temp / "built/pop", "a file where the set folder belongs");
    const test::CliResult result = Command("rebuild", {"--from", "found", "--to", "built"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("vextral: pop: cannot create the folder"), std::string::npos)
        << result.err;
}

TEST_F(CliCommandsTest, RebuildRefusesADestinationInsideTheSource) {
    BuildFamily();
    test::WriteFile(temp / "found/x.bin", DataWithCrc(0x11111111, 16));
    test::CliResult result = Command("rebuild", {"--from", "found", "--to", "found/out"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Path Error !"), std::string::npos) << result.err;
    EXPECT_FALSE(PathExists(temp / "found/out"));

    result = Command("rebuild", {"--from", "absent", "--to", "built"});
    EXPECT_EQ(result.status, 2);
    result = Command("rebuild", {"--to", "built"});  // --from is required
    EXPECT_EQ(result.status, 2);
}

TEST_F(CliCommandsTest, MergeNeedsYesOffATerminalThenMergesAndUnmergeUndoesIt) {
    BuildFamily();
    test::CliResult result = Command("merge", {"--set", "MergeFull=1"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(IsRegularFile(temp / "roms/popj.zip"));

    result = Command("merge", {"--set", "MergeFull=1", "--yes", "--zip"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(PathExists(temp / "roms/popj.zip"));
    EXPECT_TRUE(IsRegularFile(temp / "roms/pop.zip"));

    result = Command("unmerge", {});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadFile(temp / "roms/popj/j1.rom"), DataWithCrc(0x22222222, 16));

    // A scan finds the family complete again.
    result = Command("scan", {"--set", "Unneeded=0"});
    EXPECT_EQ(result.status, 0) << result.out;
}

TEST_F(CliCommandsTest, AFamilyLeftAsItWasIsNamedAndFailsTheRun) {
    BuildFamily();
    ASSERT_EQ(::symlink((temp / "gone").c_str(), (temp / "roms/popj").c_str()), 0);
    const std::string before = test::ReadFile(temp / "roms/pop.zip");
    const test::CliResult result = Command("unmerge", {});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("left as they were: pop"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(temp / "roms/pop.zip"), before);
    EXPECT_TRUE(IsRegularFile(temp / "roms/popj.zip"));
}

TEST_F(CliCommandsTest, WithBackupOffListedDataNoNewSetHoldsIsKeptAndSaidOnce) {
    BuildFamily(/*withSolo=*/true);
    // Strays in the clone's old sets: copies of what the new sets hold, data nobody lists,
    // and solo's ROM, which only the backup folder may keep.
    roms.ZipSet("popj", {{"j1.rom", DataWithCrc(0x22222222, 16)},
                         {"j1-copy.rom", DataWithCrc(0x22222222, 16)},
                         {"p1-copy.rom", DataWithCrc(0x11111111, 16)},
                         {"junk.rom", DataWithCrc(0x33333333, 16)}})
        .FolderSet("popj", {{"listed.rom", DataWithCrc(0x44444444, 8)}});

    const test::CliResult result = Command("merge", {"--set", "Backup=0", "--yes"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string note =
        "Backup is off, yet 1 file holding ROM data that no new set holds "
        "was kept in ";
    const auto at = result.err.find(note);
    EXPECT_NE(at, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(note, at + 1), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(temp / "data/vextral/backup.vxt/popj/listed.rom"),
              DataWithCrc(0x44444444, 8));
}

TEST_F(CliCommandsTest, MergeWithBothModesOffHasNothingToDo) {
    BuildFamily();
    const test::CliResult result =
        Command("merge", {"--set", "MergeFull=0", "--set", "MergeSplit=0", "--yes"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("nothing to merge"), std::string::npos);
}

TEST_F(CliCommandsTest, EverySubcommandHasHelpAndUnknownOnesAreErrors) {
    for (const char* name : {"scan", "fast-scan", "rebuild", "merge", "unmerge", "list-info"}) {
        const test::CliResult result = Run({name, "--help"});
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_NE(result.out.find("Usage:"), std::string::npos) << name;
    }
    EXPECT_NE(Run({"scan", "--help"}).out.find("--rom-paths"), std::string::npos);
    EXPECT_NE(Run({"rebuild", "--help"}).out.find("--bios-everywhere"), std::string::npos);
    EXPECT_EQ(Run({"--version"}).out, "vextral 1.40\n");
    EXPECT_EQ(Run({"scan", "--no-such-option"}).status, 2);

    // A mistyped subcommand is an error, not a window.
    const test::CliResult typo = Run({"scna", "--dat", "list.dat"});
    EXPECT_EQ(typo.status, 2);
    EXPECT_NE(typo.err.find("scna"), std::string::npos) << typo.err;
}

TEST_F(CliCommandsTest, WithoutADisplayTheWindowSaysWhatToDoInstead) {
    unsetVariables = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    const test::CliResult result = Run({});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "vextral: no display to open the window on; the command line runs without one "
              "(vextral --help)\n");
}

TEST_F(CliCommandsTest, ListInfoCountsTheBundledDemoList) {
    const char* source = std::getenv("VEXTRAL_SOURCE_DIR");
    const std::string list =
        std::string(source != nullptr ? source : VEXTRAL_SOURCE) + "/demo/demo.dat";
    const test::CliResult result = Run({"list-info", list});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("games: 13\nparents: 3\nclones: 4\n", 0), 0u) << result.out;
}

}  // namespace
}  // namespace vextral
