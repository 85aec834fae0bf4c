#include "platform/Text.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace vextral {
namespace {

TEST(TextTest, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(ToLowerAscii("PacMan-2.ZIP \xC9"), "pacman-2.zip \xC9");
    EXPECT_TRUE(EqualsIgnoringCase("ROM.bin", "rom.BIN"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC9", "\xE9"));
    EXPECT_FALSE(EqualsIgnoringCase("[", "{"));  // '[' + 32 is '{', not a letter pair
    EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
    EXPECT_TRUE(EndsWithIgnoringCase("set.ZIP", ".zip"));
    EXPECT_FALSE(EndsWithIgnoringCase("zip", ".zip"));
}

// Every byte at every position of a name longer than one word, against the byte-wise rule.
TEST(TextTest, WordWiseFoldingAgreesWithByteWiseFolding) {
    const std::string base = "0123456789abcdefghi";
    const CaseInsensitiveHash hash;
    for (std::size_t at = 0; at < base.size(); ++at) {
        for (int value = 0; value < 256; ++value) {
            std::string a = base, lower = base, flipped = base;
            a[at] = static_cast<char>(value);
            lower[at] = ToLowerAscii(a[at]);
            flipped[at] = static_cast<char>(value ^ 0x20);
            ASSERT_TRUE(EqualsIgnoringCase(a, lower)) << at << ' ' << value;
            ASSERT_EQ(hash(a), hash(lower)) << at << ' ' << value;
            ASSERT_EQ(EqualsIgnoringCase(a, flipped),
                      ToLowerAscii(a[at]) == ToLowerAscii(flipped[at]))
                << at << ' ' << value;
        }
    }
}

TEST(TextTest, ExactOrderTakesBytesAsUnsigned) {
    EXPECT_TRUE(LessExact("Z", "a"));
    EXPECT_TRUE(LessExact("z", "\xE9"));
    EXPECT_TRUE(LessExact("ab", "abc"));
    EXPECT_FALSE(LessExact("abc", "abc"));
}

TEST(TextTest, TrimsAllSixWhiteSpaceCharacters) {
    EXPECT_EQ(TrimWhiteSpace(" \t\r\n\v\fname x\f\v\n\r\t "), "name x");
    EXPECT_EQ(TrimWhiteSpace(" \t "), "");
}

TEST(TextTest, CaseInsensitiveSetFindsAnyCase) {
    std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> names{"PacMan"};
    EXPECT_TRUE(names.contains(std::string_view("PACMAN")));
    EXPECT_FALSE(names.contains(std::string_view("pacma")));
    EXPECT_EQ(CaseInsensitiveHash{}("Galaga"), CaseInsensitiveHash{}("gALAGA"));
}

TEST(TextTest, XmlTextIsFitForXml) {
    EXPECT_EQ(XmlText("a&b<c>\"d\" 'e'"), "a&amp;b&lt;c&gt;&quot;d&quot; 'e'");
    EXPECT_EQ(XmlText("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");  // UTF-8 kept
    EXPECT_EQ(XmlText("caf\xE9"), "caf\xC3\xA9");                                // Latin-1
    EXPECT_EQ(XmlText(std::string("a\x01\x1F\tb\x7F", 6)), "a??\tb?");
    EXPECT_EQ(XmlText("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");  // no surrogates
}

}  // namespace
}  // namespace vextral
