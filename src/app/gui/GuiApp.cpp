#include "app/gui/GuiApp.h"

#include <QApplication>
#include <string>

#include "app/core/QtSettingsStore.h"
#include "app/core/Startup.h"
#include "app/gui/ProgressDialog.h"
#include "app/gui/QtDialogs.h"
#include "archive/ZipLibrary.h"
#include "database/DatabaseCounts.h"
#include "database/DatabaseLinker.h"

namespace vextral {

namespace {

// Stands in for the main window: validates the list and tells what it holds.
int ShowDatabaseSummary(AppSettings& settings, GameDatabase& database, Dialogs& dialogs) {
    DatabaseCounts counts;
    ValidateGameDatabase(database, settings.ListInfoWarnings, counts, dialogs);
    const std::string text = "Games: " + std::to_string(counts.gameCount) +
                             "\nParents: " + std::to_string(counts.parentCount) +
                             "\nClones: " + std::to_string(counts.cloneCount) +
                             "\nNeoGeo games: " + std::to_string(counts.neoGeoGameCount) +
                             "\nArcade games: " + std::to_string(counts.arcadeGameCount) +
                             "\nSamples: " + std::to_string(counts.totalSampleCount) +
                             "\nBad dumps: " + std::to_string(counts.badDumpCount);
    dialogs.ShowMessage(text, kProgramCaption, MessageIcon::Information, MessageButtons::Ok);
    return 0;
}

}  // namespace

int RunGui(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vextral"));
    // Every window runs its own modal loop; none of them closing may end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QtSettingsStore store;
    QtDialogs dialogs;
    ZipLibrary zipLibrary;
    ProgressDialog listProgress;
    Startup startup(store, dialogs, zipLibrary, listProgress);

    StartupHooks hooks;
    hooks.runMainWindow = [&dialogs](AppSettings& settings, GameDatabase& database) {
        return ShowDatabaseSummary(settings, database, dialogs);
    };
    return startup.Run(hooks).exitCode;
}

}  // namespace vextral
