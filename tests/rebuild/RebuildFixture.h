#pragma once
// Scan settings and folder lists, with scripted dialogs and progress, a zip library that can be
// told to fail, and a small game list built in code.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "archive/Crc32.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "database/GameDatabase.h"
#include "platform/FileSystem.h"
#include "scanner/GameSelection.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"
#include "support/FailingZipLibrary.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/FolderBuilder.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"
#include "support/ZipContents.h"

namespace vextral::test {

// Appends four bytes to prefix so that the whole has the wanted CRC-32.
inline std::string WithCrc(std::string prefix, std::uint32_t wanted) {
    std::array<std::uint32_t, 256> table{};
    std::array<std::uint8_t, 256> byTopByte{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
        byTopByte[c >> 24] = static_cast<std::uint8_t>(i);
    }
    std::uint32_t state = ~wanted;
    for (int k = 0; k < 4; ++k) {
        const std::uint8_t j = byTopByte[state >> 24];
        state = ((state ^ table[j]) << 8) | j;
    }
    const std::uint32_t bytes = state ^ ~Crc32(0, prefix.data(), prefix.size());
    for (int k = 0; k < 4; ++k)
        prefix.push_back(static_cast<char>((bytes >> (8 * k)) & 0xFF));
    return prefix;
}

inline std::uint32_t CrcOfText(const std::string& data) {
    return Crc32(0, data.data(), data.size());
}

class RebuildFixture : public ::testing::Test {
  protected:
    RebuildFixture() {
        EXPECT_TRUE(zip.Load());
        config.programFolder = programFolder;
        config.scratchFolder = programFolder + "tempzip.vxt/run/";
        EXPECT_TRUE(CreateFolderTree(config.scratchFolder));
    }

    // A game whose ROMs carry the CRC of their data (crc 0 when data is empty: no checksum).
    GameRecord& AddGame(const std::string& name,
                        const std::vector<std::pair<std::string, std::string>>& roms,
                        const std::string& parent = "") {
        GameRecord game;
        game.name = name;
        game.description = "Game " + name;
        for (const auto& [romName, data] : roms) {
            RomRecord rom;
            rom.name = romName;
            rom.size = static_cast<std::uint32_t>(data.size());
            rom.crc = CrcOfText(data);
            game.roms.push_back(rom);
        }
        game.romCount = static_cast<std::uint32_t>(game.roms.size());
        if (!parent.empty()) {
            const auto parentIndex = database.FindGame(parent);
            EXPECT_TRUE(parentIndex.has_value()) << parent;
            game.isClone = true;
            game.cloneOf = parent;
            game.parentIndex = *parentIndex;
            database[*parentIndex].isParent = true;
            database[*parentIndex].clones.push_back(
                {name, static_cast<std::uint32_t>(database.size())});
        }
        database.games.push_back(game);
        database.RebuildIndex();
        selection.emplace_back();
        return database.games.back();
    }

    std::vector<ZipEntry> List(const std::string& zipPath) { return ListMembers(zipPath, dialogs); }

    // Stored name -> contents of every member.
    std::map<std::string, std::string> Members(const std::string& zipPath) {
        return ReadMembers(zipPath, temp / "member.out", dialogs);
    }

    TempFolder temp;
    const std::string programFolder = temp / "program/";
    FakeDialogs dialogs;
    FakeProgress progress;
    RecordingResultSink results;
    FailingZipLibrary zip;
    ScanConfig config;
    ScanPaths paths;
    GameDatabase database;
    GameSelection selection;  // beside database
};

}  // namespace vextral::test
