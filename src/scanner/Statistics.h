#pragma once

#include <string>

#include "database/DatabaseCounts.h"
#include "scanner/ScanCounters.h"
#include "ui/Dialogs.h"
#include "ui/ScanOptions.h"

namespace vextral {

struct StatisticsTexts {
    std::string windowText;  // tab-aligned, for the "Scanning Results" box
    std::string logText;     // blank-padded labels, stored as statisticsText
};

// Both forms of the statistics block from one scan's counters and options.
StatisticsTexts BuildStatistics(const ScanCounters& counters, const DatabaseCounts& database,
                                const ScanOptions& options);
// Shows the window form in the "Scanning Results" box; returns the log form.
std::string ShowStatistics(const ScanCounters& counters, const DatabaseCounts& database,
                           const ScanOptions& options, Dialogs& dialogs);

}  // namespace vextral
