#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "scanner/Scanner.h"
#include "support/CurrentFolder.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

class BatchFilesTest : public ::testing::Test {
  protected:
    BatchFilesTest() {
        scanner.config.programFolder = temp.Path();
        // Each script writes its name and then its arguments, one per line.
        for (const char* name : {"_exist", "_noexist"}) {
            test::WriteFile(temp / (std::string(name) + ".sh"), std::string("printf '%s\\n' ") +
                                                                    name + " \"$@\" >> '" +
                                                                    temp.Path() + "calls.txt'\n");
        }
        game.name = "pacman";
        game.description = "Pac Man";
    }

    std::string Calls() const { return test::ReadFile(temp / "calls.txt"); }

    test::TempFolder temp;
    test::FakeDialogs dialogs;
    test::FakeProgress progress;
    test::RecordingResultSink sink;
    ZipLibrary zipLibrary;
    Scanner scanner{dialogs, progress, sink, zipLibrary};
    GameRecord game;
    GameFindings found;
};

TEST_F(BatchFilesTest, FoundAndMissingSetsRunTheirOwnFileWithNameAndWords) {
    found.setFound = true;
    scanner.RunBatchFile(game, found);
    found.setFound = false;
    game.description = "  Pac\t  Man ";
    scanner.RunBatchFile(game, found);
    EXPECT_EQ(Calls(), "_exist\npacman\nPac\nMan\n_noexist\npacman\nPac\nMan\n");
}

TEST_F(BatchFilesTest, DescriptionIsPassedAsDataNeverRun) {
    game.description = "Say \"hi\"; $(touch pwned) `touch pwned2` | *";
    const std::string before = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(temp.Path()));
    scanner.RunBatchFile(game, found);
    static_cast<void>(SetCurrentFolder(before));
    EXPECT_EQ(Calls(), "_noexist\npacman\nSay\n\"hi\";\n$(touch\npwned)\n`touch\npwned2`\n|\n*\n");
    EXPECT_FALSE(PathExists(temp / "pwned"));
    EXPECT_FALSE(PathExists(temp / "pwned2"));
}

}  // namespace
}  // namespace vextral
