// Times a scan that fixes case over many set folders, or over one set folder of many files:
// SETS set folders named in upper case for lower-case games, each holding FILES loose ROMs of
// which every tenth (and the first) is named in upper case too. Generated afresh in FOLDER
// for each round, since the scan renames them. With --no-fix the same scan only reports
// (a set of a hundred thousand files shows what judging every file costs).
//
// usage: bench_case_fix FOLDER SETS FILES [--no-fix] [ROUNDS]
// (bench_case_fix /tmp/casefix 2000 1; bench_case_fix /tmp/casefix 1 20000)

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "RebuildBenchSupport.h"
#include "archive/Crc32.h"
#include "archive/ZipLibrary.h"
#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "scanner/Scanner.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"
#include "ui/ResultSink.h"

namespace {

using namespace vextral;
using Clock = std::chrono::steady_clock;

std::string Upper(std::string text) {
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::string GameName(int game) {
    char name[16];
    std::snprintf(name, sizeof name, "g%05d", game);
    return name;
}

std::string RomName(int rom) {
    char name[16];
    std::snprintf(name, sizeof name, "r%06d.rom", rom);
    return name;
}

std::string RomData(int game, int rom) {
    return std::to_string(game) + ":" + std::to_string(rom);
}

bool WrongCase(int rom) {
    return rom % 10 == 0;
}

void WriteList(const std::string& path, int sets, int files) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    for (int game = 0; game < sets; ++game) {
        std::fprintf(out, "game (\n\tname %s\n\tdescription \"Game %d\"\n", GameName(game).c_str(),
                     game);
        for (int rom = 0; rom < files; ++rom) {
            const std::string data = RomData(game, rom);
            std::fprintf(out, "\trom ( name %s size %zu crc %08x )\n", RomName(rom).c_str(),
                         data.size(), Crc32(0, data.data(), data.size()));
        }
        std::fprintf(out, ")\n\n");
    }
    std::fclose(out);
}

void WriteSets(const std::string& romFolder, int sets, int files) {
    std::filesystem::remove_all(romFolder);
    std::filesystem::create_directories(romFolder);
    for (int game = 0; game < sets; ++game) {
        const std::string folder = romFolder + Upper(GameName(game)) + kSeparator;
        std::filesystem::create_directory(folder);
        for (int rom = 0; rom < files; ++rom) {
            const std::string name = WrongCase(rom) ? Upper(RomName(rom)) : RomName(rom);
            std::FILE* out = std::fopen((folder + name).c_str(), "w");
            const std::string data = RomData(game, rom);
            std::fwrite(data.data(), 1, data.size(), out);
            std::fclose(out);
        }
    }
}

// The folder listing of the scan trusts a folder only a little while after its last change.
void WaitUntilSettled(const std::string& folder) {
    struct stat info {};
    while (::stat(folder.c_str(), &info) == 0 && std::time(nullptr) - info.st_mtim.tv_sec < 4)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_case_fix FOLDER SETS FILES [--no-fix] [ROUNDS]\n");
        return 2;
    }
    const std::string folder = WithSeparator(argv[1]);
    const int sets = std::max(1, std::atoi(argv[2]));
    const int files = std::max(1, std::atoi(argv[3]));
    int next = 4;
    const bool fix = !(argc > next && std::string(argv[next]) == "--no-fix");
    if (!fix)
        ++next;
    const int rounds = argc > next ? std::max(1, std::atoi(argv[next])) : 2;

    std::filesystem::create_directories(folder);
    const std::string listPath = folder + "list.dat";
    const std::string romFolder = folder + "roms/";
    WriteList(listPath, sets, files);

    bench::SilentDialogs dialogs;
    NullProgress progress;
    bench::SilentResults sink;
    ZipLibrary zipLibrary;
    GameDatabase database;
    GameSelection selection;  // sized by PrepareScan
    if (!zipLibrary.Load() ||
        !LoadListFile(database, listPath, progress, dialogs, /*listInfoWarnings=*/false)) {
        std::fprintf(stderr, "cannot read %s\n", listPath.c_str());
        return 1;
    }
    Scanner scanner(dialogs, progress, sink, zipLibrary);
    ValidateGameDatabase(database, /*listInfoWarnings=*/false, scanner.config.databaseCounts,
                         dialogs);
    scanner.config.programFolder = folder + "program/";
    scanner.config.scratchFolder = folder + "program/scratch/";
    std::filesystem::create_directories(scanner.config.scratchFolder);
    scanner.config.pathWarning = false;
    ScanOptions& options = scanner.config.options;
    options.Spelling = true;
    options.FixSpelling = fix;
    options.Ask = false;

    double best = 0;
    for (int round = 0; round < rounds; ++round) {
        WriteSets(romFolder, sets, files);
        WaitUntilSettled(romFolder);
        // The last set folder written is the last to settle; a collection is older than that.
        WaitUntilSettled(romFolder + Upper(GameName(sets - 1)));
        PathFields fields;
        fields.rom = romFolder;
        fields.sample = romFolder;
        if (!scanner.PrepareScan(database, selection, fields)) {
            std::fprintf(stderr, "path check cancelled\n");
            return 1;
        }
        Scanner::ResetBeforeScan(selection, /*fullScan=*/true);
        const auto start = Clock::now();
        if (!scanner.ScanGames(database, selection)) {
            std::fprintf(stderr, "scan stopped\n");
            return 1;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = round == 0 ? seconds : std::min(best, seconds);
        std::printf("round %d: %.3f s, set names fixed %u of %u, file names fixed %u of %u\n",
                    round + 1, seconds, scanner.report().counters().wrongCaseGamesFixed,
                    scanner.report().counters().wrongCaseGames,
                    scanner.report().counters().wrongCaseRomsFixed,
                    scanner.report().counters().wrongCaseRoms);
    }
    std::printf("%d set folders of %d files, %s: best %.3f s\n", sets, files,
                fix ? "case fixed" : "reported", best);
    std::filesystem::remove_all(romFolder);
    return 0;
}
