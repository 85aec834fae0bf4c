#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vextral {

namespace {

// Names are compared and hashed eight bytes at a time: the scan does this millions of times.
constexpr std::uint64_t kEachByte = 0x0101010101010101ull;

std::uint64_t Load8(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The up to seven bytes of a tail, the rest zero.
std::uint64_t LoadTail(const char* bytes, std::size_t count) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, count);
    return word;
}

// Each byte 'A'..'Z' of word made lower case, every other byte as it was.
std::uint64_t FoldWord(std::uint64_t word) {
    const std::uint64_t low7 = word & (0x7f * kEachByte);
    const std::uint64_t atLeastA = low7 + (0x80 - 'A') * kEachByte;
    const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kEachByte;
    const std::uint64_t upper = (atLeastA ^ aboveZ) & ~word & (0x80 * kEachByte);
    return word | (upper >> 2);
}

}  // namespace

std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = ToLowerAscii(c);
    return result;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        const std::uint64_t x = Load8(a.data() + i), y = Load8(b.data() + i);
        if (x != y && FoldWord(x) != FoldWord(y))
            return false;
    }
    const std::size_t rest = a.size() - i;
    return rest == 0 ||
           FoldWord(LoadTail(a.data() + i, rest)) == FoldWord(LoadTail(b.data() + i, rest));
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

bool LessExact(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t low = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= low && code <= 0x10FFFF && !surrogate && code != 0xFFFE && code != 0xFFFF
               ? length
               : 0;
}

}  // namespace

std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const std::size_t length = Utf8Length(text, i)) {
                out.append(text.substr(i, length));
                i += length - 1;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
            case '\n':
            case '\r':
                out += static_cast<char>(c);
                break;
            default:
                out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

std::string_view TrimWhiteSpace(std::string_view text) {
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const noexcept {
    // Eight folded bytes per multiply, then the length and a final mix so that the low bits the
    // table uses depend on every byte.
    std::uint64_t hash = 0x9e3779b97f4a7c15ull;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        hash = (hash ^ FoldWord(Load8(text.data() + i))) * 0xff51afd7ed558ccdull;
    if (i < text.size())
        hash =
            (hash ^ FoldWord(LoadTail(text.data() + i, text.size() - i))) * 0xff51afd7ed558ccdull;
    hash ^= text.size();
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ull;
    hash ^= hash >> 29;
    return static_cast<std::size_t>(hash);
}

}  // namespace vextral
