#pragma once
// Message boxes and questions on the terminal. Messages go to standard error as
// "CAPTION: TEXT". Questions are asked on the terminal when standard input and standard
// error are both terminals; otherwise they take a fixed answer, and two-button boxes their
// first button. Choosers are never opened.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/Dialogs.h"

namespace vextral {

// "yes", "no", "yes-to-all", "no-to-all", "stop".
std::optional<AskAnswer> ParseAnswer(std::string_view text);

class TerminalDialogs final : public Dialogs {
  public:
    TerminalDialogs(std::FILE* in, std::FILE* err, bool interactive, AskAnswer fixedAnswer);

    // Called before anything is written (the progress bar clears its line).
    std::function<void()> beforeWriting;

    bool Interactive() const { return interactive_; }

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    AskAnswer AskUser(const std::string& caption, const std::string& question) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                              const std::string& defaultExtension) override;

  private:
    void Write(const std::string& text);
    // One line from the terminal, without blanks and lowercased; nothing at the end of the
    // input or when Ctrl-C interrupted the read.
    std::optional<std::string> ReadReply();

    std::FILE* in_;
    std::FILE* err_;
    bool interactive_;
    AskAnswer fixedAnswer_;
    bool interrupted_ = false;  // the last read ended by Ctrl-C
};

}  // namespace vextral
