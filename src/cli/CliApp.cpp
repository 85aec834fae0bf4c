#include "cli/CliApp.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/JournalUndoRun.h"
#include "app/core/QtSettingsStore.h"
#include "app/core/ScanSession.h"
#include "app/core/SettingsIo.h"
#include "app/core/Startup.h"
#include "archive/ZipLibrary.h"
#include "cli/TerminalDialogs.h"
#include "cli/TerminalProgress.h"
#include "cli/TextResultSink.h"
#include "database/DatabaseLinker.h"
#include "database/GameListLoader.h"
#include "fixer/JournalFolder.h"
#include "fixer/JournalUndo.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/UserFolders.h"
#include "rebuild/MergeDialogue.h"
#include "rebuild/Merger.h"
#include "rebuild/RebuildDialogue.h"
#include "rebuild/Rebuilder.h"
#include "scanner/MameIni.h"

namespace vextral {

namespace {

constexpr int kStatusClean = 0;
constexpr int kStatusProblems = 1;
constexpr int kStatusError = 2;
constexpr int kStatusStopped = 3;

constexpr std::array<std::string_view, 8> kSubcommands{"scan",    "fast-scan", "rebuild", "merge",
                                                       "unmerge", "list-info", "journal", "undo"};

constexpr const char* kScanStatuses =
    "Exit status: 0 nothing found, 1 the log holds a result line, 2 nothing was done (an "
    "error before the scan, or another process is working on these folders), 3 stopped "
    "(Ctrl-C or --answer stop).";
constexpr const char* kRunStatuses =
    "Exit status: 0 done, 1 something was not done (named on standard error), 2 nothing was "
    "done (an error before the run, or another process is working on these folders), "
    "3 stopped.";

struct ProgramFlag {
    std::string_view name;
    bool AppSettings::*member;
};
constexpr std::array<ProgramFlag, 4> kProgramFlags{{
    {"ListInfoWarnings", &AppSettings::ListInfoWarnings},
    {"AskForMameExe", &AppSettings::AskForMameExe},
    {"PathWarning", &AppSettings::PathWarning},
    {"UseMameExe", &AppSettings::UseMameExe},
}};

struct FlagSetting {
    std::string name;
    bool value = false;
};

// Everything the subcommands take from their arguments.
struct Arguments {
    std::string dat;
    bool noCache = false;
    std::optional<std::string> romPaths, samplePaths, miscPaths, select;
    std::vector<std::string> sets;
    std::string answer = "no-to-all";
    bool saveSettings = false;
    // scan, fast-scan
    std::string log;
    std::string fixdat;
    bool noStatistics = false;
    unsigned ioThreads = 16;
    // rebuild
    std::string from, to;
    RebuildOptions rebuild;
    // merge, unmerge
    bool zip = false;
    bool yes = false;
    // list-info
    std::string listFile;
    // scan, rebuild, merge, unmerge
    bool dryRun = false;
    // journal, undo
    std::string run;
    // The command as typed, for the journal.
    std::string commandLine;
};

constexpr const char* kNoListHint =
    "no game list was obtained; name a list file with --dat FILE (the output of 'mame "
    "-listxml' or 'mame -listinfo', or a datfile)";

void Error(const std::string& text) {
    std::fprintf(stderr, "vextral: %s\n", text.c_str());
}

std::string KnownFlagNames(bool programFlagsOnly) {
    std::string names;
    const auto add = [&names](std::string_view name) {
        if (!names.empty())
            names += ", ";
        names += name;
    };
    if (!programFlagsOnly) {
        for (const auto& field : kScanOptionFields)
            add(field.name);
    }
    for (const auto& flag : kProgramFlags)
        add(flag.name);
    return names;
}

bool IsScanOptionName(std::string_view name) {
    for (const auto& field : kScanOptionFields) {
        if (field.name == name)
            return true;
    }
    return false;
}

bool IsProgramFlagName(std::string_view name) {
    for (const auto& flag : kProgramFlags) {
        if (flag.name == name)
            return true;
    }
    return false;
}

// NAME=0|1 for each --set; a message and nothing when one is malformed or unknown.
std::optional<std::vector<FlagSetting>> ParseFlagSettings(const std::vector<std::string>& sets,
                                                          bool programFlagsOnly) {
    std::vector<FlagSetting> parsed;
    for (const std::string& text : sets) {
        const auto equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : text.substr(equals + 1);
        if (equals == std::string::npos || (value != "0" && value != "1")) {
            Error("--set " + text + ": expected NAME=0 or NAME=1");
            return std::nullopt;
        }
        const bool known = IsProgramFlagName(name) || (!programFlagsOnly && IsScanOptionName(name));
        if (!known) {
            if (programFlagsOnly && IsScanOptionName(name)) {
                Error("--set " + text + ": a fast scan takes the options of the last scan; " +
                      "only these can be set: " + KnownFlagNames(true));
            } else {
                Error("--set " + text + ": unknown flag name '" + name +
                      "'; the names are: " + KnownFlagNames(programFlagsOnly));
            }
            return std::nullopt;
        }
        parsed.push_back({name, value == "1"});
    }
    return parsed;
}

// The settings store as the run sees it: the flags given with --set read as given, so that
// the start-up reads them too (UseMameExe, AskForMameExe, the list's warnings). Writes go
// through unchanged.
class FlagOverrideStore final : public SettingsStore {
  public:
    FlagOverrideStore(SettingsStore& store, const std::vector<FlagSetting>& flags)
        : store_(store), flags_(flags) {}

    std::optional<int> ReadInt(const std::string& section, const std::string& name) override {
        if (section == kSettingsSection) {
            // The last --set of a name wins.
            for (auto flag = flags_.rbegin(); flag != flags_.rend(); ++flag) {
                if (flag->name == name)
                    return flag->value ? 1 : 0;
            }
        }
        return store_.ReadInt(section, name);
    }
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& name) override {
        return store_.ReadString(section, name);
    }
    void WriteInt(const std::string& section, const std::string& name, int value) override {
        store_.WriteInt(section, name, value);
    }
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        store_.WriteString(section, name, value);
    }
    bool Sync() override { return store_.Sync(); }

  private:
    SettingsStore& store_;
    const std::vector<FlagSetting>& flags_;
};

// Relative entries of a path field given on the command line are taken relative to the
// shell's current folder, base (the window takes them relative to the MAME folder, which a
// user at a shell does not expect). Empty pieces are kept: they end the list as in the window.
std::string AbsolutePathField(const std::string& text, const std::string& base) {
    std::string result;
    std::string_view rest = text;
    bool first = true;
    for (;;) {
        const auto semicolon = rest.find(';');
        const std::string_view piece = TrimWhiteSpace(rest.substr(0, semicolon));
        if (!first)
            result += ';';
        first = false;
        if (!piece.empty() && piece.front() != kSeparator)
            result += base;
        result += piece;
        if (semicolon == std::string_view::npos)
            break;
        rest = rest.substr(semicolon + 1);
    }
    return result;
}

std::string AbsoluteFolder(const std::string& folder) {
    std::string path =
        folder.empty() || folder.front() == kSeparator ? folder : CurrentFolder() + folder;
    return WithSeparator(std::move(path));
}

std::string JoinList(const std::vector<std::string>& list) {
    std::string text;
    for (const auto& entry : list) {
        if (!text.empty())
            text += "; ";
        text += entry;
    }
    return text;
}

std::string WithLineFeeds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        result += text[i];
    }
    return result;
}

// Runs killed half way are named once, each with the command that takes it back.
void WarnOfKilledRuns() {
    for (const JournalRun& run : JournalFolder(UserDataFolder()).KilledRuns()) {
        Error(KilledRunText(run) + " 'vextral undo " + run.name + "' takes them back.");
    }
}

// The services of one run: terminal dialogs and progress, the settings store, the zip
// library, and the start-up in front of the subcommand's work.
class CliRun {
  public:
    explicit CliRun(const Arguments& args)
        : args_(args),
          progress_(stderr, ::isatty(STDERR_FILENO) != 0),
          dialogs_(stdin, stderr, ::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0,
                   ParseAnswer(args.answer).value_or(AskAnswer::NoToAll)) {
        dialogs_.beforeWriting = [this] { progress_.ClearLine(); };
    }

    using Work = std::function<int(ScanSession&)>;

    // Start-up, the opening steps with the fields from the arguments, then work.
    int Run(const std::vector<FlagSetting>& flags, const Work& work) {
        StartupOptions options;
        if (!args_.dat.empty())
            options.datFile = args_.dat;
        options.allowChoosers = false;
        options.writeSettings = args_.saveSettings;
        options.useListCache = !args_.noCache;
        FlagOverrideStore store(store_, flags);
        Startup startup(store, dialogs_, zipLibrary_, progress_, options);

        StartupHooks hooks;
        WarnOfKilledRuns();
        hooks.runMainWindow = [&](AppSettings& settings, GameDatabase& database) {
            TextResultSink sink;
            ScanSession session(settings, database, dialogs_, progress_, sink, zipLibrary_);
            session.showStatisticsBox = false;
            session.journalMode = args_.dryRun ? JournalMode::Plan : JournalMode::Record;
            session.journalCommand = args_.commandLine;
            session.scanner().config.mameIniFolders = UserMameIniFolders();
            FillFields(session);
            // The scan itself warns about folders without sets; once is enough.
            const bool pathWarning = settings.PathWarning;
            settings.PathWarning = false;
            session.Open(/*fillFieldsFromSettings=*/false);
            settings.PathWarning = pathWarning;
            const int status = work(session);
            if (args_.dryRun)
                PrintPlan(session);
            // A run refused by another process's lock writes nothing, not even fastscan.dat;
            // nor does a dry run.
            if (!refused_ && !args_.dryRun)
                session.Close();
            return status;
        };
        const StartupOutcome outcome = startup.Run(hooks);
        const bool settingsLost = options.writeSettings && !outcome.settingsWritten &&
                                  outcome.result != StartupResult::Ended;
        if (settingsLost)
            Error(SettingsNotWrittenMessage(store_.FilePath()));
        if (outcome.result != StartupResult::Completed) {
            Error(kNoListHint);
            return kStatusError;
        }
        const bool finished =
            outcome.exitCode == kStatusClean || outcome.exitCode == kStatusProblems;
        return settingsLost && finished ? kStatusError : outcome.exitCode;
    }

    TerminalDialogs& dialogs() { return dialogs_; }
    // Another process holds a folder the work needs; the message has been shown.
    int Refused() {
        refused_ = true;
        return kStatusError;
    }

  private:
    static void PrintPlan(const ScanSession& session) {
        const JournalPlan* plan = session.lastPlan();
        if (plan == nullptr)
            return;
        std::string text = "\nPlan (nothing was changed):\n";
        for (std::size_t i = 0; i < plan->Lines().size(); ++i)
            text += std::to_string(i + 1) + ". " + plan->Lines()[i] + "\n";
        text += plan->Totals() + "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }

    // Fields not given on the command line are filled as the window fills them.
    void FillFields(ScanSession& session) const {
        const Scanner& scanner = session.scanner();
        const AppSettings& settings = session.settings;
        session.FillPathListsFromSettings();
        const auto field = [this](const std::optional<std::string>& given,
                                  const std::vector<std::string>& list) {
            return given ? AbsolutePathField(*given, shellFolder_) : JoinList(list);
        };
        session.fields.rom = field(args_.romPaths, scanner.paths.romList);
        session.fields.sample = field(args_.samplePaths, scanner.paths.sampleList);
        session.fields.misc = field(args_.miscPaths, scanner.paths.miscList);
        session.fields.select = args_.select.value_or(settings.chosenGames);
    }

    const Arguments& args_;
    // Where the command was typed: relative path options count from here.
    const std::string shellFolder_ = CurrentFolder();
    QtSettingsStore store_;
    ZipLibrary zipLibrary_;
    TerminalProgress progress_;
    TerminalDialogs dialogs_;
    bool refused_ = false;
};

// Prints the log and statistics, writes the log file; the status of a finished scan.
int FinishScan(CliRun& run, ScanSession& session, ScanOutcome outcome, const Arguments& args) {
    if (outcome == ScanOutcome::Cancelled) {
        Error("the scan was cancelled before it began");
        return kStatusError;
    }
    if (outcome == ScanOutcome::Refused)
        return run.Refused();
    const Scanner& scanner = session.scanner();
    const ScanReport& report = scanner.report();
    const bool statistics = !args.noStatistics;
    std::string output = WithLineFeeds(report.logText());
    if (statistics) {
        output +=
            "\n\n\nStatistics:\n===========\n\n" + WithLineFeeds(report.statisticsText()) + "\n";
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fflush(stdout);
    std::string failure;
    if (!args.log.empty() && !report.WriteLogFile(args.log, statistics, &failure)) {
        Error("can't write the log file '" + args.log + "': " + failure);
        return kStatusError;
    }
    if (!args.fixdat.empty() && !report.WriteFixdatFile(args.fixdat, &failure)) {
        Error("can't write the fixdat '" + args.fixdat + "': " + failure);
        return kStatusError;
    }
    if (outcome == ScanOutcome::Stopped)
        return kStatusStopped;
    // Any result line is a finding, also one that belongs to no game (an unneeded file at
    // the top of a rom folder).
    return scanner.result().fastScanAvailable || !report.logText().empty() ? kStatusProblems
                                                                           : kStatusClean;
}

int RunScan(const Arguments& args, bool fast) {
    const auto flags = ParseFlagSettings(args.sets, /*programFlagsOnly=*/fast);
    if (!flags)
        return kStatusError;
    CliRun run(args);
    return run.Run(*flags, [&](ScanSession& session) {
        if (fast) {
            if (!session.snapshot.fastScanAvailable) {
                Error(
                    "no fast scan is available: the last scan found no problems, was "
                    "stopped, or was made with another game list");
                return kStatusError;
            }
            return FinishScan(run, session, session.FastScan(), args);
        }
        if (!session.ComputeButtonStates().scan) {
            Error(
                "nothing to scan: the rom paths and the sample paths must each name an "
                "existing folder, and an option must ask for a check");
            return kStatusError;
        }
        session.scanner().config.ioThreads = args.ioThreads;
        return FinishScan(run, session, session.Scan(), args);
    });
}

int StatusOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Completed:
            return kStatusClean;
        case RunOutcome::Stopped:
            return kStatusStopped;
        case RunOutcome::Failed:
            break;
    }
    return kStatusError;
}

int RunRebuild(const Arguments& args) {
    const auto flags = ParseFlagSettings(args.sets, false);
    if (!flags)
        return kStatusError;
    const std::string from = AbsoluteFolder(args.from);
    const std::string to = AbsoluteFolder(args.to);
    if (!IsFolder(from)) {
        Error("--from " + args.from + ": not a folder");
        return kStatusError;
    }
    CliRun run(args);
    return run.Run(*flags, [&](ScanSession& session) {
        if (!session.PrepareScan())
            return kStatusError;
        if (!RebuildFoldersAllowed(from, to)) {
            ShowRebuildPathError(run.dialogs());
            return kStatusError;
        }
        const auto locks = session.LockForRebuild(from, to);
        if (!locks)
            return run.Refused();
        const ScanSession::JournalScope journal(session, "rebuild");
        Rebuilder rebuilder = session.NewRebuilder();
        rebuilder.BuildIndex();
        int status = StatusOf(rebuilder.Rebuild(from, to, args.rebuild));
        if (status == kStatusError)
            Error("the rebuild could not start");
        // A set left without a file it should have is not a success.
        for (const auto& line : rebuilder.FailedSets())
            Error(line);
        if (status == kStatusClean && !rebuilder.FailedSets().empty())
            status = kStatusProblems;
        return status;
    });
}

int RunMerge(const Arguments& args, bool unmerge) {
    const auto flags = ParseFlagSettings(args.sets, false);
    if (!flags)
        return kStatusError;
    CliRun run(args);
    // A dry run removes nothing: there is nothing to confirm.
    const bool confirmed = args.yes || args.dryRun;
    if (!unmerge && !confirmed && !run.dialogs().Interactive()) {
        Error(
            "merge removes the old parent and clone sets in every rom path; confirm with "
            "--yes");
        return kStatusError;
    }
    return run.Run(*flags, [&](ScanSession& session) {
        if (!session.PrepareScan())
            return kStatusError;
        const ButtonStates states = session.ComputeButtonStates();
        if (unmerge ? !states.unmerge : !states.merge) {
            Error(unmerge ? "nothing to unmerge: no rom path names an existing folder"
                          : "nothing to merge: no rom path names an existing folder, or both "
                            "MergeFull and MergeSplit are off");
            return kStatusError;
        }
        MergeOptions options;
        options.zip = args.zip;
        if (!unmerge && !confirmed) {
            const auto answered = AskMergeQuestions(run.dialogs());
            if (!answered)
                return kStatusError;
            options.zip = args.zip || answered->zip;
        }
        const auto locks = session.LockForMerge();
        if (!locks)
            return run.Refused();
        const ScanSession::JournalScope journal(session, unmerge ? "unmerge" : "merge");
        Merger merger = session.NewMerger();
        const RunOutcome outcome = unmerge ? merger.Unmerge(options) : merger.Merge(options);
        int status = StatusOf(outcome);
        if (status == kStatusError)
            Error(std::string(unmerge ? "the unmerge" : "the merge") + " could not start");
        if (!merger.SkippedParents().empty()) {
            // A family left as it was is not a success, though nothing was lost.
            Error("these families were left as they were: " + JoinList(merger.SkippedParents()));
            if (status == kStatusClean)
                status = kStatusProblems;
        }
        if (merger.KeptWithoutBackup() > 0) {
            Error(KeptWithoutBackupNote(merger.KeptWithoutBackup(),
                                        session.scanner().config.programFolder));
        }
        return status;
    });
}

int RunJournalList(const Arguments& args) {
    const JournalFolder folder(UserDataFolder());
    std::string text;
    if (!args.run.empty()) {
        const auto run = folder.Read(args.run);
        if (!run) {
            Error("no run '" + args.run + "' in '" + folder.Path() + "'");
            return kStatusError;
        }
        text = "Run " + RunTitle(*run) + ", started " + run->started +
               (run->backup ? ", Backup on" : ", Backup off") + "\n";
        for (const JournalRecord& record : run->records) {
            const char* outcome = record.status == JournalRecord::Status::Done     ? ""
                                  : record.status == JournalRecord::Status::Failed ? " (failed)"
                                                                                   : " (cut short)";
            std::string kept;
            if (record.status == JournalRecord::Status::Done &&
                record.before.kind != PathState::Kind::Absent && record.op != JournalOp::Rename &&
                record.op != JournalOp::Exchange && record.op != JournalOp::MakeFolder) {
                kept = record.kept.empty()
                           ? "   what it held before was not kept\n"
                           : "   what it held before is kept in '" + record.kept + "'\n";
            }
            text += std::to_string(record.number) + ". " + record.Words() + outcome + "\n" + kept;
        }
    } else {
        for (const std::string& name : folder.RunNames()) {
            const auto run = folder.Read(name);
            if (!run)
                continue;
            std::string state = !run->undoneBy.empty()  ? "undone by " + run->undoneBy
                                : run->DoneCount() == 0 ? "nothing to undo"
                                : !run->ended           ? "cut short, undoable"
                                                        : "undoable";
            text += name + "  " + run->started + "  " + run->kind + "  " +
                    std::to_string(run->DoneCount()) + " changes  " + state + "  " + run->command +
                    "\n";
        }
        if (text.empty())
            text = "No runs in '" + folder.Path() + "'.\n";
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kStatusClean;
}

int RunUndo(const Arguments& args) {
    const UndoReport report = UndoJournalRun(UserDataFolder(), args.run, args.commandLine);
    if (report.status == UndoStatus::NothingDone) {
        Error(report.text);
        return kStatusError;
    }
    std::fwrite(report.text.data(), 1, report.text.size(), stdout);
    return report.status == UndoStatus::Clean ? kStatusClean : kStatusProblems;
}

int RunListInfo(const Arguments& args) {
    const std::string& file = args.dat.empty() ? args.listFile : args.dat;
    if (file.empty() || (!args.dat.empty() && !args.listFile.empty())) {
        Error("list-info: name the list file once, with --dat FILE or as FILE");
        return kStatusError;
    }
    GameDatabase database;
    NullProgress progress;
    TerminalDialogs dialogs(stdin, stderr, false, AskAnswer::NoToAll);
    std::string problem;
    if (!LoadListFile(database, file, progress, dialogs, /*listInfoWarnings=*/true,
                      args.noCache ? std::string() : UserCacheFolder(), &problem)) {
        Error(file + ": no games could be read" + (problem.empty() ? "" : ": " + problem));
        return kStatusError;
    }
    DatabaseCounts counts;
    ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    std::printf(
        "games: %u\nparents: %u\nclones: %u\nneogeo games: %u\nneogeo roms: %u\n"
        "arcade games: %u\narcade roms: %u\nsamples: %u\nbad dumps: %u\n",
        counts.gameCount, counts.parentCount, counts.cloneCount, counts.neoGeoGameCount,
        counts.neoGeoRomCount, counts.arcadeGameCount, counts.arcadeRomCount,
        counts.totalSampleCount, counts.badDumpCount);
    return kStatusClean;
}

constexpr const char* kDatHelp =
    "Read the game list from this list file (-listxml or -listinfo output, or a datfile; "
    "gzip-compressed too) instead of running mame";

void AddDatOptions(CLI::App& command, Arguments& args, const char* datHelp = kDatHelp) {
    command.add_option("--dat", args.dat, datHelp)->type_name("FILE");
    command.add_flag("--no-cache", args.noCache,
                     "Read the game list afresh instead of from the cache of an earlier reading");
}

void AddListOptions(CLI::App& command, Arguments& args) {
    AddDatOptions(command, args);
    command.add_flag("--save-settings", args.saveSettings,
                     "Write the settings back at the end (they are left untouched otherwise)");
}

void AddPathOptions(CLI::App& command, Arguments& args) {
    command.add_option(
        "--rom-paths", args.romPaths,
        "Rom folders, separated by ';' (default: mame.cfg, mame.ini and the stored paths)");
    command.add_option("--sample-paths", args.samplePaths,
                       "Sample folders, separated by ';' (default: as for --rom-paths)");
    command.add_option("--misc-paths", args.miscPaths,
                       "Other folders, separated by ';' (default: as for --rom-paths)");
    command.add_option("--select", args.select,
                       "Games to check: names or patterns separated by ';' (default: the "
                       "stored selection)");
}

void AddSetOption(CLI::App& command, Arguments& args, bool programFlagsOnly) {
    command
        .add_option("--set", args.sets,
                    programFlagsOnly
                        ? "NAME=0|1, repeatable: ListInfoWarnings, AskForMameExe, "
                          "PathWarning or UseMameExe"
                        : "NAME=0|1, repeatable: a scan option (Missing, Spelling, FixName, "
                          "...) or program flag (PathWarning, ...) by its settings name")
        ->type_name("NAME=0|1");
}

void AddAnswerOption(CLI::App& command, Arguments& args) {
    command
        .add_option("--answer", args.answer,
                    "Answer to fix questions when standard input is not a terminal")
        ->check(CLI::IsMember({"yes", "no", "yes-to-all", "no-to-all", "stop"}))
        ->default_str("no-to-all");
}

void AddLogOptions(CLI::App& command, Arguments& args) {
    command.add_option("--log", args.log, "Also write the log file (CR LF line ends) here")
        ->type_name("FILE");
    command
        .add_option("--fixdat", args.fixdat,
                    "Also write the missing ROMs and samples here, as an XML datfile")
        ->type_name("FILE");
    command.add_flag("--no-statistics", args.noStatistics,
                     "Leave the statistics out of the output and the log file");
}

}  // namespace

bool IsCliInvocation(int argc, char** argv) {
    if (argc < 2)
        return false;
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h" || first == "--version")
        return true;
    // Any word is meant as a subcommand: a mistyped one gets its message instead of a window.
    return !first.empty() && first.front() != '-';
}

int RunCli(int argc, char** argv) {
    Arguments args;
    CLI::App app{
        "Vextral checks, repairs and rebuilds MAME ROM and sample sets. Without a "
        "subcommand it opens its window.",
        "vextral"};
    app.set_version_flag("--version", "vextral 1.40");
    app.require_subcommand(1);
    app.footer(
        "The window takes --dat FILE (read the game list from a list file) and --no-cache "
        "(read it afresh).\n"
        "Exit status: 0 done and nothing found, 1 something found or not done, 2 nothing was "
        "done (bad input, or another process is working on the collection), 3 stopped.");

    CLI::App* scan = app.add_subcommand(
        "scan", "Check the selected games' sets and print the log and statistics");
    AddListOptions(*scan, args);
    AddPathOptions(*scan, args);
    AddSetOption(*scan, args, false);
    AddAnswerOption(*scan, args);
    AddLogOptions(*scan, args);
    scan->add_option("--io-threads", args.ioThreads,
                     "Threads reading set archives and folders ahead of the scan; 1 reads "
                     "them one after the other on the scan's own thread")
        ->check(CLI::Range(1u, 256u))
        ->default_str("16")
        ->type_name("N");
    scan->footer(kScanStatuses);

    CLI::App* fastScan = app.add_subcommand(
        "fast-scan",
        "Check again only the games that had problems in the last scan, with its paths and "
        "options");
    AddListOptions(*fastScan, args);
    AddSetOption(*fastScan, args, true);
    AddAnswerOption(*fastScan, args);
    AddLogOptions(*fastScan, args);
    fastScan->footer(kScanStatuses);

    CLI::App* rebuild = app.add_subcommand(
        "rebuild", "Build the selected games' sets in --to from files found below --from");
    AddListOptions(*rebuild, args);
    AddPathOptions(*rebuild, args);
    AddSetOption(*rebuild, args, false);
    rebuild->add_option("--from", args.from, "Folder searched for ROM files")->required();
    rebuild->add_option("--to", args.to, "Folder the sets are built in")->required();
    rebuild->add_flag("--zip", args.rebuild.zip, "Build zip archives instead of folders");
    rebuild->add_flag("--bios-everywhere", args.rebuild.biosEverywhere,
                      "Also put BIOS ROMs into the sets of the games that use them");
    rebuild->add_flag("--bad-dumps", args.rebuild.badDumps,
                      "Also take ROMs without a known checksum (matched by name and length)");
    rebuild->add_flag("--complemented", args.rebuild.complemented,
                      "Also take files whose checksum is the complement of the listed one");
    rebuild->add_flag("--merge", args.rebuild.merge,
                      "Put clone ROMs into the parent's set as the merge mode says (split by "
                      "default, full with --set MergeFull=1)");

    CLI::App* merge = app.add_subcommand(
        "merge",
        "Merge clone sets into their parents' sets in the first rom path (full merge "
        "with --set MergeFull=1, otherwise split merge)");
    AddListOptions(*merge, args);
    AddPathOptions(*merge, args);
    AddSetOption(*merge, args, false);
    merge->add_flag("--zip", args.zip, "Build zip archives instead of folders");
    merge->add_flag("--yes", args.yes,
                    "Confirm that the old parent and clone sets are removed in every rom path");

    CLI::App* unmerge = app.add_subcommand(
        "unmerge", "Make every game's set complete on its own, in the first rom path");
    AddListOptions(*unmerge, args);
    AddPathOptions(*unmerge, args);
    AddSetOption(*unmerge, args, false);
    unmerge->add_flag("--zip", args.zip, "Build zip archives instead of folders");

    for (CLI::App* command : {rebuild, merge, unmerge})
        command->footer(kRunStatuses);
    for (CLI::App* command : {scan, rebuild, merge, unmerge}) {
        command->add_flag("--dry-run", args.dryRun,
                          "Change nothing: print the plan, one line per change as the journal "
                          "would record it, then the totals (questions are answered as "
                          "--answer says; a failure the real run would meet, such as a full "
                          "disk, is not foreseen)");
    }

    CLI::App* journal = app.add_subcommand(
        "journal",
        "List the runs that changed files (time, command, changes, undoable), or "
        "the changes of one run");
    journal->add_option("RUN", args.run, "The run's name, as the list shows it");
    CLI::App* undo = app.add_subcommand(
        "undo",
        "Take back the last run that changed files, or the named one, newest change "
        "first; anything changed since the run is skipped and named");
    undo->add_option("RUN", args.run, "The run's name, as 'vextral journal' shows it");
    undo->footer(
        "Exit status: 0 every change taken back, 1 something was skipped or failed (named), "
        "2 nothing was done.");

    CLI::App* listInfo =
        app.add_subcommand("list-info", "Read a list file, validate it and print its counts");
    listInfo->add_option("FILE", args.listFile, "The list file (or give it with --dat)");
    AddDatOptions(*listInfo, args,
                  "The list file (-listxml or -listinfo output, or a datfile; gzip-compressed "
                  "too)");

    const std::string_view first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first.front() != '-' &&
        std::find(kSubcommands.begin(), kSubcommands.end(), first) == kSubcommands.end()) {
        std::string names;
        for (const std::string_view name : kSubcommands)
            names += std::string(names.empty() ? "" : ", ") + std::string(name);
        Error("unknown command '" + std::string(first) + "'; the commands are: " + names);
        return kStatusError;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? kStatusClean : kStatusError;
    }

    for (int i = 0; i < argc; ++i) {
        const std::string word = i == 0 ? "vextral" : argv[i];
        args.commandLine +=
            (i == 0 ? "" : " ") +
            (word.find_first_of(" '\"") == std::string::npos ? word : "'" + word + "'");
    }
    if (!ParseAnswer(args.answer)) {
        Error("--answer " + args.answer + ": expected yes, no, yes-to-all, no-to-all or stop");
        return kStatusError;
    }
    if (scan->parsed())
        return RunScan(args, /*fast=*/false);
    if (fastScan->parsed())
        return RunScan(args, /*fast=*/true);
    if (rebuild->parsed())
        return RunRebuild(args);
    if (merge->parsed())
        return RunMerge(args, /*unmerge=*/false);
    if (unmerge->parsed())
        return RunMerge(args, /*unmerge=*/true);
    if (listInfo->parsed())
        return RunListInfo(args);
    if (journal->parsed())
        return RunJournalList(args);
    if (undo->parsed())
        return RunUndo(args);
    return kStatusError;
}

}  // namespace vextral
