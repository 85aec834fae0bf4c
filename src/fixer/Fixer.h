#pragma once
// The repairs the scan makes when fixing is on: renames (wrong case, wrong names), cutting
// over-long ROMs and removing unneeded files. Each asks through the consent state first and
// never loses the only copy of ROM data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "database/GameRecord.h"
#include "platform/FolderCache.h"
#include "ui/ConsentState.h"
#include "ui/Dialogs.h"
#include "ui/ScanOptions.h"

namespace vextral {

class Fixer {
public:
    // options and programFolder are read at each call, so the owner may change them.
    Fixer(Dialogs& dialogs, ConsentState& consent, ZipLibrary& zipLibrary,
          const ScanOptions& options, const std::string& programFolder, FolderCache& folders);

    // One ROM of a set. expectedPath: set folder + separator + rom.lookupName.
    void FixRomSpelling(const std::string& expectedPath, RomRecord& rom, bool inZip,
                        std::vector<ZipEntry>& entries, const std::string& setPath,
                        const GameRecord& game);
    void FixSampleSpelling(const std::string& expectedPath, SampleRecord& sample, bool inZip,
                           std::vector<ZipEntry>& entries, const std::string& setPath,
                           const GameRecord& game);
    // The set itself (folder setPath or archive setPath + ".zip").
    void FixGameSpelling(const std::string& setPath, GameRecord& game);
    // Renames one member; on failure the member is back under its old name or kept in the
    // backup folder.
    [[nodiscard]] bool RenameInZip(const ZipEntry& entry, const std::string& newName,
                                   const std::string& setName);
    // All wrong-name findings of the game's set at once.
    void FixWrongNamedRoms(GameRecord& game);

    // Cuts filePath (or the member rom.zipIndex of entries) to the part whose CRC-32 is the
    // ROM's. filePath is shown to the user.
    void ResizeRom(const std::string& filePath, const GameRecord& game, RomRecord& rom,
                   bool inZip, std::vector<ZipEntry>& entries);
    // Removes every UnneededEntry of the game after consent, with backups when Backup is on.
    void RemoveUnneeded(GameRecord& game);

    // Finds wantedLength bytes whose CRC-32 is wantedCrc (lowest offset) and moves them to the
    // start of the buffer. Linear in length (rolling CRC).
    static bool FindCrcWindow(std::uint8_t* buffer, std::size_t length, std::size_t wantedLength,
                              std::uint32_t wantedCrc);

private:
    Dialogs& dialogs_;
    ConsentState& consent_;
    ZipLibrary& zipLibrary_;
    const ScanOptions& options_;
    const std::string& programFolder_;
    FolderCache& folders_;
};

}  // namespace vextral
