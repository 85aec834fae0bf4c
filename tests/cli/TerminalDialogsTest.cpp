// The terminal's answers to questions and message boxes, read from a scripted input.

#include "cli/TerminalDialogs.h"
#include "cli/TerminalText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vextral {
namespace {

class TerminalDialogsTest : public ::testing::Test {
  protected:
    TerminalDialogs Interactive(std::string input) {
        input_ = std::move(input);
        in_ = fmemopen(input_.data(), input_.size(), "r");
        return TerminalDialogs(in_, err_, /*interactive=*/true, AskAnswer::NoToAll);
    }
    std::string Written() {
        std::fflush(err_);
        std::rewind(err_);
        std::string text;
        for (int c = 0; (c = std::fgetc(err_)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }
    ~TerminalDialogsTest() override {
        if (in_ != nullptr)
            std::fclose(in_);
        std::fclose(err_);
    }

    std::string input_;
    std::FILE* in_ = nullptr;
    std::FILE* err_ = std::tmpfile();
};

TEST_F(TerminalDialogsTest, QuestionsTakeEachReplyAndAskAgainAfterNonsense) {
    TerminalDialogs dialogs = Interactive("y\n A \nl\nmaybe\nN\ns\n");
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::Yes);
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::YesToAll);
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::NoToAll);
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::No);
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::Stop);
    // The end of the input never lets a fix through.
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::No);
    const std::string written = Written();
    EXPECT_EQ(written.rfind("Fix ?: Rename it ?\n[y]es / yes to [a]ll", 0), 0u) << written;
}

TEST_F(TerminalDialogsTest, TwoButtonBoxesAskOnTheTerminalAndCloseOnEndOfInput) {
    TerminalDialogs dialogs = Interactive("x\nn\nc\n");
    EXPECT_EQ(
        dialogs.ShowMessage("Go on ?", "Warning !", MessageIcon::Question, MessageButtons::YesNo),
        MessageResult::No);
    EXPECT_EQ(dialogs.ShowMessage("Go on ?", "Warning !", MessageIcon::Question,
                                  MessageButtons::OkCancel),
              MessageResult::Cancel);
    EXPECT_EQ(
        dialogs.ShowMessage("Go on ?", "Warning !", MessageIcon::Question, MessageButtons::YesNo),
        MessageResult::No);
    EXPECT_EQ(Written().rfind("Warning !: Go on ?\n\n[y]es / [n]o? ", 0), 0u);
}

TEST_F(TerminalDialogsTest, OffATerminalTheFixedAnswerAndFirstButtonsAreTaken) {
    TerminalDialogs dialogs(stdin, err_, /*interactive=*/false, AskAnswer::YesToAll);
    EXPECT_EQ(dialogs.AskUser("Fix ?", "Rename it ?"), AskAnswer::YesToAll);
    EXPECT_EQ(
        dialogs.ShowMessage("Go on ?", "Warning !", MessageIcon::Question, MessageButtons::YesNo),
        MessageResult::Yes);
    EXPECT_EQ(
        dialogs.ShowMessage("Sure ?", "Path", MessageIcon::Exclamation, MessageButtons::OkCancel),
        MessageResult::Ok);
    EXPECT_EQ(dialogs.BrowseForFolder("Choose a new rompath."), "");
    EXPECT_FALSE(dialogs.ChooseSaveFile("Log (*.txt)|*.txt||", ".txt").has_value());
    EXPECT_EQ(Written().rfind("Fix ?: Rename it ?\nWarning !: Go on ?\n\nPath: Sure ?\n\n", 0), 0u);
}

TEST(ParseAnswerTest, KnowsTheFiveAnswersOnly) {
    EXPECT_EQ(ParseAnswer("yes-to-all"), AskAnswer::YesToAll);
    EXPECT_EQ(ParseAnswer("no-to-all"), AskAnswer::NoToAll);
    EXPECT_EQ(ParseAnswer("stop"), AskAnswer::Stop);
    EXPECT_FALSE(ParseAnswer("Yes").has_value());
    EXPECT_FALSE(ParseAnswer("").has_value());
}

TEST_F(TerminalDialogsTest, MessagesKeepEveryByteAndCannotActOnTheTerminal) {
    TerminalDialogs dialogs(in_, err_, /*interactive=*/false, AskAnswer::No);
    static const char kRaw[] = "-listinfo bug:\n\nx (a\0b\x1b[31mred\r\x7f\tend)";
    const std::string text(kRaw, sizeof kRaw - 1);
    dialogs.ShowMessage(text, "Vextral", MessageIcon::Exclamation, MessageButtons::Ok);
    EXPECT_EQ(Written(), "Vextral: -listinfo bug:\n\nx (a\\0b\\x1b[31mred\\x0d\\x7f\tend)\n\n");
    EXPECT_EQ(TerminalText("one\ntwo", LineBreaks::Escape), "one\\x0atwo");
}

}  // namespace
}  // namespace vextral
