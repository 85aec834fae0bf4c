#include "database/ListParser.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "database/GameListBuilder.h"
#include "database/ListInput.h"
#include "database/ListReader.h"
#include "database/XmlListParser.h"
#include "platform/Text.h"

namespace vextral {

namespace {

struct FirstPassCounts {
    std::size_t games = 0;
    std::size_t roms = 0;
};

FirstPassCounts CountGames(ListReader& reader) {
    FirstPassCounts counts;
    std::string_view token;
    while (ReadListToken(reader, token) == 1) {
        const bool resource = token == "resource";
        if (!resource && token != "game")
            continue;
        if (!resource)
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
    BuildingPass(ListReader& reader, GameListBuilder& builder, Progress& progress)
        : reader_(reader), builder_(builder), progress_(progress) {}

    // False when the user stopped.
    bool Run() {
        std::string_view token;
        while (ReadListToken(reader_, token) == 1) {
            if (token == "resource") {
                if (!ReadResource())
                    break;
                continue;
            }
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

    // A BIOS set's block: only its name is kept. False when the input ended inside it.
    bool ReadResource() {
        std::string name;
        int depth = 0;
        std::string_view token;
        for (;;) {
            if (ReadListToken(reader_, token) != 1)
                return false;
            if (token == "(") {
                ++depth;
            } else if (token == ")") {
                --depth;
            }
            if (depth == 0)
                break;
            if (depth == 1 && token == "name" && !ReadValue(name))
                return false;
        }
        builder_.AddBiosSet(name);
        return true;
    }

    // False when the input ended inside the block; the unfinished game is dropped.
    bool ReadGame() {
        GameDraft draft;
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
                builder_.FinishGame(draft);
                return true;
            }
            if (depth != 1)
                continue;
            if (token == "name") {
                inputLeft = ReadValue(draft.name);
            } else if (token == "description") {
                inputLeft = ReadValue(draft.description);
            } else if (token == "cloneof") {
                inputLeft = ReadValue(draft.cloneText);
            } else if (token == "sampleof") {
                inputLeft = ReadValue(draft.sampleText);
            } else if (token == "sample") {
                std::string_view value;
                inputLeft = ReadValue(value);
                if (inputLeft)
                    builder_.AddSample(draft, value);
            } else if (token == "rom") {
                inputLeft = ReadRom(draft);
            }
            if (!inputLeft)
                break;
        }
        builder_.DropGame(draft);
        return false;
    }

    bool ReadRom(GameDraft& draft) {
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
                rom.size = ParseListNumber(value, 10, rom.size);
            } else if (token == "crc") {
                std::string_view value;
                if (!ReadValue(value))
                    return false;
                SetRomCrc(rom, value);
            }
        }
        builder_.AddRom(draft, std::move(rom));
        return true;
    }

    ListReader& reader_;
    GameListBuilder& builder_;
    Progress& progress_;
};

// The XML formats begin with markup; anything else is read as text. A byte order mark and
// white space before it do not count.
bool LooksLikeXml(const std::string& path) {
    ListInput input;
    if (!input.Open(path))
        return false;
    char head[4096];
    const long n = input.Read(head, sizeof head);
    std::string_view text(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    return !text.empty() && text.front() == '<';
}

enum class TextOutcome { CannotOpen, Stopped, Read };

TextOutcome ParseText(const std::string& path, GameDatabase& database, RomCrcList& romCrcList,
                      Progress& progress, std::vector<ListWarning>& warnings) {
    ListReader reader;
    if (!reader.Open(path))
        return TextOutcome::CannotOpen;
    const FirstPassCounts counts = CountGames(reader);
    reader.Close();
    progress.SetProgressRange(0, static_cast<int>(std::min<std::size_t>(counts.games, INT_MAX)));
    progress.SetProgressStep(1);
    if (!reader.Open(path))
        return TextOutcome::CannotOpen;
    database.games.reserve(database.size() + counts.games);
    romCrcList.reserve(romCrcList.size() + counts.roms);
    GameListBuilder builder(database, romCrcList, counts.games);
    // Told once, in this pass; the counting pass skipped the same lines silently.
    reader.onLongLine = [&builder](std::uint64_t lineNumber) {
        builder.WarnAboutList("line " + std::to_string(lineNumber) + " too long");
    };
    BuildingPass pass(reader, builder, progress);
    const bool finished = pass.Run();
    warnings = builder.TakeWarnings();
    return finished ? TextOutcome::Read : TextOutcome::Stopped;
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

bool ParseListFile(const std::string& path, GameDatabase& database, RomCrcList& romCrcList,
                   Progress& progress, Dialogs& dialogs, bool listInfoWarnings,
                   ListParseReport* report) {
    ListParseReport unused;
    ListParseReport& out = report != nullptr ? *report : unused;
    out = ListParseReport();
    const std::size_t gamesBefore = database.size();
    const std::size_t romsBefore = romCrcList.size();
    const std::size_t biosBefore = database.biosSets.size();

    bool read = false;
    if (LooksLikeXml(path)) {
        GameListBuilder builder(database, romCrcList, 0);
        const XmlListResult xml = ParseXmlList(path, builder, progress);
        out.format = xml.kind == XmlListKind::Datafile ? ListFormat::Datafile : ListFormat::MameXml;
        out.problem = xml.problem;
        out.stopped = xml.stopped;
        out.warnings = builder.TakeWarnings();
        read = xml.ok;
        if (!out.problem.empty()) {
            // No half list: what was read before the fault goes, and so do its warnings.
            database.games.resize(gamesBefore);
            database.biosSets.resize(biosBefore);
            romCrcList.resize(romsBefore);
            out.warnings.clear();
        }
    } else {
        const TextOutcome outcome = ParseText(path, database, romCrcList, progress, out.warnings);
        if (outcome == TextOutcome::CannotOpen)
            return false;
        out.stopped = outcome == TextOutcome::Stopped;
        read = !out.stopped;
    }
    if (listInfoWarnings)
        ShowListInfoWarnings(dialogs, out.warnings);
    return read;
}

}  // namespace vextral
