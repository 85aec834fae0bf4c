#include "database/DatabaseLinker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FakeDialogs.h"

namespace vextral {
namespace {

GameRecord Game(const std::string& name, const std::string& description,
                const std::string& cloneOf = "") {
    GameRecord game;
    game.name = name;
    game.description = description;
    game.cloneOf = cloneOf;
    game.isClone = !cloneOf.empty();
    return game;
}

void AddRom(GameRecord& game, RomCrcList& list, const std::string& name, std::uint32_t size,
            std::uint32_t crc) {
    RomRecord rom;
    rom.name = name;
    rom.size = size;
    rom.crc = crc;
    rom.crcKnown = crc != 0;
    game.roms.push_back(rom);
    game.romCount = static_cast<std::uint32_t>(game.roms.size());
    if (crc != 0)
        list.push_back({crc, size, name});
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

const GameRecord& Named(const GameDatabase& database, const std::string& name) {
    return database[*database.FindGame(name)];
}

std::string Bug(const GameRecord& game, const std::string& problem) {
    return "-listinfo bug:\n\n" + game.name + " (" + game.description + ")\n\n" + problem;
}

TEST(DatabaseLinkerTest, SortsByDescriptionBytesAndMarksTheFirstParentIgnoringCase) {
    GameDatabase database;
    RomCrcList list;
    for (const char* description : {"beta", "\351clair", "Zeta", "alpha", "1941", "Alpha"}) {
        database.games.push_back(Game(std::string("g") + description, description));
    }
    database.games.push_back(Game("clone", "Clone", "G1941"));
    database.games.push_back(Game("lost", "Lost", "nowhere"));
    database.games.push_back(Game("late", "zz late", ""));
    database.games.back().name = "G1941";  // same name ignoring case, sorts after the first
    LinkGameDatabase(database, list);

    std::vector<std::string> order;
    for (const GameRecord& game : database)
        order.push_back(game.description);
    EXPECT_EQ(order, (std::vector<std::string>{"1941", "Alpha", "Clone", "Lost", "Zeta", "alpha",
                                               "beta", "zz late", "\351clair"}));
    EXPECT_TRUE(database[0].isParent);
    EXPECT_FALSE(database[7].isParent);
    EXPECT_EQ(*database.FindGame("G1941"), 0u);
    EXPECT_EQ(std::count_if(database.begin(), database.end(),
                            [](const GameRecord& g) { return g.isParent; }),
              1);
}

TEST(DatabaseLinkerTest, OtherNamesNeedTheSameCrcAndSize) {
    GameDatabase database;
    RomCrcList list;
    GameRecord a = Game("a", "A");
    AddRom(a, list, "x.1", 100, 0xAB);
    AddRom(a, list, "twin.1", 100, 0xAB);  // the same data twice in one game
    AddRom(a, list, "bad.1", 100, 0);
    GameRecord b = Game("b", "B");
    AddRom(b, list, "y.1", 100, 0xAB);
    AddRom(b, list, "X.1", 100, 0xAB);
    AddRom(b, list, "z.1", 200, 0xAB);  // same crc, other size
    GameRecord c = Game("c", "C");
    AddRom(c, list, "x.1", 100, 0xAB);         // the same name is not an other name
    list.push_back({0xAB, 100, "dropped.1"});  // from a game the parser dropped
    database.games = {a, b, c};
    LinkGameDatabase(database, list);

    const auto others = [&](const std::string& game, const std::string& rom) {
        for (const RomRecord& r : Named(database, game).roms) {
            if (r.name == rom)
                return Sorted(r.otherNames);
        }
        ADD_FAILURE() << rom;
        return std::vector<std::string>{};
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(others("a", "x.1"), (Names{"X.1", "dropped.1", "twin.1", "y.1"}));
    EXPECT_EQ(others("a", "twin.1"), (Names{"X.1", "dropped.1", "y.1"}));  // one of x.1/X.1
    EXPECT_EQ(others("b", "X.1"), (Names{"dropped.1", "twin.1", "x.1", "y.1"}));
    EXPECT_EQ(others("c", "x.1"), (Names{"X.1", "dropped.1", "twin.1", "y.1"}));
    EXPECT_EQ(others("a", "bad.1"), Names{});  // no crc
    EXPECT_EQ(others("b", "z.1"), Names{});    // other size
    EXPECT_TRUE(list.empty());
}

TEST(DatabaseLinkerTest, ValidationRepairsCloneRelations) {
    GameDatabase database;
    database.games = {Game("a", "A", "b"), Game("b", "B", "c"), Game("c", "C"),
                      Game("lost", "D", "nowhere"), Game("solo", "E")};
    database[1].isParent = true;
    database[2].isParent = true;
    database[4].isParent = true;  // claims clones it does not have

    GameDatabase quietDatabase = database;
    test::FakeDialogs dialogs;
    DatabaseCounts counts;
    ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    EXPECT_EQ(dialogs.MessageTexts(),
              (std::vector<std::string>{Bug(database[0], "Parent - Clone Conflict !"),
                                        Bug(database[1], "Parent - Clone Conflict !"),
                                        Bug(database[3], "This IS NOT A Clone !"),
                                        Bug(database[4], "This IS NOT A Parentgame !")}));
    EXPECT_EQ(database[0].parentIndex, 0u);
    EXPECT_EQ(database[1].parentIndex, 2u);
    EXPECT_TRUE(database[1].clones.empty());
    ASSERT_EQ(database[2].clones.size(), 1u);
    EXPECT_EQ(database[2].clones[0].name, "b");
    EXPECT_EQ(database[2].clones[0].index, 1u);
    EXPECT_FALSE(database[3].isClone);
    EXPECT_TRUE(database[3].cloneOf.empty());
    EXPECT_FALSE(database[4].isParent);
    EXPECT_EQ(counts.cloneCount, 2u);
    EXPECT_EQ(counts.parentCount, 1u);

    test::FakeDialogs quietDialogs;
    ValidateGameDatabase(quietDatabase, /*listInfoWarnings=*/false, counts, quietDialogs);
    EXPECT_TRUE(quietDialogs.messages.empty());
    EXPECT_EQ(quietDatabase[0].parentIndex, 1u);
    EXPECT_EQ(quietDatabase[1].parentIndex, 2u);
    ASSERT_EQ(quietDatabase[1].clones.size(), 1u);
    EXPECT_EQ(quietDatabase[1].clones[0].name, "a");
    EXPECT_FALSE(quietDatabase[3].isClone);
    EXPECT_FALSE(quietDatabase[4].isParent);
    EXPECT_EQ(counts.parentCount, 2u);
}

TEST(DatabaseLinkerTest, CountsAndNeoGeoSignature) {
    GameDatabase database;
    RomCrcList list;
    GameRecord neo = Game("neo", "Neo");
    AddRom(neo, list, "neo-geo.rom", 131072, 0x9036D879);
    AddRom(neo, list, "p1.bin", 1024, 0);
    GameRecord wrongSize = Game("near", "Near");
    AddRom(wrongSize, list, "neo-geo.rom", 65536, 0x9036D879);
    GameRecord sfix = Game("sfix", "Sfix");
    AddRom(sfix, list, "ng-sfix.rom", 131072, 0x354029FC);
    sfix.samples.resize(3);
    sfix.sampleCount = 3;
    database.games = {neo, wrongSize, sfix};
    test::FakeDialogs dialogs;
    DatabaseCounts counts;
    ValidateGameDatabase(database, true, counts, dialogs);
    EXPECT_TRUE(database[0].isNeoGeo);
    EXPECT_FALSE(database[1].isNeoGeo);
    EXPECT_TRUE(database[2].isNeoGeo);
    EXPECT_EQ(counts.gameCount, 3u);
    EXPECT_EQ(counts.neoGeoGameCount, 2u);
    EXPECT_EQ(counts.arcadeGameCount, 1u);
    EXPECT_EQ(counts.neoGeoRomCount, 3u);
    EXPECT_EQ(counts.arcadeRomCount, 1u);
    EXPECT_EQ(counts.badDumpCount, 1u);
    EXPECT_EQ(counts.totalSampleCount, 3u);
}

}  // namespace
}  // namespace vextral
