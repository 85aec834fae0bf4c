#include "app/core/ScanSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "support/CurrentFolder.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/FolderBuilder.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace vextral {
namespace {

GameRecord Game(const std::string& name, const std::string& cloneOf = "") {
    GameRecord game;
    game.name = name;
    game.description = name + " desc";
    game.cloneOf = cloneOf;
    game.isClone = !cloneOf.empty();
    return game;
}

class ScanSessionTest : public ::testing::Test {
  protected:
    ScanSessionTest() : session(settings, database, dialogs, progress, results, zip) {
        root = CanonicalPath(temp.Path());  // ends with the separator
        for (const char* folder : {"mame/r1", "mame/r2", "mame/s1", "mame/c1", "other", "prog"})
            EXPECT_TRUE(CreateFolderTree(root + folder));
        settings.mameFolder = root + "mame/";
        settings.programFolder = root + "prog/";
        settings.PathWarning = false;
        database.games = {Game("a"), Game("b", "nowhere")};
        database.RebuildIndex();
    }
    void SetUp() override { savedCurrent_ = CurrentFolder(); }
    void TearDown() override { (void)SetCurrentFolder(savedCurrent_); }

    test::TempFolder temp;
    std::string root;
    AppSettings settings;
    GameDatabase database;
    test::FakeDialogs dialogs;
    test::FakeProgress progress;
    test::RecordingResultSink results;
    ZipLibrary zip;
    ScanSession session;

  private:
    std::string savedCurrent_;
};

TEST_F(ScanSessionTest, OpeningValidatesThenTakesMameCfgPathsBeforeStoredOnesAndReadsFastScan) {
    test::WriteFile(root + "mame/mame.cfg",
                    "[directory]\nrompath = r1;r2\nsamplepath=s1\ncheatpath=c1\n[other]\n"
                    "rompath=other\n");
    settings.rompaths = "r2;" + root + "other;missing";
    settings.chosenGames = "pac*;Gal?ga";
    FastScanSnapshot stored;
    stored.fields.rom = "old roms";
    stored.options.FixName = true;
    stored.fastScanAvailable = true;
    GameSelection marks(2);
    marks[0].needsRescan = false;
    ASSERT_TRUE(WriteFastScanFile(root + "prog/fastscan.dat", stored, database, marks));

    session.Open();
    EXPECT_EQ(dialogs.MessageTexts(),
              std::vector<std::string>{"-listinfo bug:\n\nb (b desc)\n\nThis IS NOT A Clone !"});
    EXPECT_EQ(session.counts().gameCount, 2u);
    EXPECT_EQ(session.fields.rom, root + "mame/r1/; " + root + "mame/r2/; " + root + "other/");
    EXPECT_EQ(session.fields.sample, root + "mame/s1/");
    EXPECT_EQ(session.fields.misc, root + "mame/c1/");
    EXPECT_EQ(session.fields.select, "pac*;Gal?ga");
    EXPECT_EQ(session.scanner().paths.romList.size(), 3u);

    // The file matched the game count, so its snapshot replaced the one just taken.
    EXPECT_EQ(session.snapshot.fields.rom, "old roms");
    EXPECT_TRUE(session.snapshot.options.FixName);
    EXPECT_FALSE(session.selection.at(0).needsRescan);
    EXPECT_TRUE(session.selection.at(1).needsRescan);
    EXPECT_TRUE(session.ComputeButtonStates().fastScan);
}

TEST_F(ScanSessionTest, FastScanFileForAnotherListIsIgnored) {
    FastScanSnapshot stored;
    stored.fastScanAvailable = true;
    GameDatabase other;
    other.games = {Game("x")};
    ASSERT_TRUE(WriteFastScanFile(root + "prog/fastscan.dat", stored, other, {}));
    settings.rompaths = root + "other";
    session.Open();
    EXPECT_EQ(session.snapshot.fields.rom, root + "other/");  // the one taken at opening
    EXPECT_FALSE(session.ComputeButtonStates().fastScan);
}

TEST_F(ScanSessionTest, MameConfigAndFastScanFilesThatAreNoRegularFilesCountAsAbsent) {
    const test::Watchdog watchdog;  // opening a FIFO without a writer would wait for ever
    for (const test::SpecialKind kind : {test::SpecialKind::Fifo, test::SpecialKind::DeviceLink}) {
        for (const char* name : {"mame/mame.cfg", "mame/mame.ini", "prog/fastscan.dat"}) {
            std::filesystem::remove(root + name);
            test::FolderBuilder(root).Special(name, kind);
        }
        session.Open();
        EXPECT_EQ(session.fields.rom, "");
        EXPECT_FALSE(session.ComputeButtonStates().fastScan);
    }
}

TEST_F(ScanSessionTest, FieldChangesAreSplitAndWrittenBackWhileSettingsKeepTheTypedText) {
    session.fields.rom = "mame/r1 ;missing;" + root + "other";
    session.fields.sample = "";
    session.fields.select = "a* ; b";
    (void)SetCurrentFolder(root);  // relative entries count from the mame folder, not here
    session.PathFieldsChanged();
    EXPECT_EQ(settings.rompaths, "mame/r1 ;missing;" + root + "other");
    EXPECT_EQ(session.fields.rom, root + "other/");
    EXPECT_EQ(session.fields.select, "a* ; b");
    EXPECT_EQ(session.scanner().paths.chosenList.size(), 2u);
    EXPECT_EQ(CurrentFolder(), root);  // the process's own folder is never changed
}

TEST_F(ScanSessionTest, ButtonRules) {
    ScanOptions& o = settings.options;
    const auto withFolders = [&](const std::string& roms, const std::string& samples) {
        session.fields.rom = roms;
        session.fields.sample = samples;
        session.PathFieldsChanged();
        return session.ComputeButtonStates();
    };
    ButtonStates states = withFolders("r1", "");
    EXPECT_FALSE(states.scan);  // a sample folder is needed even for a ROM-only scan
    EXPECT_TRUE(states.merge && states.unmerge && states.rebuild);
    EXPECT_FALSE(states.fastScan || states.saveLogfile);

    states = withFolders("", "s1");
    EXPECT_FALSE(states.scan || states.merge || states.unmerge);
    EXPECT_TRUE(states.rebuild);

    withFolders("r1", "s1");
    o = ScanOptions{};
    EXPECT_TRUE(session.ComputeButtonStates().scan);

    // Only the ROM checks asked for: they count for ROMs alone.
    o.Missing = o.Unneeded = false;
    o.Roms = false;
    EXPECT_FALSE(session.ComputeButtonStates().scan);
    o.Roms = true;
    o.Checksum = o.Length = o.RightName = false;
    EXPECT_FALSE(session.ComputeButtonStates().scan);
    o.AvailChecksum = true;
    EXPECT_TRUE(session.ComputeButtonStates().scan);

    // A set-level check counts for games and samples too.
    o = ScanOptions{};
    o.Missing = o.Unneeded = o.Roms = o.Games = false;
    o.Spelling = true;
    EXPECT_TRUE(session.ComputeButtonStates().scan);
    o.Samples = false;
    o.Games = true;
    EXPECT_TRUE(session.ComputeButtonStates().scan);
    o.Spelling = false;
    o.UnneededAdvanced = true;
    EXPECT_TRUE(session.ComputeButtonStates().scan);

    o.MergeSplit = false;
    EXPECT_FALSE(session.ComputeButtonStates().merge);
    o.MergeFull = true;
    EXPECT_TRUE(session.ComputeButtonStates().merge);
    EXPECT_TRUE(session.ComputeButtonStates().unmerge);

    session.snapshot.fastScanAvailable = true;
    session.scanner().report().AddResultLine("x", true, kImageGameLine);
    states = session.ComputeButtonStates();
    EXPECT_TRUE(states.fastScan && states.saveLogfile);
}

TEST_F(ScanSessionTest, OnlyAScanThatMayChangeFilesIsRefusedBesideAReader) {
    RomRecord rom;
    rom.name = "a.rom";
    rom.size = 4;
    rom.crc = 0x12345678;
    database[0].roms = {rom};
    FolderLock reader;
    ASSERT_EQ(reader.TryLock(root + "mame/r1", LockMode::Shared), LockResult::Locked);
    struct Case {
        const char* what;
        bool fix;
        std::string backupFile;  // below prog/backup.vxt/
        ScanOutcome expected;
    };
    const Case cases[] = {
        {"reads only", false, "", ScanOutcome::Completed},
        {"fixes", true, "", ScanOutcome::Refused},
        {"could put a ROM back", false, "A/A.ROM", ScanOutcome::Refused},
        {"has only other backups", false, "a/readme.txt", ScanOutcome::Completed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        (void)RemoveFolderTree(root + "prog/backup.vxt");
        if (!c.backupFile.empty())
            test::WriteFile(root + "prog/backup.vxt/" + c.backupFile, "data");
        settings.options.FixUnneeded = c.fix;
        session.fields.rom = root + "mame/r1";
        session.fields.sample = root + "mame/s1";
        dialogs.messages.clear();
        EXPECT_EQ(session.Scan(), c.expected);
        const std::vector<std::string> refusal{"Another Vextral process is working in '" + root +
                                               "mame/r1/'; nothing was changed."};
        EXPECT_EQ(dialogs.MessageTexts() == refusal, c.expected == ScanOutcome::Refused);
    }
}

}  // namespace
}  // namespace vextral
