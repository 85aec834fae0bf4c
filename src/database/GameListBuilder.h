#pragma once
// Finishes the games read from a list, whatever its format: the parent and sample-set
// names, sorting, duplicates and unusable names, and the "-listinfo bug:" warnings. Every
// reader hands its games here, so the same list gives the same records and warnings.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"
#include "database/ListParser.h"
#include "database/ListWarning.h"

namespace vextral {

// One game as read, before it is finished.
struct GameDraft {
    GameRecord game;  // its ROMs and samples as read
    std::string name;
    std::string description;
    std::string cloneText;
    std::string sampleText;
    // The warnings for the ROMs, samples and sampleof that could not be used as file names.
    std::vector<std::string> dropped;
};

class GameListBuilder {
  public:
    // Appends to database (whose present names count as seen) and to romCrcList.
    GameListBuilder(GameDatabase& database, RomCrcList& romCrcList, std::size_t expectedGames);
    ~GameListBuilder();
    GameListBuilder(const GameListBuilder&) = delete;
    GameListBuilder& operator=(const GameListBuilder&) = delete;

    // A ROM or sample whose name cannot be a file name is kept aside for a warning.
    static void AddRom(GameDraft& draft, RomRecord rom);
    static void AddSample(GameDraft& draft, std::string_view name);
    // The game is appended unless its name is unusable or was seen before.
    void FinishGame(GameDraft& draft);
    // The input ended inside the game: it is dropped, its ROMs still count for other names.
    void DropGame(GameDraft& draft);
    void AddBiosSet(std::string_view name);
    // A problem of the list text itself, not of one game.
    void WarnAboutList(std::string problem);

    // Every warning so far, in order, whether or not it is shown.
    const std::vector<ListWarning>& warnings() const { return warnings_; }
    std::vector<ListWarning> TakeWarnings() { return std::move(warnings_); }

  private:
    class TextSet;
    void FlushEntries(GameDraft& draft);
    void Warn(const GameRecord& game, std::string problem);

    GameDatabase& database_;
    RomCrcList& romCrcList_;
    std::unique_ptr<TextSet> names_;
    std::unique_ptr<TextSet> descriptions_;
    std::vector<ListWarning> warnings_;
    std::vector<std::uint32_t> order_;
    std::vector<char> drop_;
};

// A size (base 10) or crc (base 16) as the list writes it: leading white space and a sign,
// an optional 0x before hex digits, digits up to the first other character. A text that
// holds no number leaves current as it was; too large values saturate.
std::uint32_t ParseListNumber(std::string_view text, int base, std::uint32_t current);

// Sets crc, crcKnown and complementedCrc from a crc text, as a "crc" keyword does.
void SetRomCrc(RomRecord& rom, std::string_view text);

}  // namespace vextral
