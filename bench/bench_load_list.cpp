// Loads, links and validates a list file (any format) and prints the time of each step and
// the peak memory; then keeps the list in a cache in a temporary folder and loads it from
// there, as a start with an unchanged source does. usage: bench_load_list LIST
// Typical input: bench/generate_list --xml /tmp/list.xml; bench/bench_load_list /tmp/list.xml
// (/usr/bin/time -v gives the peak of the whole run as well).

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "database/DatabaseLinker.h"
#include "database/ListCache.h"
#include "database/ListParser.h"
#include "platform/FileSystem.h"

namespace {

class CountingDialogs final : public vextral::Dialogs {
  public:
    int messages = 0;
    vextral::MessageResult ShowMessage(const std::string&, const std::string&, vextral::MessageIcon,
                                       vextral::MessageButtons) override {
        ++messages;
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

// Wall and processor time of one step; the processor time tells more on a busy machine.
class Stopwatch {
  public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}
    double Wall() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    }
    double Cpu() const { return CpuSeconds() - cpu_; }

  private:
    static double CpuSeconds() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};

struct Step {
    double wall = 0;
    double cpu = 0;
};

Step Finish(const Stopwatch& watch) {
    return {watch.Wall(), watch.Cpu()};
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LIST\n", argv[0]);
        return 2;
    }
    vextral::GameDatabase database;
    vextral::RomCrcList romCrcList;
    vextral::NullProgress progress;
    CountingDialogs dialogs;

    Stopwatch watch;
    if (!vextral::ParseListFile(argv[1], database, romCrcList, progress, dialogs, true)) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    const Step parse = Finish(watch);

    watch = Stopwatch();
    vextral::LinkGameDatabase(database, romCrcList);
    const Step link = Finish(watch);

    watch = Stopwatch();
    vextral::DatabaseCounts counts;
    vextral::ValidateGameDatabase(database, true, counts, dialogs);
    const Step validate = Finish(watch);

    std::printf("games %u (parents %u, clones %u, neogeo %u), roms %u, samples %u, warnings %d\n",
                counts.gameCount, counts.parentCount, counts.cloneCount, counts.neoGeoGameCount,
                counts.neoGeoRomCount + counts.arcadeRomCount, counts.totalSampleCount,
                dialogs.messages);
    for (const auto& [label, step] : {std::pair{"wall", 0}, std::pair{"cpu ", 1}}) {
        const auto pick = [column = step](const Step& s) { return column == 0 ? s.wall : s.cpu; };
        std::printf("%s: parse %.3f s, link %.3f s, validate %.3f s, total %.3f s\n", label,
                    pick(parse), pick(link), pick(validate),
                    pick(parse) + pick(link) + pick(validate));
    }
    std::printf("peak RSS after reading %.1f MB\n", PeakMegabytes());

    // The cache: written once, then read into a fresh database.
    char folderTemplate[] = "/tmp/vextral-bench-cache-XXXXXX";
    if (::mkdtemp(folderTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = std::string(folderTemplate) + "/";
    const auto key = vextral::MakeListCacheKey("file", argv[1]);
    watch = Stopwatch();
    const bool saved = key && vextral::SaveListCache(folder, *key, database, {});
    const Step save = Finish(watch);
    database = vextral::GameDatabase();
    std::vector<vextral::ListWarning> warnings;
    watch = Stopwatch();
    const bool loaded = saved && vextral::LoadListCache(folder, *key, database, warnings);
    const Step load = Finish(watch);
    std::uint64_t cacheSize = 0;
    for (const vextral::DirEntry& entry : vextral::ListFolder(folder)) {
        cacheSize += vextral::FileLength(folder + entry.name).value_or(0);
        (void)vextral::DeleteFile(folder + entry.name);
    }
    (void)vextral::RemoveEmptyFolder(folder);
    if (!loaded) {
        std::fprintf(stderr, "the cache could not be written or read back\n");
        return 1;
    }
    std::printf("cache %.1f MB: write %.3f s (cpu %.3f s), load %.3f s (cpu %.3f s), %zu games\n",
                static_cast<double>(cacheSize) / 1e6, save.wall, save.cpu, load.wall, load.cpu,
                database.size());
    std::printf("peak RSS %.1f MB\n", PeakMegabytes());
    return 0;
}
