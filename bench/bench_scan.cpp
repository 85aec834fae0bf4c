// Times a whole scan with the default options over a generated collection against a floor
// measured in the same run: every set archive of the folder opened, its local headers
// walked, closed, and nothing else.
//
// usage: bench_scan LIST ROMFOLDER [SAMPLEFOLDER] [ROUNDS]
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

// The folder listing of the scan trusts a folder only a little while after its last change.
void WaitUntilSettled(const std::string& folder) {
    struct stat info {};
    while (::stat(folder.c_str(), &info) == 0 && std::time(nullptr) - info.st_mtim.tv_sec < 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_scan LIST ROMFOLDER [SAMPLEFOLDER] [ROUNDS]\n");
        return 2;
    }
    const std::string listPath = argv[1];
    const std::string romFolder = WithSeparator(argv[2]);
    const std::string sampleFolder = argc > 3 ? argv[3] : "";
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;

    QuietDialogs dialogs;
    NullProgress progress;
    CountingSink sink;
    ZipLibrary zipLibrary;
    GameDatabase database;
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
    if (!scanner.PrepareScan(database, fields)) {
        std::fprintf(stderr, "path check cancelled\n");
        return 1;
    }

    FloorPass(paths);  // warm the page cache
    std::vector<double> floorTimes, scanTimes, floorCpu, scanCpu;
    std::size_t floorMembers = 0;
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        double cpuStart = CpuSeconds();
        floorMembers = FloorPass(paths);
        floorTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        floorCpu.push_back(CpuSeconds() - cpuStart);

        Scanner::ResetBeforeScan(database, /*fullScan=*/true);
        start = Clock::now();
        cpuStart = CpuSeconds();
        const bool completed = scanner.ScanGames(database);
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

    for (auto* times : {&floorTimes, &scanTimes, &floorCpu, &scanCpu})
        std::sort(times->begin(), times->end());
    const double floorMedian = floorTimes[floorTimes.size() / 2];
    const double scanMedian = scanTimes[scanTimes.size() / 2];
    std::printf("games %zu, set archives %zu, members %zu, result lines %d, messages %d\n",
                database.size(), paths.size(), floorMembers, sink.lines, dialogs.messages);
    std::printf("floor (open, walk local headers, close): %.3f s (best %.3f s)\n", floorMedian,
                floorTimes.front());
    std::printf("ScanGames, default options:              %.3f s (best %.3f s)\n", scanMedian,
                scanTimes.front());
    std::printf("ReadZipDirectory alone, processor:        %.3f s\n", readerCpu);
    std::printf("scan / floor: %.2f wall, %.2f processor (%.3f s / %.3f s)\n",
                scanMedian / floorMedian, scanCpu[rounds / 2] / floorCpu[rounds / 2],
                scanCpu[rounds / 2], floorCpu[rounds / 2]);
    std::filesystem::remove_all(scanner.config.programFolder);
    return 0;
}
