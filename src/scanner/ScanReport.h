#pragma once
// What a scan reports: the result lines (sent to the ResultSink as they are made), the log
// text they form, the counters of the statistics, the statistics text and the missing files
// of the fixdat. The lines are rendered from ClassifyGame's verdict, once per game.

#include <string>
#include <vector>

#include "database/GameRecord.h"
#include "fixer/GameFindings.h"
#include "scanner/Fixdat.h"
#include "scanner/GameVerdict.h"
#include "scanner/ScanCounters.h"
#include "ui/ResultSink.h"
#include "ui/ScanOptions.h"

namespace vextral {

class ScanReport {
  public:
    explicit ScanReport(ResultSink& results) : results_(results) {}

    // A new scan: no lines, no log, no missing files, every counter at zero.
    void Clear();

    void AddResultLine(const std::string& text, bool child, int image);
    // The game's line and its findings' lines; false (and nothing added) when the game is OK.
    bool AddGameLines(const GameRecord& game, const GameFindings& findings,
                      const ScanOptions& options);
    // One line per unneeded entry (image 11), counted; child false for the entries that
    // belong to no set.
    void AddUnneededLines(const GameRecord& game, const GameFindings& findings,
                          const ScanOptions& options, bool child);
    // One finding's line, counted (and, for a missing file, noted for the fixdat).
    void AddFindingLine(const GameRecord& game, const GameFindings& findings,
                        const FindingLine& line, bool child);

    const ScanCounters& counters() const { return counters_; }
    // CR LF text, a blank line before each top-level line.
    const std::string& logText() const { return logText_; }
    const std::string& statisticsText() const { return statisticsText_; }
    void SetStatisticsText(std::string text) { statisticsText_ = std::move(text); }
    // The missing ROMs and samples, game by game, as the lines say.
    const std::vector<FixdatGame>& missingFiles() const { return missingFiles_; }

    // Writes the log (CR LF text as kept), and the statistics block when asked. On failure
    // the system's reason goes to *failure when given.
    [[nodiscard]] bool WriteLogFile(const std::string& path, bool withStatistics,
                                    std::string* failure = nullptr) const;
    // Writes the missing files as an XML datfile; on failure the reason goes to *failure.
    [[nodiscard]] bool WriteFixdatFile(const std::string& path,
                                       std::string* failure = nullptr) const;

  private:
    // The fixdat entry of the game whose lines are being added.
    FixdatGame& MissingEntry(const GameRecord& game);

    ResultSink& results_;
    ScanCounters counters_;
    std::string logText_;
    std::string statisticsText_;
    std::vector<FixdatGame> missingFiles_;
};

}  // namespace vextral
