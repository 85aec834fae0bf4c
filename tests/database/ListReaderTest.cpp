#include "database/ListReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FolderBuilder.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace vextral {
namespace {

std::vector<std::string> Tokens(const std::string& text,
                                std::vector<std::uint64_t>* longLines = nullptr) {
    test::TempFolder folder;
    ListReader reader;
    EXPECT_TRUE(reader.Open(test::WriteFile(folder / "list.dat", text)));
    reader.onLongLine = [&](std::uint64_t line) {
        ASSERT_NE(longLines, nullptr) << "line " << line;
        longLines->push_back(line);
    };
    std::vector<std::string> tokens;
    std::string token;
    while (ReadListToken(reader, token) == 1)
        tokens.push_back(token);
    EXPECT_EQ(ReadListToken(reader, token), 0);  // the end stays the end
    return tokens;
}

using List = std::vector<std::string>;

TEST(ListReaderTest, SplitsWordsAtBlanksAndTabsAndKeepsQuotedTextWhole) {
    EXPECT_EQ(Tokens("game (\n\tname alpha2\n\tdescription \"Alpha (set 2)\" )\n"),
              (List{"game", "(", "name", "alpha2", "description", "Alpha (set 2)", ")"}));
    // Touching parentheses stay part of the word.
    EXPECT_EQ(Tokens("rom ( name a.1 size 10)\n"),
              (List{"rom", "(", "name", "a.1", "size", "10)"}));
    // Other white space is trimmed around a token but does not split it.
    EXPECT_EQ(Tokens("  \v name\fx \t \n"), (List{"name\fx"}));
}

TEST(ListReaderTest, QuotedTexts) {
    EXPECT_EQ(Tokens(R"("say \"hi\" now" next)"), (List{R"(say \"hi\" now)", "next"}));
    EXPECT_EQ(Tokens("\"\" \"x\" \"ab\"\n"), (List{"", "x", "ab"}));
    // Without a closing quote the quote belongs to an ordinary word.
    EXPECT_EQ(Tokens("\"open text\n"), (List{"\"open", "text"}));
    EXPECT_EQ(Tokens("\"trailing  \")\n"), (List{"trailing", ")"}));
}

TEST(ListReaderTest, EmptyLinesGiveEmptyTokensAndLineEndsVary) {
    EXPECT_EQ(Tokens("a\n\n   \nb"), (List{"a", "", "", "b"}));
    EXPECT_EQ(Tokens("name a\r\nsize 5\r\n\r\n"), (List{"name", "a", "size", "5", ""}));
    EXPECT_EQ(Tokens(""), List{});
    // NUL bytes are ordinary characters.
    EXPECT_EQ(Tokens(std::string("na\0me x\n\0\n", 10)),
              (List{std::string("na\0me", 5), "x", std::string("\0", 1)}));
}

TEST(ListReaderTest, LinesUpToTheCapAreReadWholeAndLongerOnesAreSkippedAndTold) {
    // Read in chunks: the lines cross chunk boundaries.
    const std::string nearCap(ListReader::kMaxLineLength - 12, 'h');
    std::string text =
        "first " + nearCap + " last\n" + std::string(std::size_t{2} << 20, '(') + "\nafter\n";
    for (int i = 0; i < 200'000; ++i)
        text += "rom ( name x )\n";
    text += std::string(std::size_t{3} << 20, 'z');  // no line end at all
    std::vector<std::uint64_t> longLines;
    const List tokens = Tokens(text, &longLines);
    ASSERT_EQ(tokens.size(), 4u + 200'000u * 5u);
    EXPECT_EQ(tokens[1], nearCap);
    EXPECT_EQ(tokens[2], "last");
    EXPECT_EQ(tokens[3], "after");
    EXPECT_EQ(tokens.back(), ")");
    EXPECT_EQ(longLines, (std::vector<std::uint64_t>{2, 200'004}));
}

TEST(ListReaderTest, OpensOnlyRegularFiles) {
    const test::Watchdog watchdog;
    test::TempFolder folder;
    test::FolderBuilder(folder.Path()).Special("fifo", test::SpecialKind::Fifo).Folder("dir");
    ListReader reader;
    EXPECT_FALSE(reader.Open(folder / "fifo"));
    EXPECT_FALSE(reader.Open(folder / "dir"));
    EXPECT_FALSE(reader.IsOpen());
}

}  // namespace
}  // namespace vextral
