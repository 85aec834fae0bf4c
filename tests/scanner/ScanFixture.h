#pragma once
// A scanner over a list file and a rom and a sample folder in a fresh temporary folder, with
// scripted dialogs and progress. Expected log texts are written with "\n" line ends and the
// markers {R} and {S} for the rom and sample folders.

#include <gtest/gtest.h>

#include <string>

#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"
#include "scanner/Scanner.h"
#include "support/CollectionBuilder.h"
#include "support/FailingZipLibrary.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/ListBuilder.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"

namespace vextral::test {

// A set file holding data with the listed size and CRC-32.
inline SetFile Right(const std::string& name, std::uint32_t crc, std::uint32_t size) {
    return {name, DataWithCrc(crc, size)};
}

class ScanFixture : public ::testing::Test {
  protected:
    ScanFixture() {
        scanner.config.pathWarning = false;
        scanner.config.programFolder = temp / "prog/";
        scanner.config.scratchFolder = temp / "prog/tempzip.vxt/run/";
        EXPECT_TRUE(CreateFolderTree(scanner.config.scratchFolder));
        scanner.config.options.Spelling = true;
        EXPECT_TRUE(zipLibrary.Load());
    }

    void Load(const ListBuilder& list) {
        const std::string path = list.WriteTo(temp / "list.dat");
        NullProgress quiet;
        ASSERT_TRUE(LoadListFile(database, path, quiet, dialogs, /*listInfoWarnings=*/true));
        ValidateGameDatabase(database, /*listInfoWarnings=*/true, scanner.config.databaseCounts,
                             dialogs);
        selection.assign(database.size(), {});
    }

    // A full scan (or a fast scan) over the fixture's folders.
    bool Scan(bool fullScan = true, const std::string& select = {}) {
        PathFields fields;
        fields.rom = romFolder.Root();
        fields.sample = sampleFolder.Root();
        fields.select = select;
        EXPECT_TRUE(scanner.PrepareScan(database, selection, fields));
        Scanner::ResetBeforeScan(selection, fullScan);
        return scanner.ScanGames(database, selection);
    }

    std::string Expected(const std::string& text) const {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 3, "{R}") == 0) {
                out += scanner.paths.romList.at(0);
                i += 2;
            } else if (text.compare(i, 3, "{S}") == 0) {
                out += scanner.paths.sampleList.at(0);
                i += 2;
            } else if (text[i] == '\n') {
                out += "\r\n";
            } else {
                out += text[i];
            }
        }
        return out;
    }

    GameRecord& Game(const std::string& name) { return database[*database.FindGame(name)]; }
    GameMarks& Marks(const std::string& name) { return selection.at(*database.FindGame(name)); }
    const GameFindings& Found(const std::string& name) const {
        return scanner.result().games.at(*database.FindGame(name));
    }

    TempFolder temp;
    CollectionBuilder romFolder{temp / "roms/"};
    CollectionBuilder sampleFolder{temp / "samples/"};
    FakeDialogs dialogs;
    FakeProgress progress;
    RecordingResultSink sink;
    FailingZipLibrary zipLibrary;
    Scanner scanner{dialogs, progress, sink, zipLibrary};
    GameDatabase database;
    GameSelection selection;  // beside database
};

}  // namespace vextral::test
