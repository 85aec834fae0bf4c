#pragma once
// How the core asks and tells the user. The window front end shows real message boxes, the
// command line uses the terminal, tests answer from a script.

#include <optional>
#include <string>

namespace vextral {

enum class MessageIcon { None, Information, Question, Exclamation, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

// The five answers of a fix question, and Closed for Escape or the close box.
enum class AskAnswer { Yes, YesToAll, NoToAll, No, Stop, Closed };

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    virtual MessageResult ShowMessage(const std::string& text, const std::string& caption,
                                      MessageIcon icon, MessageButtons buttons) = 0;
    virtual AskAnswer AskUser(const std::string& caption, const std::string& question) = 0;
    // The chosen folder with a trailing separator, or empty when cancelled.
    virtual std::string BrowseForFolder(const std::string& prompt) = 0;
    // An existing file to open (no filter); nothing when cancelled.
    virtual std::optional<std::string> ChooseOpenFile() = 0;
    // A file to save to. filter is "Description (*.ext)|*.ext||"; defaultExtension like
    // ".txt" is appended when the name has none; an existing file is confirmed first.
    virtual std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                                      const std::string& defaultExtension) = 0;
};

// For work that nobody watches: every box is answered by its first button, every question
// as closed, every chooser as cancelled.
class NullDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string&, const std::string&, MessageIcon,
                              MessageButtons buttons) override {
        return buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::Closed; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace vextral
