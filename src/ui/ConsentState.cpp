#include "ui/ConsentState.h"

namespace vextral {

void ConsentState::Reset(const ScanOptions& options) {
    decision_[Index(FixKind::Spelling)] = options.FixSpelling;
    decision_[Index(FixKind::Length)] = options.FixLength;
    decision_[Index(FixKind::Unneeded)] = options.FixUnneeded;
    decision_[Index(FixKind::Name)] = options.FixName;
    answeredForAll_ = {};
    stopRequested_ = false;
}

bool ConsentState::Confirm(FixKind kind, bool ask, Dialogs& dialogs, const std::string& caption,
                           const std::string& question) {
    const std::size_t i = Index(kind);
    if (ask && !answeredForAll_[i]) {
        switch (dialogs.AskUser(caption, question)) {
            case AskAnswer::Yes:
                answeredForAll_[i] = false;
                decision_[i] = true;
                break;
            case AskAnswer::No:
                answeredForAll_[i] = false;
                decision_[i] = false;
                break;
            case AskAnswer::YesToAll:
                answeredForAll_[i] = true;
                decision_[i] = true;
                break;
            case AskAnswer::NoToAll:
                answeredForAll_[i] = true;
                decision_[i] = false;
                break;
            case AskAnswer::Stop:
                stopRequested_ = true;
                return false;
            case AskAnswer::Closed:
                break;
        }
    }
    return decision_[i];
}

}  // namespace vextral
