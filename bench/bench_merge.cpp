// Merges and unmerges a generated rom folder of parents with one to three clones each.
//
//   bench_merge [parents=5000] [work folder=/tmp/vextral-bench-merge] [listed only=0]
//
// "listed only" adds that many families per parent that the list names but that have no set
// in the folder, as most of a full list has.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "RebuildBenchSupport.h"
#include "archive/FileUtils.h"
#include "archive/ZipLibrary.h"
#include "platform/FileSystem.h"
#include "rebuild/Merger.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"

using namespace vextral;

namespace {

RomRecord Rom(const std::string& name, const std::string& data) {
    RomRecord rom;
    rom.name = name;
    rom.size = static_cast<std::uint32_t>(data.size());
    rom.crc = Crc32(0, data.data(), data.size());
    return rom;
}

std::size_t CountEntries(const std::string& folder) {
    return ListFolder(folder).size();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t parents = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 5000;
    const std::string work = argc > 2 ? argv[2] : "/tmp/vextral-bench-merge";
    const std::size_t listedOnly = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 0;
    const std::string root = work + "/";
    (void)RemoveFolderTree(work);
    const std::string roms = root + "roms/";
    if (!CreateFolderTree(roms) || !CreateFolderTree(root + "program/tempzip.vxt/run"))
        return 2;

    // Unmerged folder sets: every clone holds the two ROMs it shares with its parent.
    GameDatabase database;
    std::size_t files = 0;
    for (std::size_t p = 0; p < parents; ++p) {
        const std::string parentName = std::string("p").append(std::to_string(p));
        const std::string shared0 = bench::MakeData(p * 10, 1024 + p % 3000);
        const std::string shared1 = bench::MakeData(p * 10 + 1, 2048);
        GameRecord parent;
        parent.name = parentName;
        parent.description = std::string("Parent ").append(std::to_string(p));
        parent.isParent = true;
        parent.roms = {Rom("a.bin", shared0), Rom("b.bin", shared1)};
        const std::string own = bench::MakeData(p * 10 + 2, 4096);
        parent.roms.push_back(Rom("p.bin", own));
        (void)CreateFolder(roms + parentName);
        bench::WritePlainFile(roms + parentName + "/a.bin", shared0);
        bench::WritePlainFile(roms + parentName + "/b.bin", shared1);
        bench::WritePlainFile(roms + parentName + "/p.bin", own);
        files += 3;
        const auto parentIndex = static_cast<std::uint32_t>(database.size());
        database.games.push_back(parent);
        for (std::size_t c = 0; c < 1 + p % 3; ++c) {
            GameRecord clone;
            clone.name = parentName + "c" + std::to_string(c);
            clone.description =
                std::string("Parent ").append(std::to_string(p)) + " clone " + std::to_string(c);
            clone.isClone = true;
            clone.cloneOf = parentName;
            clone.parentIndex = parentIndex;
            const std::string mine = bench::MakeData(p * 10 + 3 + c, 3000 + c);
            clone.roms = {Rom("a.bin", shared0), Rom("b.bin", shared1), Rom("c.bin", mine)};
            (void)CreateFolder(roms + clone.name);
            bench::WritePlainFile(roms + clone.name + "/a.bin", shared0);
            bench::WritePlainFile(roms + clone.name + "/b.bin", shared1);
            bench::WritePlainFile(roms + clone.name + "/c.bin", mine);
            files += 3;
            database.games[parentIndex].clones.push_back(
                {clone.name, static_cast<std::uint32_t>(database.size())});
            database.games.push_back(clone);
        }
    }
    for (std::size_t p = 0; p < parents * listedOnly; ++p) {
        GameRecord parent;
        parent.name = std::string("q").append(std::to_string(p));
        parent.description = std::string("Listed ").append(std::to_string(p));
        parent.isParent = true;
        parent.roms = {Rom("q.bin", bench::MakeData(p, 64))};
        const auto parentIndex = static_cast<std::uint32_t>(database.size());
        database.games.push_back(parent);
        GameRecord clone = parent;
        clone.name += "c";
        clone.description += " clone";
        clone.isParent = false;
        clone.isClone = true;
        clone.cloneOf = parent.name;
        clone.parentIndex = parentIndex;
        database.games[parentIndex].clones.push_back(
            {clone.name, static_cast<std::uint32_t>(database.size())});
        database.games.push_back(clone);
    }
    database.RebuildIndex();
    const GameSelection selection(database.size());
    std::printf("%zu parents (%zu without sets), %zu games, %zu files\n",
                parents * (1 + listedOnly), parents * listedOnly, database.size(), files);

    bench::SilentDialogs dialogs;
    NullProgress progress;
    bench::SilentResults results;
    ZipLibrary zipLibrary;
    if (!zipLibrary.Load())
        return 2;
    ScanConfig config;
    ScanPaths paths;
    config.programFolder = root + "program/";
    config.scratchFolder = root + "program/tempzip.vxt/run/";
    paths.romList = {roms};
    paths.romFolders = {roms};
    config.options.Backup = false;
    Merger merger(config, paths, dialogs, progress, zipLibrary, database, selection);

    const auto run = [&](const char* what, auto&& action) {
        bench::Stopwatch clock;
        const auto outcome = action();
        std::printf(
            "%-26s %7.2f s wall, %7.2f s cpu, %zu entries in the rom folder, %zu "
            "families skipped%s\n",
            what, clock.Seconds(), clock.CpuSeconds(), CountEntries(roms),
            merger.SkippedParents().size(),
            outcome == Merger::Outcome::Completed ? "" : "  NOT COMPLETED");
    };
    config.options.MergeSplit = true;
    run("split merge (folders):", [&] { return merger.Merge({false}); });
    run("unmerge (folders):", [&] { return merger.Unmerge({false}); });
    config.options.MergeSplit = false;
    config.options.MergeFull = true;
    run("full merge (zipped):", [&] { return merger.Merge({true}); });
    run("unmerge (zipped):", [&] { return merger.Unmerge({true}); });
    (void)RemoveFolderTree(work);
    return 0;
}
