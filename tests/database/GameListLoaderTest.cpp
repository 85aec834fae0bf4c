#include "database/GameListLoader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "database/DatabaseLinker.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

namespace fs = std::filesystem;

const char* const kFailure =
    "Can't receive data from the mame executable !\nBe sure that your current 'mame' supports "
    "the '-listinfo' parameter. Or check if your chosen file is valid datfile.";

class GameListLoaderTest : public ::testing::Test {
  protected:
    GameListLoaderTest() {
        source.mameFolder = folder / "mame dir/";
        source.programFolder = folder / "program/";
        fs::create_directories(source.mameFolder);
        fs::create_directories(source.programFolder);
        list.Game("beta", "Beta").Rom("b.1", 16, 0xB1);
        list.Game("alpha", "Alpha").Rom("a.1", 16, 0xA1);
    }

    // A stand-in for mame: records its working folder and its runs, and runs the shell code
    // given for -listinfo or -listxml (anything else ends with status 3).
    void WriteMame(const std::string& listInfo, const std::string& listXml = "exit 3",
                   mode_t mode = 0755) {
        const std::string path = test::WriteFile(
            source.mameFolder + "mame",
            "#!/bin/sh\npwd > ran-in.txt\necho \"$1\" >> runs.txt\n"
            "case \"$1\" in\n-listinfo)\n" +
                listInfo + "\n;;\n-listxml)\n" + listXml + "\n;;\n*) exit 3 ;;\nesac\n");
        ::chmod(path.c_str(), mode);
    }
    static std::string Prints(const std::string& text) { return "cat <<'END'\n" + text + "END"; }
    bool MameRan() const { return fs::exists(source.mameFolder + "ran-in.txt"); }
    std::string Runs() const { return test::ReadFile(source.mameFolder + "runs.txt"); }
    bool ListFileLeft() const {
        return fs::exists(source.programFolder + "_info.vxt") ||
               fs::exists(source.programFolder + "_error.vxt");
    }
    bool Load() { return LoadGameDatabase(database, source, progress, dialogs); }
    std::string Mame() const { return source.mameFolder + "mame"; }

    void ExpectFailureMessage(const std::string& details = {}) {
        ASSERT_FALSE(dialogs.messages.empty());
        const test::RecordedMessage& last = dialogs.messages.back();
        EXPECT_EQ(last.text, details.empty() ? kFailure : kFailure + ("\n\n" + details));
        EXPECT_EQ(last.caption, "Vextral");
        EXPECT_EQ(last.icon, MessageIcon::Stop);
        EXPECT_EQ(last.buttons, MessageButtons::Ok);
        EXPECT_TRUE(database.empty());
    }

    test::TempFolder folder;
    test::ListBuilder list;
    GameListSource source;
    GameDatabase database;
    test::FakeDialogs dialogs;
    test::FakeProgress progress;
};

TEST_F(GameListLoaderTest, RunsMameInItsFolderAndRemovesTheListFile) {
    WriteMame(Prints(list.Text()));
    ASSERT_TRUE(Load());
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(database.size(), 2u);
    EXPECT_EQ(database[0].name, "alpha");  // linked: in description order
    EXPECT_EQ(test::ReadFile(source.mameFolder + "ran-in.txt"),
              fs::canonical(source.mameFolder).string() + "\n");
    EXPECT_EQ(Runs(), "-listinfo\n");
    EXPECT_FALSE(ListFileLeft());
}

// Today's MAME knows only -listxml; when neither gives a list, its own words are shown.
TEST_F(GameListLoaderTest, MameWithoutListInfoIsAskedForListXmlAndSaysWhyBothFailed) {
    const std::string unknown = "echo 'Error: unknown option: -listinfo' >&2; exit 1";
    WriteMame(unknown, Prints(list.Xml()));
    ASSERT_TRUE(Load());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(database.size(), 2u);
    EXPECT_EQ(Runs(), "-listinfo\n-listxml\n");
    EXPECT_FALSE(ListFileLeft());

    WriteMame(unknown, "echo 'Fatal error: mame.ini: not found' >&2; echo '<mame><machine>'");
    EXPECT_FALSE(Load());
    ExpectFailureMessage("'" + Mame() +
                         " -listinfo' gave no game list. It said:\n"
                         "Error: unknown option: -listinfo\n\n'" +
                         Mame() +
                         " -listxml' gave no game list. It said:\nFatal error: mame.ini: not "
                         "found\nThe list is not well-formed XML (no element found) at line 2, "
                         "column 1.");
    EXPECT_FALSE(ListFileLeft());
}

// The cache is keyed by the mame executable: an unchanged one is not run again.
TEST_F(GameListLoaderTest, UnchangedMameIsNotRunAgainWhenItsListIsCached) {
    source.cacheFolder = folder / "cache/";
    WriteMame("exit 1", Prints(list.Xml()));
    ASSERT_TRUE(Load());
    ASSERT_TRUE(Load());
    EXPECT_EQ(database.size(), 2u);
    EXPECT_EQ(Runs(), "-listinfo\n-listxml\n");
    WriteMame("exit 1", Prints(list.Xml()) + "\n# another build");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Runs(), "-listinfo\n-listxml\n-listinfo\n-listxml\n");
}

TEST_F(GameListLoaderTest, MameThatPrintsNothingCannotRunOrIsStoppedFails) {
    WriteMame("");
    EXPECT_FALSE(Load());
    ExpectFailureMessage("'" + Mame() + " -listinfo' gave no game list.\n\n'" + Mame() +
                         " -listxml' gave no game list.");
    EXPECT_FALSE(ListFileLeft());

    WriteMame(Prints(list.Text()), "exit 3", 0644);  // not executable
    dialogs.messages.clear();
    EXPECT_FALSE(Load());
    ExpectFailureMessage("'" + Mame() + " -listinfo' could not be run.");
    EXPECT_FALSE(ListFileLeft());

    fs::remove(source.mameFolder + "mame");
    EXPECT_FALSE(Load());
    ExpectFailureMessage("'" + Mame() + " -listinfo' could not be run.");

    WriteMame(Prints(list.Text()));
    progress.stopOnCall = 1;
    EXPECT_FALSE(Load());
    ExpectFailureMessage();
    EXPECT_FALSE(ListFileLeft());
}

TEST_F(GameListLoaderTest, WithoutUseMameExeTheUserChoosesMameOrADatfileThatIsNeverDeleted) {
    source.UseMameExe = false;
    WriteMame(Prints(list.Text()));
    const std::string datfile = list.WriteTo(folder / "my list.dat");
    const std::string empty = test::WriteFile(folder / "empty.dat", "no games here\n");
    dialogs.messageAnswers = {MessageResult::Yes, MessageResult::No, MessageResult::No,
                              MessageResult::No};
    dialogs.openFileAnswers = {datfile, empty, std::nullopt};

    ASSERT_TRUE(Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Should Vextral use mame to get the needed information ?\nOtherwise you can load a "
              "datfile (-listinfo output)");
    EXPECT_EQ(dialogs.messages[0].caption, "Vextral");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    ASSERT_TRUE(MameRan());
    fs::remove(source.mameFolder + "ran-in.txt");

    EXPECT_TRUE(Load());
    EXPECT_EQ(database.size(), 2u);
    EXPECT_FALSE(Load());
    ExpectFailureMessage();
    EXPECT_FALSE(Load());  // cancelled
    ExpectFailureMessage();
    EXPECT_TRUE(fs::exists(datfile));
    EXPECT_TRUE(fs::exists(empty));
    EXPECT_FALSE(MameRan());
}

TEST(ListFileTest, TheBundledDemoListLoads) {
    const std::string root = VEXTRAL_SOURCE;
    GameDatabase database;
    NullProgress progress;
    test::FakeDialogs dialogs;
    ASSERT_TRUE(LoadListFile(database, root + "/demo/demo.dat", progress, dialogs, true));
    DatabaseCounts counts;
    ValidateGameDatabase(database, true, counts, dialogs);
    EXPECT_EQ(counts.gameCount, 13u);
    EXPECT_EQ(counts.neoGeoGameCount, 2u);
    EXPECT_EQ(counts.cloneCount, 4u);
    EXPECT_EQ(counts.parentCount, 3u);
    EXPECT_EQ(dialogs.messages.size(), 1u);  // the clone of a game not in the list

    test::TempFolder folder;
    EXPECT_FALSE(LoadListFile(database, folder / "missing.dat", progress, dialogs, true));
    EXPECT_TRUE(database.empty());
}

}  // namespace
}  // namespace vextral
