// vextral-demo-collection LIST OUTPUT: writes OUTPUT/roms and OUTPUT/samples for the demo
// list, one example of every kind of problem the scan finds. ROM contents are generated
// bytes steered onto the checksums of the list; the output folders are made afresh.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/FileUtils.h"
#include "archive/ZipLibrary.h"
#include "database/GameListLoader.h"
#include "platform/FileSystem.h"

namespace {

using vextral::GameDatabase;

std::uint32_t CrcOf(const std::string& data) {
    return static_cast<std::uint32_t>(
        ::crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

// length bytes (at least 4) whose CRC-32 is crc: filler from seed, then four bytes chosen by
// running the CRC register backwards from the wanted value.
std::string DataWithCrc(std::uint32_t crc, std::size_t length, std::uint32_t seed) {
    static const std::array<std::uint32_t, 256> table = MakeTable();
    std::string data(length - 4, '\0');
    std::uint32_t x = seed * 2654435761U + 1;
    for (char& c : data) {
        x = x * 1103515245U + 12345U;
        c = static_cast<char>(x >> 24);
    }
    const std::uint32_t before = ~CrcOf(data);
    std::uint32_t state = ~crc;
    for (int k = 0; k < 4; ++k) {
        std::uint32_t index = 0;
        while ((table[index] >> 24) != (state >> 24))
            ++index;
        state = ((state ^ table[index]) << 8) | index;
    }
    const std::uint32_t tail = state ^ before;
    for (int k = 0; k < 4; ++k)
        data += static_cast<char>((tail >> (8 * k)) & 0xFF);
    return data;
}

struct File {
    std::string name;
    std::string data;
};

class DemoWriter {
  public:
    DemoWriter(const GameDatabase& database, std::string staging)
        : database_(database), staging_(std::move(staging)) {}

    bool ok = true;

    // The ROM of the list with its right contents, stored under another name when given.
    File Rom(const std::string& game, const std::string& rom, const std::string& storedAs = {},
             int lengthChange = 0, std::optional<std::uint32_t> crc = std::nullopt) {
        const vextral::RomRecord* record = Find(game, rom);
        if (record == nullptr) {
            std::fprintf(stderr, "demo list lacks %s/%s\n", game.c_str(), rom.c_str());
            ok = false;
            return {rom, {}};
        }
        const auto length =
            static_cast<std::size_t>(static_cast<long>(record->size) + lengthChange);
        ++seed_;
        return {storedAs.empty() ? rom : storedAs,
                DataWithCrc(crc.value_or(record->crc), length, seed_)};
    }
    // The ROM with the complement of its listed checksum.
    File ComplementedRom(const std::string& game, const std::string& rom) {
        const vextral::RomRecord* record = Find(game, rom);
        return Rom(game, rom, {}, 0, record != nullptr ? ~record->crc : 0);
    }
    // The ROM with the right length and a checksum that is neither the right one nor its
    // complement.
    File DamagedRom(const std::string& game, const std::string& rom) {
        const vextral::RomRecord* record = Find(game, rom);
        return Rom(game, rom, {}, 0, record != nullptr ? record->crc ^ 0x00FF00FFU : 0);
    }

    void WriteFile(const std::string& path, const std::string& data) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out) {
            std::fprintf(stderr, "can't write %s\n", path.c_str());
            ok = false;
        }
    }
    void FolderSet(const std::string& folder, const std::string& name,
                   const std::vector<File>& files) {
        const std::string set = folder + name + "/";
        ok = vextral::CreateFolderTree(set) && ok;
        for (const File& file : files)
            WriteFile(set + file.name, file.data);
    }
    void ZipSet(const std::string& folder, const std::string& name,
                const std::vector<File>& files) {
        const std::string stage = staging_ + name + "/";
        ok = vextral::CreateFolderTree(stage) && ok;
        std::vector<std::string> paths;
        for (const File& file : files) {
            WriteFile(stage + file.name, file.data);
            paths.push_back(stage + file.name);
        }
        if (!zip_.AddFiles(folder + name + ".zip", paths, /*junkPaths=*/true)) {
            std::fprintf(stderr, "can't write %s%s.zip\n", folder.c_str(), name.c_str());
            ok = false;
        }
        (void)vextral::RemoveFolderTree(stage);
    }

    bool LoadZip() { return zip_.Load(); }

  private:
    const vextral::RomRecord* Find(const std::string& game, const std::string& rom) const {
        const auto index = database_.FindGame(game);
        if (!index)
            return nullptr;
        for (const auto& record : database_[*index].roms) {
            if (record.name == rom)
                return &record;
        }
        return nullptr;
    }

    const GameDatabase& database_;
    std::string staging_;
    vextral::ZipLibrary zip_;
    std::uint32_t seed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vextral-demo-collection LIST OUTPUT\n");
        return 2;
    }
    GameDatabase database;
    vextral::NullProgress progress;
    class Silent final : public vextral::Dialogs {
      public:
        vextral::MessageResult ShowMessage(const std::string&, const std::string&,
                                           vextral::MessageIcon, vextral::MessageButtons) override {
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
    } dialogs;
    if (!vextral::LoadListFile(database, argv[1], progress, dialogs, false)) {
        std::fprintf(stderr, "%s: no games could be read\n", argv[1]);
        return 1;
    }

    std::string out = argv[2];
    if (out.empty() || out.back() != '/')
        out += '/';
    const std::string roms = out + "roms/";
    const std::string samples = out + "samples/";
    const std::string staging = out + "staging/";
    for (const std::string& folder : {roms, samples, staging}) {
        if (vextral::PathExists(folder))
            (void)vextral::RemoveFolderTree(folder);
        if (!vextral::CreateFolderTree(folder)) {
            std::fprintf(stderr, "can't create %s\n", folder.c_str());
            return 1;
        }
    }

    DemoWriter w(database, staging);
    if (!w.LoadZip()) {
        std::fprintf(stderr, "the zip library is not usable\n");
        return 1;
    }

    // A complete NeoGeo BIOS, and a NeoGeo game missing one of its ROMs.
    w.ZipSet(roms, "neogeo",
             {w.Rom("neogeo", "neo-geo.rom"), w.Rom("neogeo", "ng-sfix.rom"),
              w.Rom("neogeo", "ng-sm1.rom")});
    w.ZipSet(roms, "orbfight",
             {w.Rom("orbfight", "orb-p1.bin"), w.Rom("orbfight", "orb-s1.bin"),
              w.Rom("orbfight", "orb-m1.bin")});
    // A folder set whose name has the wrong case.
    w.FolderSet(roms, "SkyRace",
                {w.Rom("skyrace", "sr1.bin"), w.Rom("skyrace", "sr2.bin"),
                 w.Rom("skyrace", "sr-col.prom")});
    // A ROM whose name has the wrong case.
    w.ZipSet(roms, "skyracej", {w.Rom("skyracej", "sr1j.bin", "SR1J.BIN")});
    // A ROM with the complemented checksum, which the scan accepts.
    w.ZipSet(roms, "skyraceb",
             {w.ComplementedRom("skyraceb", "sr1b.bin"), w.Rom("skyraceb", "boot2.bin")});
    // A complete parent with samples, one sample's name in the wrong case; its clone takes
    // the samples of the parent.
    w.ZipSet(roms, "mazecat", {w.Rom("mazecat", "mc1.rom"), w.Rom("mazecat", "mc2.rom")});
    w.ZipSet(samples, "mazecat", {{"meow.wav", "RIFF-demo-meow"}, {"Jump.wav", "RIFF-demo-jump"}});
    w.ZipSet(roms, "mazecat2", {w.Rom("mazecat2", "mc1b.rom")});
    // lostclone has no set at all.
    // A folder set with an unneeded file, and ROMs without a usable checksum.
    w.FolderSet(roms, "bugbash",
                {w.Rom("bugbash", "bb1.bin"),
                 w.Rom("bugbash", "bb2.bin"),
                 w.Rom("bugbash", "bb-pal.bin"),
                 {"readme.txt", "not a ROM\n"}});
    // A zip set with an unneeded member, and a sample set missing a sample.
    w.ZipSet(roms, "tankduel",
             {w.Rom("tankduel", "td1.bin"),
              w.Rom("tankduel", "td2.bin"),
              {"notes.txt", "not a ROM either\n"}});
    w.FolderSet(samples, "tankduel", {{"engine.wav", "RIFF-demo-engine"}});
    // A ROM with a wrong checksum.
    w.ZipSet(roms, "tankduela", {w.DamagedRom("tankduela", "td1a.bin")});
    // A ROM of the wrong length, and a missing ROM.
    w.ZipSet(roms, "pinwheel", {w.Rom("pinwheel", "pw.1", {}, 6)});
    // A folder set with a ROM under a wrong name.
    w.FolderSet(roms, "starbolt",
                {w.Rom("starbolt", "sb-01.bin"), w.Rom("starbolt", "sb-02.bin"),
                 w.Rom("starbolt", "sb-03.bin", "sb-3.bin")});
    // A file in the rom folder that belongs to no set.
    w.WriteFile(roms + "readme.txt", "The demo collection of Vextral.\n");

    (void)vextral::RemoveFolderTree(staging);
    if (!w.ok)
        return 1;
    std::printf("demo collection written to %s\n", out.c_str());
    return 0;
}
