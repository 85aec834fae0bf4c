#include "FixerFixture.h"

namespace vextral::test {
namespace {

class FixerWrongNameTest : public FixerFixture {
  protected:
    void AddLoose(ScannedGame& game, const std::string& wrong, const std::string& right) {
        WrongNameEntry finding;
        finding.wrongName = wrong;
        finding.rightName = right;
        finding.path = roms + game.name + "/" + wrong;
        game.wrongNameList.push_back(finding);
    }
    void AddMember(ScannedGame& game, const ZipEntry& entry, const std::string& right) {
        WrongNameEntry finding;
        finding.wrongName = entry.name;
        finding.rightName = right;
        finding.path = roms + game.name + "/" + entry.name;
        finding.inZip = true;
        finding.memberName = entry.storedName;
        finding.entry = entry;
        game.wrongNameList.push_back(finding);
    }
};

TEST_F(FixerWrongNameTest, SwappedLooseFilesAreBothFixedAfterOneQuestion) {
    FolderBuilder(roms).File("abc/a.rom", "data of b").File("abc/b.rom", "data of a");
    ScannedGame game = Game("abc");
    AddLoose(game, "a.rom", "b.rom");
    AddLoose(game, "b.rom", "a.rom");
    Answer({AskAnswer::Yes});
    Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].caption, "Fix All Wrong Named Roms In Gameset 'Game abc' ?");
    EXPECT_EQ(dialogs.questions[0].question,
              "\nDo you want to rename all wrong named roms in 'Game abc' ?");
    EXPECT_TRUE(game.wrongNameList[0].fixed && game.wrongNameList[1].fixed);
    EXPECT_EQ(ReadTree(roms + "abc/"),
              (std::map<std::string, std::string>{{"a.rom", "data of a"}, {"b.rom", "data of b"}}));
}

TEST_F(FixerWrongNameTest, SwappedZipMembersAreBothFixed) {
    const std::string zipPath = ZipBuilder()
                                    .Add("a.rom", "data of b")
                                    .AddDeflated("b.rom", "data of a")
                                    .Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    const auto entries = List(zipPath);
    AddMember(game, entries[0], "b.rom");
    AddMember(game, entries[1], "a.rom");
    Answer({AskAnswer::Yes});
    Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
    EXPECT_TRUE(game.wrongNameList[0].fixed && game.wrongNameList[1].fixed);
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"a.rom", "data of a"}, {"b.rom", "data of b"}}));
    EXPECT_EQ(ReadTree(scratchFolder), (std::map<std::string, std::string>{}));
}

TEST_F(FixerWrongNameTest, NothingIsReplacedOnTheWay) {
    // A loose file whose staging name is taken, and one whose right name another file keeps.
    FolderBuilder(roms)
        .File("abc/x.rom", "x")
        .File("abc/y.rom_vxt", "precious")
        .File("abc/p.rom", "p")
        .File("abc/q.rom", "kept q");
    // A member whose right name another member keeps.
    const std::string zipPath =
        ZipBuilder().Add("m.rom", "m").Add("n.rom", "kept n").Write(roms + "def.zip");
    ScannedGame game = Game("abc");
    AddLoose(game, "x.rom", "y.rom");
    AddLoose(game, "p.rom", "q.rom");
    AddMember(game, List(zipPath)[0], "n.rom");
    Answer({AskAnswer::Yes});
    Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
    for (const WrongNameEntry& finding : game.wrongNameList) {
        EXPECT_FALSE(finding.fixed) << finding.wrongName;
    }
    EXPECT_EQ(ReadTree(roms + "abc/"),
              (std::map<std::string, std::string>{
                  {"p.rom", "p"}, {"q.rom", "kept q"}, {"x.rom", "x"}, {"y.rom_vxt", "precious"}}));
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"m.rom", "m"}, {"n.rom", "kept n"}}));
}

TEST_F(FixerWrongNameTest, NoOrStopLeavesEverything) {
    FolderBuilder(roms).File("abc/a.rom", "a");
    for (AskAnswer answer : {AskAnswer::No, AskAnswer::Stop}) {
        ScannedGame game = Game("abc");
        AddLoose(game, "a.rom", "b.rom");
        Answer({answer});
        Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
        EXPECT_FALSE(game.wrongNameList[0].fixed);
        EXPECT_TRUE(IsRegularFile(roms + "abc/a.rom"));
    }
    EXPECT_TRUE(consent.StopRequested());
}

}  // namespace
}  // namespace vextral::test
