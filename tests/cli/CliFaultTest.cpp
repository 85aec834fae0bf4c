// Fixes, rebuild and merge run as the real program while one of its file events fails (a
// full disk, a failing rename, a failing open) or kills it: first the first event, then the
// second, and so on until a run gets through without meeting the failure. After every run
// each ROM's data (length and CRC-32) is still somewhere in the collection or the backup
// folder. The failures come from a library preloaded into the program
// (tests/support/faults), so the program itself has no seam for them.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "archive/Crc32.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "cli/CliFixture.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"

namespace vextral {
namespace {

using test::DataWithCrc;
using Data = std::pair<std::uint64_t, std::uint32_t>;

class CliFaultTest : public test::CliFixture {
  protected:
    void SetUp() override {
        CliFixture::SetUp();
#ifdef VEXTRAL_FAULT_LIBRARY
        library_ = VEXTRAL_FAULT_LIBRARY;
#else
        GTEST_SKIP() << "no fault library in a sanitizer build";
#endif
    }

    // The data of every regular file and of every member of a readable archive below the
    // folders. The libzip work folders and the scratch folder do not count: what lies there
    // is thrown away by the next run.
    std::set<Data> DataIn(const std::vector<std::string>& folders) {
        std::set<Data> found;
        test::FakeDialogs dialogs;
        for (const auto& folder : folders) {
            if (!IsFolder(folder))
                continue;
            for (auto it = std::filesystem::recursive_directory_iterator(folder);
                 it != std::filesystem::recursive_directory_iterator(); ++it) {
                const std::string name = it->path().filename();
                if (it->is_directory() && (name == ".vxt-work" || name == "tempzip.vxt")) {
                    it.disable_recursion_pending();
                    continue;
                }
                if (!it->is_regular_file() || it->is_symlink())
                    continue;
                const std::string path = it->path();
                std::vector<ZipEntry> members;
                // Archives under our temporary names count as archives: their members are
                // what a later run keeps.
                if (ZipReader(dialogs).ReadZipDirectory(path, members, false, false)) {
                    for (const auto& member : members) {
                        if (ExtractZipEntry(member, temp / "member.out", dialogs))
                            found.insert({member.size, member.crc});
                    }
                    continue;
                }
                if (const auto data = FileSizeAndCrc(path))
                    found.insert({data->size, data->crc});
            }
        }
        (void)DeleteFile(temp / "member.out");  // none when nothing was extracted
        return found;
    }

    std::vector<std::string> Collection() const {
        return {temp / "roms", temp / "roms2", temp / "found", temp / "built",
                temp / "data/vextral/backup.vxt"};
    }

    // Runs args with the event at failing (or killing the program); true when the run got
    // that far.
    bool RunFailing(const std::vector<std::string>& args, long at, bool kill) {
        const std::string log = temp / "fault.log";
        (void)DeleteFile(log);  // left by an earlier run, if any
        environment = {{"LD_PRELOAD", library_},
                       {"VX_FAULT_ROOTS", Roots()},
                       {"VX_FAULT_AT", std::to_string(at)},
                       {"VX_FAULT_LOG", log}};
        if (kill)
            environment["VX_FAULT_KILL"] = "1";
        last = Run(args);
        environment.clear();
        if (!kill) {
            EXPECT_GE(last.status, 0) << "event " << at << " crashed the program: " << last.err;
        }
        return IsRegularFile(log);
    }

    // Makes the collection afresh.
    void Reset(const std::function<void()>& setup) {
        for (const char* folder : {"roms", "roms2", "samples", "data", "found", "built"})
            std::filesystem::remove_all(temp / folder);
        setup();
    }

    // Fails when data that was there before is gone (but what mayGo says a successful fix may
    // drop).
    void ExpectKept(const std::set<Data>& before, const std::function<bool(const Data&)>& mayGo,
                    long at) {
        const std::set<Data> after = DataIn(Collection());
        for (const Data& data : before) {
            if (!after.contains(data) && !(mayGo && mayGo(data))) {
                ADD_FAILURE() << "event " << at << " (" << test::ReadFile(temp / "fault.log")
                              << ") lost " << std::dec << data.first << " bytes with crc "
                              << std::hex << data.second << "\n"
                              << last.err;
            }
        }
    }

    // For every event in turn: setup() makes the collection afresh, the command runs with that
    // event failing (or killing it, and then runs again in peace, checked by rerun), and all
    // data that setup() made is still there afterwards.
    void FailEachEventInTurn(const std::function<void()>& setup,
                             const std::vector<std::string>& args, bool kill = false,
                             const std::function<bool(const Data&)>& mayGo = {},
                             const std::function<void()>& rerun = {}) {
        long at = 1;
        std::set<Data> before;
        for (; at < 5000; ++at) {
            Reset(setup);
            if (at == 1)
                before = DataIn(Collection());  // setup() makes the same data every time
            const bool reached = RunFailing(args, at, kill);
            ExpectKept(before, mayGo, at);
            if (kill && reached && rerun) {
                last = Run(args);
                EXPECT_EQ(last.status, 0) << "rerun after event " << at << ": " << last.err;
                rerun();
                ExpectKept(before, mayGo, at);
            }
            if (!reached || HasFailure())
                break;
        }
        EXPECT_GT(at, 20) << "too few file events to prove anything";
        EXPECT_LT(at, 5000);
    }

    std::string Roots() const {
        return temp / "roms" + ":" + temp / "roms2" + ":" + temp / "samples" + ":" + temp / "data" +
               ":" + temp / "found" + ":" + temp / "built";
    }

    test::CliResult last;
    std::string library_;
};

// Every fix at once, in zip sets and folder sets, with backups.
class CliFixFaultTest : public CliFaultTest {
  protected:
    void BuildList() {
        test::ListBuilder list;
        list.Game("spell", "Spell").Rom("sp.rom", 16, 0x51515151);
        list.Game("swap", "Swap").Rom("s1.rom", 16, 0x5A5A0001).Rom("s2.rom", 16, 0x5A5A0002);
        list.Game("long", "Long").Rom("lo.rom", 32, 0x10101010);
        list.Game("junk", "Junk").Rom("j1.rom", 16, 0x1A1A1A1A);
        list.Game("loose", "Loose")
            .Rom("l1.rom", 16, 0x11110001)
            .Rom("l2.rom", 16, 0x11110002)
            .Rom("l3.rom", 16, 0x11110003)
            .Rom("l4.rom", 32, 0x11110004);
        WriteList(list);
    }
    // The zip sets, the folder set or both (two tests run side by side faster than one).
    enum class Sets { Zips, Folder, Both };
    void BuildCollection(Sets sets = Sets::Both) {
        roms.Folder("");
        samples.Folder("");
        if (sets != Sets::Folder) {
            roms.ZipSet("spell", {{"SP.ROM", DataWithCrc(0x51515151, 16)}})
                .ZipSet("swap", {{"s1.rom", DataWithCrc(0x5A5A0002, 16)},
                                 {"s2.rom", DataWithCrc(0x5A5A0001, 16)}})
                .ZipSet("long", {{"lo.rom", "overlong:" + DataWithCrc(0x10101010, 32)}})
                .ZipSet("junk", {{"j1.rom", DataWithCrc(0x1A1A1A1A, 16)}, {"readme.txt", "notes"}});
        }
        if (sets == Sets::Zips)
            return;
        roms.FolderSet("loose", {{"L1.ROM", DataWithCrc(0x11110001, 16)},
                                 {"l2.rom", DataWithCrc(0x11110003, 16)},
                                 {"l3.rom", DataWithCrc(0x11110002, 16)},
                                 {"l4.rom", "too long by this" + DataWithCrc(0x11110004, 32)},
                                 {"extra/a.txt", "folder data"},
                                 {"extra/locked/b.txt", "deeper data"},
                                 {"extra.txt", "file data"}});
    }
    std::vector<std::string> Args() const {
        return {"scan",           "--dat",       listPath,        "--rom-paths",   "roms",
                "--sample-paths", "samples",     "--answer",      "yes-to-all",    "--set",
                "Spelling=1",     "--set",       "FixSpelling=1", "--set",         "FixName=1",
                "--set",          "FixLength=1", "--set",         "FixUnneeded=1", "--set",
                "Backup=1",       "--set",       "PathWarning=0"};
    }
    // A resize drops an over-long file once the part it was cut to is in place.
    static bool CutTo(const Data& data, const std::set<Data>& present) {
        return (data.first == 41 && present.contains({32, 0x10101010})) ||
               (data.first == 48 && present.contains({32, 0x11110004}));
    }
};

TEST_F(CliFixFaultTest, FailingAnyFileEventOfTheFixesInZipSetsLosesNothing) {
    BuildList();
    FailEachEventInTurn([&] { BuildCollection(Sets::Zips); }, Args(), /*kill=*/false,
                        [&](const Data& data) { return CutTo(data, DataIn(Collection())); });
    // The last run fixed everything.
    const test::CliResult rescan = Run(Args());
    EXPECT_EQ(rescan.out.find("wrong "), std::string::npos) << rescan.out;
    EXPECT_EQ(rescan.out.find("unneeded "), std::string::npos) << rescan.out;
}

TEST_F(CliFixFaultTest, FailingAnyFileEventOfTheFixesInAFolderSetLosesNothing) {
    BuildList();
    FailEachEventInTurn([&] { BuildCollection(Sets::Folder); }, Args(), /*kill=*/false,
                        [&](const Data& data) { return CutTo(data, DataIn(Collection())); });
    std::vector<std::string> names;
    for (const DirEntry& entry : ListFolder(temp / "roms/loose/"))
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"l1.rom", "l2.rom", "l3.rom", "l4.rom"}));
}

TEST_F(CliFixFaultTest, AFolderThatCannotBeListedIsNeitherBackedUpNorRemoved) {
    // Root reads any folder; a failing listing binds everyone.
    BuildList();
    BuildCollection();
    environment = {{"LD_PRELOAD", library_}, {"VX_FAULT_UNLISTABLE", "/loose/extra/locked"}};
    last = Run(Args());
    environment.clear();
    EXPECT_EQ(test::ReadFile(temp / "roms/loose/extra/a.txt"), "folder data");
    EXPECT_EQ(test::ReadFile(temp / "roms/loose/extra/locked/b.txt"), "deeper data");
    EXPECT_NE(last.out.find("unneeded folder: " + temp / "roms/loose/extra [not fixed]"),
              std::string::npos)
        << last.out;
    EXPECT_FALSE(PathExists(temp / "data/vextral/backup.vxt/loose/extra"));
}

// A family in two rom folders, with a file no new set takes; and sources to rebuild from.
class CliRunFaultTest : public CliFaultTest {
  protected:
    void BuildList() {
        test::ListBuilder list;
        list.Game("pop", "Pop").Rom("p1.rom", 16, 0x11111111).Rom("p2.rom", 16, 0x11112222);
        list.Game("popj", "Pop (Japan)")
            .CloneOf("pop")
            .Rom("p1.rom", 16, 0x11111111)
            .Rom("j1.rom", 16, 0x22222222);
        WriteList(list);
    }
    void BuildFamily() {
        samples.Folder("");
        roms.Folder("")
            .ZipSet("pop", {{"p1.rom", DataWithCrc(0x11111111, 16)}})
            .FolderSet("popj", {{"j1.rom", DataWithCrc(0x22222222, 16)}, {"notes.txt", "mine"}});
        test::CollectionBuilder(temp / "roms2/")
            .ZipSet("pop", {{"p2.rom", DataWithCrc(0x11112222, 16)}, {"p1.rom", "another p1"}});
    }
    void BuildSources() {
        BuildFamily();
        test::CollectionBuilder found(temp / "found/");
        found.File("any.bin", DataWithCrc(0x22222222, 16))
            .ZipSet("pack",
                    {{"x", DataWithCrc(0x11111111, 16)}, {"y", DataWithCrc(0x11112222, 16)}});
        test::CollectionBuilder(temp / "built/").ZipSet("pop", {{"kept.rom", "already there"}});
    }
    std::vector<std::string> Command(const std::string& name, std::vector<std::string> more) {
        std::vector<std::string> args{name,          "--dat",      listPath,
                                      "--rom-paths", "roms;roms2", "--sample-paths",
                                      "samples",     "--set",      "PathWarning=0"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // No leftover of ours in the rom folders, and every set holds ROMs of the list alone.
    void ExpectCleanSets() {
        test::FakeDialogs dialogs;
        const std::set<std::string> romNames{"p1.rom", "p2.rom", "j1.rom", "notes.txt"};
        for (const char* folder : {"roms/", "roms2/"}) {
            for (const auto& entry : ListFolder(temp / folder)) {
                const std::string path = temp / folder + entry.name;
                EXPECT_EQ(entry.name.find(".vxt"), std::string::npos) << path;
                std::vector<ZipEntry> members;
                if (ZipReader(dialogs).ReadZipDirectory(path, members, true, false)) {
                    for (const auto& member : members)
                        EXPECT_TRUE(romNames.contains(member.storedName)) << path;
                } else if (entry.isFolder) {
                    for (const auto& file : ListFolder(path))
                        EXPECT_TRUE(romNames.contains(file.name)) << path << "/" << file.name;
                }
            }
        }
    }
};

TEST_F(CliRunFaultTest, FailingAnyFileEventOfARebuildLosesNothing) {
    BuildList();
    FailEachEventInTurn([&] { BuildSources(); },
                        Command("rebuild", {"--from", "found", "--to", "built", "--zip"}));
    EXPECT_EQ(last.status, 0) << last.err;
    FailEachEventInTurn([&] { BuildSources(); },
                        Command("rebuild", {"--from", "found", "--to", "built"}));
    EXPECT_EQ(last.status, 0) << last.err;
}

TEST_F(CliRunFaultTest, FailingAnyFileEventOfAMergeLosesNothing) {
    BuildList();
    FailEachEventInTurn([&] { BuildFamily(); },
                        Command("merge", {"--set", "MergeFull=1", "--yes", "--zip"}));
    EXPECT_EQ(last.status, 0) << last.err;
    ExpectCleanSets();
}

TEST_F(CliRunFaultTest, AMergeKilledAtAnyFileEventIsFinishedByTheNextRun) {
    BuildList();
    FailEachEventInTurn([&] { BuildFamily(); }, Command("unmerge", {"--zip"}), /*kill=*/true, {},
                        [&] { ExpectCleanSets(); });
}

}  // namespace
}  // namespace vextral
