#include "database/GameListBuilder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <numeric>
#include <unordered_set>

#include "platform/Text.h"

namespace vextral {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Keeps the first of every group of names equal ignoring case, in the original order.
// Sorting keeps this linearithmic even for a game with thousands of entries.
template <class Record>
void DropCaseDuplicates(std::vector<Record>& items, std::vector<std::uint32_t>& order,
                        std::vector<char>& drop) {
    const std::size_t n = items.size();
    if (n < 2)
        return;
    order.resize(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return CompareIgnoringCase(items[a].name, items[b].name) < 0;
    });
    drop.assign(n, 0);
    bool any = false;
    for (std::size_t k = 1; k < n; ++k) {
        if (EqualsIgnoringCase(items[order[k]].name, items[order[k - 1]].name)) {
            drop[order[k]] = 1;
            any = true;
        }
    }
    if (!any)
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (drop[i] != 0)
            continue;
        if (kept != i)
            items[kept] = std::move(items[i]);
        ++kept;
    }
    items.resize(kept);
}

template <class Record>
void SortByName(std::vector<Record>& items) {
    std::sort(items.begin(), items.end(),
              [](const Record& a, const Record& b) { return a.name < b.name; });
}

// Holds copies of the names and descriptions seen, so the duplicate sets can keep views
// without one allocation per text.
class TextArena {
  public:
    std::string_view Store(std::string_view text) {
        if (text.size() > kBlockSize / 8)
            return large_.emplace_back(text);
        if (blocks_.empty() || used_ + text.size() > kBlockSize) {
            blocks_.push_back(std::make_unique<char[]>(kBlockSize));
            used_ = 0;
        }
        char* at = blocks_.back().get() + used_;
        if (!text.empty())
            std::memcpy(at, text.data(), text.size());
        used_ += text.size();
        return {at, text.size()};
    }

  private:
    static constexpr std::size_t kBlockSize = 1 << 16;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;
    std::deque<std::string> large_;
};

}  // namespace

// Exact (case-sensitive) set of texts.
class GameListBuilder::TextSet {
  public:
    void Reserve(std::size_t count) { texts_.reserve(count); }
    // True when the text was new.
    bool Insert(std::string_view text) {
        if (texts_.contains(text))
            return false;
        texts_.insert(arena_.Store(text));
        return true;
    }

  private:
    TextArena arena_;
    std::unordered_set<std::string_view> texts_;
};

std::uint32_t ParseListNumber(std::string_view token, int base, std::uint32_t current) {
    std::size_t i = 0;
    while (i < token.size() && IsWhiteSpace(token[i]))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < token.size() && token[i] == '0' &&
        (token[i + 1] == 'x' || token[i + 1] == 'X') && HexDigit(token[i + 2]) >= 0) {
        i += 2;
    }
    const auto digitAt = [&](std::size_t at) {
        if (at >= token.size())
            return -1;
        return base == 16 ? HexDigit(token[at]) : (IsDigit(token[at]) ? token[at] - '0' : -1);
    };
    if (digitAt(i) < 0)
        return current;
    std::uint64_t value = 0;
    for (int digit = digitAt(i); digit >= 0; digit = digitAt(++i)) {
        value = std::min<std::uint64_t>(
            value * static_cast<unsigned>(base) + static_cast<unsigned>(digit),
            std::uint64_t{UINT32_MAX} + 1);
    }
    const auto result = static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
    return negative ? 0u - result : result;
}

void SetRomCrc(RomRecord& rom, std::string_view text) {
    rom.crc = ParseListNumber(text, 16, rom.crc);
    rom.crcKnown = rom.crc != 0;
    rom.complementedCrc = ~rom.crc;
}

GameListBuilder::GameListBuilder(GameDatabase& database, RomCrcList& romCrcList,
                                 std::size_t expectedGames)
    : database_(database),
      romCrcList_(romCrcList),
      names_(std::make_unique<TextSet>()),
      descriptions_(std::make_unique<TextSet>()) {
    names_->Reserve(expectedGames + database_.size());
    descriptions_->Reserve(expectedGames);
    for (const GameRecord& game : database_) {
        names_->Insert(game.name);
    }
}

GameListBuilder::~GameListBuilder() = default;

namespace {

// A ROM or sample line without a usable name: a rom written without its parentheses has
// none at all, and an empty name shown after a colon would look like a cut message.
std::string InvalidFileName(std::string_view name) {
    return name.empty() ? std::string("Invalid Filename !")
                        : "Invalid Filename: " + std::string(name);
}

}  // namespace

void GameListBuilder::AddRom(GameDraft& draft, RomRecord rom) {
    if (!IsPlainFileName(rom.name)) {
        draft.dropped.push_back(InvalidFileName(rom.name));
        return;
    }
    draft.game.roms.push_back(std::move(rom));
}

void GameListBuilder::AddSample(GameDraft& draft, std::string_view name) {
    if (!IsPlainFileName(name)) {
        draft.dropped.push_back(InvalidFileName(name));
        return;
    }
    SampleRecord sample;
    sample.name.assign(name.data(), name.size());
    draft.game.samples.push_back(std::move(sample));
}

void GameListBuilder::AddBiosSet(std::string_view name) {
    if (!name.empty() && !database_.IsBiosSet(name))
        database_.biosSets.emplace_back(name);
}

// Drops ROMs and samples repeated ignoring case and indexes the ROMs' checksums; this
// happens for every game read, also of games that are dropped later.
void GameListBuilder::FlushEntries(GameDraft& draft) {
    DropCaseDuplicates(draft.game.roms, order_, drop_);
    DropCaseDuplicates(draft.game.samples, order_, drop_);
    for (const RomRecord& rom : draft.game.roms) {
        if (rom.crc != 0)
            romCrcList_.push_back({rom.crc, rom.size, rom.name});
    }
}

void GameListBuilder::DropGame(GameDraft& draft) {
    FlushEntries(draft);
}

void GameListBuilder::FinishGame(GameDraft& draft) {
    FlushEntries(draft);
    GameRecord& game = draft.game;
    // A parent name that cannot be a game's name is kept: validation finds no such game,
    // makes this a plain game and says so.
    if (!draft.cloneText.empty() && !EqualsIgnoringCase(draft.cloneText, draft.name)) {
        game.cloneOf = std::move(draft.cloneText);
        game.isClone = true;
    }
    game.name = std::move(draft.name);
    game.description = std::move(draft.description);
    SortByName(game.roms);
    SortByName(game.samples);
    game.romCount = static_cast<std::uint32_t>(game.roms.size());
    game.sampleCount = static_cast<std::uint32_t>(game.samples.size());
    if (!draft.sampleText.empty() && !game.samples.empty() &&
        !EqualsIgnoringCase(draft.sampleText, game.name)) {
        if (IsPlainFileName(draft.sampleText)) {
            game.sampleOf = std::move(draft.sampleText);
            game.hasSampleOf = true;
        } else {
            draft.dropped.push_back("Invalid Sampleof: " + draft.sampleText);
        }
    }

    // A dropped game's description still counts as seen, whatever dropped it.
    const bool plainName = IsPlainFileName(game.name);
    const bool isNewName = plainName && names_->Insert(game.name);
    if (!plainName)
        Warn(game, "Invalid Foldername !");
    else if (!isNewName)
        Warn(game, "Double Foldername !");
    if (!descriptions_->Insert(game.description))
        Warn(game, "Double Description !");
    if (!isNewName)
        return;
    for (std::string& problem : draft.dropped)
        Warn(game, std::move(problem));
    database_.games.push_back(std::move(game));
}

void GameListBuilder::Warn(const GameRecord& game, std::string problem) {
    warnings_.push_back({game.name, game.description, std::move(problem)});
}

void GameListBuilder::WarnAboutList(std::string problem) {
    warnings_.push_back({{}, {}, std::move(problem), /*ofList=*/true});
}

}  // namespace vextral
