// The scan loop: every selected game's sets are looked for in the configured folders and
// each ROM and sample is checked; the findings go into a fresh ScanResult beside the list.

#include <array>
#include <thread>

#include "database/NeoGeoBios.h"
#include "platform/Path.h"
#include "scanner/Scanner.h"

namespace vextral {

namespace {

// The scan leaves the processor to others once per game; the system preempts anyway, and a
// yield per file would cost more than the scan's own work on a busy machine.
void YieldProcessor() {
    std::this_thread::yield();
}

}  // namespace

void Scanner::ResetBeforeScan(GameSelection& selection, bool fullScan) {
    if (!fullScan)
        return;
    for (GameMarks& marks : selection)
        marks.needsRescan = true;
}

bool Scanner::EndScan(bool result) {
    index_.StopReadAhead();
    progress_.CloseProgress();
    romNames_.clear();
    unneededSeenFor_ = nullptr;
    return result;
}

bool Scanner::ScanGames(const GameDatabase& database, GameSelection& selection) {
    consent_.Reset(config.options);
    report_.Clear();
    index_.StartScan();
    romNames_.clear();
    unneededSeenFor_ = nullptr;
    result_ = ScanResult(database.size());
    selection.resize(database.size());

    progress_.OpenProgress("Scanning Games");
    progress_.SetProgressRange(0, static_cast<int>(database.size()));
    progress_.SetProgressStep(1);

    neededByLocation_.clear();
    lastNeeded_ = nullptr;
    FindNeoGeoBios();

    const bool unneededOn = config.options.Unneeded || config.options.UnneededAdvanced;
    const bool missingOn = config.options.Missing || config.options.MissingAdvanced;
    const auto stopped = [this] { return consent_.StopRequested(); };

    GameRecord unknown;
    unknown.description = "<unknown>";
    GameFindings& collector = result_.folders;
    if (config.options.Games && unneededOn) {
        for (const std::string& folder : paths.romList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/true);
        for (const std::string& folder : paths.sampleList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/false);
    }
    if (config.options.FixUnneeded)
        ApplyFix(unknown, collector, {UnneededRemoval{}, {}});
    report_.AddUnneededLines(unknown, collector, config.options, /*child=*/false);
    // A Stop answered for these entries still shows them, fixed or not; no game is visited.
    if (stopped())
        return EndScan(false);

    StartReadAhead(database, selection);
    for (std::size_t gameIndex = 0; gameIndex < database.size(); ++gameIndex) {
        const GameRecord& game = database[gameIndex];
        GameMarks& marks = selection[gameIndex];
        index_.ReadAheadAt(gameIndex);
        progress_.SetProgressText(game.description);
        progress_.AdvanceProgress();
        progress_.Repaint();
        if (progress_.IsStopRequested()) {
            result_.fastScanAvailable = false;
            return EndScan(false);
        }
        if (!marks.selected || !marks.needsRescan || !PassesNeoGeoFilter(game))
            continue;
        YieldProcessor();
        index_.StartGame();
        unneededSeenFor_ = nullptr;
        GameFindings& findings = result_.games[gameIndex];
        findings.roms.resize(game.roms.size());
        findings.samples.resize(game.samples.size());

        if (config.options.Games) {
            for (const std::string& folder : paths.romList) {
                if (config.options.MergeFull && game.isClone) {
                    CheckSetName(game, findings, folder + game.cloneOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSetName(game, findings, folder + game.name);
                if (stopped())
                    return EndScan(false);
            }
        }
        if (config.options.Roms) {
            for (const std::string& folder : paths.romList) {
                if ((config.options.MergeSplit || config.options.MergeFull) && game.isClone) {
                    CheckRomSet(game, findings, folder + game.cloneOf, /*isParentLocation=*/true,
                                database);
                    if (stopped())
                        return EndScan(false);
                }
                CheckRomSet(game, findings, folder + game.name, /*isParentLocation=*/false,
                            database);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInRomSet(folder, game, findings, database);
            }
        }
        if (config.options.Samples) {
            for (const std::string& folder : paths.sampleList) {
                if (config.options.AltSamples && game.hasSampleOf) {
                    CheckSampleSet(game, findings, folder + game.sampleOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSampleSet(game, findings, folder + game.name);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInSampleSet(folder, game, findings);
            }
        }

        std::erase_if(findings.unneededList,
                      [this](const UnneededEntry& entry) { return IsNeededFile(entry.path); });
        HoldWrongNamedData(game, findings, database);
        if (config.options.FixUnneeded) {
            ApplyFix(game, findings, {UnneededRemoval{}, {}});
            if (stopped())
                return EndScan(false);
        }
        if (config.options.Samples || config.options.Roms || config.options.Games) {
            marks.needsRescan = report_.AddGameLines(game, findings, config.options);
            if (marks.needsRescan)
                result_.fastScanAvailable = true;
        }
        if (config.options.Batchrun && config.options.Games && missingOn) {
            RunBatchFile(game, findings);
            // The batch file may have changed any set.
            index_.InvalidateAll();
        }
    }
    return EndScan(true);
}

void Scanner::FindNeoGeoBios() {
    std::array<bool, kNeoGeoBios.size()> present{};
    for (const std::string& folder : paths.romList) {
        for (std::size_t i = 0; i < kNeoGeoBios.size(); ++i) {
            const std::string path = folder + std::string(kNeoGeoBiosSet) + kSeparator +
                                     std::string(kNeoGeoBios[i].name);
            if (FileExistsInSet(path, /*verify=*/true, kNeoGeoBios[i].crc, kNeoGeoBiosSize))
                present[i] = true;
        }
    }
    result_.neoGeoBiosFound = present[0] && present[1] && present[2];
    result_.neoGeoBiosFoundAll = result_.neoGeoBiosFound && present[3];
}

}  // namespace vextral
