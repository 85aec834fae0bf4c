#include "database/ListCache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "database/GameListLoader.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

std::string Describe(const GameDatabase& database) {
    std::string text;
    for (const std::string& bios : database.biosSets)
        text += "bios " + bios + "\n";
    for (const GameRecord& game : database) {
        text += game.name + " [" + game.description + "] " + game.cloneOf + " " +
                std::to_string(game.isParent) + " " + game.sampleOf + "\n";
        for (const RomRecord& rom : game.roms) {
            text += "  " + rom.name + " " + std::to_string(rom.size) + " " +
                    std::to_string(rom.crc) + " " + std::to_string(rom.complementedCrc) + " " +
                    std::to_string(rom.crcKnown);
            for (const std::string& other : rom.otherNames)
                text += " " + other;
            text += "\n";
        }
        for (const SampleRecord& sample : game.samples)
            text += "  " + sample.name + "\n";
    }
    return text;
}

struct Read {
    bool ok = false;
    bool fromCache = false;  // nothing was parsed: the progress was never touched
    std::string records;
    std::vector<std::string> messages;
    bool indexed = false;
};

Read ReadList(const std::string& path, const std::string& cacheFolder) {
    GameDatabase database;
    test::FakeProgress progress;
    test::FakeDialogs dialogs;
    Read read;
    read.ok =
        LoadListFile(database, path, progress, dialogs, /*listInfoWarnings=*/true, cacheFolder);
    read.fromCache = progress.advances == 0 && progress.upper == 100;
    read.records = Describe(database);
    read.messages = dialogs.MessageTexts();
    read.indexed = !database.empty() && database.FindGame(database[0].name) == 0u;
    return read;
}

test::ListBuilder SmallList(const std::string& parentDescription) {
    test::ListBuilder list;
    list.Game("cpu", "CPU").Bios().Rom("bios.bin", 4, 0xB1B1B1B1);
    list.Game("pa", parentDescription).Rom("p.1", 8, 0x11111111).Rom("p.2", 8).Sample("s.wav");
    list.Game("pb", "Pb").CloneOf("pa").SampleOf("pa").Rom("b.1", 8, 0x11111111).Sample("s.wav");
    list.Game("pc", "Pb").Rom("c.1", 8, 0);  // a description seen before: a warning
    // A line beyond the reader's cap: a warning about the list, not about a game.
    list.Game("pd", "Pd").Line(std::string((1 << 20) + 1, '('));
    return list;
}

// Flips a byte of the cache file found in folder.
void Patch(const std::string& folder, std::size_t offset, char value) {
    for (const DirEntry& entry : ListFolder(folder)) {
        std::string bytes = test::ReadFile(folder + entry.name);
        ASSERT_LT(offset, bytes.size());
        bytes[offset] = value;
        test::WriteFile(folder + entry.name, bytes);
    }
}

TEST(ListCacheTest, ACacheIsUsedOnlyWhenSoundAndMadeFromTheSameSource) {
    struct Case {
        const char* label;
        std::function<void(const std::string& list, const std::string& cache)> change;
        bool fromCache;
    };
    const std::vector<Case> cases{
        {"unchanged", [](const std::string&, const std::string&) {}, true},
        {"the list rewritten with the same length",
         [](const std::string& list, const std::string&) { SmallList("Pz").WriteTo(list); }, false},
        {"a flipped byte",
         [](const std::string&, const std::string& cache) { Patch(cache, 200, 'x'); }, false},
        {"another version",
         [](const std::string&, const std::string& cache) { Patch(cache, 8, 9); }, false},
        {"cut short",
         [](const std::string&, const std::string& cache) {
             for (const DirEntry& entry : ListFolder(cache)) {
                 const std::string bytes = test::ReadFile(cache + entry.name);
                 test::WriteFile(cache + entry.name, bytes.substr(0, bytes.size() / 2));
             }
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::TempFolder folder;
        const std::string list = SmallList("Pa").WriteTo(folder / "list.dat");
        const std::string cache = folder / "cache/";
        const Read first = ReadList(list, cache);
        ASSERT_TRUE(first.ok);
        EXPECT_FALSE(first.fromCache);
        c.change(list, cache);

        const Read again = ReadList(list, cache);
        const Read fresh = ReadList(list, "");
        EXPECT_TRUE(again.ok);
        EXPECT_EQ(again.fromCache, c.fromCache);
        EXPECT_EQ(again.records, fresh.records);
        EXPECT_EQ(again.messages, fresh.messages);  // the warnings of the reading, replayed
        EXPECT_TRUE(again.indexed);
        EXPECT_TRUE(ReadList(list, cache).fromCache);  // made anew when it was not used
    }
}

TEST(ListCacheTest, AFolderThatCannotBeWrittenOnlyLeavesTheCacheOut) {
    test::TempFolder folder;
    const std::string list = SmallList("Pa").WriteTo(folder / "list.dat");
    const std::string notAFolder = test::WriteFile(folder / "cache", "a file");
    for (int i = 0; i < 2; ++i) {
        const Read read = ReadList(list, notAFolder + "/");
        EXPECT_TRUE(read.ok);
        EXPECT_FALSE(read.fromCache);
    }
    ASSERT_TRUE(CreateFolder(folder / "locked"));
    ::chmod((folder / "locked").c_str(), 0500);
    EXPECT_TRUE(ReadList(list, folder / "locked/").ok);
    EXPECT_TRUE(ListFolder(folder / "locked/").empty() || ::geteuid() == 0);
    ::chmod((folder / "locked").c_str(), 0700);
}

}  // namespace
}  // namespace vextral
