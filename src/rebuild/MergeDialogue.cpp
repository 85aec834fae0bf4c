#include "rebuild/MergeDialogue.h"

namespace vextral {

std::optional<MergeOptions> AskMergeQuestions(Dialogs& dialogs) {
    const auto go = dialogs.ShowMessage(
        "Vextral will store the merged files in your first rompath.\n\nWARNING: The old parent "
        "and clonefolders will be removed in any rompath !\n\nGamesets which are neither clone- "
        "nor parentsets are left untouched !\n\nDo you want to continue ?",
        "Warning !", MessageIcon::Exclamation, MessageButtons::YesNo);
    if (go != MessageResult::Yes)
        return std::nullopt;
    MergeOptions options;
    options.zip =
        dialogs.ShowMessage("Do you want to zip the merged roms ?", "Create Zipfiles ?",
                            MessageIcon::Question, MessageButtons::YesNo) == MessageResult::Yes;
    return options;
}

std::optional<MergeOptions> AskUnmergeQuestions(Dialogs& dialogs) {
    MergeOptions options;
    options.zip =
        dialogs.ShowMessage("Do you want to zip the unmerged roms ?", "Create Zipfiles ?",
                            MessageIcon::Question, MessageButtons::YesNo) == MessageResult::Yes;
    return options;
}

}  // namespace vextral
