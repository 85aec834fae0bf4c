#pragma once
// The questions asked before a rebuild, shared by the window and the command line.

#include <optional>
#include <string>

#include "ui/Dialogs.h"

namespace vextral {

struct RebuildOptions {
    bool zip = false;
    bool biosEverywhere = false;
    bool badDumps = false;
    bool merge = false;
    bool complemented = false;
};

struct RebuildRequest {
    std::string sourceFolder;       // ends with the separator
    std::string destinationFolder;  // ends with the separator
    RebuildOptions options;
};

// False when the destination is the source or lies inside it, comparing whole path
// components of the canonical paths.
bool RebuildFoldersAllowed(const std::string& sourceFolder, const std::string& destinationFolder);

// Shows the "Path Error !" box.
void ShowRebuildPathError(Dialogs& dialogs);

// The two folder choosers and the five questions. Nothing when a chooser was cancelled or
// the folders were refused (the "Path Error !" box has then been shown).
std::optional<RebuildRequest> AskRebuildQuestions(Dialogs& dialogs);

}  // namespace vextral
