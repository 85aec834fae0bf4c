#include "database/GameListLoader.h"

#include "database/DatabaseLinker.h"
#include "database/ListParser.h"
#include "database/ListWarning.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace vextral {

namespace {

constexpr const char* kUseMameQuestion =
    "Should Vextral use mame to get the needed information ?\nOtherwise you can load a "
    "datfile (-listinfo output)";
constexpr const char* kLoadFailedMessage =
    "Can't receive data from the mame executable !\nBe sure that your current 'mame' "
    "supports the '-listinfo' parameter. Or check if your chosen file is valid datfile.";

void RemoveListFile(const std::string& path) {
    MakeOwnerWritable(path);
    DeleteFile(path);  // a file that stays behind is harmless
}

bool ParseAndLink(GameDatabase& database, const std::string& path, Progress& progress,
                  Dialogs& dialogs, bool listInfoWarnings) {
    RomCrcList romCrcList;
    const bool parsed =
        ParseListFile(path, database, romCrcList, progress, dialogs, listInfoWarnings);
    if (!parsed || database.empty()) {
        database.Clear();  // a stopped or empty load leaves no half list behind
        return false;
    }
    LinkGameDatabase(database, romCrcList);
    return true;
}

}  // namespace

bool LoadGameDatabase(GameDatabase& database, const GameListSource& source, Progress& progress,
                      Dialogs& dialogs) {
    database.Clear();
    const std::string tempPath = source.programFolder + kListInfoFileName;
    std::string listPath = tempPath;

    bool userChoseFile = false;
    bool obtained = false;
    if (!source.UseMameExe) {
        const MessageResult answer = dialogs.ShowMessage(
            kUseMameQuestion, kMessageCaption, MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            userChoseFile = true;
            if (auto chosen = dialogs.ChooseOpenFile()) {
                listPath = std::move(*chosen);
                obtained = true;
            }
        }
    }
    if (!userChoseFile) {
        progress.Repaint();
        obtained = RunMameListInfo("-listinfo", tempPath, source.mameFolder);
    }

    bool loaded = false;
    if (obtained) {
        loaded = ParseAndLink(database, listPath, progress, dialogs, source.ListInfoWarnings);
    }
    if (!userChoseFile)
        RemoveListFile(tempPath);
    if (loaded)
        return true;

    dialogs.ShowMessage(kLoadFailedMessage, kMessageCaption, MessageIcon::Stop, MessageButtons::Ok);
    return false;
}

bool LoadListFile(GameDatabase& database, const std::string& path, Progress& progress,
                  Dialogs& dialogs, bool listInfoWarnings) {
    database.Clear();
    return ParseAndLink(database, path, progress, dialogs, listInfoWarnings);
}

bool RunMameListInfo(const std::string& argument, const std::string& outputPath,
                     const std::string& mameFolder) {
    std::string executable = mameFolder + kMameExecutable;
    if (auto onDisk = ResolveIgnoringCase(executable))
        executable = std::move(*onDisk);
    const bool ran = RunToFile({executable, argument}, outputPath, mameFolder);
    if (!ran)
        RemoveListFile(outputPath);
    return ran;
}

}  // namespace vextral
