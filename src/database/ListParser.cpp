#include "database/ListParser.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <numeric>
#include <unordered_set>

#include "database/ListReader.h"
#include "database/ListWarning.h"
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

// Leading white space and a sign, then digits up to the first other character; a token
// that holds no number leaves the value as it was. Too large values saturate.
std::uint32_t ParseNumber(std::string_view token, int base, std::uint32_t current) {
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

// A ROM or sample line without a usable name: a rom written without its parentheses has
// none at all, and an empty name shown after a colon would look like a cut message.
std::string InvalidFileName(std::string_view name) {
    return name.empty() ? std::string("Invalid Filename !")
                        : "Invalid Filename: " + std::string(name);
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
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
        return LessIgnoringCase(items[a].name, items[b].name);
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

// Exact (case-sensitive) set of texts.
class TextSet {
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

struct GameState {
    GameRecord game;
    std::string name;
    std::string description;
    std::string cloneText;
    std::string sampleText;
    // The warnings for the ROMs, samples and sampleof that could not be used as file names.
    std::vector<std::string> dropped;
};

struct FirstPassCounts {
    std::size_t games = 0;
    std::size_t roms = 0;
};

FirstPassCounts CountGames(ListReader& reader) {
    FirstPassCounts counts;
    std::string_view token;
    while (ReadListToken(reader, token) == 1) {
        if (token != "game")
            continue;
        ++counts.games;
        int nesting = 0;
        do {
            if (ReadListToken(reader, token) != 1)
                return counts;
            if (token == "(") {
                ++nesting;
            } else if (token == ")") {
                --nesting;
            } else if (token == "rom") {
                ++counts.roms;
            }
        } while (nesting != 0);
    }
    return counts;
}

class BuildingPass {
  public:
    BuildingPass(ListReader& reader, GameDatabase& database, RomCrcList& romCrcList,
                 Progress& progress, Dialogs& dialogs, bool listInfoWarnings,
                 std::size_t expectedGames)
        : reader_(reader),
          database_(database),
          romCrcList_(romCrcList),
          progress_(progress),
          dialogs_(dialogs),
          warnings_(listInfoWarnings) {
        names_.Reserve(expectedGames + database_.size());
        descriptions_.Reserve(expectedGames);
        for (const GameRecord& game : database_) {
            names_.Insert(game.name);
        }
    }

    // False when the user stopped.
    bool Run() {
        std::string_view token;
        while (ReadListToken(reader_, token) == 1) {
            if (token != "game")
                continue;
            progress_.AdvanceProgress();
            if (progress_.IsStopRequested())
                return false;
            if (!ReadGame())
                break;
        }
        return true;
    }

  private:
    bool ReadValue(std::string& value) {
        std::string_view token;
        if (ReadListToken(reader_, token) != 1)
            return false;
        value.assign(token.data(), token.size());
        return true;
    }

    bool ReadValue(std::string_view& value) { return ReadListToken(reader_, value) == 1; }

    // False when the input ended inside the block; the unfinished game is dropped.
    bool ReadGame() {
        GameState state;
        int depth = 0;
        std::string_view token;
        bool inputLeft = true;
        for (;;) {
            if (ReadListToken(reader_, token) != 1) {
                inputLeft = false;
                break;
            }
            if (token == "(") {
                ++depth;
            } else if (token == ")") {
                --depth;
            }
            if (depth == 0) {
                FinishGame(state);
                return true;
            }
            if (depth != 1)
                continue;
            if (token == "name") {
                inputLeft = ReadValue(state.name);
            } else if (token == "description") {
                inputLeft = ReadValue(state.description);
            } else if (token == "cloneof") {
                inputLeft = ReadValue(state.cloneText);
            } else if (token == "sampleof") {
                inputLeft = ReadValue(state.sampleText);
            } else if (token == "sample") {
                std::string_view value;
                inputLeft = ReadValue(value);
                if (inputLeft)
                    AddSample(state, value);
            } else if (token == "rom") {
                inputLeft = ReadRom(state);
            }
            if (!inputLeft)
                break;
        }
        FlushEntries(state);
        return false;
    }

    void AddSample(GameState& state, std::string_view name) {
        if (!IsPlainFileName(name)) {
            state.dropped.push_back(InvalidFileName(name));
            return;
        }
        SampleRecord sample;
        sample.name.assign(name.data(), name.size());
        state.game.samples.push_back(std::move(sample));
    }

    bool ReadRom(GameState& state) {
        RomRecord rom;
        int romDepth = 0;
        std::string_view token;
        for (;;) {
            if (ReadListToken(reader_, token) != 1)
                return false;
            if (token == "(") {
                ++romDepth;
            } else if (token == ")") {
                --romDepth;
            }
            if (romDepth == 0)
                break;
            if (romDepth != 1)
                continue;
            if (token == "name") {
                if (!ReadValue(rom.name))
                    return false;
            } else if (token == "size") {
                std::string_view value;
                if (!ReadValue(value))
                    return false;
                rom.size = ParseNumber(value, 10, rom.size);
            } else if (token == "crc") {
                std::string_view value;
                if (!ReadValue(value))
                    return false;
                rom.crc = ParseNumber(value, 16, rom.crc);
                rom.crcKnown = rom.crc != 0;
                rom.complementedCrc = ~rom.crc;
            }
        }
        if (!IsPlainFileName(rom.name)) {
            state.dropped.push_back(InvalidFileName(rom.name));
            return true;
        }
        state.game.roms.push_back(std::move(rom));
        return true;
    }

    // Drops ROMs and samples repeated ignoring case and indexes the ROMs' checksums; this
    // happens for every ROM block read, also of games that are dropped later.
    void FlushEntries(GameState& state) {
        DropCaseDuplicates(state.game.roms, order_, drop_);
        DropCaseDuplicates(state.game.samples, order_, drop_);
        for (const RomRecord& rom : state.game.roms) {
            if (rom.crc != 0)
                romCrcList_.push_back({rom.crc, rom.size, rom.name});
        }
    }

    void FinishGame(GameState& state) {
        FlushEntries(state);
        GameRecord& game = state.game;
        // A parent name that cannot be a game's name is kept: validation finds no such game,
        // makes this a plain game and says so.
        if (!state.cloneText.empty() && !EqualsIgnoringCase(state.cloneText, state.name)) {
            game.cloneOf = std::move(state.cloneText);
            game.isClone = true;
        }
        game.name = std::move(state.name);
        game.description = std::move(state.description);
        SortByName(game.roms);
        SortByName(game.samples);
        game.romCount = static_cast<std::uint32_t>(game.roms.size());
        game.sampleCount = static_cast<std::uint32_t>(game.samples.size());
        if (!state.sampleText.empty() && !game.samples.empty() &&
            !EqualsIgnoringCase(state.sampleText, game.name)) {
            if (IsPlainFileName(state.sampleText)) {
                game.sampleOf = std::move(state.sampleText);
                game.hasSampleOf = true;
            } else {
                state.dropped.push_back("Invalid Sampleof: " + state.sampleText);
            }
        }

        // A dropped game's description still counts as seen, whatever dropped it.
        const bool plainName = IsPlainFileName(game.name);
        const bool isNewName = plainName && names_.Insert(game.name);
        if (!plainName)
            Warn(game, "Invalid Foldername !");
        else if (!isNewName)
            Warn(game, "Double Foldername !");
        if (!descriptions_.Insert(game.description))
            Warn(game, "Double Description !");
        if (!isNewName)
            return;
        for (const std::string& problem : state.dropped)
            Warn(game, problem);
        database_.games.push_back(std::move(game));
    }

    void Warn(const GameRecord& game, std::string_view problem) {
        if (warnings_)
            ShowListInfoWarning(dialogs_, game.name, game.description, problem);
    }

    ListReader& reader_;
    GameDatabase& database_;
    RomCrcList& romCrcList_;
    Progress& progress_;
    Dialogs& dialogs_;
    const bool warnings_;
    TextSet names_;
    TextSet descriptions_;
    std::vector<std::uint32_t> order_;
    std::vector<char> drop_;
};

}  // namespace

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

bool ParseListFile(const std::string& path, GameDatabase& database, RomCrcList& romCrcList,
                   Progress& progress, Dialogs& dialogs, bool listInfoWarnings) {
    ListReader reader;
    if (!reader.Open(path))
        return false;
    const FirstPassCounts counts = CountGames(reader);
    reader.Close();
    progress.SetProgressRange(0, static_cast<int>(std::min<std::size_t>(counts.games, INT_MAX)));
    progress.SetProgressStep(1);

    if (!reader.Open(path))
        return false;
    // Told once, in this pass; the counting pass skipped the same lines silently.
    if (listInfoWarnings) {
        reader.onLongLine = [&dialogs](std::uint64_t lineNumber) {
            ShowListInfoWarning(dialogs, "line " + std::to_string(lineNumber) + " too long");
        };
    }
    database.games.reserve(database.size() + counts.games);
    romCrcList.reserve(romCrcList.size() + counts.roms);
    BuildingPass pass(reader, database, romCrcList, progress, dialogs, listInfoWarnings,
                      counts.games);
    return pass.Run();
}

}  // namespace vextral
