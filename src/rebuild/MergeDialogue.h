#pragma once
// The questions asked before a merge or an unmerge and what is said after one, shared by the
// window and the command line.

#include <cstddef>
#include <optional>
#include <string>

#include "ui/Dialogs.h"

namespace vextral {

struct MergeOptions {
    bool zip = false;
};

// The "Warning !" confirmation, then the zip question. Nothing when the warning was refused.
std::optional<MergeOptions> AskMergeQuestions(Dialogs& dialogs);
// The zip question (there is no warning before an unmerge).
std::optional<MergeOptions> AskUnmergeQuestions(Dialogs& dialogs);

// Said once at the end of a run that kept files in the backup folder with Backup off.
std::string KeptWithoutBackupNote(std::size_t count, const std::string& programFolder);

}  // namespace vextral
