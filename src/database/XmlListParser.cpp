#include "database/XmlListParser.h"

#include <expat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "database/ListInput.h"
#include "platform/Text.h"

namespace vextral {

namespace {

constexpr std::uint64_t kChunkSize = 1 << 20;
// A single value (a description, say) is never longer in a real list; a longer one is cut
// so that no input can make a text grow without bound.
constexpr std::size_t kMaxValueLength = 1 << 16;
// Expat keeps an unfinished markup token (a tag with its attributes, a comment) in memory;
// one longer than a text list's longest line is refused. Text between tags never waits.
constexpr long long kMaxPendingBytes = 1ll << 20;
constexpr int kProgressSteps = 1000;
// How far the split point and the root element are looked for.
constexpr std::size_t kSearchWindow = 1 << 20;

// The buffer for a file of this size: a small list needs no megabyte.
std::size_t BufferFor(std::uint64_t fileSize, std::uint64_t most) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(fileSize + 1, 4096, most));
}

std::string_view TrimTrailing(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsWhiteSpace(text[n - 1]))
        --n;
    return text.substr(0, n);
}

bool Is(const char* name, std::string_view wanted) {
    return wanted == name;
}

XmlListKind KindOfRoot(std::string_view root) {
    if (root == "mame")
        return XmlListKind::MameXml;
    if (root == "datafile")
        return XmlListKind::Datafile;
    return XmlListKind::Unknown;
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

// A game as read, kept for the builder when the file is read in halves.
struct ReadGame {
    GameDraft draft;
    bool bios = false;
};

// Turns expat's events into games. Each game goes to the builder at once, or into a list
// that the builder gets later; afterGame says whether to stop.
class Reader {
  public:
    Reader(XML_Parser parser, GameListBuilder* builder, std::vector<ReadGame>* kept,
           std::function<bool()> afterGame)
        : parser_(parser), builder_(builder), kept_(kept), afterGame_(std::move(afterGame)) {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Reader::OnStart, &Reader::OnEnd);
    }

    XmlListResult result;

    // Stops the parse with a problem of the document at the current place.
    void Fail(const std::string& what) {
        result.problem = what + " at line " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                         ", column " + std::to_string(XML_GetCurrentColumnNumber(parser_) + 1) +
                         ".";
        XML_StopParser(parser_, XML_FALSE);
    }

  private:
    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Reader*>(self)->Start(name, attributes);
    }
    static void XMLCALL OnEnd(void* self, const XML_Char* /*name*/) {
        static_cast<Reader*>(self)->End();
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
            result.kind = KindOfRoot(name);
            if (result.kind == XmlListKind::Unknown) {
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
        // Most elements of a machine are none of these: the first letter tells them apart
        // without measuring every name.
        switch (name[0]) {
            case 'r':
                if (Is(name, "rom") && !bios_)
                    AddRom(attributes);
                else if (Is(name, "romof"))
                    CollectValue(&ignored_);  // read, as the text format reads it, not kept
                break;
            case 's':
                if (Is(name, "sample") && !bios_)
                    AddSample(attributes);
                else if (Is(name, "sampleof"))
                    CollectValue(&draft_.sampleText);
                break;
            case 'd':
                if (Is(name, "description"))
                    CollectValue(&draft_.description);
                break;
            case 'n':
                if (Is(name, "name"))
                    CollectValue(&draft_.name);
                break;
            case 'c':
                if (Is(name, "cloneof"))
                    CollectValue(&draft_.cloneText);
                break;
            default:
                break;
        }
    }

    // The element's own text becomes the value, as the attribute of that name does.
    void CollectValue(std::string* target) {
        valueTarget_ = target;
        valueDepth_ = depth_;
        value_.clear();
        XML_SetCharacterDataHandler(parser_, &Reader::OnText);
    }

    void End() {
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

    void BeginGame(const char** attributes) {
        draft_ = GameDraft();
        inGame_ = true;
        bios_ = false;
        for (const char** at = attributes; at[0] != nullptr; at += 2) {
            const std::string_view value = TrimTrailing(at[1]);
            if (Is(at[0], "name"))
                draft_.name = value;
            else if (Is(at[0], "cloneof"))
                draft_.cloneText = value;
            else if (Is(at[0], "sampleof"))
                draft_.sampleText = value;
            else if (Is(at[0], "isbios"))
                bios_ = value == "yes";
        }
    }

    void EndGame() {
        inGame_ = false;
        if (kept_ != nullptr) {
            kept_->push_back({std::move(draft_), bios_});
        } else if (bios_) {
            builder_->AddBiosSet(draft_.name);
        } else {
            builder_->FinishGame(draft_);
        }
        if (afterGame_()) {
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
        GameListBuilder::AddRom(draft_, std::move(rom));
    }

    // The text format lists samples as files; XML names them without the extension.
    void AddSample(const char** attributes) {
        std::string name;
        for (const char** at = attributes; at[0] != nullptr; at += 2) {
            if (Is(at[0], "name")) {
                name = TrimTrailing(at[1]);
                if (!EndsWithIgnoringCase(name, ".wav"))
                    name += ".wav";
                break;
            }
        }
        GameListBuilder::AddSample(draft_, name);
    }

    XML_Parser parser_;
    GameListBuilder* builder_;
    std::vector<ReadGame>* kept_;
    std::function<bool()> afterGame_;
    int depth_ = 0;
    bool inGame_ = false;
    bool bios_ = false;
    GameDraft draft_;
    std::string* valueTarget_ = nullptr;
    int valueDepth_ = -1;
    std::string value_;
    std::string ignored_;
};

using ReadBytes = std::function<long(char* buffer, std::size_t size)>;

// Feeds expat until the input ends, the reader stops it or the document is at fault.
void Feed(XML_Parser parser, Reader& reader, std::size_t chunk, const ReadBytes& read,
          const std::function<void()>& afterChunk) {
    long long fed = 0;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, static_cast<int>(chunk));
        if (buffer == nullptr) {
            reader.Fail("The XML reader ran out of memory");
            return;
        }
        const long n = read(static_cast<char*>(buffer), chunk);
        if (n < 0) {
            reader.result.problem = "The list could not be read to its end.";
            return;
        }
        fed += n;
        const bool last = n == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(n), last) != XML_STATUS_OK) {
            // A stop of ours has its reason already; anything else is expat's finding.
            if (!reader.result.stopped && reader.result.problem.empty()) {
                reader.Fail(std::string("The list is not well-formed XML (") +
                            XML_ErrorString(XML_GetErrorCode(parser)) + ")");
            }
            return;
        }
        if (fed - XML_GetCurrentByteIndex(parser) > kMaxPendingBytes) {
            reader.Fail("The list holds a piece of markup longer than 1 MB");
            return;
        }
        afterChunk();
        if (last) {
            reader.result.ok = true;
            return;
        }
    }
}

// Progress in steps of a thousandth of the file.
class ProgressSteps {
  public:
    ProgressSteps(Progress& progress, std::uint64_t fileSize)
        : progress_(progress), size_(std::max<std::uint64_t>(fileSize, 1)) {
        progress_.SetProgressRange(0, kProgressSteps);
        progress_.SetProgressStep(1);
    }
    void Reached(std::uint64_t bytes) {
        const auto step = static_cast<int>(
            std::min<std::uint64_t>(bytes * kProgressSteps / size_, kProgressSteps));
        for (; shown_ < step; ++shown_)
            progress_.AdvanceProgress();
    }

  private:
    Progress& progress_;
    std::uint64_t size_;
    int shown_ = 0;
};

XmlListResult ParseWhole(const std::string& path, GameListBuilder& builder, Progress& progress) {
    XmlListResult failed;
    ListInput input;
    ExpatParser expat;
    if (!input.Open(path) || expat.Get() == nullptr) {
        failed.problem = "The list could not be opened.";
        return failed;
    }
    ProgressSteps steps(progress, input.FileSize());
    Reader reader(expat.Get(), &builder, nullptr, [&] {
        steps.Reached(input.Position());
        return progress.IsStopRequested();
    });
    Feed(
        expat.Get(), reader, BufferFor(input.FileSize(), kChunkSize),
        [&input](char* buffer, std::size_t size) { return input.Read(buffer, size); },
        [&] { steps.Reached(input.Position()); });
    return reader.result;
}

struct RootTag {
    XML_Parser parser;
    std::string name;
    long long end = -1;

    static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
        auto* self = static_cast<RootTag*>(data);
        self->name = name;
        self->end = XML_GetCurrentByteIndex(self->parser) + XML_GetCurrentByteCount(self->parser);
        XML_StopParser(self->parser, XML_FALSE);
    }
};

// The opening of the document up to the end of the root element's start tag, and the
// root's name; nothing when they are not found near the start.
std::optional<std::pair<std::string, std::string>> ReadProlog(const std::string& path) {
    ListInput input;
    ExpatParser expat;
    if (!input.Open(path) || expat.Get() == nullptr)
        return std::nullopt;
    std::string head(BufferFor(input.FileSize(), kSearchWindow), '\0');
    const long n = input.Read(head.data(), head.size());
    if (n <= 0)
        return std::nullopt;
    head.resize(static_cast<std::size_t>(n));
    RootTag found{expat.Get(), {}, -1};
    XML_SetUserData(expat.Get(), &found);
    XML_SetStartElementHandler(expat.Get(), &RootTag::OnStart);
    (void)XML_Parse(expat.Get(), head.data(), static_cast<int>(head.size()), XML_FALSE);
    if (found.end <= 0 || static_cast<std::size_t>(found.end) > head.size())
        return std::nullopt;
    head.resize(static_cast<std::size_t>(found.end));
    return std::make_pair(std::move(head), std::move(found.name));
}

// The first "<machine" or "<game" start tag at or after offset.
std::optional<std::uint64_t> FindSplitPoint(const std::string& path, std::uint64_t offset) {
    ListInput input;
    if (!input.Open(path) || !input.SeekTo(offset))
        return std::nullopt;
    std::string window(BufferFor(input.FileSize(), kSearchWindow), '\0');
    const long n = input.Read(window.data(), window.size());
    if (n <= 0)
        return std::nullopt;
    const std::string_view text(window.data(), static_cast<std::size_t>(n));
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        for (const std::string_view tag :
             {std::string_view("<machine"), std::string_view("<game")}) {
            const std::size_t end = at + tag.size();
            if (text.substr(at, tag.size()) == tag && end < text.size() &&
                (IsWhiteSpace(text[end]) || text[end] == '>' || text[end] == '/')) {
                return offset + at;
            }
        }
    }
    return std::nullopt;
}

// Reads the first half (up to split, then a closing root tag) here and the second half
// (the prolog, then from split to the end) on a worker. Proof that split lies between two
// games: the first half alone, closed there, is a well-formed document. Nothing when the
// halves cannot be used; the builder is untouched then.
std::optional<XmlListResult> ParseInHalves(const std::string& path, std::uint64_t fileSize,
                                           GameListBuilder& builder, Progress& progress) {
    const auto prolog = ReadProlog(path);
    if (!prolog || KindOfRoot(prolog->second) == XmlListKind::Unknown)
        return std::nullopt;
    const auto split =
        FindSplitPoint(path, std::max<std::uint64_t>(fileSize / 2, prolog->first.size()));
    if (!split)
        return std::nullopt;

    ListInput first;
    ListInput second;
    ExpatParser firstParser;
    ExpatParser secondParser;
    if (!first.Open(path) || !second.Open(path) || !second.SeekTo(*split) ||
        firstParser.Get() == nullptr || secondParser.Get() == nullptr)
        return std::nullopt;

    // Set by a Stop of the user or a fault of the first half; the worker then ends early.
    std::atomic<bool> stop{false};
    bool userStopped = false;
    std::atomic<std::uint64_t> secondBytes{0};
    // The second half's end, waited for without sleeping past it.
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool secondDone = false;
    std::vector<ReadGame> firstGames;
    std::vector<ReadGame> secondGames;

    Reader secondReader(secondParser.Get(), nullptr, &secondGames, [&] {
        secondBytes = second.Position() - *split;
        return stop.load();
    });
    std::thread worker([&] {
        try {
            std::size_t prologLeft = prolog->first.size();
            Feed(
                secondParser.Get(), secondReader, BufferFor(fileSize / 2, kChunkSize),
                [&](char* buffer, std::size_t size) -> long {
                    if (prologLeft > 0) {
                        const std::size_t n = std::min(prologLeft, size);
                        std::memcpy(buffer,
                                    prolog->first.data() + prolog->first.size() - prologLeft, n);
                        prologLeft -= n;
                        return static_cast<long>(n);
                    }
                    return second.Read(buffer, size);
                },
                [&] { secondBytes = second.Position() - *split; });
        } catch (...) {
            secondReader.result = XmlListResult();
        }
        {
            const std::lock_guard lock(doneMutex);
            secondDone = true;
        }
        doneSignal.notify_one();
    });
    // Whatever ends this function, the worker is told to stop and waited for first.
    struct Joiner {
        std::thread& thread;
        std::atomic<bool>& stop;
        ~Joiner() {
            stop = true;
            if (thread.joinable())
                thread.join();
        }
    } joiner{worker, stop};

    ProgressSteps steps(progress, fileSize);
    const auto reached = [&] { steps.Reached(first.Position() + secondBytes.load()); };
    const auto askStop = [&] {
        if (progress.IsStopRequested()) {
            userStopped = true;
            stop = true;
        }
    };
    Reader firstReader(firstParser.Get(), nullptr, &firstGames, [&] {
        reached();
        askStop();
        return userStopped;
    });
    const std::string closing = "</" + prolog->second + ">";
    bool closed = false;
    Feed(
        firstParser.Get(), firstReader, BufferFor(fileSize / 2, kChunkSize),
        [&](char* buffer, std::size_t size) -> long {
            const std::uint64_t left = *split - first.Position();
            if (left > 0)
                return first.Read(buffer, std::min<std::uint64_t>(left, size));
            if (closed)
                return 0;
            closed = true;
            std::memcpy(buffer, closing.data(), std::min(closing.size(), size));
            return static_cast<long>(std::min(closing.size(), size));
        },
        reached);
    if (!firstReader.result.ok)
        stop = true;
    // The progress and Stop stay alive while the second half ends.
    for (std::unique_lock lock(doneMutex); !secondDone;) {
        lock.unlock();
        reached();
        askStop();
        lock.lock();
        doneSignal.wait_for(lock, std::chrono::milliseconds(20), [&] { return secondDone; });
    }
    worker.join();

    if (userStopped) {
        XmlListResult stopped;
        stopped.stopped = true;
        return stopped;
    }
    if (!firstReader.result.ok || !secondReader.result.ok)
        return std::nullopt;
    for (std::vector<ReadGame>* half : {&firstGames, &secondGames}) {
        for (ReadGame& game : *half) {
            if (game.bios)
                builder.AddBiosSet(game.draft.name);
            else
                builder.FinishGame(game.draft);
        }
        half->clear();
        half->shrink_to_fit();
    }
    firstReader.result.readInHalves = true;
    return firstReader.result;
}

}  // namespace

XmlListResult ParseXmlList(const std::string& path, GameListBuilder& builder, Progress& progress,
                           const XmlListOptions& options) {
    ListInput input;
    if (input.Open(path) && !input.IsCompressed() && input.FileSize() >= options.splitFrom) {
        const std::uint64_t size = input.FileSize();
        input.Close();
        if (auto halves = ParseInHalves(path, size, builder, progress))
            return *halves;
    }
    return ParseWhole(path, builder, progress);
}

}  // namespace vextral
