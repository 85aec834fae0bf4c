#pragma once
// What the rebuilder looks for: every ROM of the selected games, by CRC-32 or, for ROMs
// listed without a checksum, by name.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"
#include "scanner/GameSelection.h"

namespace vextral {

struct RebuildEntry {
    std::uint32_t crc = 0;  // 0 in the name index
    std::uint32_t size = 0;
    std::string gameName;
    std::string romName;
    bool used = false;  // a file was written for this entry in the current run
    // The parent's name when the game is a clone and not a NeoGeo game, else empty.
    std::string parentName;
    // The parent lists a ROM of the same name (ignoring case).
    bool parentHasName = false;
    // ... and that ROM has this one's size and CRC-32: only then is it the same ROM.
    bool parentHasSameData = false;
};

class RebuildIndex {
  public:
    // Both lists afresh from the selected games, nothing used.
    void Build(const GameDatabase& database, const GameSelection& selection);
    void Clear();
    void ResetUsed();

    // The entries whose crc equals this one (empty when none).
    std::span<RebuildEntry> FindCrc(std::uint32_t crc);
    // The name-index entries whose romName equals this one ignoring case.
    std::span<RebuildEntry> FindName(std::string_view name);

    const std::vector<RebuildEntry>& CrcEntries() const { return byCrc_; }
    const std::vector<RebuildEntry>& NameEntries() const { return byName_; }

  private:
    std::vector<RebuildEntry> byCrc_;       // sorted by crc
    std::vector<RebuildEntry> byName_;      // sorted by lowercased romName, byte order
    std::vector<std::string> foldedNames_;  // lowercased romName of byName_, same order
};

}  // namespace vextral
