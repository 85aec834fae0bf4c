// Interim entry point: "vextral list-info FILE" loads a list file, validates it and prints
// its counts; list problems are printed to standard error.

#include <cstdio>
#include <string>
#include <string_view>

#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"

namespace {

class StderrDialogs final : public vextral::Dialogs {
  public:
    vextral::MessageResult ShowMessage(const std::string& text, const std::string& caption,
                                       vextral::MessageIcon, vextral::MessageButtons) override {
        std::fprintf(stderr, "%s: %s\n\n", caption.c_str(), text.c_str());
        return vextral::MessageResult::Ok;
    }
    vextral::AskAnswer AskUser(const std::string&, const std::string&) override {
        return vextral::AskAnswer::No;
    }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

int ListInfo(const std::string& path) {
    vextral::GameDatabase database;
    vextral::NullProgress progress;
    StderrDialogs dialogs;
    if (!vextral::LoadListFile(database, path, progress, dialogs, /*listInfoWarnings=*/true)) {
        std::fprintf(stderr, "%s: no games could be read\n", path.c_str());
        return 1;
    }
    vextral::DatabaseCounts counts;
    vextral::ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    std::printf(
        "games: %u\nparents: %u\nclones: %u\nneogeo games: %u\nneogeo roms: %u\n"
        "arcade games: %u\narcade roms: %u\nsamples: %u\nbad dumps: %u\n",
        counts.gameCount, counts.parentCount, counts.cloneCount, counts.neoGeoGameCount,
        counts.neoGeoRomCount, counts.arcadeGameCount, counts.arcadeRomCount,
        counts.totalSampleCount, counts.badDumpCount);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "list-info")
        return ListInfo(argv[2]);
    std::fprintf(stderr, "usage: vextral list-info FILE\n");
    return 2;
}
