// The scan loop: every selected game's sets are looked for in the configured folders and
// each ROM and sample is checked; the findings go into the per-scan fields of the records.

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

void Scanner::ResetBeforeScan(GameDatabase& database, bool fullScan) {
    for (GameRecord& game : database) {
        game.setFound = false;
        game.setNameOk = false;
        game.setNameFixed = false;
        game.foundSetName.clear();
        game.unneededList.clear();
        game.wrongNameList.clear();
        if (fullScan)
            game.needsRescan = true;
        for (RomRecord& rom : game.roms) {
            rom.found = false;
            rom.lengthOk = false;
            rom.nameCaseOk = false;
            rom.crcOk = false;
            rom.crcKnown = false;
            rom.lengthFixed = false;
            rom.caseFixed = false;
            rom.encryptedMember = false;
            rom.foundName.clear();
            rom.foundLength = 0;
            rom.foundCrc = 0;
            rom.zipIndex = 0;
        }
        for (SampleRecord& sample : game.samples) {
            sample.found = false;
            sample.nameCaseOk = false;
            sample.caseFixed = false;
            sample.foundName.clear();
            sample.zipIndex = 0;
        }
    }
}

bool Scanner::EndScan(bool result) {
    index_.StopReadAhead();
    progress_.CloseProgress();
    romNames_.clear();
    unneededSeenFor_ = nullptr;
    return result;
}

bool Scanner::ScanGames(GameDatabase& database) {
    consent.Reset(config.options);
    fastScanAvailable = false;
    counters = {};
    results_.ClearResults();
    logText.clear();
    missingFiles.clear();
    hasTopLine_ = false;
    index_.StartScan();
    romNames_.clear();
    unneededSeenFor_ = nullptr;

    progress_.OpenProgress("Scanning Games");
    progress_.SetProgressRange(0, static_cast<int>(database.size()));
    progress_.SetProgressStep(1);

    neededByLocation_.clear();
    lastNeeded_ = nullptr;
    FindNeoGeoBios();

    const bool unneededOn = config.options.Unneeded || config.options.UnneededAdvanced;
    const bool missingOn = config.options.Missing || config.options.MissingAdvanced;
    const auto stopped = [this] { return consent.StopRequested(); };

    GameRecord collector;
    collector.description = "<unknown>";
    if (config.options.Games && unneededOn) {
        for (const std::string& folder : paths.romList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/true);
        for (const std::string& folder : paths.sampleList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/false);
    }
    if (config.options.FixUnneeded)
        ApplyFix(collector, {UnneededRemoval{}, {}});
    AddUnneededLines(collector, /*child=*/false);
    // A Stop answered for these entries still shows them, fixed or not; no game is visited.
    if (stopped())
        return EndScan(false);

    StartReadAhead(database);
    std::size_t position = 0;
    for (GameRecord& game : database) {
        index_.ReadAheadAt(position++);
        progress_.SetProgressText(game.description);
        progress_.AdvanceProgress();
        progress_.Repaint();
        if (progress_.IsStopRequested()) {
            fastScanAvailable = false;
            return EndScan(false);
        }
        if (!game.selected || !game.needsRescan || !PassesNeoGeoFilter(game))
            continue;
        YieldProcessor();
        index_.StartGame();
        unneededSeenFor_ = nullptr;

        if (config.options.Games) {
            for (const std::string& folder : paths.romList) {
                if (config.options.MergeFull && game.isClone) {
                    CheckSetName(game, folder + game.cloneOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSetName(game, folder + game.name);
                if (stopped())
                    return EndScan(false);
            }
        }
        if (config.options.Roms) {
            for (const std::string& folder : paths.romList) {
                if ((config.options.MergeSplit || config.options.MergeFull) && game.isClone) {
                    CheckRomSet(game, folder + game.cloneOf, /*isParentLocation=*/true, database);
                    if (stopped())
                        return EndScan(false);
                }
                CheckRomSet(game, folder + game.name, /*isParentLocation=*/false, database);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInRomSet(folder, game.name, game, database);
            }
        }
        if (config.options.Samples) {
            for (const std::string& folder : paths.sampleList) {
                if (config.options.AltSamples && game.hasSampleOf) {
                    CheckSampleSet(game, folder + game.sampleOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSampleSet(game, folder + game.name);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInSampleSet(folder, game.name, game);
            }
        }

        std::erase_if(game.unneededList,
                      [this](const UnneededEntry& entry) { return IsNeededFile(entry.path); });
        HoldWrongNamedData(game, database);
        if (config.options.FixUnneeded) {
            ApplyFix(game, {UnneededRemoval{}, {}});
            if (stopped())
                return EndScan(false);
        }
        if (config.options.Samples || config.options.Roms || config.options.Games) {
            game.needsRescan = BuildResultLines(game);
            if (game.needsRescan)
                fastScanAvailable = true;
        }
        if (config.options.Batchrun && config.options.Games && missingOn) {
            RunBatchFile(game);
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
    neoGeoBiosFound = present[0] && present[1] && present[2];
    neoGeoBiosFoundAll = neoGeoBiosFound && present[3];
}

}  // namespace vextral
