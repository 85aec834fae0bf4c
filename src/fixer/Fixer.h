#pragma once
// The repairs the scan makes when fixing is on: renames (wrong case, wrong names), cutting
// over-long ROMs and removing unneeded files. Each asks through the consent state first and
// never loses the only copy of ROM data.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "database/GameRecord.h"
#include "fixer/ChangeJournal.h"
#include "fixer/FixResult.h"
#include "fixer/GameFindings.h"
#include "platform/FolderCache.h"
#include "ui/ConsentState.h"
#include "ui/Dialogs.h"
#include "ui/ScanOptions.h"

namespace vextral {

class Fixer {
  public:
    // options and the folders are read at each call, so the owner may change them.
    // scratchFolder is this process's own folder in tempzip.vxt (ProcessScratch).
    Fixer(Dialogs& dialogs, ConsentState& consent, ZipLibrary& zipLibrary,
          const ScanOptions& options, const std::string& programFolder,
          const std::string& scratchFolder, FolderCache& folders);

    // Every change of the collection goes through journal from now on (none: made directly).
    void SetJournal(ChangeJournal* journal) { journal_.Set(journal); }

    // Each repair asks first, keeps what the check found up to date (found name, fixed flags,
    // member index) and returns what it did and changed.

    // One ROM of a set. expectedPath: set folder + separator + found.lookupName.
    FixResult FixRomSpelling(const std::string& expectedPath, const RomRecord& rom,
                             RomFinding& found, bool inZip, std::vector<ZipEntry>& entries,
                             const std::string& setPath, const GameRecord& game);
    FixResult FixSampleSpelling(const std::string& expectedPath, const SampleRecord& sample,
                                SampleFinding& found, bool inZip, std::vector<ZipEntry>& entries,
                                const std::string& setPath, const GameRecord& game);
    // The set itself (folder setPath or archive setPath + ".zip").
    FixResult FixGameSpelling(const std::string& setPath, const GameRecord& game,
                              GameFindings& found);
    // Renames one member in one archive transaction; a failure leaves the archive as it was.
    // Refused when another member bears the name in any case.
    [[nodiscard]] bool RenameInZip(const ZipEntry& entry, const std::string& newName);
    // All wrong-name findings of the game's set at once.
    FixResult FixWrongNamedRoms(const GameRecord& game, std::vector<WrongNameEntry>& findings);

    // Cuts filePath (or the member found.zipIndex of entries) to the part whose CRC-32 is the
    // ROM's. filePath is shown to the user.
    FixResult ResizeRom(const std::string& filePath, const GameRecord& game, const RomRecord& rom,
                        RomFinding& found, bool inZip, std::vector<ZipEntry>& entries);
    // Removes every unneeded entry of the game after consent, with backups when Backup is on.
    FixResult RemoveUnneeded(const GameRecord& game, std::vector<UnneededEntry>& items);

    // Finds wantedLength bytes whose CRC-32 is wantedCrc (lowest offset) and moves them to the
    // start of the buffer. Linear in length (rolling CRC).
    static bool FindCrcWindow(std::uint8_t* buffer, std::size_t length, std::size_t wantedLength,
                              std::uint32_t wantedCrc);

  private:
    // Tell the folder listings what a change did (done) or that it may have left anything.
    void Renamed(const std::string& folder, const std::string& from, const std::string& to,
                 bool done);
    void Rewritten(const std::string& folder, bool done);
    bool Ask(FixKind kind, const std::string& caption, const std::string& question);
    // The spelling steps shared by ROMs and samples; true when the archive was rewritten and
    // listed again into entries.
    bool FixFileSpelling(const std::string& expectedPath, const std::string& expectedName,
                         std::uint32_t zipIndex, bool inZip, std::vector<ZipEntry>& entries,
                         const std::string& caption, std::string& foundName, bool& nameCaseOk,
                         bool& caseFixed, FixResult& result);
    // The archive's members read without messages; nothing when it cannot be read.
    std::optional<std::vector<ZipEntry>> ListQuietly(const std::string& zipPath) const;
    // The same, and nothing either when entry is no longer one of them.
    std::optional<std::vector<ZipEntry>> ListWith(const ZipEntry& entry) const;
    // The wrong-name findings of one archive in one transaction.
    void RenameMembers(std::vector<WrongNameEntry>& findings, const std::string& zipPath,
                       FixResult& result);
    bool MayRemoveLoose(const UnneededEntry& item) const;
    bool BackUp(const UnneededEntry& item, FixResult& result);
    void RemoveLoose(UnneededEntry& item, FixResult& result);
    void RemovePendingMembers(std::vector<UnneededEntry>& items, FixResult& result);

    Dialogs& dialogs_;
    ConsentState& consent_;
    ZipLibrary& zipLibrary_;
    const ScanOptions& options_;
    const std::string& programFolder_;
    const std::string& scratchFolder_;
    FolderCache& folders_;
    JournalSlot journal_;
};

}  // namespace vextral
