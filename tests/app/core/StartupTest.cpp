#include "app/core/Startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>

#include "MemorySettingsStore.h"
#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "support/CurrentFolder.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/FolderBuilder.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::FakeDialogs;
using test::FakeProgress;
using test::MemorySettingsStore;
using test::ReadTree;
using test::TempFolder;

class FakeZipLibrary : public ZipLibrary {
  public:
    bool usable = true;
    int releases = 0;
    bool Load() override { return usable; }
    void Release() override { ++releases; }
};

const std::string kNotFound = "Can't find 'mame'.";
const std::string kPickNew = "Maybe your MAME-path is incorrect ! Do you want to pick a new one ?";
const std::string kPickListFile =
    "Vextral could not get the game list from mame.\n\nDo you want to pick a list file instead ? "
    "It can be the output of 'mame -listxml' or 'mame -listinfo', or a datfile.\nVextral then "
    "reads it at every start, until \"Always use MAME.EXE's -listinfo output\" is switched on "
    "again.";

// Each test gets its own data folder, PATH and current folder, restored afterwards.
class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        savedData_ = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        savedCurrent_ = CurrentFolder();
        ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1);
        savedCache_ = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
        ::setenv("XDG_CACHE_HOME", (temp / "cache").c_str(), 1);
        ::setenv("PATH", (temp / "emptypath").c_str(), 1);
        ASSERT_TRUE(CreateFolderTree(temp / "cwd"));
        ASSERT_TRUE(SetCurrentFolder(temp / "cwd"));
        dataFolder = CanonicalPath(temp.Path()) + "data/vextral/";
    }
    void TearDown() override {
        ::setenv("PATH", savedPath_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", savedData_.c_str(), 1);
        ::setenv("XDG_CACHE_HOME", savedCache_.c_str(), 1);
        (void)SetCurrentFolder(savedCurrent_);
    }

    static test::ListBuilder TwoGames() {
        test::ListBuilder list;
        list.Game("alpha", "Alpha").Rom("a.1", 4, 0x12345678);
        list.Game("beta", "Beta").Rom("b.1", 4, 0x9abcdef0);
        return list;
    }

    // A folder holding a `mame` that prints a list of two games, or nothing; like today's
    // MAME it may know only -listxml. Each run is noted in runs.txt there.
    std::string MameFolder(const std::string& name, bool printsList = true,
                           bool onlyListXml = false) {
        const std::string folder = temp / (name + "/");
        std::string script = "#!/bin/sh\necho \"$1\" >> '" + folder + "runs.txt'\n";
        if (onlyListXml) {
            script +=
                "[ \"$1\" = -listxml ] || { echo \"Error: unknown option: $1\" >&2; exit 1; }\n";
        }
        if (printsList) {
            const std::string listFile = onlyListXml ? TwoGames().WriteXmlTo(folder + "list.xml")
                                                     : TwoGames().WriteTo(folder + "list.dat");
            script += "/bin/cat '" + listFile + "'\n";
        }
        test::WriteFile(folder + "mame", script);
        ::chmod((folder + "mame").c_str(), 0755);
        return CanonicalPath(folder);
    }

    StartupOutcome Run(StartupOptions options = {}) {
        Startup startup(store, dialogs, zip, progress, std::move(options));
        StartupHooks hooks;
        hooks.runMainWindow = [this](AppSettings& settings, GameDatabase& database) {
            ++windowRuns;
            gamesInWindow = database.size();
            tempzipDuringRun = ListFolder(settings.programFolder + "tempzip.vxt").size();
            tempzipExisted = IsFolder(settings.programFolder + "tempzip.vxt");
            if (whileOpen)
                whileOpen(settings);
            settings.chosenGames = "changed";
            return 7;
        };
        const StartupOutcome outcome = startup.Run(hooks);
        settled = startup.settings();
        return outcome;
    }

    TempFolder temp;
    std::string dataFolder;
    MemorySettingsStore store;
    FakeDialogs dialogs;
    FakeZipLibrary zip;
    FakeProgress progress;
    AppSettings settled;
    int windowRuns = 0;
    std::size_t gamesInWindow = 0;
    std::size_t tempzipDuringRun = 99;
    bool tempzipExisted = false;
    std::function<void(const AppSettings&)> whileOpen;

  private:
    std::string savedPath_, savedData_, savedCache_, savedCurrent_;
};

TEST_F(StartupTest, FirstRunFindsMameOnThePathAndAsksToUseIt) {
    const std::string mame = MameFolder("bin");
    ::setenv("PATH", ("/nonexistent:" + mame).c_str(), 1);
    dialogs.messageAnswers = {MessageResult::Yes};

    const StartupOutcome outcome = Run();
    EXPECT_EQ(outcome.result, StartupResult::Completed);
    EXPECT_EQ(outcome.exitCode, 7);
    EXPECT_TRUE(outcome.settingsWritten);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "M.A.M.E. executable detected in:\n\t'" + mame +
                                            "'\n\nShould Vextral use this one ?");
    EXPECT_EQ(dialogs.messages[0].caption, "Vextral");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Receiving data from M.A.M.E."});
    EXPECT_FALSE(progress.open);

    EXPECT_EQ(windowRuns, 1);
    EXPECT_EQ(gamesInWindow, 2u);
    EXPECT_TRUE(tempzipExisted);
    EXPECT_FALSE(PathExists(dataFolder + "tempzip.vxt"));
    EXPECT_EQ(store.strings["Paths/MameExe"], mame);
    EXPECT_EQ(store.strings["Paths/VextralExe"], dataFolder);
    EXPECT_EQ(store.strings["Paths/ChosenGames"], "changed");
    EXPECT_EQ(store.ints["Settings/Backup"], 1);
    EXPECT_EQ(store.ints["Settings/FixName"], 0);
    EXPECT_EQ(zip.releases, 1);
}

TEST_F(StartupTest, StoredFolderThatLostMameEndsAfterCancelledChooser) {
    store.strings["Paths/MameExe"] = temp / "gone/";
    store.strings["Paths/Rompaths"] = "/Roms";
    dialogs.folderAnswers = {""};

    const StartupOutcome outcome = Run();
    EXPECT_EQ(outcome.result, StartupResult::Ended);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(dialogs.folderPrompts, std::vector<std::string>{"Choose folder with 'mame'."});
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(dialogs.messages[0].caption, "Vextral");
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(windowRuns, 0);
}

TEST_F(StartupTest, CancelledChooserStillFindsMameInTheCurrentFolder) {
    store.strings["Paths/MameExe"] = temp / "gone/";
    store.ints["Settings/AskForMameExe"] = 0;
    const std::string current = MameFolder("cwd");
    dialogs.folderAnswers = {""};

    EXPECT_EQ(Run().result, StartupResult::Completed);
    EXPECT_EQ(settled.mameFolder, current);
}

TEST_F(StartupTest, FailedLoadIsRetriedOnceWithAChosenFolder) {
    const std::string silent = MameFolder("silent", /*printsList=*/false);
    const std::string working = MameFolder("working");
    store.strings["Paths/MameExe"] = silent;
    store.ints["Settings/AskForMameExe"] = 0;
    dialogs.messageAnswers = {MessageResult::No, MessageResult::Yes};
    dialogs.folderAnswers = {working};

    const StartupOutcome outcome = Run();
    EXPECT_EQ(outcome.result, StartupResult::Completed);
    const auto texts = dialogs.MessageTexts();
    // The load's own failure message, the offer of a list file, then the question.
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], kPickListFile);
    EXPECT_EQ(texts[2], kPickNew);
    EXPECT_EQ(progress.captions.size(), 2u);
    EXPECT_EQ(gamesInWindow, 2u);
    EXPECT_EQ(store.strings["Paths/MameExe"], working);
}

TEST_F(StartupTest, UnobtainedListAnsweredNoStillWritesTheSettings) {
    const std::string silent = MameFolder("silent", /*printsList=*/false);
    store.strings["Paths/MameExe"] = silent + "/";
    store.ints["Settings/AskForMameExe"] = 0;
    store.ints["Settings/Batchrun"] = 2;
    dialogs.messageAnswers = {MessageResult::No, MessageResult::No};

    const StartupOutcome outcome = Run();
    EXPECT_EQ(outcome.result, StartupResult::ListNotObtained);
    EXPECT_EQ(windowRuns, 0);
    EXPECT_TRUE(outcome.settingsWritten);
    EXPECT_EQ(store.ints["Settings/Batchrun"], 0);
    EXPECT_EQ(store.strings["Paths/VextralExe"], dataFolder);
    EXPECT_FALSE(PathExists(dataFolder + "tempzip.vxt"));
}

TEST_F(StartupTest, FirstRunWithAMameThatKnowsOnlyListXmlReachesTheWindow) {
    const std::string mame = MameFolder("bin", /*printsList=*/true, /*onlyListXml=*/true);
    ::setenv("PATH", mame.c_str(), 1);
    dialogs.messageAnswers = {MessageResult::Yes};

    EXPECT_EQ(Run().result, StartupResult::Completed);
    EXPECT_EQ(gamesInWindow, 2u);
    EXPECT_EQ(dialogs.messages.size(), 1u);  // only "use this one ?"
    EXPECT_EQ(test::ReadFile(mame + "runs.txt"), "-listinfo\n-listxml\n");
}

// MAME gives no list: the user picks a list file right there, and the next start reads it
// without looking for mame at all.
TEST_F(StartupTest, APickedListFileIsReadAndRememberedWhenMameGivesNoList) {
    const std::string silent = MameFolder("silent", /*printsList=*/false);
    store.strings["Paths/MameExe"] = silent;
    store.ints["Settings/AskForMameExe"] = 0;
    const std::string listFile = TwoGames().WriteXmlTo(temp / "picked.xml");
    dialogs.messageAnswers = {MessageResult::Yes};
    dialogs.openFileAnswers = {listFile};

    EXPECT_EQ(Run().result, StartupResult::Completed);
    EXPECT_EQ(gamesInWindow, 2u);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Can't receive data from the mame executable !", 0),
              0u);
    EXPECT_EQ(dialogs.messages[1].text, kPickListFile);
    EXPECT_EQ(store.ints["Settings/UseMameExe"], 0);
    EXPECT_EQ(store.strings["Paths/ListFile"], CanonicalPath(listFile));

    dialogs = FakeDialogs();
    ASSERT_TRUE(DeleteFile(silent + "runs.txt"));
    store.strings["Paths/MameExe"] = temp / "gone/";  // mame is not even looked for
    EXPECT_EQ(Run().result, StartupResult::Completed);
    EXPECT_EQ(windowRuns, 2);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(PathExists(silent + "runs.txt"));
}

TEST_F(StartupTest, WhatEndedRunsLeftInTheTempFolderIsKeptAndALiveRunsFolderStays) {
    const std::string temporary = dataFolder + "tempzip.vxt/";
    const std::string leftovers = dataFolder + "backup.vxt/tempzip.vxt leftovers/";
    test::WriteFile(temporary + "run-ended/fix0/a.rom", "only copy");
    test::WriteFile(temporary + "run-ended/fix1/b.rom", "kept before");
    test::WriteFile(temporary + "run-ended/fix2/empty", "");
    test::WriteFile(temporary + "stale.txt", "x");
    test::WriteFile(leftovers + "a.rom", "other data");
    test::WriteFile(leftovers + "b.rom", "kept before");
    test::WriteFile(temporary + "run-live/fix0/c.rom", "in use");
    FolderLock live;
    ASSERT_EQ(live.TryLock(temporary + "run-live", LockMode::Exclusive), LockResult::Locked);
    store.strings["Paths/MameExe"] = MameFolder("mame");
    store.ints["Settings/AskForMameExe"] = 0;
    // What a fix of this run had to keep in its own folder is kept at the end.
    whileOpen = [](const AppSettings& settings) {
        test::WriteFile(settings.scratchFolder + "fix0/d.rom", "kept by a fix");
    };

    EXPECT_EQ(Run().result, StartupResult::Completed);
    EXPECT_EQ(tempzipDuringRun, 2u);  // its own folder and the live one
    EXPECT_EQ(ReadTree(leftovers), (std::map<std::string, std::string>{{"a (1).rom", "only copy"},
                                                                       {"a.rom", "other data"},
                                                                       {"b.rom", "kept before"},
                                                                       {"d.rom", "kept by a fix"},
                                                                       {"stale.txt", "x"}}));
    EXPECT_EQ(ReadTree(temporary),
              (std::map<std::string, std::string>{
                  {"run-live/", ""}, {"run-live/fix0/", ""}, {"run-live/fix0/c.rom", "in use"}}));
    EXPECT_EQ(dialogs.MessageTexts(),
              (std::vector<std::string>{
                  "3 files left in the temporary folder were kept in '" + leftovers + "'.",
                  "1 file left in the temporary folder was kept in '" + leftovers + "'."}));
}

TEST_F(StartupTest, ListFileModeNeverLooksForMame) {
    test::ListBuilder list;
    list.Game("gamma", "Gamma").Rom("g.1", 8, 0x11111111);
    StartupOptions options;
    options.datFile = list.WriteTo(temp / "list.dat");
    store.strings["Paths/MameExe"] = "/nowhere/";

    const StartupOutcome outcome = Run(options);
    EXPECT_EQ(outcome.result, StartupResult::Completed);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(gamesInWindow, 1u);
    EXPECT_EQ(store.strings["Paths/MameExe"], "/nowhere/");

    // An unusable list file: the failure message, no retry question, settings written.
    FakeDialogs again;
    dialogs = again;
    options.datFile = test::WriteFile(temp / "empty.dat", "");
    const StartupOutcome failed = Run(options);
    EXPECT_EQ(failed.result, StartupResult::ListNotObtained);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Can't receive data from the mame executable !", 0),
              0u);
    EXPECT_TRUE(failed.settingsWritten);
}

TEST_F(StartupTest, WithoutChoosersAMissingMameEndsDistinctly) {
    store.strings["Paths/MameExe"] = temp / "gone/";
    StartupOptions options;
    options.allowChoosers = false;

    const StartupOutcome outcome = Run(options);
    EXPECT_EQ(outcome.result, StartupResult::ChooserNeeded);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(dialogs.folderPrompts.empty());
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNotFound});
    EXPECT_TRUE(store.writes.empty());
}

TEST_F(StartupTest, UnusableZipLibraryEndsBeforeTouchingSettings) {
    zip.usable = false;
    const StartupOutcome outcome = Run();
    EXPECT_EQ(outcome.result, StartupResult::Ended);
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{"Can't access libzip."});
    EXPECT_TRUE(store.reads.empty());
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(zip.releases, 1);
}

}  // namespace
}  // namespace vextral
