// Times a whole scan with the default options over a generated collection against a floor
// measured in the same run: every set archive of the folder opened, its local headers
// walked, closed, and nothing else, on one thread and on as many threads as the scan's
// readers. With --cold every file of the collection is dropped from the page cache before
// each timed pass (no root needed), as after a boot or on a network share.
//
// usage: bench_scan [--cold] [--io-threads N] LIST ROMFOLDER [SAMPLEFOLDER] [ROUNDS]
// (generate_list LIST, then generate_collection LIST ROMFOLDER)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"
#include "platform/FileSystem.h"
#include "scanner/Scanner.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"
#include "ui/ResultSink.h"

namespace {

using namespace vextral;
using Clock = std::chrono::steady_clock;

// The machine may be shared: processor time shows the work itself, wall time the wait too.
double CpuSeconds() {
    std::timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class QuietDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string&, const std::string&, MessageIcon,
                              MessageButtons buttons) override {
        ++messages;
        return buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    int messages = 0;
};

class CountingSink final : public ResultSink {
  public:
    void AddResultLine(const std::string&, bool, int) override { ++lines; }
    void ClearResults() override { lines = 0; }
    int lines = 0;
};

std::uint32_t Read32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Open, read, walk the local headers (seeking over the data), close.
std::size_t FloorPass(const std::vector<std::string>& paths) {
    std::size_t members = 0;
    std::uint8_t header[30];
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        off_t position = 0;
        while (::pread(fd, header, sizeof header, position) == sizeof header &&
               Read32(header) == 0x04034B50) {
            const std::uint32_t nameLength = header[26] | (header[27] << 8);
            const std::uint32_t extraLength = header[28] | (header[29] << 8);
            const std::uint32_t compressed = Read32(header + 18);
            char name[65536];
            if (::pread(fd, name, nameLength + extraLength, position + 30) !=
                static_cast<ssize_t>(nameLength + extraLength))
                break;
            position += 30 + nameLength + extraLength + compressed;
            ++members;
        }
        ::close(fd);
    }
    return members;
}

// The floor on `threads` threads, each walking every threads-th archive.
std::size_t FloorPass(const std::vector<std::string>& paths, unsigned threads) {
    if (threads <= 1)
        return FloorPass(paths);
    std::vector<std::vector<std::string>> shares(threads);
    for (std::size_t i = 0; i < paths.size(); ++i)
        shares[i % threads].push_back(paths[i]);
    std::vector<std::size_t> members(threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&, t] { members[t] = FloorPass(shares[t]); });
    for (std::thread& worker : workers)
        worker.join();
    std::size_t total = 0;
    for (const std::size_t count : members)
        total += count;
    return total;
}

// Drops every file below folder from the page cache.
void Evict(const std::string& folder) {
    if (folder.empty())
        return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// The folder listing of the scan trusts a folder only a little while after its last change.
void WaitUntilSettled(const std::string& folder) {
    struct stat info {};
    while (::stat(folder.c_str(), &info) == 0 && std::time(nullptr) - info.st_mtim.tv_sec < 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool cold = false;
    unsigned ioThreads = ScanConfig{}.ioThreads;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--cold")
            cold = true;
        else if (argument == "--io-threads" && i + 1 < argc)
            ioThreads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else
            positional.push_back(argument);
    }
    if (positional.size() < 2) {
        std::fprintf(stderr,
                     "usage: bench_scan [--cold] [--io-threads N] LIST ROMFOLDER [SAMPLEFOLDER] "
                     "[ROUNDS]\n");
        return 2;
    }
    const std::string listPath = positional[0];
    const std::string romFolder = WithSeparator(positional[1]);
    const std::string sampleFolder = positional.size() > 2 ? positional[2] : "";
    const int rounds = positional.size() > 3 ? std::max(1, std::atoi(positional[3].c_str())) : 3;

    QuietDialogs dialogs;
    NullProgress progress;
    CountingSink sink;
    ZipLibrary zipLibrary;
    GameDatabase database;
    GameSelection selection;  // sized by PrepareScan
    if (!LoadListFile(database, listPath, progress, dialogs, /*listInfoWarnings=*/false)) {
        std::fprintf(stderr, "cannot read %s\n", listPath.c_str());
        return 1;
    }
    Scanner scanner(dialogs, progress, sink, zipLibrary);
    ValidateGameDatabase(database, /*listInfoWarnings=*/false, scanner.config.databaseCounts,
                         dialogs);

    char programTemplate[] = "/tmp/vextral-bench-XXXXXX";
    if (::mkdtemp(programTemplate) == nullptr)
        return 1;
    scanner.config.programFolder = std::string(programTemplate) + "/";
    scanner.config.pathWarning = false;
    scanner.config.ioThreads = ioThreads;

    std::vector<std::string> paths;
    for (const DirEntry& entry : ListFolder(romFolder)) {
        if (!entry.isFolder && EndsWithIgnoringCase(entry.name, ".zip"))
            paths.push_back(romFolder + entry.name);
    }
    WaitUntilSettled(romFolder);
    if (!sampleFolder.empty())
        WaitUntilSettled(sampleFolder);

    PathFields fields;
    fields.rom = romFolder;
    fields.sample = sampleFolder;
    if (!scanner.PrepareScan(database, selection, fields)) {
        std::fprintf(stderr, "path check cancelled\n");
        return 1;
    }

    const auto prepare = [&] {
        if (cold) {
            Evict(romFolder);
            Evict(sampleFolder);
        } else {
            FloorPass(paths);  // warm the page cache
        }
    };
    std::vector<double> floorTimes, threadedFloorTimes, scanTimes, floorCpu, scanCpu;
    std::size_t floorMembers = 0;
    for (int round = 0; round < rounds; ++round) {
        prepare();
        auto start = Clock::now();
        double cpuStart = CpuSeconds();
        floorMembers = FloorPass(paths);
        floorTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        floorCpu.push_back(CpuSeconds() - cpuStart);

        prepare();
        start = Clock::now();
        FloorPass(paths, ioThreads);
        threadedFloorTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());

        prepare();
        Scanner::ResetBeforeScan(selection, /*fullScan=*/true);
        start = Clock::now();
        cpuStart = CpuSeconds();
        const bool completed = scanner.ScanGames(database, selection);
        scanTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        scanCpu.push_back(CpuSeconds() - cpuStart);
        if (!completed) {
            std::fprintf(stderr, "scan stopped\n");
            return 1;
        }
    }
    // For reference: the zip reader alone over the same archives.
    double readerCpu = CpuSeconds();
    {
        ZipReader reader(dialogs);
        std::vector<ZipEntry> members;
        for (const std::string& path : paths)
            static_cast<void>(reader.ReadZipDirectory(path, members, false, true));
    }
    readerCpu = CpuSeconds() - readerCpu;

    for (auto* times : {&floorTimes, &threadedFloorTimes, &scanTimes, &floorCpu, &scanCpu})
        std::sort(times->begin(), times->end());
    const double floorMedian = floorTimes[floorTimes.size() / 2];
    const double scanMedian = scanTimes[scanTimes.size() / 2];
    std::printf("%s page cache, %u reader threads\n", cold ? "cold" : "warm", ioThreads);
    std::printf("games %zu, set archives %zu, members %zu, result lines %d, messages %d\n",
                database.size(), paths.size(), floorMembers, sink.lines, dialogs.messages);
    std::printf("floor (open, walk local headers, close): %.3f s (best %.3f s)\n", floorMedian,
                floorTimes.front());
    std::printf("floor on %u threads:                     %.3f s (best %.3f s)\n", ioThreads,
                threadedFloorTimes[threadedFloorTimes.size() / 2], threadedFloorTimes.front());
    std::printf("ScanGames, default options:              %.3f s (best %.3f s)\n", scanMedian,
                scanTimes.front());
    std::printf("ReadZipDirectory alone, processor:        %.3f s\n", readerCpu);
    std::printf("scan / floor: %.2f wall, %.2f processor (%.3f s / %.3f s)\n",
                scanMedian / floorMedian, scanCpu[rounds / 2] / floorCpu[rounds / 2],
                scanCpu[rounds / 2], floorCpu[rounds / 2]);
    std::filesystem::remove_all(scanner.config.programFolder);
    return 0;
}
