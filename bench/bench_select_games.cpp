// Times the path check and the game selection at collection scale: a rom folder of 40,000
// archives against a list of 45,000 games.
//
//   bench_select_games [scratch-folder]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "archive/ZipLibrary.h"
#include "platform/FileSystem.h"
#include "scanner/Scanner.h"

namespace {

using namespace vextral;
namespace fs = std::filesystem;

constexpr int kGames = 45000;
constexpr int kEntries = 40000;

class AnswerOk final : public Dialogs {
  public:
    int messages = 0;
    MessageResult ShowMessage(const std::string&, const std::string&, MessageIcon,
                              MessageButtons) override {
        ++messages;
        return MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

class NoResults final : public ResultSink {
  public:
    void AddResultLine(const std::string&, bool, int) override {}
    void ClearResults() override {}
};

std::string GameName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "game%05d", i);
    return name;
}

// A folder of empty files; its time stamp is moved into the past so that its listing is
// trusted and reused, as for a collection that is not being written to.
void MakeFolder(const std::string& folder, const char* prefix) {
    fs::create_directories(folder);
    for (int i = 0; i < kEntries; ++i) {
        std::ofstream(folder + prefix + GameName(i).substr(4) + ".zip");
    }
    fs::last_write_time(folder, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

template <typename F>
double Milliseconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base =
        CanonicalPath((argc > 1 ? std::string(argv[1]) : fs::temp_directory_path().string()) +
                      "/vextral-bench-select/");
    fs::remove_all(base);
    // Entries named like games, and entries named like no game (worst case of the check).
    MakeFolder(base + "roms/", "game");
    MakeFolder(base + "other/", "none");

    GameDatabase database;
    database.games.resize(kGames);
    for (int i = 0; i < kGames; ++i) {
        GameRecord& game = database.games[static_cast<std::size_t>(i)];
        game.name = GameName(kGames - 1 - i);  // database order differs from name order
        game.description = game.name;
        game.romCount = 10;
        game.sampleCount = i % 10 == 0 ? 1 : 0;
        if (i % 3 == 1) {
            game.isClone = true;
            game.parentIndex = static_cast<std::uint32_t>(i - 1);
            database.games[static_cast<std::size_t>(i - 1)].isParent = true;
            database.games[static_cast<std::size_t>(i - 1)].clones.push_back(
                {game.name, static_cast<std::uint32_t>(i)});
        }
    }
    database.RebuildIndex();
    GameSelection selection(database.size());

    AnswerOk dialogs;
    NullProgress progress;
    NoResults results;
    ZipLibrary zipLibrary;
    Scanner scanner(dialogs, progress, results, zipLibrary);
    scanner.config.pathWarning = true;

    PathFields fields;
    fields.rom = base + "roms;" + base + "other";
    fields.sample = base + "other";
    bool proceed = false;
    const double cold =
        Milliseconds([&] { proceed = scanner.PrepareScan(database, selection, fields); });
    dialogs.messages = 0;
    const double warm =
        Milliseconds([&] { proceed = scanner.PrepareScan(database, selection, fields); });
    std::printf(
        "PrepareScan, 2 rom folders + 1 sample folder of %d entries, %d games, "
        "path warnings on: first %.1f ms, again %.1f ms (%d warnings each, result %d)\n",
        kEntries, kGames, cold, warm, dialogs.messages, proceed ? 1 : 0);

    std::size_t selected = 0;
    for (const char* pattern : {"game1*", "*", "game0123?"}) {
        scanner.paths.chosenList = {pattern};
        const double ms = Milliseconds([&] { scanner.SelectGames(database, selection); });
        selected = 0;
        for (const GameMarks& marks : selection)
            selected += marks.selected ? 1 : 0;
        std::printf("SelectGames \"%s\" (merge on): %.1f ms, %zu selected\n", pattern, ms,
                    selected);
    }

    fs::remove_all(base);
    return 0;
}
