// Several vextral processes on one collection at once: the folder locks and the per-process
// scratch folders, run as real processes.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliFixture.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/FolderBuilder.h"
#include "support/ZipContents.h"

namespace vextral {
namespace {

using test::DataWithCrc;

const std::vector<std::string> kEveryFix{"--set", "Spelling=1",    "--set", "FixSpelling=1",
                                         "--set", "FixName=1",     "--set", "FixLength=1",
                                         "--set", "FixUnneeded=1", "--set", "Backup=1",
                                         "--set", "Ask=0",         "--set", "PathWarning=0"};

class CliConcurrencyTest : public test::CliFixture {
  protected:
    std::string ProgramFolder() const { return temp / "data/vextral/"; }

    // The batch file of the first checked game waits while the scan lives (at most 20
    // seconds), so that a scan run with Batchrun=1 holds its locks and its scratch folder.
    void HoldTheFirstGame() {
        const std::string script =
            "#!/bin/sh\n: > " + test::ShellQuoted(temp / "holding") +
            "\ni=0\nwhile kill -0 $PPID && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n";
        test::WriteFile(ProgramFolder() + "_exist.sh", script);
        test::WriteFile(ProgramFolder() + "_noexist.sh", script);
    }
    bool Holding() {
        for (int i = 0; i < 400 && !PathExists(temp / "holding"); ++i)
            ::usleep(50000);
        return PathExists(temp / "holding");
    }

    void BuildSmallCollection() {
        test::ListBuilder list;
        list.Game("alpha", "Alpha").Rom("a1.rom", 16, 0xA1A1A1A1);
        WriteList(list);
        roms.ZipSet("alpha", {{"a1.rom", DataWithCrc(0xA1A1A1A1, 16)}}).File("readme.txt", "notes");
        samples.Folder("");
    }

    static bool IsRefusal(const std::string& err) {
        const std::string start = "Vextral: Another Vextral process is working in '";
        const std::string end = "'; nothing was changed.\n\n";
        return err.size() > start.size() + end.size() && err.starts_with(start) &&
               err.ends_with(end) && std::count(err.begin(), err.end(), '\n') == 2;
    }
};

// While a reading scan holds the collection (its first game's batch file waits): another
// reader runs beside it, every change is refused and changes nothing, and no other start-up
// touches the reader's scratch folder; once it is killed, the next start keeps its scratch.
TEST_F(CliConcurrencyTest, ReadersShareChangesAreRefusedAndAKilledRunsScratchIsKept) {
    BuildSmallCollection();
    HoldTheFirstGame();
    const pid_t reader = Start({"scan", "--dat", listPath, "--rom-paths", "roms", "--sample-paths",
                                "samples", "--set", "Batchrun=1"},
                               "reader");
    ASSERT_TRUE(Holding());
    const std::string temporary = ProgramFolder() + "tempzip.vxt/";
    const std::vector<DirEntry> folders = ListFolder(temporary);
    ASSERT_EQ(folders.size(), 1u);
    const std::string scratch = temporary + folders[0].name + "/fix0/only.rom";
    test::WriteFile(scratch, "the only copy");

    const test::CliResult second = Scan();
    EXPECT_EQ(second.status, 1) << second.err;
    EXPECT_NE(second.out.find("unneeded file: "), std::string::npos);

    const std::map<std::string, std::string> before = test::ReadTree(RomFolder());
    const std::vector<std::vector<std::string>> changes{
        {"scan", "--set", "FixUnneeded=1", "--answer", "yes-to-all"},
        {"merge", "--yes"},
        {"rebuild", "--from", "samples", "--to", "roms"},
    };
    for (auto change : changes) {
        change.insert(change.end(), {"--dat", listPath, "--rom-paths", "roms", "--sample-paths",
                                     "samples", "--set", "PathWarning=0"});
        const test::CliResult refused = Run(change);
        EXPECT_EQ(refused.status, 2) << change[0];
        EXPECT_TRUE(IsRefusal(refused.err)) << refused.err;
        EXPECT_EQ(refused.out, "") << change[0];
    }
    EXPECT_EQ(test::ReadTree(RomFolder()), before);
    EXPECT_FALSE(PathExists(ProgramFolder() + "backup.vxt"));
    EXPECT_EQ(test::ReadFile(scratch), "the only copy");

    ::kill(reader, SIGKILL);
    EXPECT_EQ(Finish(reader, "reader").status, -1);
    const test::CliResult next = Scan();
    const std::string kept = ProgramFolder() + "backup.vxt/tempzip.vxt leftovers/";
    EXPECT_EQ(next.err.rfind(
                  "Vextral: 1 file left in the temporary folder was kept in '" + kept + "'.\n", 0),
              0u)
        << next.err;
    EXPECT_EQ(test::ReadFile(kept + "only.rom"), "the only copy");
    EXPECT_FALSE(PathExists(temporary));
}

// Families of a parent and a clone whose sets need every fix: wrong case, swapped names,
// over-long ROMs, unneeded files and members. Everything any of them holds must still be
// somewhere (in a set or in the backup folder) whatever ran beside what.
class CliConcurrentFixesTest : public CliConcurrencyTest {
  protected:
    static std::string Rom(std::uint32_t crc) { return DataWithCrc(crc, 32); }

    void BuildFamilies(int families) {
        test::ListBuilder list;
        expected_.clear();
        for (int f = 0; f < families; ++f) {
            const std::string n = std::to_string(1000 + f);
            const std::string parent = "p" + n, clone = "c" + n;
            const auto crc = [f](std::uint32_t kind, int k) {
                return kind + static_cast<std::uint32_t>(f * 16 + k);
            };
            list.Game(parent, "Parent " + n)
                .Rom("p.1", 32, crc(0x10000000, 1))
                .Rom("p.2", 32, crc(0x10000000, 2))
                .Rom("p.3", 32, crc(0x10000000, 3));
            list.Game(clone, "Clone " + n)
                .CloneOf(parent)
                .Rom("p.1", 32, crc(0x10000000, 1))
                .Rom("c.1", 32, crc(0x20000000, 1))
                .Rom("c.2", 32, crc(0x20000000, 2));
            const std::string p1 = Rom(crc(0x10000000, 1)), p2 = Rom(crc(0x10000000, 2)),
                              p3 = Rom(crc(0x10000000, 3)), c1 = Rom(crc(0x20000000, 1)),
                              c2 = Rom(crc(0x20000000, 2)), junk = "junk of " + parent;
            expected_.insert(expected_.end(), {p1, p2, p3, c1, c2});
            switch (f % 4) {
                case 0:
                    roms.ZipSet(parent,
                                {{"P.1", p1}, {"p.2", p2}, {"p.3", p3}, {"junk.txt", junk}});
                    expected_.push_back(junk);
                    break;
                case 1:
                    roms.ZipSet(parent, {{"p.1", p2}, {"p.2", p1}, {"p.3", p3}});
                    break;
                case 2:
                    roms.FolderSet(
                        parent,
                        {{"p.1", p1}, {"p.2", p2 + "overlong"}, {"P.3", p3}, {"notes.txt", junk}});
                    expected_.push_back(junk);
                    break;
                default:
                    roms.ZipSet(parent, {{"p.1", p1}, {"p.2", p2}, {"p.3", p3 + "overlong"}});
                    break;
            }
            roms.ZipSet(clone, {{f % 4 == 3 ? "C.1" : "c.1", c1}, {"c.2", c2}});
        }
        roms.File("readme.txt", "top-level notes");
        expected_.push_back("top-level notes");
        samples.Folder("");
        WriteList(list);
    }

    // The contents of every file and archive member in the rom folder and the backup folder.
    std::vector<std::string> Blobs() {
        std::vector<std::string> blobs;
        test::FakeDialogs quiet;
        for (const std::string& root : {RomFolder(), ProgramFolder() + "backup.vxt/"}) {
            for (const auto& [relative, data] : test::ReadTree(root)) {
                if (!relative.ends_with(".zip")) {
                    blobs.push_back(data);
                    continue;
                }
                for (const auto& [name, member] :
                     test::ReadMembers(root + relative, temp / "member.out", quiet))
                    blobs.push_back(member);
            }
        }
        return blobs;
    }

    // Every ROM and unneeded file is still whole somewhere (an over-long ROM not cut yet
    // counts by its start).
    void ExpectNothingLost() {
        const std::vector<std::string> blobs = Blobs();
        int lost = 0;
        for (const std::string& data : expected_) {
            lost += std::none_of(blobs.begin(), blobs.end(),
                                 [&](const std::string& blob) { return blob.starts_with(data); });
        }
        EXPECT_EQ(lost, 0) << "of " << expected_.size();
    }

    // 200 families (400 sets) for a run by hand; fewer in the suite.
    static int Families() {
        const char* given = std::getenv("VEXTRAL_CONCURRENT_FAMILIES");
        return given != nullptr ? std::max(1, std::atoi(given)) : 30;
    }

    std::vector<std::string> expected_;
};

TEST_F(CliConcurrentFixesTest, TwoFixingScansOrAMergeBesideOneLoseNothing) {
    std::vector<std::string> fixingScan{"scan", "--dat",          "list.dat", "--rom-paths",
                                        "roms", "--sample-paths", "samples"};
    fixingScan.insert(fixingScan.end(), kEveryFix.begin(), kEveryFix.end());
    const std::vector<std::string> merge{
        "merge",   "--dat", "list.dat",    "--rom-paths", "roms",  "--sample-paths",
        "samples", "--set", "MergeFull=1", "--yes",       "--set", "PathWarning=0"};
    for (const auto& beside : {fixingScan, merge}) {
        SCOPED_TRACE(beside[0]);
        std::filesystem::remove_all(RomFolder());
        std::filesystem::remove_all(ProgramFolder());
        ASSERT_TRUE(CreateFolderTree(RomFolder()));
        BuildFamilies(Families());

        const pid_t first = Start(fixingScan, "first");
        const pid_t second = Start(beside, "second");
        const test::CliResult results[] = {Finish(first, "first"), Finish(second, "second")};
        int refusals = 0;
        for (const test::CliResult& result : results) {
            EXPECT_TRUE(result.status == 0 || result.status == 1 ||
                        (result.status == 2 && IsRefusal(result.err)))
                << result.status << " " << result.err;
            refusals += result.status == 2;
        }
        EXPECT_LT(refusals, 2);
        ExpectNothingLost();
        EXPECT_FALSE(PathExists(ProgramFolder() + "tempzip.vxt"));
    }
}

}  // namespace
}  // namespace vextral
