#pragma once

#include <string>
#include <vector>

#include "database/DatabaseCounts.h"
#include "ui/ScanOptions.h"

namespace vextral {

// What the owner sets before an action; every part of a scan, rebuild or merge reads it.
struct ScanConfig {
    ScanOptions options;
    bool pathWarning = true;    // the PathWarning program flag
    std::string programFolder;  // ends with the separator
    std::string scratchFolder;  // this process's own folder in tempzip.vxt, ends with it
    std::string mameFolder;     // relative entries of the path fields count from here
    // Where mame.ini is looked for after the MAME folder: the program gives
    // UserMameIniFolders(); empty, only the MAME folder's own counts.
    std::vector<std::string> mameIniFolders;
    // The list's counts, set when it is validated; the statistics compare against them.
    DatabaseCounts databaseCounts;
    // Threads listing set archives and folders ahead of the scan; 1 lists them on its own.
    unsigned ioThreads = 16;
};

}  // namespace vextral
