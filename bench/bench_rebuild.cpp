// Rebuilds a generated source folder (loose files under wrong names and stored zips) into
// sets, and compares with a plain copy of the same bytes measured in the same run. The zipped
// rebuild is set beside its floor: one deflate pass at level 9 over the bytes it compresses,
// divided by the number of cores.
//
//   bench_rebuild [megabytes=1024] [work folder=/tmp/vextral-bench-rebuild] [many|large]
//
// "many" makes sets of 8 ROMs up to the size asked; "large" makes one set of 100 ROMs of
// 1 to 3 MB (about 200 MB).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RebuildBenchSupport.h"
#include "archive/Deflate.h"
#include "archive/FileUtils.h"
#include "archive/ZipLibrary.h"
#include "platform/FileSystem.h"
#include "platform/WorkerPool.h"
#include "rebuild/Rebuilder.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"

using namespace vextral;

namespace {

constexpr std::size_t kRomSizes[] = {64 * 1024, 256 * 1024, 1024 * 1024, 2048 * 1024};
constexpr std::size_t kRomsPerGame = 8;
constexpr std::size_t kLargeRomSizes[] = {1024 * 1024, 2048 * 1024, 3072 * 1024};
constexpr std::size_t kLargeSetRoms = 100;

std::uint64_t CopyAll(const std::string& from, const std::string& to) {
    std::uint64_t bytes = 0;
    (void)CreateFolder(to);
    for (const auto& entry : ListFolder(from)) {
        if (entry.isFolder) {
            bytes += CopyAll(from + entry.name + "/", to + entry.name + "/");
        } else if (CopyFileTo(from + entry.name, to + entry.name, CopyMode::ReplaceExisting)) {
            bytes += FileLength(to + entry.name).value_or(0);
        }
    }
    return bytes;
}

// The same copy through a user-space buffer: every byte passes through the program once,
// as it must for a rebuild that checksums it.
std::uint64_t CopyAllBuffered(const std::string& from, const std::string& to) {
    std::uint64_t bytes = 0;
    (void)CreateFolder(to);
    std::vector<char> buffer(1 << 20);
    for (const auto& entry : ListFolder(from)) {
        if (entry.isFolder) {
            bytes += CopyAllBuffered(from + entry.name + "/", to + entry.name + "/");
            continue;
        }
        std::FILE* in = std::fopen((from + entry.name).c_str(), "rb");
        std::FILE* out = std::fopen((to + entry.name).c_str(), "wb");
        if (in != nullptr && out != nullptr) {
            std::size_t n = 0;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
                bytes += std::fwrite(buffer.data(), 1, n, out);
            }
        }
        if (in != nullptr)
            std::fclose(in);
        if (out != nullptr)
            std::fclose(out);
    }
    return bytes;
}

std::uint64_t TreeBytes(const std::string& folder) {
    std::uint64_t bytes = 0;
    for (const auto& entry : ListFolder(folder)) {
        bytes += entry.isFolder ? TreeBytes(folder + entry.name + "/")
                                : FileLength(folder + entry.name).value_or(0);
    }
    return bytes;
}

// One thread compressing every file below folder once, as the zipped rebuild does.
std::uint64_t DeflateTree(const std::string& folder) {
    std::uint64_t bytes = 0;
    for (const auto& entry : ListFolder(folder)) {
        if (entry.isFolder) {
            bytes += DeflateTree(folder + entry.name + "/");
        } else if (const auto deflated = DeflateFile(folder + entry.name)) {
            bytes += deflated->size;
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::string work = argc > 2 ? argv[2] : "/tmp/vextral-bench-rebuild";
    const bool large = argc > 3 && std::string(argv[3]) == "large";
    const std::string root = work + "/";
    (void)RemoveFolderTree(work);
    if (!CreateFolderTree(root + "program/tempzip.vxt/run"))
        return 2;
    const std::string source = root + "source/";
    if (!CreateFolderTree(source))
        return 2;

    // The list and the source in one pass: every second game's ROMs lie loose under other
    // names, the others sit in a stored zip named after nothing in the list.
    GameDatabase database;
    std::uint64_t generated = 0;
    for (std::size_t g = 0; large ? g < 1 : generated < megabytes * 1024 * 1024; ++g) {
        GameRecord game;
        game.name = "game" + std::to_string(g);
        game.description = "Game " + std::to_string(g);
        std::vector<std::pair<std::string, std::string>> members;
        const std::string folder = source + "dump" + std::to_string(g % 16) + "/";
        (void)CreateFolder(folder);
        for (std::size_t r = 0; r < (large ? kLargeSetRoms : kRomsPerGame); ++r) {
            const std::size_t size = large ? kLargeRomSizes[r % 3] : kRomSizes[(g + r) % 4];
            const std::string data = bench::MakeData(g * 100 + r, size);
            RomRecord rom;
            rom.name = "rom" + std::to_string(r) + ".bin";
            rom.size = static_cast<std::uint32_t>(size);
            rom.crc = Crc32(0, data.data(), data.size());
            game.roms.push_back(rom);
            generated += size;
            if ((large ? r : g) % 2 == 0) {
                bench::WritePlainFile(
                    folder + "file" + std::to_string(g) + "_" + std::to_string(r) + ".dat", data);
            } else {
                members.emplace_back("x/" + std::to_string(r) + ".rom", data);
            }
        }
        if (!members.empty())
            bench::WriteStoredZip(folder + "pack" + std::to_string(g) + ".zip", members);
        game.romCount = static_cast<std::uint32_t>(game.roms.size());
        database.games.push_back(std::move(game));
    }
    database.RebuildIndex();
    const GameSelection selection(database.size());
    const std::uint64_t sourceBytes = TreeBytes(source);
    std::printf("source: %zu games, %.1f MB of ROM data, %.1f MB on disk\n", database.size(),
                static_cast<double>(generated) / 1048576.0,
                static_cast<double>(sourceBytes) / 1048576.0);

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

    bench::Stopwatch copyClock;
    const std::uint64_t copied = CopyAll(source, root + "copy/");
    const double copySeconds = copyClock.Seconds();
    const double copyCpu = copyClock.CpuSeconds();
    std::printf("plain copy:        %7.2f s wall, %7.2f s cpu  (%.1f MB)\n", copySeconds, copyCpu,
                static_cast<double>(copied) / 1048576.0);

    bench::Stopwatch bufferedClock;
    CopyAllBuffered(source, root + "copy2/");
    std::printf("buffered copy:     %7.2f s wall, %7.2f s cpu\n", bufferedClock.Seconds(),
                bufferedClock.CpuSeconds());

    Rebuilder rebuilder(config, dialogs, progress, zipLibrary, database, selection);
    double floor = 0;
    for (const bool zip : {false, true}) {
        const std::string destination = root + (zip ? "zipped/" : "loose/");
        bench::Stopwatch clock;
        rebuilder.BuildIndex();
        RebuildOptions options;
        options.zip = zip;
        const auto outcome = rebuilder.Rebuild(source, destination, options);
        const double seconds = clock.Seconds();
        const double cpu = clock.CpuSeconds();
        std::printf(
            "rebuild %-9s  %7.2f s wall, %7.2f s cpu  (%.2fx / %.2fx the copy, %.1f MB "
            "written)%s\n",
            zip ? "zipped:" : "loose:", seconds, cpu, seconds / copySeconds, cpu / copyCpu,
            static_cast<double>(TreeBytes(destination)) / 1048576.0,
            outcome == Rebuilder::Outcome::Completed ? "" : "  NOT COMPLETED");
        if (zip) {
            std::printf("zipped / floor:     %7.2fx\n", seconds / floor);
            continue;
        }
        // The loose sets hold exactly the bytes the zipped rebuild compresses.
        bench::Stopwatch deflateClock;
        const std::uint64_t deflated = DeflateTree(destination);
        const double onePass = deflateClock.Seconds();
        floor = onePass / WorkerPool::CoreCount();
        std::printf(
            "one deflate-9 pass: %7.2f s wall, %7.2f s cpu (%.1f MB); floor on %u cores: %.2f s\n",
            onePass, deflateClock.CpuSeconds(), static_cast<double>(deflated) / 1048576.0,
            WorkerPool::CoreCount(), floor);
    }
    (void)RemoveFolderTree(work);
    return 0;
}
