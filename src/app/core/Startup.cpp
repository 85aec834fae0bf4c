#include "app/core/Startup.h"

#include <unistd.h>

#include "app/core/SettingsIo.h"
#include "archive/FileUtils.h"
#include "database/GameListLoader.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/UserFolders.h"

namespace vextral {

namespace {

constexpr const char* kZipLibraryMissing = "Can't access libzip.";
constexpr const char* kChooseMameFolder = "Choose folder with 'mame'.";
constexpr const char* kMameNotFound = "Can't find 'mame'.";
constexpr const char* kTempFolderFailed = "Can't create a temporary folder.";
constexpr const char* kListCaption = "Receiving data from M.A.M.E.";
constexpr const char* kPickNewMamePath =
    "Maybe your MAME-path is incorrect ! Do you want to pick a new one ?";
constexpr const char* kPickListFile =
    "Vextral could not get the game list from mame.\n\nDo you want to pick a list file "
    "instead ? It can be the output of 'mame -listxml' or 'mame -listinfo', or a datfile.\n"
    "Vextral then reads it at every start, until \"Always use MAME.EXE's -listinfo output\" "
    "is switched on again.";

// The absolute, canonical form of a folder, ending with the separator.
std::string SettleFolder(const std::string& folder) {
    return WithSeparator(CanonicalPath(folder.empty() ? CurrentFolder() : folder));
}

// The folder (canonical, with separator) when it holds an executable `mame`, the name
// resolved ignoring case. An empty folder is the current folder.
std::optional<std::string> FolderHoldingMame(const std::string& folder) {
    const std::string base = folder.empty() ? CurrentFolder() : WithSeparator(folder);
    const std::optional<std::string> found = ResolveIgnoringCase(base + kMameExecutable);
    if (!found || !IsRegularFile(*found) || ::access(found->c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    return SettleFolder(FolderPart(*found));
}

}  // namespace

Startup::Startup(SettingsStore& store, Dialogs& dialogs, ZipLibrary& zipLibrary,
                 Progress& listProgress, StartupOptions options)
    : store_(store),
      dialogs_(dialogs),
      zipLibrary_(zipLibrary),
      listProgress_(listProgress),
      options_(std::move(options)) {}

void Startup::ShowMessage(const std::string& text) {
    dialogs_.ShowMessage(text, kProgramCaption, MessageIcon::None, MessageButtons::Ok);
}

bool Startup::AskYesNo(const std::string& question) {
    return dialogs_.ShowMessage(question, kProgramCaption, MessageIcon::Question,
                                MessageButtons::YesNo) == MessageResult::Yes;
}

Startup::Located Startup::ChooseMameFolder(std::string& folder) {
    if (!options_.allowChoosers) {
        ShowMessage(kMameNotFound);
        return Located::ChooserNeeded;
    }
    // A cancelled chooser gives an empty folder: the current folder is looked at once more.
    if (auto found = FolderHoldingMame(dialogs_.BrowseForFolder(kChooseMameFolder))) {
        folder = *found;
        return Located::Found;
    }
    ShowMessage(kMameNotFound);
    return Located::NotFound;
}

Startup::Located Startup::LocateMame(const std::string& storedFolder, std::string& folder) {
    if (auto found = FolderHoldingMame(storedFolder)) {
        folder = *found;
        return Located::Found;
    }
    if (auto onPath = FindInSearchPath(kMameExecutable)) {
        if (auto found = FolderHoldingMame(*onPath)) {
            folder = *found;
            return Located::Found;
        }
    }
    return ChooseMameFolder(folder);
}

bool Startup::PrepareTempFolder() {
    // Other processes may be at work in the temporary folder: this one gets a folder of its
    // own, and only what ended processes left there is cleared away.
    scratch_.emplace(settings_.programFolder);
    if (!scratch_->Ok())
        return false;
    settings_.scratchFolder = scratch_->Path();
    ReportKeptScratch(ProcessScratch::SweepEnded(settings_.programFolder));
    return true;
}

void Startup::ReportKeptScratch(unsigned files) {
    if (files == 0)
        return;
    const std::string count =
        files == 1 ? "1 file left in the temporary folder was"
                   : std::to_string(files) + " files left in the temporary folder were";
    dialogs_.ShowMessage(
        count + " kept in '" + ProcessScratch::LeftoversFolder(settings_.programFolder) + "'.",
        kProgramCaption, MessageIcon::Information, MessageButtons::Ok);
}

std::string Startup::CacheFolder() const {
    return options_.useListCache ? UserCacheFolder() : std::string();
}

std::optional<std::string> Startup::ListFileInstead() const {
    if (options_.datFile)
        return options_.datFile;
    if (!settings_.UseMameExe && !settings_.listFile.empty() && IsRegularFile(settings_.listFile))
        return settings_.listFile;
    return std::nullopt;
}

bool Startup::LoadListFromFile(const std::string& path, Progress& progress) {
    std::string problem;
    if (LoadListFile(database_, path, progress, dialogs_, settings_.ListInfoWarnings, CacheFolder(),
                     &problem)) {
        return true;
    }
    dialogs_.ShowMessage(ListLoadFailure(problem), kProgramCaption, MessageIcon::Stop,
                         MessageButtons::Ok);
    return false;
}

bool Startup::LoadList(const std::optional<std::string>& pickedFile) {
    NullProgress unshown;
    Progress& progress = listProgress_.OpenProgress(kListCaption) ? listProgress_ : unshown;
    bool obtained = false;
    if (const auto listFile = pickedFile ? pickedFile : ListFileInstead()) {
        obtained = LoadListFromFile(*listFile, progress);
    } else {
        const GameListSource source{settings_.mameFolder, settings_.programFolder,
                                    settings_.UseMameExe, settings_.ListInfoWarnings,
                                    CacheFolder()};
        std::string picked;
        obtained = LoadGameDatabase(database_, source, progress, dialogs_, &picked);
        if (obtained && !picked.empty())
            settings_.listFile = CanonicalPath(picked);
    }
    if (&progress == &listProgress_)
        listProgress_.CloseProgress();
    return obtained;
}

bool Startup::OfferListFile() {
    if (!options_.allowChoosers || !AskYesNo(kPickListFile))
        return false;
    const std::optional<std::string> chosen = dialogs_.ChooseOpenFile();
    if (!chosen || !LoadList(chosen))
        return false;
    settings_.UseMameExe = false;
    settings_.listFile = CanonicalPath(*chosen);
    return true;
}

StartupOutcome Startup::Run(const StartupHooks& hooks) {
    StartupOutcome ended;
    if (!zipLibrary_.Load()) {
        zipLibrary_.Release();
        ShowMessage(kZipLibraryMissing);
        return ended;
    }

    settings_ = LoadSettings(store_);
    // A list file stands in for mame, which is then not looked for.
    const bool fromListFile = ListFileInstead().has_value();

    if (!fromListFile) {
        std::string mameFolder;
        const Located located = LocateMame(settings_.mameFolder, mameFolder);
        if (located != Located::Found) {
            zipLibrary_.Release();
            if (located == Located::ChooserNeeded) {
                ended.result = StartupResult::ChooserNeeded;
                ended.exitCode = 2;
            }
            return ended;
        }
        settings_.mameFolder = mameFolder;
    }

    // The program folder is always the per-user data folder; the stored one only records it.
    const std::string dataFolder = UserDataFolder();
    (void)CreateFolderTree(dataFolder);
    settings_.programFolder = SettleFolder(dataFolder);

    if (!fromListFile && settings_.AskForMameExe) {
        const std::string question = "M.A.M.E. executable detected in:\n\t'" +
                                     settings_.mameFolder + "'\n\nShould Vextral use this one ?";
        if (!AskYesNo(question)) {
            const Located located = ChooseMameFolder(settings_.mameFolder);
            if (located != Located::Found) {
                zipLibrary_.Release();
                if (located == Located::ChooserNeeded) {
                    ended.result = StartupResult::ChooserNeeded;
                    ended.exitCode = 2;
                }
                return ended;
            }
        }
    }

    if (!PrepareTempFolder()) {
        ShowMessage(kTempFolderFailed);
        zipLibrary_.Release();
        return ended;
    }

    bool obtained = LoadList();
    bool chooserNeeded = false;
    if (!obtained && !fromListFile)
        obtained = OfferListFile();
    // Without choosers no other folder could be picked: mame was found, so "Can't find" would
    // only mislead.
    if (!obtained && !fromListFile && options_.allowChoosers && AskYesNo(kPickNewMamePath)) {
        std::string mameFolder;
        switch (ChooseMameFolder(mameFolder)) {
            case Located::Found:
                settings_.mameFolder = mameFolder;
                obtained = LoadList();
                break;
            case Located::ChooserNeeded:
                chooserNeeded = true;
                break;
            case Located::NotFound:
                break;
        }
    }
    return Finish(obtained, chooserNeeded, hooks);
}

StartupOutcome Startup::Finish(bool obtained, bool chooserNeeded, const StartupHooks& hooks) {
    StartupOutcome outcome;
    if (obtained) {
        outcome.result = StartupResult::Completed;
        outcome.exitCode = hooks.runMainWindow ? hooks.runMainWindow(settings_, database_) : 0;
    } else {
        outcome.result =
            chooserNeeded ? StartupResult::ChooserNeeded : StartupResult::ListNotObtained;
        outcome.exitCode = chooserNeeded ? 2 : 1;
    }
    if (options_.writeSettings)
        outcome.settingsWritten = SaveSettings(store_, settings_);
    const unsigned kept = scratch_ ? scratch_->Finish() : 0;
    ReportKeptScratch(kept + ProcessScratch::SweepEnded(settings_.programFolder));
    scratch_.reset();
    zipLibrary_.Release();
    return outcome;
}

}  // namespace vextral
