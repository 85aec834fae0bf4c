#pragma once
// A program folder, a rom folder and a Fixer wired to scripted answers and a zip library
// that can be told to fail.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "fixer/Fixer.h"
#include "platform/FileSystem.h"
#include "support/FailingZipLibrary.h"
#include "support/FakeDialogs.h"
#include "support/FolderBuilder.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"
#include "support/ZipContents.h"

namespace vextral::test {

// A game, ROM or sample together with what a scan found for it: the fixer takes both.
struct ScannedGame : GameRecord, GameFindings {};
struct ScannedRom : RomRecord, RomFinding {};
struct ScannedSample : SampleRecord, SampleFinding {};

class FixerFixture : public ::testing::Test {
  protected:
    FixerFixture() {
        options.FixSpelling = options.FixLength = options.FixUnneeded = options.FixName = true;
        consent.Reset(options);
        EXPECT_TRUE(zip.Load());
        EXPECT_TRUE(CreateFolderTree(scratchFolder));
        EXPECT_TRUE(CreateFolderTree(roms));
    }

    void Answer(std::initializer_list<AskAnswer> answers) {
        dialogs.askAnswers.insert(dialogs.askAnswers.end(), answers);
    }

    std::vector<ZipEntry> List(const std::string& zipPath) { return ListMembers(zipPath, dialogs); }

    // Stored name -> contents of every member.
    std::map<std::string, std::string> Members(const std::string& zipPath) {
        return ReadMembers(zipPath, temp / "member.out", dialogs);
    }

    // Everything below the backup folder, relative to it.
    std::map<std::string, std::string> Backups() { return ReadTree(programFolder + "backup.vxt/"); }

    // Keeps a fix's result for the checks that follow.
    const FixResult& Result(FixResult result) {
        last = std::move(result);
        return last;
    }

    static ScannedGame Game(const std::string& name) {
        ScannedGame game;
        game.name = name;
        game.description = "Game " + name;
        return game;
    }

    FixResult last;
    TempFolder temp;
    const std::string programFolder = temp / "program/";
    const std::string scratchFolder = programFolder + "tempzip.vxt/run/";
    const std::string roms = temp / "roms/";
    FakeDialogs dialogs;
    ConsentState consent;
    FailingZipLibrary zip;
    ScanOptions options;
    FolderCache folders;
    Fixer fixer{dialogs, consent, zip, options, programFolder, scratchFolder, folders};
};

}  // namespace vextral::test
