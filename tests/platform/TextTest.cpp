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

}  // namespace
}  // namespace vextral
