#pragma once
// Text rules of the system: "exact" comparison is byte-wise with bytes taken as unsigned
// (std::string's own ordering does that); "ignoring case" folds ASCII letters only.

#include <cstddef>
#include <string>
#include <string_view>

namespace vextral {

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix);
// Exact byte order, bytes compared as unsigned.
bool LessExact(std::string_view a, std::string_view b);
// Byte order of the ASCII-folded texts: negative, 0 or positive.
int CompareIgnoringCase(std::string_view a, std::string_view b);

// Text as XML content or attribute value: markup characters as entities, control
// characters XML cannot carry as '?', bytes that are no UTF-8 taken as Latin-1.
std::string XmlText(std::string_view text);

// Blank, tab, line feed, carriage return, vertical tab, form feed.
constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
std::string_view TrimWhiteSpace(std::string_view text);

// Hash and equality for unordered containers keyed ignoring ASCII case.
struct CaseInsensitiveHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept;
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return EqualsIgnoringCase(a, b);
    }
};

}  // namespace vextral
