#pragma once

#include <map>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"
#include "ui/Dialogs.h"

namespace vextral::test {

// The members of an archive as listed (the listing must succeed).
std::vector<ZipEntry> ListMembers(const std::string& zipPath, Dialogs& dialogs);
// Stored name -> contents of every member, extracted through scratchFile (removed after).
std::map<std::string, std::string> ReadMembers(const std::string& zipPath,
                                               const std::string& scratchFile, Dialogs& dialogs);

}  // namespace vextral::test
