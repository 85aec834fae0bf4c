#pragma once
// A scripted Dialogs: records every message and answers from queues. A question without a
// queued answer fails the test.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialogs.h"

namespace vextral::test {

struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct RecordedQuestion {
    std::string caption;
    std::string question;
};

class FakeDialogs : public Dialogs {
  public:
    // Answers for message boxes with more than one button (OK/Cancel, Yes/No).
    std::deque<MessageResult> messageAnswers;
    std::deque<AskAnswer> askAnswers;
    std::deque<std::string> folderAnswers;  // "" means cancelled
    std::deque<std::optional<std::string>> openFileAnswers;
    std::deque<std::optional<std::string>> saveFileAnswers;

    std::vector<RecordedMessage> messages;
    std::vector<RecordedQuestion> questions;
    std::vector<std::string> folderPrompts;
    std::vector<std::string> saveFilters;

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    AskAnswer AskUser(const std::string& caption, const std::string& question) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                              const std::string& defaultExtension) override;

    // The texts of all messages, in order.
    std::vector<std::string> MessageTexts() const;
};

}  // namespace vextral::test
