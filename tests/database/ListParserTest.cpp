#include "database/ListParser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_set>

#include "database/DatabaseLinker.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

struct Parsed {
    bool ok = false;
    GameDatabase database;
    RomCrcList romCrcList;
    test::FakeDialogs dialogs;
    test::FakeProgress progress;
};

void Parse(Parsed& parsed, const std::string& text, bool warnings = true) {
    test::TempFolder folder;
    const std::string path = test::WriteFile(folder / "list.dat", text);
    parsed.ok = ParseListFile(path, parsed.database, parsed.romCrcList, parsed.progress,
                              parsed.dialogs, warnings);
}

std::string Bug(const std::string& name, const std::string& description,
                const std::string& problem) {
    return "-listinfo bug:\n\n" + name + " (" + description + ")\n\n" + problem;
}

TEST(ListParserTest, BuildsRecordsWithSortedRomsAndSamples) {
    test::ListBuilder list;
    list.Game("alpha2", "Alpha (set 2)")
        .CloneOf("alpha")
        .SampleOf("alpha")
        .Rom("b.2", 2048, 0xDEADBEEF)
        .Rom("A.1", 4096, 0)
        .Rom("a.3", 1024)
        .Line("rom ( name c.4 size 12abc crc 0x1F flags baddump )")
        .Sample("2.wav")
        .Sample("1.wav");
    Parsed p;
    Parse(p, list.Text());
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.database.size(), 1u);
    const GameRecord& game = p.database[0];
    EXPECT_EQ(game.description, "Alpha (set 2)");
    EXPECT_TRUE(game.isClone && game.cloneOf == "alpha");
    EXPECT_TRUE(game.hasSampleOf && game.sampleOf == "alpha");
    ASSERT_EQ(game.romCount, 4u);
    ASSERT_EQ(game.sampleCount, 2u);
    EXPECT_EQ(game.roms[0].name, "A.1");  // upper case sorts first
    EXPECT_EQ(game.samples[0].name, "1.wav");

    // crc 0 given, and no crc: both unknown, only the first is complemented.
    EXPECT_EQ(game.roms[0].crc, 0u);
    EXPECT_FALSE(game.roms[0].crcKnown);
    EXPECT_EQ(game.roms[0].complementedCrc, 0xFFFFFFFFu);
    EXPECT_EQ(game.roms[1].complementedCrc, 0u);  // a.3
    EXPECT_EQ(game.roms[2].complementedCrc, ~0xDEADBEEFu);
    EXPECT_TRUE(game.roms[2].crcKnown);
    EXPECT_EQ(game.roms[3].size, 12u);  // digits up to the first other character
    EXPECT_EQ(game.roms[3].crc, 0x1Fu);

    ASSERT_EQ(p.romCrcList.size(), 2u);  // only ROMs with a crc other than 0
    EXPECT_EQ(p.progress.upper, 1);
    EXPECT_TRUE(p.dialogs.messages.empty());
}

TEST(ListParserTest, DuplicateGamesRomsAndSamples) {
    test::ListBuilder list;
    list.Game("beta", "Beta").Rom("x.1", 10, 0x11).Rom("X.1", 20, 0x22).Rom("x.1", 30, 0x33);
    list.Game("Beta", "Beta (other case)").Sample("s.wav").Sample("S.WAV");
    list.Game("beta", "Beta again").Rom("y.1", 40, 0x44);
    list.Game("gamma", "Beta");
    Parsed p;
    Parse(p, list.Text());
    ASSERT_EQ(p.database.size(), 3u);
    ASSERT_EQ(p.database[0].romCount, 1u);  // the first of the names equal ignoring case
    EXPECT_EQ(p.database[0].roms[0].size, 10u);
    EXPECT_EQ(p.database[0].roms[0].crc, 0x11u);
    EXPECT_EQ(p.database[1].name, "Beta");
    EXPECT_EQ(p.database[1].sampleCount, 1u);
    EXPECT_EQ(p.database[2].name, "gamma");
    EXPECT_EQ(p.dialogs.MessageTexts(),
              (std::vector<std::string>{Bug("beta", "Beta again", "Double Foldername !"),
                                        Bug("gamma", "Beta", "Double Description !")}));
    EXPECT_EQ(p.dialogs.messages[0].caption, "Vextral");
    EXPECT_EQ(p.dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(p.dialogs.messages[0].buttons, MessageButtons::Ok);
    // The dropped game's ROM still counts as data listed elsewhere.
    EXPECT_EQ(p.romCrcList.size(), 2u);

    Parsed quiet;
    Parse(quiet, list.Text(), /*warnings=*/false);
    EXPECT_EQ(quiet.database.size(), 3u);
    EXPECT_TRUE(quiet.dialogs.messages.empty());
}

TEST(ListParserTest, ReferencesToItselfOrWithoutSamplesAreIgnored) {
    test::ListBuilder list;
    list.Game("delta", "Delta").CloneOf("DELTA").SampleOf("other");
    list.Game("eps", "Eps").SampleOf("Eps").Sample("a.wav");
    list.Game("zeta", "Zeta").Line("cloneof ../up").Line("sampleof a/b").Sample("a.wav");
    Parsed p;
    Parse(p, list.Text());
    ASSERT_EQ(p.database.size(), 3u);
    for (const GameRecord& game : p.database) {
        EXPECT_TRUE(!game.hasSampleOf && game.sampleOf.empty()) << game.name;
    }
    // Only the unusable sample set is told: the others were never going to be used.
    EXPECT_EQ(p.dialogs.MessageTexts(),
              std::vector<std::string>{Bug("zeta", "Zeta", "Invalid Sampleof: a/b")});
    p.dialogs.messages.clear();
    EXPECT_FALSE(p.database[0].isClone);
    EXPECT_FALSE(p.database[1].isClone);

    // A parent that no game can be named after is not silently forgotten: validation turns
    // the game into a plain one and says so, as for any missing parent.
    LinkGameDatabase(p.database, p.romCrcList);
    DatabaseCounts counts;
    ValidateGameDatabase(p.database, /*listInfoWarnings=*/true, counts, p.dialogs);
    EXPECT_EQ(p.dialogs.MessageTexts(),
              std::vector<std::string>{Bug("zeta", "Zeta", "This IS NOT A Clone !")});
    for (const GameRecord& game : p.database)
        EXPECT_TRUE(!game.isClone && game.cloneOf.empty()) << game.name;
    EXPECT_EQ(counts.cloneCount, 0u);
}

TEST(ListParserTest, GrammarKnowsOnlyItsOwnKeywords) {
    Parsed p;
    Parse(p,
          "emulator ( name notagame )\n"
          "game (\n\tname eta\n\tdescription Eta (World)\n"
          "\tvideo ( name inner description \"x\" rom ( name deep.1 ) )\n"
          "\tstatus cloneof theta\n"
          "\trom ( name e.1 size 1 crc 1)\n"
          ")\n)\n"
          "game (\n\tname theta\n\tdescription Theta\n)\n");
    ASSERT_EQ(p.database.size(), 2u);
    const GameRecord& eta = p.database[0];
    EXPECT_EQ(eta.description, "Eta");  // unquoted: only the first word
    EXPECT_EQ(eta.cloneOf, "theta");    // the unknown keyword's value was a keyword
    // The touching parenthesis kept the ROM open until the next lone one.
    ASSERT_EQ(eta.romCount, 1u);
    EXPECT_EQ(eta.roms[0].name, "e.1");
    EXPECT_EQ(eta.roms[0].crc, 1u);
    EXPECT_EQ(p.progress.upper, 2);
}

TEST(ListParserTest, SizeAndCrcConversions) {
    test::ListBuilder list;
    list.Game("nums", "Nums")
        .Line("rom ( name a size -1 crc -1 )")
        .Line("rom ( name b size \" 42\" crc \"  0Xab\" )")
        .Line("rom ( name c size +7 crc 0xg )")
        .Line("rom ( name d size 10 size x5 crc 5 crc zz )")
        .Line("rom ( name e size 99999999999 crc 123456789 )");
    Parsed p;
    Parse(p, list.Text());
    ASSERT_EQ(p.database.size(), 1u);
    const std::vector<RomRecord>& roms = p.database[0].roms;
    ASSERT_EQ(roms.size(), 5u);
    EXPECT_EQ(roms[0].size, 0xFFFFFFFFu);
    EXPECT_EQ(roms[0].crc, 0xFFFFFFFFu);
    EXPECT_EQ(roms[1].size, 42u);  // white space inside the quotes leads the number
    EXPECT_EQ(roms[1].crc, 0xABu);
    EXPECT_EQ(roms[2].size, 7u);
    EXPECT_EQ(roms[2].crc, 0u);  // "0x" without digits is the number 0
    EXPECT_FALSE(roms[2].crcKnown);
    EXPECT_EQ(roms[2].complementedCrc, 0xFFFFFFFFu);
    EXPECT_EQ(roms[3].size, 10u);  // no number: the earlier value stays
    EXPECT_EQ(roms[3].crc, 5u);
    EXPECT_EQ(roms[3].complementedCrc, ~5u);
    EXPECT_EQ(roms[4].size, 0xFFFFFFFFu);  // too large: the largest size, never a wrap
    EXPECT_EQ(roms[4].crc, 0xFFFFFFFFu);
}

TEST(ListParserTest, UnbalancedBlocks) {
    Parsed unclosed;
    Parse(unclosed, "game (\n name a\n game (\n name b\n )\n");
    EXPECT_TRUE(unclosed.ok);
    EXPECT_TRUE(unclosed.database.empty());

    // A block that starts with ")" ends at the "(" that brings the depth back to 0.
    Parsed extra;
    Parse(extra, "game )\n name x\n (\ngame (\n name c\n description C\n)\n");
    ASSERT_EQ(extra.database.size(), 1u);
    EXPECT_EQ(extra.database[0].name, "c");
}

TEST(ListParserTest, NamesThatCannotBeFileNamesAreDropped) {
    test::ListBuilder list;
    list.Game("../evil", "Evil").Rom("e.1", 10, 0x1);
    list.Game("good", "Good")
        .Rom("ok.1", 10, 0x2)
        .Rom("sub/x.1", 10, 0x3)
        .Rom("c:x.1", 10, 0x4)
        .Line("rom name x.bin")  // no parentheses: a ROM without a name
        .Sample("..")
        .Sample("fine.wav");
    list.Game("..", "Dots");
    list.Game("dots", "Dots");  // the dropped game's description was seen all the same
    Parsed p;
    Parse(p, list.Text());
    ASSERT_EQ(p.database.size(), 2u);
    EXPECT_EQ(p.database[0].romCount, 1u);
    EXPECT_EQ(p.database[0].sampleCount, 1u);
    EXPECT_EQ(p.dialogs.MessageTexts(),
              (std::vector<std::string>{Bug("../evil", "Evil", "Invalid Foldername !"),
                                        Bug("good", "Good", "Invalid Filename: sub/x.1"),
                                        Bug("good", "Good", "Invalid Filename: c:x.1"),
                                        Bug("good", "Good", "Invalid Filename !"),
                                        Bug("good", "Good", "Invalid Filename: .."),
                                        Bug("..", "Dots", "Invalid Foldername !"),
                                        Bug("dots", "Dots", "Double Description !")}));
    for (const RomCrcEntry& entry : p.romCrcList)
        EXPECT_TRUE(IsPlainFileName(entry.name));
}

TEST(ListParserTest, OverlongLineIsSkippedAndToldOnceWhenWarningsAreOn) {
    test::ListBuilder list;
    list.Game("a", "A").Rom("a.1", 1, 0x1);
    list.Game("b", "B")
        .Line("description " + std::string(std::size_t{2} << 20, '('))
        .Rom("b.1", 1, 0x2);
    list.Game("c", "C");
    for (const bool warnings : {true, false}) {
        Parsed p;
        Parse(p, list.Text(), warnings);
        ASSERT_TRUE(p.ok);
        ASSERT_EQ(p.database.size(), 3u);
        EXPECT_EQ(p.database[1].description, "B");
        EXPECT_EQ(p.database[1].romCount, 1u);
        const std::vector<std::string> told{"-listinfo bug:\n\nline 14 too long"};
        EXPECT_EQ(p.dialogs.MessageTexts(), warnings ? told : std::vector<std::string>{});
    }
}

TEST(ListParserTest, StopDuringTheBuildingPassFails) {
    test::ListBuilder list;
    list.Game("a", "A");
    list.Game("b", "B");
    list.Game("c", "C");
    Parsed p;
    p.progress.stopOnCall = 2;
    Parse(p, list.Text());
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.progress.upper, 3);
    EXPECT_EQ(p.progress.advances, 2);
    EXPECT_EQ(p.database.size(), 1u);
}

// Random bytes mixed with list words: the parser must end cleanly and keep its invariants.
TEST(ListParserTest, ArbitraryBytesKeepTheInvariants) {
    // clang-format off
    const char* const words[] = {"game ( name", ")\n", "rom ( name r.1 size 4 crc 1f )", "(", ")",
        "name", "rom", "sample", "sampleof", "cloneof", "size", "crc", "description", "\"", "\n"};
    // clang-format on
    std::mt19937 random(1234);
    std::size_t gamesSeen = 0;
    for (int round = 0; round < 40; ++round) {
        std::string text;
        while (text.size() < 4096) {
            const unsigned pick = random() % 24;
            if (pick < 15) {
                text += words[pick];
                text += ' ';
            } else if (pick < 20) {
                text += static_cast<char>('a' + random() % 3);
            } else {
                text += static_cast<char>(random() % 256);
            }
        }
        Parsed p;
        Parse(p, text);
        ASSERT_TRUE(p.ok);
        gamesSeen += p.database.size();
        std::unordered_set<std::string> names;
        for (const GameRecord& game : p.database) {
            EXPECT_TRUE(names.insert(game.name).second);
            EXPECT_TRUE(IsPlainFileName(game.name));
            EXPECT_EQ(game.romCount, game.roms.size());
            EXPECT_EQ(game.sampleCount, game.samples.size());
            EXPECT_EQ(game.isClone, !game.cloneOf.empty());
            EXPECT_EQ(game.hasSampleOf, !game.sampleOf.empty());
            EXPECT_TRUE(!game.hasSampleOf || game.sampleCount > 0);
            for (std::size_t i = 1; i < game.roms.size(); ++i) {
                EXPECT_LT(game.roms[i - 1].name, game.roms[i].name);
            }
            for (const RomRecord& rom : game.roms)
                EXPECT_EQ(rom.crcKnown, rom.crc != 0);
        }
        LinkGameDatabase(p.database, p.romCrcList);
        DatabaseCounts counts;
        ValidateGameDatabase(p.database, true, counts, p.dialogs);
        EXPECT_EQ(counts.gameCount, counts.neoGeoGameCount + counts.arcadeGameCount);
    }
    EXPECT_GT(gamesSeen, 40u);  // the input does reach the building rules
}

}  // namespace
}  // namespace vextral
