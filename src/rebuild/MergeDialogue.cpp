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

std::string KeptWithoutBackupNote(std::size_t count, const std::string& programFolder) {
    const bool one = count == 1;
    return "Backup is off, yet " + std::to_string(count) + (one ? " file" : " files") +
           " holding ROM data that no new set holds " + (one ? "was" : "were") + " kept in " +
           programFolder + "backup.vxt";
}

}  // namespace vextral
