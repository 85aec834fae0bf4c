// Scans with readers working ahead must say and do exactly what a scan reading on its own
// thread says and does: the same lines, log, messages, questions, fixes and stops.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/Crc32.h"
#include "archive/ZipReader.h"
#include "scanner/ScanFixture.h"

namespace vextral {
namespace {

using test::ListBuilder;
using test::Right;
using test::SetFile;

constexpr int kGames = 120;

std::uint32_t CrcOf(int game, int rom) {
    return 0x10000000u + static_cast<std::uint32_t>(game) * 16 + static_cast<std::uint32_t>(rom);
}

std::string Name(int game) {
    return "g" + std::to_string(1000 + game);
}

// Everything a scan showed or left behind, with the temporary folder's path taken out.
struct Outcome {
    bool finished = false;
    bool fastScan = false;
    std::string log, statistics, tree;
    std::vector<test::ResultLine> lines;
    std::vector<std::string> messages, questions;
    bool operator==(const Outcome&) const = default;
};

struct Scenario {
    const char* name;
    bool fixes;
    bool ask;
    bool fullMerge;
    int stopAfterQuestions;  // 0: every question answered yes
    int stopOnProgressCall;  // 0: never
    bool batchDamages;       // the batch file of g1001 damages every archive
};

class World : public test::ScanFixture {
  public:
    void TestBody() override {}

    void Configure(const Scenario& scenario) {
        ScanOptions& options = scanner.config.options;
        options.FixLength = options.FixSpelling = options.FixUnneeded = options.FixName =
            scenario.fixes;
        options.Ask = scenario.ask;
        options.MergeFull = scenario.fullMerge;
        options.MergeSplit = !scenario.fullMerge;
        if (scenario.stopAfterQuestions > 0) {
            dialogs.askAnswers.assign(static_cast<std::size_t>(scenario.stopAfterQuestions),
                                      AskAnswer::Yes);
            dialogs.askAnswers.push_back(AskAnswer::Stop);
        }
        progress.stopOnCall = scenario.stopOnProgressCall;
        if (scenario.batchDamages) {
            options.Batchrun = true;
            test::WriteFile(scanner.config.programFolder + "_noexist.sh",
                            "[ \"$1\" = g1001 ] || exit 0\n"
                            "for f in \"$(dirname \"$0\")\"/../roms/*.zip; do printf x > \"$f\"; "
                            "done\n");
        }
    }

    // Games of every kind of finding, in turn: good, missing, wrong-case member, wrong
    // length, wrong checksum, unneeded member, wrong-case set name, folder set with a wrong
    // name and a stray folder, damaged archive, clone relying on its parent, member under
    // another ROM's name, empty archive.
    void Build() {
        ListBuilder list;
        for (int i = 0; i < kGames; ++i) {
            auto& game = list.Game(Name(i), "Game " + std::to_string(i));
            if (i % 12 == 9)
                game.CloneOf(Name(i - 9));
            for (int rom = 0; rom < 3; ++rom)
                game.Rom("r" + std::to_string(rom) + ".rom", 8, CrcOf(i, rom));
        }
        Load(list);
        for (int i = 0; i < kGames; ++i) {
            std::vector<SetFile> files;
            for (int rom = 0; rom < 3; ++rom)
                files.push_back(Right("r" + std::to_string(rom) + ".rom", CrcOf(i, rom), 8));
            const std::string name = Name(i);
            switch (i % 12) {
                case 1:
                    continue;
                case 2:
                    files[1].name = "R1.ROM";
                    break;
                case 3:
                    files[2] = Right("r2.rom", CrcOf(i, 2), 12);
                    break;
                case 4:
                    files[0] = Right("r0.rom", 0x12345678, 8);
                    break;
                case 5:
                    files.push_back({"readme.txt", "hello"});
                    break;
                case 6:
                    romFolder.ZipSet("G" + name.substr(1), files);
                    continue;
                case 7:
                    files[0].name = "other.rom";
                    romFolder.FolderSet(name, files).Folder(name + "/extra");
                    continue;
                case 8:
                    romFolder.File(name + ".zip", "no archive, only text");
                    continue;
                case 9:
                    files.erase(files.begin());
                    files[0] = Right("r0.rom", CrcOf(i - 9, 0), 8);
                    break;
                case 10:
                    files[2].name = "r9.rom";
                    break;
                case 11:
                    romFolder.File(name + ".zip", "");
                    continue;
                default:
                    break;
            }
            romFolder.ZipSet(name, files);
        }
        romFolder.File("junk.txt", "junk");
    }

    Outcome Run(unsigned threads) {
        scanner.config.ioThreads = threads;
        Outcome outcome;
        outcome.finished = Scan();
        outcome.fastScan = scanner.result().fastScanAvailable;
        scanner.ShowStatistics();
        outcome.log = Relative(scanner.report().logText());
        outcome.statistics = scanner.report().statisticsText();
        for (test::ResultLine line : sink.lines) {
            line.text = Relative(line.text);
            outcome.lines.push_back(line);
        }
        for (const std::string& text : dialogs.MessageTexts())
            outcome.messages.push_back(Relative(text));
        for (const test::RecordedQuestion& question : dialogs.questions)
            outcome.questions.push_back(question.caption + "|" + Relative(question.question));
        outcome.tree = Tree();
        return outcome;
    }

  private:
    std::string Relative(std::string text) const {
        const std::string root = temp.Path();
        for (auto at = text.find(root); at != std::string::npos; at = text.find(root, at))
            text.replace(at, root.size(), "{T}/");
        return text;
    }

    // Every file below the rom folder with its CRC-32; an archive by its members.
    std::string Tree() const {
        test::FakeDialogs quiet;
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(romFolder.Root())) {
            const std::string path = entry.path().string();
            std::string line = Relative(path);
            std::vector<ZipEntry> members;
            if (entry.is_regular_file() &&
                ZipReader(quiet).ReadZipDirectory(path, members, /*requireZipExtension=*/true,
                                                  /*reportErrors=*/false)) {
                for (const ZipEntry& member : members)
                    line += " " + member.name + ":" + std::to_string(member.crc);
            } else if (entry.is_regular_file()) {
                line += " " + std::to_string(FileCrc(path));
            }
            entries.push_back(line);
        }
        std::sort(entries.begin(), entries.end());
        std::string tree;
        for (const std::string& line : entries)
            tree += line + "\n";
        return tree;
    }
};

TEST(ReadAheadTest, ScansWithReadersSayAndDoWhatAScanOnItsOwnDoes) {
    const std::vector<Scenario> scenarios = {
        {"report only", false, false, false, 0, 0, false},
        {"fix everything unasked", true, false, false, 0, 0, false},
        {"full merge, fix everything", true, false, true, 0, 0, false},
        {"stop in the middle of the fix questions", true, true, false, 30, 0, false},
        {"stop from the progress window", false, false, false, 0, 60, false},
        {"a batch file changes sets read ahead", false, false, false, 0, 0, true},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        Outcome alone;
        for (const unsigned threads : {1u, 2u, 16u}) {
            SCOPED_TRACE(threads);
            World world;
            world.Build();
            world.Configure(scenario);
            const Outcome outcome = world.Run(threads);
            if (threads == 1) {
                alone = outcome;
                // The damaged archives were reached and complained about.
                EXPECT_GE(alone.messages.size(), 2u);
                EXPECT_NE(alone.log.find("wrong spelling"), std::string::npos);
                continue;
            }
            EXPECT_EQ(outcome.log, alone.log);
            EXPECT_EQ(outcome.messages, alone.messages);
            EXPECT_EQ(outcome.questions, alone.questions);
            EXPECT_TRUE(outcome == alone);
        }
    }
}

}  // namespace
}  // namespace vextral
