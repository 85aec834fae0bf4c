#include "app/gui/GuiApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "app/core/QtSettingsStore.h"
#include "app/core/SettingsIo.h"
#include "app/core/Startup.h"
#include "app/gui/MainDialog.h"
#include "app/gui/ProgressDialog.h"
#include "app/gui/QtDialogs.h"
#include "app/gui/ResultsTree.h"
#include "archive/ZipLibrary.h"
#include "scanner/MameIni.h"

namespace vextral {

namespace {

// "--dat FILE" reads the game list from a list file instead of running mame, "--no-cache"
// reads it afresh instead of from the cache of an earlier reading. Hidden options for tests
// and development: "--quit-after-open" closes the main window as soon as it has opened, and
// "--screenshot FILE" scans, saves a picture of the window once the statistics are shown,
// and closes.
struct GuiOptions {
    std::optional<std::string> datFile;
    bool noCache = false;
    bool quitAfterOpen = false;
    QString screenshot;
};

// Answers a message box with its OK or Yes button, as a user going on would.
void AnswerGoingOn(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        const QMessageBox::ButtonRole role = box.buttonRole(button);
        if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole) {
            button->click();
            return;
        }
    }
    box.accept();
}

// Closes the main window once no action runs (it refuses to close during one).
void CloseWhenIdle(MainDialog& window) {
    QTimer::singleShot(20, &window, [&window] {
        if (!window.close())
            CloseWhenIdle(window);
    });
}

// Pictures the main window and closes it.
void Shoot(MainDialog& window, const QString& file) {
    if (auto* tree = window.findChild<ResultsTree*>("resultsTree")) {
        tree->Flush();
        tree->expandAll();
    }
    (void)window.grab().save(file);
    CloseWhenIdle(window);
}

// Waits for the scan's statistics box, answering the path warnings on the way, pictures
// the main window under it, then lets the box and the window close.
void ShootWhenStatisticsShown(MainDialog& window, const QString& file) {
    QTimer::singleShot(100, &window, [&window, file] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            ShootWhenStatisticsShown(window, file);
            return;
        }
        if (box->windowTitle() != QStringLiteral("Scanning Results")) {
            AnswerGoingOn(*box);
            ShootWhenStatisticsShown(window, file);
            return;
        }
        Shoot(window, file);
        box->accept();
    });
}

// Scans once the window is open; with nothing to scan (no folders, no checks) the window
// is pictured as it opened.
void ScanAndShoot(MainDialog& window, const QString& file) {
    auto* scan = window.findChild<QPushButton*>("scanButton");
    if (scan == nullptr || !scan->isEnabled()) {
        Shoot(window, file);
        return;
    }
    ShootWhenStatisticsShown(window, file);
    scan->click();
}

GuiOptions ReadGuiOptions(const QStringList& arguments) {
    GuiOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--dat") && i + 1 < arguments.size())
            options.datFile = QFile::encodeName(arguments[++i]).toStdString();
        else if (arguments[i] == QStringLiteral("--no-cache"))
            options.noCache = true;
        else if (arguments[i] == QStringLiteral("--quit-after-open"))
            options.quitAfterOpen = true;
        else if (arguments[i] == QStringLiteral("--screenshot") && i + 1 < arguments.size())
            options.screenshot = arguments[++i];
    }
    return options;
}

}  // namespace

int RunGui(int argc, char** argv) {
    // Without a display the toolkit would abort; say what runs without one instead.
    const auto unset = [](const char* name) { return qEnvironmentVariableIsEmpty(name); };
    if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM")) {
        std::fputs(
            "vextral: no display to open the window on; the command line runs without "
            "one (vextral --help)\n",
            stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vextral"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vextral"));
    // Every window runs its own modal loop; none of them closing may end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QtSettingsStore store;
    QtDialogs dialogs;
    ZipLibrary zipLibrary;
    ProgressDialog listProgress;
    const GuiOptions guiOptions = ReadGuiOptions(QApplication::arguments());
    StartupOptions startupOptions;
    startupOptions.datFile = guiOptions.datFile;
    startupOptions.useListCache = !guiOptions.noCache;
    Startup startup(store, dialogs, zipLibrary, listProgress, startupOptions);

    // Unattended runs: the start-up and the opening steps may warn about the list or the
    // paths; nobody is there to answer, so each box is answered by going on.
    const bool unattended = guiOptions.quitAfterOpen || !guiOptions.screenshot.isEmpty();
    QTimer opening;
    QObject::connect(&opening, &QTimer::timeout, &opening, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            AnswerGoingOn(*box);
    });
    if (unattended)
        opening.start(100);

    StartupHooks hooks;
    hooks.runMainWindow = [&](AppSettings& settings, GameDatabase& database) {
        ProgressDialog progress;
        MainDialog window(settings, database, dialogs, progress, zipLibrary);
        progress.SetOwner(&window);
        window.session().scanner().config.mameIniFolders = UserMameIniFolders();
        window.RestorePlace(LoadWindowPlace(store));
        if (unattended) {
            window.onOpened = [&window, &guiOptions, &opening] {
                opening.stop();
                if (guiOptions.quitAfterOpen)
                    CloseWhenIdle(window);
                else
                    ScanAndShoot(window, guiOptions.screenshot);
            };
        }
        const int status = window.Run();
        if (const auto place = window.place())
            SaveWindowPlace(store, *place);  // synced with the settings
        return status;
    };
    const StartupOutcome outcome = startup.Run(hooks);
    const bool written = outcome.result == StartupResult::Completed ||
                         outcome.result == StartupResult::ListNotObtained;
    if (written && !outcome.settingsWritten) {
        if (unattended)
            std::fprintf(stderr, "vextral: %s\n",
                         SettingsNotWrittenMessage(store.FilePath()).c_str());
        else
            dialogs.ShowMessage(SettingsNotWrittenMessage(store.FilePath()), kProgramCaption,
                                MessageIcon::Exclamation, MessageButtons::Ok);
        return outcome.exitCode == 0 ? 1 : outcome.exitCode;
    }
    return outcome.exitCode;
}

}  // namespace vextral
