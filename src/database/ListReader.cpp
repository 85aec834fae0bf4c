#include "database/ListReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"

namespace vextral {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeading(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    return text.substr(i);
}

std::string_view TrimTrailing(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsWhiteSpace(text[n - 1]))
        --n;
    return text.substr(0, n);
}

// The closing quote of a quoted text: the first '"' after the opening one that does not
// follow a backslash. Empty and one-character quoted texts count as quoted.
std::size_t FindClosingQuote(std::string_view text) {
    std::size_t from = 1;
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '"', text.size() - from);
        if (hit == nullptr)
            return std::string_view::npos;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (text[at - 1] != '\\')
            return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

}  // namespace

ListReader::~ListReader() {
    Close();
}

bool ListReader::Open(const std::string& path) {
    Close();
    if (!input_.Open(path))
        return false;
    // A short file (mame.cfg, most lists in tests) needs no full chunk.
    buffer_.resize(input_.IsCompressed() ? kChunkSize
                                         : static_cast<std::size_t>(std::min<std::uint64_t>(
                                               kChunkSize, input_.FileSize() + 1)));
    begin_ = end_ = 0;
    atEnd_ = readError_ = false;
    longLine_.clear();
    lineNumber_ = 0;
    rest_ = {};
    needLine_ = true;
    return true;
}

void ListReader::Close() {
    input_.Close();
    rest_ = {};
    needLine_ = true;
}

bool ListReader::Fill() {
    begin_ = end_ = 0;
    const long n = input_.Read(buffer_.data(), buffer_.size());
    if (n > 0) {
        end_ = static_cast<std::size_t>(n);
        return true;
    }
    if (n < 0)
        readError_ = true;
    atEnd_ = true;
    return false;
}

int ListReader::ReadLine(std::string_view& line) {
    for (;;) {
        bool tooLong = false;
        const int result = ReadAnyLine(line, tooLong);
        if (result != 1)
            return result;
        ++lineNumber_;
        if (!tooLong)
            return 1;
        if (onLongLine)
            onLongLine(lineNumber_);
    }
}

int ListReader::ReadAnyLine(std::string_view& line, bool& tooLong) {
    bool partial = false;
    longLine_.clear();
    // Keeps a piece of a line that crosses a chunk boundary, unless the line is too long:
    // then nothing more is kept and the rest is only looked through for its end.
    const auto keep = [&](const char* start, std::size_t length) {
        if (!tooLong && longLine_.size() + length > kMaxLineLength) {
            tooLong = true;
            longLine_.clear();
        }
        if (!tooLong)
            longLine_.append(start, length);
    };
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const void* newline = available > 0 ? std::memchr(start, '\n', available) : nullptr;
        if (newline != nullptr) {
            const auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
            begin_ += length + 1;
            if (partial) {
                keep(start, length);
                line = longLine_;
            } else {
                line = std::string_view(start, length);
            }
            break;
        }
        if (available > 0) {
            keep(start, available);
            partial = true;
        }
        begin_ = end_ = 0;
        if (atEnd_ || !Fill()) {
            if (!partial)
                return readError_ ? -1 : 0;
            line = longLine_;
            break;
        }
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return 1;
}

int ReadListToken(ListReader& reader, std::string_view& token) {
    if (reader.needLine_) {
        const int result = reader.ReadLine(reader.rest_);
        if (result != 1) {
            reader.rest_ = {};
            return result;
        }
        reader.needLine_ = false;
    }
    const std::string_view copy = TrimLeading(reader.rest_);
    std::string_view after;
    bool quoted = false;
    if (!copy.empty() && copy.front() == '"') {
        const std::size_t close = FindClosingQuote(copy);
        if (close != std::string_view::npos) {
            token = copy.substr(1, close - 1);
            after = copy.substr(close + 1);
            quoted = true;
        }
    }
    if (!quoted) {
        std::size_t end = 0;
        while (end < copy.size() && !IsBlankOrTab(copy[end]))
            ++end;
        token = copy.substr(0, end);
        after = copy.substr(end);
    }
    token = TrimTrailing(token);
    reader.rest_ = after;
    std::size_t i = 0;
    while (i < after.size() && IsBlankOrTab(after[i]))
        ++i;
    if (i == after.size())
        reader.needLine_ = true;
    return 1;
}

int ReadListToken(ListReader& reader, std::string& token) {
    std::string_view view;
    const int result = ReadListToken(reader, view);
    if (result == 1)
        token.assign(view.data(), view.size());
    return result;
}

}  // namespace vextral
