#include "FixerFixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vextral::test {
namespace {

const std::string kQuestionTail =
    "' ?\n\nIf 'backup' is enabled this file/folder will be stored in your backupfolder !";

class FixerRemoveTest : public FixerFixture {
  protected:
    void AddLoose(ScannedGame& game, const std::string& path, bool isFolder = false) {
        UnneededEntry item;
        item.path = path;
        item.setName = game.name;
        item.isFolder = isFolder;
        game.unneededList.push_back(item);
    }
    // Every member of the archive becomes an unneeded item.
    void AddMembers(ScannedGame& game, const std::string& zipPath) {
        for (const ZipEntry& entry : List(zipPath)) {
            UnneededEntry item;
            item.path = zipPath.substr(0, zipPath.size() - 4) + "/" + entry.storedName;
            item.setName = game.name;
            item.inZip = true;
            item.zipPath = zipPath;
            item.memberName = entry.storedName;
            item.entry = entry;
            game.unneededList.push_back(item);
        }
    }
};

TEST_F(FixerRemoveTest, RemovedFolderIsBackedUpWithItsContents) {
    FolderBuilder(roms).File("abc/extra/one.txt", "1").File("abc/extra/deep/two.txt", "2");
    ScannedGame game = Game("abc");
    AddLoose(game, roms + "abc/extra", true);
    Answer({AskAnswer::Yes});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_EQ(dialogs.questions.at(0).caption,
              "Remove Unneeded File/Folder In Gameset 'Game abc' ?");
    EXPECT_EQ(dialogs.questions.at(0).question,
              "\nDo you want to delete '" + roms + "abc/extra" + kQuestionTail);
    EXPECT_TRUE(game.unneededList[0].removed);
    // The emptied set folder goes too.
    EXPECT_FALSE(PathExists(roms + "abc"));
    EXPECT_TRUE(last.Done());
    EXPECT_EQ(last.changes, (std::vector<FileChange>{
                                {ChangeKind::Added, programFolder + "backup.vxt/abc/extra", "", ""},
                                {ChangeKind::Removed, roms + "abc/extra", "", ""},
                                {ChangeKind::Removed, roms + "abc", "", ""}}));
    EXPECT_EQ(Backups(), (std::map<std::string, std::string>{{"abc/", ""},
                                                             {"abc/extra/", ""},
                                                             {"abc/extra/deep/", ""},
                                                             {"abc/extra/deep/two.txt", "2"},
                                                             {"abc/extra/one.txt", "1"}}));
}

TEST_F(FixerRemoveTest, LastMembersLeaveNoArchiveAndSameNamedBackupsAllSurvive) {
    const std::string zipPath = ZipBuilder()
                                    .Add("readme.txt", "top")
                                    .Add("extras/readme.txt", "nested")
                                    .Write(roms + "abc.zip");
    FolderBuilder(programFolder).File("backup.vxt/abc/readme.txt", "earlier scan");
    ScannedGame game = Game("abc");
    AddMembers(game, zipPath);
    Answer({AskAnswer::YesToAll});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_TRUE(game.unneededList[0].removed && game.unneededList[1].removed);
    EXPECT_FALSE(PathExists(zipPath));
    EXPECT_EQ(Backups(), (std::map<std::string, std::string>{{"abc/", ""},
                                                             {"abc/readme.txt", "earlier scan"},
                                                             {"abc/readme (1).txt", "top"},
                                                             {"abc/readme (2).txt", "nested"}}));
}

TEST_F(FixerRemoveTest, NoToTheLastMemberKeepsEveryMember) {
    const std::string zipPath =
        ZipBuilder().Add("a.txt", "a").Add("b.txt", "b").Add("c.txt", "c").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    AddMembers(game, zipPath);
    Answer({AskAnswer::Yes, AskAnswer::Yes, AskAnswer::No});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_EQ(Members(zipPath).size(), 3u);
    for (const UnneededEntry& item : game.unneededList) {
        EXPECT_FALSE(item.removed);
    }
}

TEST_F(FixerRemoveTest, YesToTheLastMemberRemovesOnlyTheConsentedOnes) {
    const std::string zipPath =
        ZipBuilder().Add("a.txt", "a").Add("b.txt", "b").Add("c.txt", "c").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    AddMembers(game, zipPath);
    options.Backup = false;
    Answer({AskAnswer::Yes, AskAnswer::No, AskAnswer::Yes});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_EQ(Members(zipPath), (std::map<std::string, std::string>{{"b.txt", "b"}}));
    EXPECT_FALSE(PathExists(programFolder + "backup.vxt"));
}

TEST_F(FixerRemoveTest, StopEndsAtOnceWithoutTheArchivePass) {
    FolderBuilder(roms).File("abc/loose.txt", "l");
    const std::string zipPath = ZipBuilder().Add("a.txt", "a").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    AddLoose(game, roms + "abc/loose.txt");
    AddMembers(game, zipPath);
    AddLoose(game, roms + "abc.zip");
    Answer({AskAnswer::Yes, AskAnswer::Yes, AskAnswer::Stop});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_TRUE(consent.StopRequested());
    EXPECT_TRUE(game.unneededList[0].removed);
    EXPECT_FALSE(game.unneededList[1].removed);
    EXPECT_EQ(Members(zipPath), (std::map<std::string, std::string>{{"a.txt", "a"}}));
}

TEST_F(FixerRemoveTest, NothingIsDeletedWhoseBackupFailed) {
    FolderBuilder(roms).File("abc/loose.txt", "l");
    const std::string zipPath = ZipBuilder().Add("a.txt", "a").Write(roms + "abc.zip");
    // A file where the set's backup folder belongs.
    FolderBuilder(programFolder).File("backup.vxt/abc", "in the way");
    ScannedGame game = Game("abc");
    AddLoose(game, roms + "abc/loose.txt");
    AddMembers(game, zipPath);
    Answer({AskAnswer::YesToAll});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_FALSE(game.unneededList[0].removed || game.unneededList[1].removed);
    EXPECT_EQ(ReadFile(roms + "abc/loose.txt"), "l");
    EXPECT_EQ(Members(zipPath), (std::map<std::string, std::string>{{"a.txt", "a"}}));
}

TEST_F(FixerRemoveTest, LinkedFoldersGoAsLinksAndAreNeverFollowed) {
    FolderBuilder(temp.Path())
        .File("elsewhere/keep.txt", "not ours")
        .File("roms/abc/extra/one.txt", "1")
        .Link("roms/abc/extra/loop", ".")
        .Link("roms/abc/link", temp / "elsewhere");
    ScannedGame game = Game("abc");
    AddLoose(game, roms + "abc/extra", true);
    AddLoose(game, roms + "abc/link", true);
    Answer({AskAnswer::YesToAll});
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_TRUE(game.unneededList[0].removed && game.unneededList[1].removed);
    EXPECT_FALSE(PathExists(roms + "abc"));
    EXPECT_EQ(ReadTree(temp / "elsewhere/"),
              (std::map<std::string, std::string>{{"keep.txt", "not ours"}}));
    EXPECT_EQ(Backups(), (std::map<std::string, std::string>{
                             {"abc/", ""}, {"abc/extra/", ""}, {"abc/extra/one.txt", "1"}}));
}

TEST_F(FixerRemoveTest, ConfiguredFolderStaysWhenItsLastUnknownFileGoes) {
    FolderBuilder(roms).File("stray.txt", "s");
    ScannedGame collecting = Game("<unknown>");
    AddLoose(collecting, roms + "stray.txt");
    collecting.unneededList[0].setName = "_unknown";
    Answer({AskAnswer::Yes});
    Result(fixer.RemoveUnneeded(collecting, collecting.unneededList));
    EXPECT_TRUE(collecting.unneededList[0].removed);
    EXPECT_TRUE(IsFolder(roms));
    EXPECT_EQ(Backups(),
              (std::map<std::string, std::string>{{"_unknown/", ""}, {"_unknown/stray.txt", "s"}}));
}

TEST_F(FixerRemoveTest, TheProgramFolderIsNeverRemovedNorCopied) {
    // The program folder lies in a folder being removed, or is itself an item.
    const std::string program = roms + "abc/extra/data/vextral/";
    FolderBuilder(program).File("backup.vxt/old/a.rom", "earlier backup");
    FolderBuilder(roms).File("abc/extra/readme.txt", "r");
    Fixer inside{dialogs, consent, zip, options, program, scratchFolder, folders};
    for (const bool backup : {true, false}) {
        options.Backup = backup;
        ScannedGame game = Game("abc");
        AddLoose(game, roms + "abc/extra", true);
        AddLoose(game, program.substr(0, program.size() - 1), true);
        AddLoose(game, program + "backup.vxt", true);
        consent.Reset(options);
        Answer({AskAnswer::YesToAll});
        Result(inside.RemoveUnneeded(game, game.unneededList));
        for (const UnneededEntry& item : game.unneededList)
            EXPECT_FALSE(item.removed) << item.path;
        EXPECT_EQ(ReadTree(roms + "abc/"),
                  (std::map<std::string, std::string>{
                      {"extra/", ""},
                      {"extra/data/", ""},
                      {"extra/data/vextral/", ""},
                      {"extra/data/vextral/backup.vxt/", ""},
                      {"extra/data/vextral/backup.vxt/old/", ""},
                      {"extra/data/vextral/backup.vxt/old/a.rom", "earlier backup"},
                      {"extra/readme.txt", "r"}}));
    }
}

TEST_F(FixerRemoveTest, ABackupOfTheSameDataIsNotRepeated) {
    FolderBuilder(programFolder).File("backup.vxt/abc/junk.txt", "junk");
    for (const std::string data : {"junk", "junk", "other"}) {
        FolderBuilder(roms).File("abc/junk.txt", data);
        const std::string zipPath = ZipBuilder().Add("junk.txt", data).Write(roms + "abc.zip");
        ScannedGame game = Game("abc");
        AddLoose(game, roms + "abc/junk.txt");
        AddMembers(game, zipPath);
        consent.Reset(options);
        Answer({AskAnswer::YesToAll});
        Result(fixer.RemoveUnneeded(game, game.unneededList));
        EXPECT_TRUE(game.unneededList[0].removed && game.unneededList[1].removed);
    }
    EXPECT_EQ(Backups(),
              (std::map<std::string, std::string>{
                  {"abc/", ""}, {"abc/junk (1).txt", "other"}, {"abc/junk.txt", "junk"}}));
}

TEST_F(FixerRemoveTest, AFolderThatCannotBeReadWholeStays) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; the command-line fault test covers it";
    FolderBuilder(roms).File("abc/extra/one.txt", "1").File("abc/extra/locked/two.txt", "2");
    ASSERT_EQ(::chmod((roms + "abc/extra/locked").c_str(), 0), 0);
    for (const bool backup : {true, false}) {
        options.Backup = backup;
        ScannedGame game = Game("abc");
        AddLoose(game, roms + "abc/extra", true);
        consent.Reset(options);
        Answer({AskAnswer::Yes});
        Result(fixer.RemoveUnneeded(game, game.unneededList));
        EXPECT_FALSE(game.unneededList[0].removed);
    }
    ::chmod((roms + "abc/extra/locked").c_str(), 0700);
    EXPECT_EQ(ReadFile(roms + "abc/extra/locked/two.txt"), "2");
    EXPECT_EQ(ReadFile(roms + "abc/extra/one.txt"), "1");
}

}  // namespace
}  // namespace vextral::test
