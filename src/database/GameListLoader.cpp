#include "database/GameListLoader.h"

#include <array>

#include "database/DatabaseLinker.h"
#include "database/ListCache.h"
#include "database/ListInput.h"
#include "database/ListParser.h"
#include "database/ListWarning.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace vextral {

namespace {

constexpr const char* kUseMameQuestion =
    "Should Vextral use mame to get the needed information ?\nOtherwise you can load a "
    "datfile (-listinfo output)";
constexpr const char* kLoadFailedMessage =
    "Can't receive data from the mame executable !\nBe sure that your current 'mame' "
    "supports the '-listinfo' parameter. Or check if your chosen file is valid datfile.";
// Enough of what mame printed to say what went wrong; a program gone mad prints more.
constexpr std::size_t kMaxMameMessage = 2000;

void RemoveListFile(const std::string& path) {
    MakeOwnerWritable(path);
    DeleteFile(path);  // a file that stays behind is harmless
}

// What mame wrote to its error output, trimmed and cut to a readable length.
std::string ReadMameMessage(const std::string& path) {
    ListInput input;
    if (!input.Open(path))
        return {};
    std::string text(kMaxMameMessage + 1, '\0');
    const long n = input.Read(text.data(), text.size());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const bool cut = text.size() > kMaxMameMessage;
    text = std::string(TrimWhiteSpace(text.substr(0, kMaxMameMessage)));
    return cut ? text + " ..." : text;
}

bool ParseAndLink(GameDatabase& database, const std::string& path, Progress& progress,
                  Dialogs& dialogs, bool listInfoWarnings, ListParseReport& report) {
    RomCrcList romCrcList;
    const bool parsed =
        ParseListFile(path, database, romCrcList, progress, dialogs, listInfoWarnings, &report);
    if (!parsed || database.empty()) {
        database.Clear();  // a stopped or empty load leaves no half list behind
        return false;
    }
    LinkGameDatabase(database, romCrcList);
    return true;
}

// A list read earlier from the same source, with the warnings it gave then.
bool LoadFromCache(const std::string& cacheFolder, const ListCacheKey& key, GameDatabase& database,
                   Dialogs& dialogs, bool listInfoWarnings) {
    std::vector<ListWarning> warnings;
    if (!LoadListCache(cacheFolder, key, database, warnings))
        return false;
    if (listInfoWarnings)
        ShowListInfoWarnings(dialogs, warnings);
    return true;
}

// One run of mame that gave no list, in words.
std::string DescribeRun(const std::string& command, bool ran, const std::string& said,
                        const std::string& problem) {
    if (!ran)
        return "'" + command + "' could not be run.";
    std::string text = "'" + command + "' gave no game list.";
    if (!said.empty())
        text += " It said:\n" + said;
    if (!problem.empty())
        text += "\n" + problem;
    return text;
}

void ShowFailure(Dialogs& dialogs, const std::string& details) {
    dialogs.ShowMessage(ListLoadFailure(details), kMessageCaption, MessageIcon::Stop,
                        MessageButtons::Ok);
}

}  // namespace

std::string ListLoadFailure(const std::string& details) {
    return details.empty() ? std::string(kLoadFailedMessage)
                           : std::string(kLoadFailedMessage) + "\n\n" + details;
}

bool LoadGameDatabase(GameDatabase& database, const GameListSource& source, Progress& progress,
                      Dialogs& dialogs, std::string* pickedFile) {
    database.Clear();
    if (!source.UseMameExe) {
        const MessageResult answer = dialogs.ShowMessage(
            kUseMameQuestion, kMessageCaption, MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            std::string problem;
            const std::optional<std::string> chosen = dialogs.ChooseOpenFile();
            if (chosen && LoadListFile(database, *chosen, progress, dialogs,
                                       source.ListInfoWarnings, source.cacheFolder, &problem)) {
                if (pickedFile != nullptr)
                    *pickedFile = *chosen;
                return true;
            }
            ShowFailure(dialogs, problem);
            return false;
        }
    }

    progress.Repaint();
    std::string executable = source.mameFolder + kMameExecutable;
    if (auto onDisk = ResolveIgnoringCase(executable))
        executable = std::move(*onDisk);
    const auto key =
        source.cacheFolder.empty() ? std::nullopt : MakeListCacheKey("mame", executable);
    if (key && LoadFromCache(source.cacheFolder, *key, database, dialogs, source.ListInfoWarnings))
        return true;

    // Today's MAME no longer knows -listinfo; it prints its list with -listxml.
    const std::string listPath = source.programFolder + kListInfoFileName;
    const std::string errorPath = source.programFolder + kMameErrorFileName;
    std::string details;
    for (const char* argument : {"-listinfo", "-listxml"}) {
        ListParseReport report;
        const bool ran = RunMameListInfo(argument, listPath, source.mameFolder, errorPath);
        const bool loaded = ran && ParseAndLink(database, listPath, progress, dialogs,
                                                source.ListInfoWarnings, report);
        const std::string said = ReadMameMessage(errorPath);
        RemoveListFile(listPath);
        RemoveListFile(errorPath);
        if (loaded) {
            if (key)
                (void)SaveListCache(source.cacheFolder, *key, database, report.warnings);
            return true;
        }
        if (report.stopped)
            break;
        details += (details.empty() ? "" : "\n\n") +
                   DescribeRun(executable + " " + argument, ran, said, report.problem);
        if (!ran)
            break;
    }
    ShowFailure(dialogs, details);
    return false;
}

bool LoadListFile(GameDatabase& database, const std::string& path, Progress& progress,
                  Dialogs& dialogs, bool listInfoWarnings, const std::string& cacheFolder,
                  std::string* problem) {
    database.Clear();
    const auto key = cacheFolder.empty() ? std::nullopt : MakeListCacheKey("file", path);
    if (key && LoadFromCache(cacheFolder, *key, database, dialogs, listInfoWarnings))
        return true;
    ListParseReport report;
    if (!ParseAndLink(database, path, progress, dialogs, listInfoWarnings, report)) {
        if (problem != nullptr)
            *problem = report.problem;
        return false;
    }
    if (key)
        (void)SaveListCache(cacheFolder, *key, database, report.warnings);
    return true;
}

bool RunMameListInfo(const std::string& argument, const std::string& outputPath,
                     const std::string& mameFolder, const std::string& errorPath) {
    std::string executable = mameFolder + kMameExecutable;
    if (auto onDisk = ResolveIgnoringCase(executable))
        executable = std::move(*onDisk);
    const bool ran = RunToFile({executable, argument}, outputPath, mameFolder, errorPath);
    if (!ran)
        RemoveListFile(outputPath);
    return ran;
}

}  // namespace vextral
