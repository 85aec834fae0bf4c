#pragma once
// The questions asked before a merge or an unmerge, shared by the window and the command line.

#include <optional>

#include "ui/Dialogs.h"

namespace vextral {

struct MergeOptions {
    bool zip = false;
};

// The "Warning !" confirmation, then the zip question. Nothing when the warning was refused.
std::optional<MergeOptions> AskMergeQuestions(Dialogs& dialogs);
// The zip question (there is no warning before an unmerge).
std::optional<MergeOptions> AskUnmergeQuestions(Dialogs& dialogs);

}  // namespace vextral
