// Lists an arbitrary file as a zip archive and extracts every member it finds. Run through
// scripts/fuzz.sh; with VEXTRAL_FUZZ_SEEDS=<folder> it writes seed archives there and ends.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "support/ZipBuilder.h"

namespace {

using vextral::test::Descriptor;
using vextral::test::ZipBuilder;

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

// One scratch folder per fuzzing process, removed at exit.
class Scratch {
  public:
    Scratch() {
        char pattern[] = "/tmp/vextral-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            std::abort();
        folder_ = pattern;
    }
    ~Scratch() {
        ::unlink(Input().c_str());
        ::unlink(Output().c_str());
        ::rmdir(folder_.c_str());
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string Input() const { return folder_ + "/input.zip"; }
    std::string Output() const { return folder_ + "/member.out"; }

  private:
    std::string folder_;
};

void WriteSeeds(const std::string& folder) {
    const std::string text = "seed data seed data seed data 0123456789";
    std::vector<ZipBuilder> seeds(7);
    seeds[0].Add("a.rom", text).AddDeflated("roms/b.rom", text + text).AddFolder("roms/");
    seeds[1].AddDeflated("d.rom", text);
    seeds[1].Last().descriptor = Descriptor::Signed;
    seeds[1].Add("e.rom", "e");
    seeds[1].Last().descriptor = Descriptor::Plain;
    seeds[2].Add("odd.rom", text);
    seeds[2].Last().method = 6;
    seeds[2].Last().extra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
    seeds[3].Add("empty.rom", "").AddDeflated("empty2.rom", "");
    seeds[4].AddDeflated("s.rom", text);
    seeds[4].Last().descriptor = Descriptor::Plain;
    seeds[4].Last().streamed = true;
    seeds[5].Add("x", "1").Add("x", "2").Trailing("trailing");
    // seeds[6]: no members, only the end record.
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        seeds[i].Write(folder + "/seed" + std::to_string(i) + ".zip");
    }
}

bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    while (ok && size > 0) {
        const ssize_t written = ::write(fd, data, size);
        ok = written > 0;
        if (ok) {
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("VEXTRAL_FUZZ_SEEDS")) {
        WriteSeeds(seeds);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    SilentDialogs dialogs;
    if (!WriteInput(scratch.Input(), data, size))
        std::abort();

    std::vector<vextral::ZipEntry> entries;
    (void)vextral::ZipReader(dialogs).ReadZipDirectory(scratch.Input(), entries,
                                                       /*requireZipExtension=*/false,
                                                       /*reportErrors=*/true);
    for (const vextral::ZipEntry& entry : entries) {
        if (vextral::ExtractZipEntry(entry, scratch.Output(), dialogs)) {
            ::unlink(scratch.Output().c_str());
        }
    }
    return 0;
}
