// Writes a rom folder of split-merged zip sets for a list file (usually generate_list's):
// every parent or plain game gets all its ROMs, every clone the ROMs its parent does not
// name. Members are stored; their local headers carry the list's sizes and CRC-32 values,
// but each holds at most kDataBytes zero bytes, so that a complete collection fits on a
// test machine. A scan with the default options reads only the headers.
//
// usage: generate_collection LIST FOLDER

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "database/DatabaseCounts.h"
#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace {

using namespace vextral;

constexpr std::uint32_t kDataBytes = 256;

class QuietDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string&, const std::string&, MessageIcon,
                              MessageButtons buttons) override {
        return buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A stored-member archive with a central directory, written in one piece.
std::string ZipBytes(const std::vector<const RomRecord*>& roms) {
    std::string archive;
    std::string central;
    for (const RomRecord* rom : roms) {
        const std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
        const std::uint32_t stored = rom->size < kDataBytes ? rom->size : kDataBytes;
        const auto nameLength = static_cast<std::uint32_t>(rom->name.size());
        Put32(archive, 0x04034B50);
        Put16(archive, 10);    // version needed
        Put16(archive, 0);     // flags
        Put16(archive, 0);     // stored
        Put16(archive, 0);     // time
        Put16(archive, 0x21);  // date
        Put32(archive, rom->crc);
        Put32(archive, stored);
        Put32(archive, rom->size);
        Put16(archive, nameLength);
        Put16(archive, 0);
        archive += rom->name;
        archive.append(stored, '\0');

        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, 10);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, rom->crc);
        Put32(central, stored);
        Put32(central, rom->size);
        Put16(central, nameLength);
        Put16(central, 0);  // extra
        Put16(central, 0);  // comment
        Put16(central, 0);  // disk
        Put16(central, 0);  // internal attributes
        Put32(central, 0);  // external attributes
        Put32(central, offset);
        central += rom->name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(archive.size());
    archive += central;
    Put32(archive, 0x06054B50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<std::uint32_t>(roms.size()));
    Put16(archive, static_cast<std::uint32_t>(roms.size()));
    Put32(archive, static_cast<std::uint32_t>(central.size()));
    Put32(archive, centralOffset);
    Put16(archive, 0);
    return archive;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: generate_collection LIST FOLDER\n");
        return 2;
    }
    GameDatabase database;
    QuietDialogs dialogs;
    NullProgress progress;
    if (!LoadListFile(database, argv[1], progress, dialogs, /*listInfoWarnings=*/false)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    DatabaseCounts counts;
    ValidateGameDatabase(database, /*listInfoWarnings=*/false, counts, dialogs);

    const std::string folder = WithSeparator(argv[2]);
    std::filesystem::create_directories(folder);

    std::size_t sets = 0;
    std::size_t members = 0;
    for (const GameRecord& game : database) {
        const GameRecord* parent = nullptr;
        if (game.isClone) {
            if (const auto index = database.FindGame(game.cloneOf))
                parent = &database[*index];
        }
        std::unordered_set<std::string_view, CaseInsensitiveHash, CaseInsensitiveEqual> inParent;
        if (parent != nullptr) {
            for (const RomRecord& rom : parent->roms)
                inParent.insert(rom.name);
        }
        std::vector<const RomRecord*> roms;
        for (const RomRecord& rom : game.roms) {
            if (!inParent.contains(rom.name))
                roms.push_back(&rom);
        }
        if (roms.empty())
            continue;
        const std::string bytes = ZipBytes(roms);
        const std::string path = folder + game.name + ".zip";
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            if (out != nullptr)
                std::fclose(out);
            return 1;
        }
        std::fclose(out);
        ++sets;
        members += roms.size();
    }
    std::printf("%zu games, %zu sets, %zu members written to %s\n", database.size(), sets, members,
                folder.c_str());
    return 0;
}
