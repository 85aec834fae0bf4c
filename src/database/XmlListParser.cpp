#include "database/XmlListParser.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/Text.h"

namespace vextral {

namespace {

constexpr int kChunkSize = 1 << 20;
// A single value (a description, say) is never longer in a real list; a longer one is cut
// so that no input can make a text grow without bound.
constexpr std::size_t kMaxValueLength = 1 << 16;
// Expat keeps an unfinished markup token in memory; one longer than this is refused.
constexpr long long kMaxPendingBytes = 64ll << 20;
constexpr int kProgressSteps = 1000;

std::string_view TrimTrailing(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsWhiteSpace(text[n - 1]))
        --n;
    return text.substr(0, n);
}

bool Is(const char* name, std::string_view wanted) {
    return wanted == name;
}

// Owns an expat parser.
class ExpatParser {
  public:
    ExpatParser() : parser_(XML_ParserCreate(nullptr)) {}
    ~ExpatParser() {
        if (parser_ != nullptr)
            XML_ParserFree(parser_);
    }
    ExpatParser(const ExpatParser&) = delete;
    ExpatParser& operator=(const ExpatParser&) = delete;
    XML_Parser Get() const { return parser_; }

  private:
    XML_Parser parser_;
};

class Reader {
  public:
    Reader(XML_Parser parser, GameListBuilder& builder, Progress& progress, const ListInput& input)
        : parser_(parser), builder_(builder), progress_(progress), input_(input) {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Reader::OnStart, &Reader::OnEnd);
    }

    XmlListResult result;

    void Advance() {
        const std::uint64_t size = std::max<std::uint64_t>(input_.FileSize(), 1);
        const auto reached = static_cast<int>(
            std::min<std::uint64_t>(input_.Position() * kProgressSteps / size, kProgressSteps));
        for (; shownSteps_ < reached; ++shownSteps_)
            progress_.AdvanceProgress();
    }

    // Stops the parse with a problem of the document at the current place.
    void Fail(const std::string& what) {
        result.problem = what + " at line " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                         ", column " + std::to_string(XML_GetCurrentColumnNumber(parser_) + 1);
        XML_StopParser(parser_, XML_FALSE);
    }

  private:
    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Reader*>(self)->Start(name, attributes);
    }
    static void XMLCALL OnEnd(void* self, const XML_Char* name) {
        static_cast<Reader*>(self)->End(name);
    }
    static void XMLCALL OnText(void* self, const XML_Char* text, int length) {
        auto* reader = static_cast<Reader*>(self);
        if (reader->depth_ != reader->valueDepth_)
            return;  // the text of an element nested inside the value
        std::string& value = reader->value_;
        const std::size_t room = kMaxValueLength - std::min(value.size(), kMaxValueLength);
        value.append(text, std::min(static_cast<std::size_t>(length), room));
    }

    void Start(const char* name, const char** attributes) {
        ++depth_;
        if (depth_ == 1) {
            if (Is(name, "mame")) {
                result.kind = XmlListKind::MameXml;
            } else if (Is(name, "datafile")) {
                result.kind = XmlListKind::Datafile;
            } else {
                Fail(std::string("The root element is <") + name + ">, not <mame> or <datafile>,");
            }
            return;
        }
        if (depth_ == 2) {
            if (Is(name, "machine") || Is(name, "game"))
                BeginGame(attributes);
            return;
        }
        if (depth_ != 3 || !inGame_)
            return;
        if (Is(name, "rom")) {
            if (!isBios_)
                AddRom(attributes);
        } else if (Is(name, "sample")) {
            if (!isBios_)
                AddSample(attributes);
        } else if (std::string* target = ValueTarget(name)) {
            valueTarget_ = target;
            valueDepth_ = depth_;
            value_.clear();
            XML_SetCharacterDataHandler(parser_, &Reader::OnText);
        }
    }

    void End(const char* /*name*/) {
        if (valueTarget_ != nullptr && depth_ == valueDepth_) {
            valueTarget_->assign(TrimTrailing(value_));
            valueTarget_ = nullptr;
            valueDepth_ = -1;
            XML_SetCharacterDataHandler(parser_, nullptr);
        }
        if (depth_ == 2 && inGame_)
            EndGame();
        --depth_;
    }

    // The element texts that stand for a game's values, as attributes do.
    std::string* ValueTarget(const char* name) {
        if (Is(name, "description"))
            return &draft_.description;
        if (Is(name, "name"))
            return &draft_.name;
        if (Is(name, "cloneof"))
            return &draft_.cloneText;
        if (Is(name, "sampleof"))
            return &draft_.sampleText;
        if (Is(name, "romof"))
            return &ignored_;  // read, as the text format reads it, and not kept
        return nullptr;
    }

    void BeginGame(const char** attributes) {
        draft_ = GameDraft();
        inGame_ = true;
        isBios_ = false;
        for (const char** at = attributes; at[0] != nullptr; at += 2) {
            const std::string_view value = TrimTrailing(at[1]);
            if (Is(at[0], "name"))
                draft_.name = value;
            else if (Is(at[0], "cloneof"))
                draft_.cloneText = value;
            else if (Is(at[0], "sampleof"))
                draft_.sampleText = value;
            else if (Is(at[0], "isbios"))
                isBios_ = value == "yes";
        }
    }

    void EndGame() {
        inGame_ = false;
        if (isBios_)
            builder_.AddBiosSet(draft_.name);
        else
            builder_.FinishGame(draft_);
        Advance();
        if (progress_.IsStopRequested()) {
            result.stopped = true;
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    // status="baddump" or "nodump" is what the text format's "flags" says: not read there
    // either. A ROM without crc keeps crc 0.
    void AddRom(const char** attributes) {
        RomRecord rom;
        for (const char** at = attributes; at[0] != nullptr; at += 2) {
            const std::string_view value = TrimTrailing(at[1]);
            if (Is(at[0], "name"))
                rom.name = value;
            else if (Is(at[0], "size"))
                rom.size = ParseListNumber(value, 10, rom.size);
            else if (Is(at[0], "crc"))
                SetRomCrc(rom, value);
        }
        builder_.AddRom(draft_, std::move(rom));
    }

    // The text format lists samples as files; XML names them without the extension.
    void AddSample(const char** attributes) {
        for (const char** at = attributes; at[0] != nullptr; at += 2) {
            if (!Is(at[0], "name"))
                continue;
            std::string name(TrimTrailing(at[1]));
            if (!EndsWithIgnoringCase(name, ".wav"))
                name += ".wav";
            builder_.AddSample(draft_, name);
            return;
        }
        builder_.AddSample(draft_, "");
    }

    XML_Parser parser_;
    GameListBuilder& builder_;
    Progress& progress_;
    const ListInput& input_;
    int depth_ = 0;
    bool inGame_ = false;
    bool isBios_ = false;
    GameDraft draft_;
    std::string* valueTarget_ = nullptr;
    int valueDepth_ = -1;
    std::string value_;
    std::string ignored_;
    int shownSteps_ = 0;
};

}  // namespace

XmlListResult ParseXmlList(ListInput& input, GameListBuilder& builder, Progress& progress) {
    ExpatParser expat;
    XmlListResult failed;
    if (expat.Get() == nullptr) {
        failed.problem = "The XML reader could not be set up";
        return failed;
    }
    progress.SetProgressRange(0, kProgressSteps);
    progress.SetProgressStep(1);
    Reader reader(expat.Get(), builder, progress, input);
    long long fed = 0;
    for (;;) {
        void* buffer = XML_GetBuffer(expat.Get(), kChunkSize);
        if (buffer == nullptr) {
            reader.Fail("The XML reader ran out of memory");
            break;
        }
        const long n = input.Read(static_cast<char*>(buffer), kChunkSize);
        if (n < 0) {
            reader.result.problem = "The list could not be read to its end";
            break;
        }
        fed += n;
        const bool last = n == 0;
        if (XML_ParseBuffer(expat.Get(), static_cast<int>(n), last) != XML_STATUS_OK) {
            // A stop of ours has its reason already; anything else is expat's finding.
            if (!reader.result.stopped && reader.result.problem.empty()) {
                reader.Fail(std::string("The list is not well-formed XML (") +
                            XML_ErrorString(XML_GetErrorCode(expat.Get())) + ")");
            }
            break;
        }
        if (fed - XML_GetCurrentByteIndex(expat.Get()) > kMaxPendingBytes) {
            reader.Fail("The list holds a piece of markup longer than 64 MB");
            break;
        }
        reader.Advance();
        if (last) {
            reader.result.ok = true;
            break;
        }
    }
    return reader.result;
}

}  // namespace vextral
