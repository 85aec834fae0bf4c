#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

namespace vextral::test {

MessageResult FakeDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageIcon icon, MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    if (messageAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << caption << ": " << text;
        return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
    }
    const MessageResult answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

AskAnswer FakeDialogs::AskUser(const std::string& caption, const std::string& question) {
    questions.push_back({caption, question});
    if (askAnswers.empty()) {
        ADD_FAILURE() << "unexpected fix question: " << caption << ": " << question;
        return AskAnswer::Closed;
    }
    const AskAnswer answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

std::string FakeDialogs::BrowseForFolder(const std::string& prompt) {
    folderPrompts.push_back(prompt);
    if (folderAnswers.empty()) {
        ADD_FAILURE() << "unexpected folder chooser: " << prompt;
        return {};
    }
    std::string answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::ChooseOpenFile() {
    if (openFileAnswers.empty()) {
        ADD_FAILURE() << "unexpected open-file chooser";
        return std::nullopt;
    }
    auto answer = openFileAnswers.front();
    openFileAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::ChooseSaveFile(const std::string& filter,
                                                       const std::string&) {
    saveFilters.push_back(filter);
    if (saveFileAnswers.empty()) {
        ADD_FAILURE() << "unexpected save-file chooser";
        return std::nullopt;
    }
    auto answer = saveFileAnswers.front();
    saveFileAnswers.pop_front();
    return answer;
}

std::vector<std::string> FakeDialogs::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages)
        texts.push_back(m.text);
    return texts;
}

}  // namespace vextral::test
