#include "app/core/ScanSession.h"

#include "app/core/Startup.h"
#include "database/DatabaseLinker.h"
#include "fixer/JournalFolder.h"
#include "platform/FileSystem.h"
#include "scanner/Statistics.h"

namespace vextral {
namespace {

std::string Join(const std::vector<std::string>& list) {
    std::string text;
    for (const auto& entry : list) {
        if (!text.empty())
            text += "; ";
        text += entry;
    }
    return text;
}

bool AnyProblemScan(const ScanOptions& o) {
    return o.Missing || o.MissingAdvanced || o.Spelling || o.Unneeded || o.UnneededAdvanced;
}

}  // namespace

ScanSession::ScanSession(AppSettings& appSettings, GameDatabase& gameDatabase, Dialogs& dialogs,
                         Progress& progress, ResultSink& results, ZipLibrary& zipLibrary)
    : settings(appSettings),
      database(gameDatabase),
      selection(gameDatabase.size()),
      scanner_(dialogs, progress, results, zipLibrary) {}

void ScanSession::SyncScannerSettings() {
    scanner_.config.options = settings.options;
    scanner_.config.pathWarning = settings.PathWarning;
    scanner_.config.programFolder = settings.programFolder;
    scanner_.config.scratchFolder = settings.scratchFolder;
    scanner_.config.mameFolder = settings.mameFolder;
}

void ScanSession::FillPathListsFromSettings() {
    ScanPaths& paths = scanner_.paths;
    paths.romList.clear();
    paths.sampleList.clear();
    paths.miscList.clear();
    if (!settings.mameFolder.empty())
        scanner_.ReadMameConfigPaths(settings.mameFolder);
    // Relative entries of the path fields are taken relative to the MAME folder.
    SplitList(settings.rompaths, paths.romList, kAppendPaths, settings.mameFolder);
    SplitList(settings.samplepaths, paths.sampleList, kAppendPaths, settings.mameFolder);
    SplitList(settings.miscpaths, paths.miscList, kAppendPaths, settings.mameFolder);
}

void ScanSession::Open(bool fillFieldsFromSettings) {
    SyncScannerSettings();
    ValidateGameDatabase(database, settings.ListInfoWarnings, scanner_.config.databaseCounts,
                         scanner_.dialogs());

    if (fillFieldsFromSettings) {
        FillPathListsFromSettings();
        fields.misc = Join(scanner_.paths.miscList);
        fields.rom = Join(scanner_.paths.romList);
        fields.sample = Join(scanner_.paths.sampleList);
        fields.select = settings.chosenGames;
    }

    (void)PrepareScan();
    snapshot.fields = fields;
    snapshot.options = settings.options;
    snapshot.fastScanAvailable = false;
    (void)ReadFastScanFile(FastScanFilePath(), snapshot, database, selection);
}

bool ScanSession::PrepareScan() {
    SyncScannerSettings();
    return scanner_.PrepareScan(database, selection, fields);
}

ScanOutcome ScanSession::RunScan(bool fullScan) {
    if (!PrepareScan())
        return ScanOutcome::Cancelled;
    const auto locks = LockForScan();
    if (!locks)
        return ScanOutcome::Refused;
    const ScanOptions& o = scanner_.config.options;
    std::optional<JournalScope> journal;
    if (o.FixName || o.FixLength || o.FixSpelling || o.FixUnneeded ||
        scanner_.MayRestoreFromBackup(database, selection)) {
        journal.emplace(*this, "scan");
    }
    Scanner::ResetBeforeScan(selection, fullScan);
    const bool completed = scanner_.ScanGames(database, selection);
    if (showStatisticsBox) {
        scanner_.ShowStatistics();
    } else {
        scanner_.report().SetStatisticsText(BuildStatistics(scanner_.report().counters(),
                                                            scanner_.config.databaseCounts,
                                                            scanner_.config.options)
                                                .logText);
    }
    snapshot.fastScanAvailable = scanner_.result().fastScanAvailable;
    return completed ? ScanOutcome::Completed : ScanOutcome::Stopped;
}

ScanOutcome ScanSession::Scan() {
    snapshot.fields = fields;
    snapshot.options = settings.options;
    return RunScan(/*fullScan=*/true);
}

ScanOutcome ScanSession::FastScan() {
    fields = snapshot.fields;
    settings.options = snapshot.options;
    return RunScan(/*fullScan=*/false);
}

void ScanSession::ReadPathFields() {
    settings.rompaths = fields.rom;
    settings.samplepaths = fields.sample;
    settings.miscpaths = fields.misc;
    settings.chosenGames = fields.select;
}

void ScanSession::PathFieldsChanged() {
    ReadPathFields();
    SplitList(fields.rom, scanner_.paths.romList, kSplitPaths, settings.mameFolder);
    SplitList(fields.sample, scanner_.paths.sampleList, kSplitPaths, settings.mameFolder);
    SplitList(fields.misc, scanner_.paths.miscList, kSplitPaths, settings.mameFolder);
    SplitList(fields.select, scanner_.paths.chosenList, kSplitSelection);
    fields.rom = Join(scanner_.paths.romList);
    fields.sample = Join(scanner_.paths.sampleList);
    fields.misc = Join(scanner_.paths.miscList);
}

ButtonStates ScanSession::ComputeButtonStates() const {
    const ScanOptions& o = settings.options;
    ButtonStates states;
    const bool haveRoms = !scanner_.paths.romList.empty();
    const bool haveSamples = !scanner_.paths.sampleList.empty();
    const bool somethingToScan =
        (o.Games && AnyProblemScan(o)) || (o.Samples && AnyProblemScan(o)) ||
        (o.Roms && (AnyProblemScan(o) || o.AvailChecksum || o.Checksum || o.Length || o.RightName));
    states.scan = haveRoms && haveSamples && somethingToScan;
    states.unmerge = haveRoms;
    states.merge = (o.MergeFull || o.MergeSplit) && haveRoms;
    states.saveLogfile = !scanner_.report().logText().empty();
    states.saveFixdat = !scanner_.report().missingFiles().empty();
    states.fastScan = snapshot.fastScanAvailable;
    states.rebuild = true;
    return states;
}

std::optional<FolderLockSet> ScanSession::Lock(const std::vector<FolderLockRequest>& requests) {
    FolderLockSet locks;
    const LockOutcome outcome = locks.TryLockAll(requests);
    if (outcome.locked)
        return locks;
    scanner_.dialogs().ShowMessage(
        "Another Vextral process is working in '" + outcome.busyFolder + "'; nothing was changed.",
        kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    return std::nullopt;
}

std::optional<FolderLockSet> ScanSession::LockForScan() {
    const ScanOptions& o = scanner_.config.options;
    const bool changing = o.FixName || o.FixLength || o.FixSpelling || o.FixUnneeded ||
                          scanner_.MayRestoreFromBackup(database, selection);
    const LockMode mode = changing ? LockMode::Exclusive : LockMode::Shared;
    std::vector<FolderLockRequest> requests{{settings.programFolder, mode}};
    for (const auto* list : {&scanner_.paths.romList, &scanner_.paths.sampleList}) {
        for (const std::string& folder : *list)
            requests.push_back({folder, mode});
    }
    return Lock(requests);
}

std::optional<FolderLockSet> ScanSession::LockForRebuild(const std::string& sourceFolder,
                                                         const std::string& destinationFolder) {
    return Lock({{settings.programFolder, LockMode::Exclusive},
                 {destinationFolder, LockMode::Exclusive},
                 {sourceFolder, LockMode::Shared}});
}

std::optional<FolderLockSet> ScanSession::LockForMerge() {
    std::vector<FolderLockRequest> requests{{settings.programFolder, LockMode::Exclusive}};
    for (const std::string& folder : scanner_.paths.romList)
        requests.push_back({folder, LockMode::Exclusive});
    return Lock(requests);
}

void ScanSession::Close() {
    ReadPathFields();
    (void)WriteFastScanFile(FastScanFilePath(), snapshot, database, selection);
}

Rebuilder ScanSession::NewRebuilder() {
    return Rebuilder(scanner_.config, scanner_.dialogs(), scanner_.progress(),
                     scanner_.zipLibrary(), database, selection, journal_);
}

Merger ScanSession::NewMerger() {
    return Merger(scanner_.config, scanner_.paths, scanner_.dialogs(), scanner_.progress(),
                  scanner_.zipLibrary(), database, selection, journal_);
}

ScanSession::JournalScope::JournalScope(ScanSession& session, const std::string& kind)
    : session_(session) {
    session.writer_.reset();
    session.plan_.reset();
    const std::string& programFolder = session.settings.programFolder;
    if (session.journalMode == JournalMode::Plan) {
        session.plan_ = std::make_unique<JournalPlan>();
        session.journal_ = session.plan_.get();
    } else if (session.journalMode == JournalMode::Record && !programFolder.empty()) {
        const JournalFolder folder(programFolder);
        // This run's journal is one of those kept.
        folder.Prune(session.settings.JournalRuns > 0 ? session.settings.JournalRuns - 1 : 0);
        JournalRun header;
        header.command = session.journalCommand;
        header.kind = kind;
        header.backup = session.settings.options.Backup;
        session.writer_ = std::make_unique<JournalWriter>(folder.Path(), std::move(header));
        if (!session.writer_->IsOpen()) {
            session.scanner_.dialogs().ShowMessage(
                "Can't write the journal in '" + folder.Path() + "'; nothing will be changed.",
                kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok);
        }
        session.journal_ = session.writer_.get();
    }
    session.scanner_.SetJournal(session.journal_);
}

ScanSession::JournalScope::~JournalScope() {
    session_.scanner_.SetJournal(nullptr);
    session_.journal_ = nullptr;
    if (session_.writer_)
        session_.writer_->Finish();
}

std::string ScanSession::FastScanFilePath() const {
    return settings.programFolder + kFastScanFileName;
}

}  // namespace vextral
