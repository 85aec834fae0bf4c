// Lists a MAME-sized folder of set archives with ReadZipDirectory and compares the time with
// a floor measured in the same run: the same files opened and their local headers walked
// with the same reads, but nothing listed.
//   bench_list_archives FOLDER [COUNT]
// The archives (COUNT, default 40000, of 8 stored members each) are generated into FOLDER
// when missing.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/Crc32.h"
#include "archive/ZipReader.h"

namespace {

using Clock = std::chrono::steady_clock;

class SilentDialogs : public vextral::Dialogs {
  public:
    vextral::MessageResult ShowMessage(const std::string&, const std::string&, vextral::MessageIcon,
                                       vextral::MessageButtons) override {
        return vextral::MessageResult::Ok;
    }
    vextral::AskAnswer AskUser(const std::string&, const std::string&) override {
        return vextral::AskAnswer::Closed;
    }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

// A set archive of eight stored, zero-filled members of 64 to 512 bytes.
std::string MakeArchive(int index) {
    std::string out;
    std::string central;
    for (int member = 0; member < 8; ++member) {
        const std::string name =
            "set" + std::to_string(index) + "_" + std::to_string(member) + ".bin";
        const std::string data(64u * static_cast<unsigned>(1 + (index + member) % 8), '\0');
        const std::uint32_t crc = vextral::Crc32(0, data.data(), data.size());
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        Put32(out, 0x04034b50);
        Put16(out, 10);
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, size);
        Put32(out, size);
        Put16(out, static_cast<std::uint32_t>(name.size()));
        Put16(out, 0);
        out += name;
        out += data;
        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 10);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, size);
        Put32(central, size);
        Put16(central, static_cast<std::uint32_t>(name.size()));
        Put32(central, 0);
        Put32(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central += name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put32(out, 0);
    Put16(out, 8);
    Put16(out, 8);
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

bool Generate(const std::vector<std::string>& paths) {
    int written = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat status {};
        if (::stat(paths[i].c_str(), &status) == 0)
            continue;
        const std::string bytes = MakeArchive(static_cast<int>(i));
        std::FILE* file = std::fopen(paths[i].c_str(), "wb");
        if (file == nullptr)
            return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !ok)
            return false;
        ++written;
    }
    if (written > 0)
        std::printf("generated %d archives\n", written);
    return true;
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The floor: open, one 64 KiB read, walk the local headers (30 bytes + name, skip the data),
// close. Returns the number of members seen.
std::size_t FloorPass(const std::vector<std::string>& paths) {
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::size_t members = 0;
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), 0);
        std::size_t position = 0;
        const std::size_t length = got > 0 ? static_cast<std::size_t>(got) : 0;
        while (position + 30 <= length && Read32(&buffer[position]) == 0x04034b50) {
            const std::uint8_t* header = &buffer[position];
            const std::size_t nameLength = header[26] | (header[27] << 8);
            const std::size_t extraLength = header[28] | (header[29] << 8);
            position += 30 + nameLength + extraLength + Read32(header + 18);
            ++members;
        }
        ::close(fd);
    }
    return members;
}

std::size_t ReaderPass(const std::vector<std::string>& paths) {
    SilentDialogs dialogs;
    const vextral::ZipReader reader(dialogs);
    std::vector<vextral::ZipEntry> entries;
    std::size_t members = 0;
    for (const std::string& path : paths) {
        if (!reader.ReadZipDirectory(path, entries, false, true)) {
            std::fprintf(stderr, "cannot list %s\n", path.c_str());
            std::exit(1);
        }
        members += entries.size();
    }
    return members;
}

template <typename Pass>
double Seconds(Pass pass, const std::vector<std::string>& paths, std::size_t& members) {
    const auto start = Clock::now();
    members = pass(paths);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const int count = argc > 2 ? std::atoi(argv[2]) : 40000;
    ::mkdir(folder.c_str(), 0777);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "set%05d.zip", i);
        paths.push_back(folder + name);
    }
    if (!Generate(paths)) {
        std::fprintf(stderr, "cannot generate archives in %s\n", folder.c_str());
        return 1;
    }

    std::size_t floorMembers = 0;
    std::size_t readerMembers = 0;
    FloorPass(paths);  // warm the page cache
    constexpr int kRounds = 5;
    std::vector<double> floorTimes;
    std::vector<double> readerTimes;
    for (int round = 0; round < kRounds; ++round) {
        floorTimes.push_back(Seconds(FloorPass, paths, floorMembers));
        readerTimes.push_back(Seconds(ReaderPass, paths, readerMembers));
    }
    std::sort(floorTimes.begin(), floorTimes.end());
    std::sort(readerTimes.begin(), readerTimes.end());
    if (floorMembers != readerMembers) {
        std::fprintf(stderr, "member counts differ: floor %zu, reader %zu\n", floorMembers,
                     readerMembers);
        return 1;
    }
    const double floorMedian = floorTimes[kRounds / 2];
    const double readerMedian = readerTimes[kRounds / 2];
    std::printf("archives %d, members %zu, %d rounds (median / best)\n", count, readerMembers,
                kRounds);
    std::printf("floor (open, read, walk headers): %.3f s / %.3f s, %.2f us per archive\n",
                floorMedian, floorTimes[0], floorMedian * 1e6 / count);
    std::printf("ReadZipDirectory:                 %.3f s / %.3f s, %.2f us per archive\n",
                readerMedian, readerTimes[0], readerMedian * 1e6 / count);
    std::printf("reader / floor: %.2f\n", readerMedian / floorMedian);
    return 0;
}
