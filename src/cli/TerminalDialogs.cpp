#include "cli/TerminalDialogs.h"

#include <cctype>
#include <cerrno>

#include "cli/TerminalText.h"

namespace vextral {

std::optional<AskAnswer> ParseAnswer(std::string_view text) {
    if (text == "yes")
        return AskAnswer::Yes;
    if (text == "no")
        return AskAnswer::No;
    if (text == "yes-to-all")
        return AskAnswer::YesToAll;
    if (text == "no-to-all")
        return AskAnswer::NoToAll;
    if (text == "stop")
        return AskAnswer::Stop;
    return std::nullopt;
}

TerminalDialogs::TerminalDialogs(std::FILE* in, std::FILE* err, bool interactive,
                                 AskAnswer fixedAnswer)
    : in_(in), err_(err), interactive_(interactive), fixedAnswer_(fixedAnswer) {}

void TerminalDialogs::Write(const std::string& text) {
    if (beforeWriting)
        beforeWriting();
    const std::string shown = TerminalText(text, LineBreaks::Keep);
    std::fwrite(shown.data(), 1, shown.size(), err_);
    std::fflush(err_);
}

std::optional<std::string> TerminalDialogs::ReadReply() {
    std::string line;
    int c = 0;
    errno = 0;
    while ((c = std::fgetc(in_)) != EOF && c != '\n')
        line += static_cast<char>(c);
    if (c == EOF) {
        interrupted_ = errno == EINTR;
        std::clearerr(in_);
        Write("\n");
        return std::nullopt;
    }
    std::string reply;
    for (const char ch : line) {
        if (!std::isspace(static_cast<unsigned char>(ch)))
            reply += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return reply;
}

MessageResult TerminalDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                           MessageIcon, MessageButtons buttons) {
    Write(caption + ": " + text + "\n\n");
    const bool yesNo = buttons == MessageButtons::YesNo;
    const MessageResult first = yesNo ? MessageResult::Yes : MessageResult::Ok;
    const MessageResult second = yesNo ? MessageResult::No : MessageResult::Cancel;
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    if (!interactive_)
        return first;
    for (;;) {
        Write(yesNo ? "[y]es / [n]o? " : "[o]k / [c]ancel? ");
        const std::optional<std::string> reply = ReadReply();
        // The end of input closes the box, which is its second button.
        if (!reply)
            return second;
        if (*reply == (yesNo ? "y" : "o") || *reply == (yesNo ? "yes" : "ok"))
            return first;
        if (*reply == (yesNo ? "n" : "c") || *reply == (yesNo ? "no" : "cancel"))
            return second;
    }
}

AskAnswer TerminalDialogs::AskUser(const std::string& caption, const std::string& question) {
    if (!interactive_) {
        Write(caption + ": " + question + "\n");
        return fixedAnswer_;
    }
    Write(caption + ": " + question + "\n");
    for (;;) {
        Write("[y]es / yes to [a]ll / no to a[l]l / [n]o / [s]top? ");
        const std::optional<std::string> reply = ReadReply();
        // Closing the question would keep the fix option's decision, which makes the fix;
        // leaving the terminal (Ctrl-D) or Ctrl-C must not change anything.
        if (!reply)
            return interrupted_ ? AskAnswer::Stop : AskAnswer::No;
        if (*reply == "y" || *reply == "yes")
            return AskAnswer::Yes;
        if (*reply == "a")
            return AskAnswer::YesToAll;
        if (*reply == "l")
            return AskAnswer::NoToAll;
        if (*reply == "n" || *reply == "no")
            return AskAnswer::No;
        if (*reply == "s" || *reply == "stop")
            return AskAnswer::Stop;
    }
}

std::string TerminalDialogs::BrowseForFolder(const std::string& prompt) {
    Write("Vextral: " + prompt + " (no folder chooser on the command line)\n");
    return {};
}

std::optional<std::string> TerminalDialogs::ChooseOpenFile() {
    Write("Vextral: no file chooser on the command line\n");
    return std::nullopt;
}

std::optional<std::string> TerminalDialogs::ChooseSaveFile(const std::string&, const std::string&) {
    Write("Vextral: no file chooser on the command line (use --log FILE)\n");
    return std::nullopt;
}

}  // namespace vextral
