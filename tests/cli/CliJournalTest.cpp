// The change journal seen from the command line: every kind of run taken back by undo, dry
// runs that change nothing and plan what the real run then records, and killed runs.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "cli/CliFixture.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/FolderBuilder.h"
#include "support/ZipContents.h"

namespace vextral {
namespace {

using test::DataWithCrc;

class CliJournalTest : public test::CliFixture {
  protected:
    // A family to merge, and a set with one of each finding a scan fixes.
    void BuildCollection() {
        test::ListBuilder list;
        list.Game("pop", "Pop").Rom("p1.rom", 16, 0x11111111);
        list.Game("popj", "Pop (Japan)")
            .CloneOf("pop")
            .Rom("p1.rom", 16, 0x11111111)
            .Rom("j1.rom", 16, 0x22222222);
        list.Game("fx", "Fix Me")
            .Rom("f1.rom", 16, 0x33333333)
            .Rom("f2.rom", 16, 0x44444444)
            .Rom("f3.rom", 16, 0x55555555);
        list.Game("fy", "Fix Me Too").Rom("y1.rom", 16, 0x66666666);
        list.Game("fw", "Fix Me Three").Rom("w1.rom", 16, 0x77777777);
        WriteList(list);
        roms.ZipSet("pop", {{"p1.rom", DataWithCrc(0x11111111, 16)}})
            .ZipSet("popj", {{"j1.rom", DataWithCrc(0x22222222, 16)}})
            .ZipSet("fx", {{"F1.ROM", DataWithCrc(0x33333333, 16)},
                           {"wrong.rom", DataWithCrc(0x44444444, 16)},
                           {"f3.rom", DataWithCrc(0x55555555, 16) + "overlong"},
                           {"readme.txt", "unneeded"}})
            .FolderSet("FY", {{"y1.rom", DataWithCrc(0x66666666, 16)}, {"junk.txt", "unneeded"}})
            .FolderSet("fw", {{"only.txt", "unneeded, and the set goes with it"}});
        samples.Folder("");
        test::WriteFile(temp / "found/deep/any-name.bin", DataWithCrc(0x22222222, 16));
        test::WriteFile(temp / "found/other.bin", DataWithCrc(0x11111111, 16));
    }

    test::CliResult Command(std::vector<std::string> args) {
        const std::vector<std::string> common{"--dat", listPath,         "--rom-paths",
                                              "roms",  "--sample-paths", "samples",
                                              "--set", "PathWarning=0"};
        args.insert(args.begin() + 1, common.begin(), common.end());
        return Run(args);
    }

    // Everything the runs may touch, contents included; the program folder aside.
    std::map<std::string, std::string> Collection() const {
        std::map<std::string, std::string> tree;
        for (const char* folder : {"roms/", "samples/", "found/", "built/"}) {
            for (auto& [path, data] : test::ReadTree(temp / folder))
                tree[std::string(folder) + path] = data;
        }
        for (auto& [path, data] : test::ReadTree(temp / "data/vextral/backup.vxt/"))
            tree["backup/" + path] = data;
        return tree;
    }

    // The newest run's name, from the journal's list.
    std::string LastRun() {
        const test::CliResult list = Run({"journal"});
        std::istringstream lines(list.out);
        std::string line, last;
        while (std::getline(lines, line))
            last = line;
        return last.substr(0, last.find(' '));
    }

    // The numbered change lines of a plan or of one run's journal.
    static std::vector<std::string> ChangeLines(const std::string& text) {
        std::vector<std::string> changes;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const auto dot = line.find(". ");
            if (dot != std::string::npos && dot > 0 && line.find_first_not_of("0123456789") == dot)
                changes.push_back(line);
        }
        return changes;
    }
};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const std::vector<std::string> kFixAll{"--set", "Spelling=1",    "--set",    "FixSpelling=1",
                                       "--set", "FixName=1",     "--set",    "FixLength=1",
                                       "--set", "FixUnneeded=1", "--answer", "yes-to-all"};

TEST_F(CliJournalTest, EveryKindOfRunIsPlannedExactlyAndTakenBackWhole) {
    BuildCollection();
    struct Row {
        std::vector<std::string> args;
        std::string kind;
    };
    const std::vector<Row> rows{
        {With({"scan"}, kFixAll), "scan"},
        {{"rebuild", "--from", "found", "--to", "built"}, "rebuild"},
        {{"rebuild", "--from", "found", "--to", "built", "--zip"}, "rebuild"},
        {{"merge", "--set", "MergeFull=1", "--yes", "--zip"}, "merge"},
        {{"merge", "--set", "MergeSplit=1", "--yes"}, "merge"},
        {{"unmerge"}, "unmerge"},
    };
    const auto before = Collection();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.front() + " " + row.args.back());
        auto dry = With(row.args, {"--dry-run"});
        std::erase(dry, "--yes");  // nothing to confirm
        const test::CliResult plan = Command(dry);
        EXPECT_LE(plan.status, 1) << plan.err;
        EXPECT_EQ(Collection(), before);
        EXPECT_NE(plan.out.find("Plan (nothing was changed):"), std::string::npos) << plan.out;

        const test::CliResult real = Command(row.args);
        EXPECT_LE(real.status, 1) << real.err;
        EXPECT_NE(Collection(), before);
        const std::string name = LastRun();
        const test::CliResult journal = Run({"journal", name});
        EXPECT_NE(journal.out.find("(" + row.kind + ", "), std::string::npos) << journal.out;
        EXPECT_FALSE(ChangeLines(journal.out).empty());
        EXPECT_EQ(ChangeLines(plan.out), ChangeLines(journal.out));

        const test::CliResult undo = Run({"undo"});
        EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
        EXPECT_NE(undo.out.find("Undid run " + name), std::string::npos) << undo.out;
        EXPECT_EQ(Collection(), before);
        EXPECT_NE(Run({"journal"}).out.find("undone by"), std::string::npos);
    }
}

TEST_F(CliJournalTest, UndoSkipsAndNamesWhatChangedSinceTheRun) {
    BuildCollection();
    ASSERT_LE(Command(With({"scan"}, kFixAll)).status, 1);
    test::WriteFile(temp / "roms/fy/y1.rom", "changed by the user");
    const test::CliResult undo = Run({"undo"});
    EXPECT_EQ(undo.status, 1);
    EXPECT_NE(undo.out.find("Skipped '" + temp / "roms/fy': changed since the run"),
              std::string::npos)
        << undo.out;
    EXPECT_EQ(test::ReadFile(temp / "roms/fy/y1.rom"), "changed by the user");
    // The archive's fixes were taken back all the same.
    test::FakeDialogs dialogs;
    const auto members = test::ReadMembers(temp / "roms/fx.zip", temp / "member.tmp", dialogs);
    EXPECT_TRUE(members.contains("F1.ROM") && members.contains("readme.txt"));
}

TEST_F(CliJournalTest, WithBackupOffRenamesComeBackAndWhatWasRemovedIsNamed) {
    BuildCollection();
    test::FakeDialogs dialogs;
    const auto members = [&] {
        return test::ReadMembers(temp / "roms/fx.zip", temp / "member.tmp", dialogs);
    };
    const auto before = members();
    struct Case {
        std::vector<std::string> fixes;
        int status;
        bool named;  // what a removal took named as not kept
    };
    const std::vector<Case> cases{
        {{"--set", "Spelling=1", "--set", "FixSpelling=1", "--set", "FixName=1", "--answer",
          "yes-to-all"},
         0,
         false},
        {kFixAll, 1, true},
    };
    for (const Case& c : cases) {
        ASSERT_LE(Command(With({"scan", "--set", "Backup=0"}, c.fixes)).status, 1);
        ASSERT_TRUE(IsFolder(temp / "roms/fy"));
        const test::CliResult undo = Run({"undo"});
        EXPECT_EQ(undo.status, c.status) << undo.out;
        EXPECT_EQ(undo.out.find("not kept (Backup was off)") != std::string::npos, c.named)
            << undo.out;
        if (c.status == 0) {
            EXPECT_TRUE(IsFolder(temp / "roms/FY")) << undo.out;
            EXPECT_EQ(members(), before);
        }
    }
}

TEST_F(CliJournalTest, ARunKilledHalfWayIsNamedAtTheNextStartAndUndone) {
    BuildCollection();
    const auto before = Collection();
    ASSERT_LE(Command(With({"scan"}, kFixAll)).status, 1);
    // As a killed run leaves it: no end line, half a line after the last whole one, and its
    // process gone.
    const std::string folder = temp / "data/vextral/journal/";
    const std::string name = LastRun();
    const std::size_t changes = ChangeLines(Run({"journal", name}).out).size();
    std::string text = test::ReadFile(folder + name + ".journal");
    text.erase(text.rfind("end\t"));
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string killed = name.substr(0, name.rfind('-') + 1) + std::to_string(child);
    test::WriteFile(folder + killed + ".journal", text + "change\t99\trem");
    ASSERT_TRUE(DeleteFile(folder + name + ".journal"));

    const test::CliResult next = Command({"scan"});
    EXPECT_NE(next.err.find("vextral: The run " + killed + " (scan, vextral scan "),
              std::string::npos)
        << next.err;
    EXPECT_NE(next.err.find("was cut short after " + std::to_string(changes) +
                            " changes. 'vextral undo " + killed + "' takes them back."),
              std::string::npos)
        << next.err;

    const test::CliResult undo = Run({"undo", killed});
    EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
    EXPECT_EQ(Collection(), before);
    EXPECT_EQ(Command({"scan"}).err.find("cut short"), std::string::npos);
}

}  // namespace
}  // namespace vextral
