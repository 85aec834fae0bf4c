#include "app/gui/MainDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/gui/ProgressDialog.h"
#include "app/gui/ResultsTree.h"
#include "database/GameListLoader.h"
#include "fixer/JournalWriter.h"
#include "platform/FileSystem.h"
#include "support/FakeProgress.h"
#include "support/TempFolder.h"

namespace vextral {

namespace {

// Answers every box from a queue (OK when empty), records the texts, and returns folders.
class ScriptedDialogs final : public Dialogs {
  public:
    std::deque<std::string> folders;
    std::deque<MessageResult> answers;  // for Yes/No boxes; No when empty
    QStringList messages;
    QStringList folderPrompts;
    std::function<void()> onMessage;  // run as each box opens

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon,
                              MessageButtons buttons) override {
        messages << QString::fromStdString(caption + "|" + text);
        if (onMessage)
            onMessage();
        if (buttons != MessageButtons::YesNo)
            return MessageResult::Ok;
        if (answers.empty())
            return MessageResult::No;
        const MessageResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string& prompt) override {
        folderPrompts << QString::fromStdString(prompt);
        if (folders.empty())
            return {};
        std::string folder = folders.front();
        folders.pop_front();
        return folder;
    }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> saveFile;  // the answer of every save chooser
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return saveFile;
    }
};

std::string GameBlock(const char* name, const char* description, const char* rom, const char* crc) {
    return std::string("game (\n\tname ") + name + "\n\tdescription \"" + description +
           "\"\n\trom ( name " + rom + " size 4 crc " + crc + " )\n)\n";
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> temp_;
    std::string root_;
    AppSettings settings_;
    GameDatabase database_;
    ScriptedDialogs dialogs_;
    test::FakeProgress progress_;
    ZipLibrary zipLibrary_;
    std::unique_ptr<MainDialog> window_;

    std::string Path(const std::string& relative) const { return root_ + relative; }

    void WriteText(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // A list of the first `count` of the games alpha, beta and gamma.
    void LoadList(int count) {
        const std::string games[] = {GameBlock("alpha", "Alpha", "a.rom", "12345678"),
                                     GameBlock("beta", "Beta", "b.rom", "ed82cd11"),
                                     GameBlock("gamma", "Gamma", "g.rom", "11111111")};
        std::string text;
        for (int i = 0; i < count; ++i)
            text += games[i];
        const std::string list = Path("list.dat");
        WriteText(list, text);
        database_ = GameDatabase{};
        NullProgress quiet;
        QVERIFY(LoadListFile(database_, list, quiet, dialogs_, /*listInfoWarnings=*/false));
        QCOMPARE(int(database_.size()), count);
    }

    MainDialog& OpenWindow() {
        window_ =
            std::make_unique<MainDialog>(settings_, database_, dialogs_, progress_, zipLibrary_);
        window_->Open();
        window_->show();
        return *window_;
    }
    void CloseWindow() {
        window_->close();
        window_.reset();
    }

    template <typename T>
    T* Find(const char* name) {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            qFatal("no widget %s", name);
        return widget;
    }
    QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }

  private slots:
    void init() {
        temp_ = std::make_unique<QTemporaryDir>();
        QVERIFY(temp_->isValid());
        root_ = CanonicalPath(temp_->path().toStdString()) + "/";
        QVERIFY(CreateFolder(Path("roms")));
        QVERIFY(CreateFolder(Path("samples")));
        QVERIFY(CreateFolderTree(Path("program/tempzip.vxt/run")));
        settings_ = AppSettings{};
        settings_.PathWarning = false;
        settings_.ListInfoWarnings = false;
        settings_.programFolder = Path("program/");
        settings_.scratchFolder = Path("program/tempzip.vxt/run/");
        settings_.mameFolder = root_;
        settings_.rompaths = Path("roms");
        settings_.samplepaths = Path("samples");
        dialogs_ = ScriptedDialogs{};
        progress_ = test::FakeProgress{};
        LoadList(3);
    }
    void cleanup() {
        window_.reset();
        temp_.reset();
    }

    void showsCaptionsAndTipsAsBuilt() {
        MainDialog& window = OpenWindow();
        QCOMPARE(window.windowTitle(), QStringLiteral("Vextral For Windows V1.40"));
        // Each accelerator reaches one control (the tri-state boxes keep theirs in every label).
        QString accelerators;
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
            const qsizetype amp = button->text().indexOf('&');
            if (amp >= 0)
                accelerators += button->text().at(amp + 1).toLower();
        }
        for (const QChar letter : accelerators)
            QVERIFY2(accelerators.count(letter) == 1, qPrintable(accelerators));
        QCOMPARE(Box("gamesCheck")->text(), QStringLiteral("&Games"));
        QCOMPARE(Box("altSamplesCheck")->text(), QStringLiteral("Al&t Samplefolder Support"));
        QCOMPARE(Button("saveLogButton")->text(), QStringLiteral("S&ave Logfile"));
        QCOMPARE(Button("fastScanButton")->toolTip(),
                 QStringLiteral(
                     "Press this button to do a 'fast scan'. Previous settings are restored."));
        QCOMPARE(Box("mergeCheck")->toolTip(),
                 QStringLiteral(
                     "Checked : enable split-merge-support. Greyed : enabe full-merge-support"));
        QCOMPARE(
            Edit("selectGamesEdit")->toolTip(),
            QStringLiteral("Games you want to check (wildcards are allowed); seperated by ';'"));
        auto* group = window.findChild<QGroupBox*>("checkGroup");
        QVERIFY(group != nullptr);
        QCOMPARE(group->title(), QStringLiteral("Check                Fix"));
        QVERIFY(Button("scanButton")->isDefault());
        auto* tree = Find<ResultsTree>("resultsTree");
        QCOMPARE(int(tree->images().size()), 14);
        for (const QIcon& icon : tree->images()) {
            const QImage small = icon.pixmap(16, 16).toImage();
            QVERIFY(!small.isNull());
            // Drawn for screens scaled by 2 and 3, not enlarged from 16 pixels.
            for (const int scale : {2, 3}) {
                const QImage large = icon.pixmap(QSize(16, 16), scale).toImage();
                QCOMPARE(large.size(), QSize(16 * scale, 16 * scale));
                QVERIFY(large != small.scaled(large.size(), Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation));
            }
        }
        // Each image of the strip is its own drawing.
        QVERIFY(tree->images()[0].pixmap(16, 16).toImage() !=
                tree->images()[1].pixmap(16, 16).toImage());
    }

    void triStateBoxesCycleWithFlagsAndLabels_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QStringList>("labels");  // off, checked, greyed
        QTest::newRow("missing") << "missingCheck"
                                 << "Missing"
                                 << "MissingAdvanced"
                                 << QStringList{"M&issing", "M&issing", "Adv. M&issing"};
        QTest::newRow("unneeded") << "unneededCheck"
                                  << "Unneeded"
                                  << "UnneededAdvanced"
                                  << QStringList{"&Unneeded", "&Unneeded", "Adv. &Un."};
        QTest::newRow("checksum") << "checksumCheck"
                                  << "Checksum"
                                  << "AvailChecksum"
                                  << QStringList{"Chec&ksum", "Chec&ksum", "Bad Dumps"};
        QTest::newRow("neogeo") << "neoGeoCheck"
                                << "NeoGeo"
                                << "NeoGeoExclusive"
                                << QStringList{"&NeoGeo Support", "&NeoGeo Support",
                                               "Exclusive &NeoG Support"};
        QTest::newRow("merge") << "mergeCheck"
                               << "MergeSplit"
                               << "MergeFull"
                               << QStringList{"Merge Supp&ort", "Split-Merge Supp&ort",
                                              "Full-Merge Supp&ort"};
    }

    void triStateBoxesCycleWithFlagsAndLabels() {
        QFETCH(QString, box);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QStringList, labels);
        const auto member = [](const QString& name) {
            for (const auto& field : kScanOptionFields) {
                if (name.toStdString() == field.name)
                    return field.member;
            }
            qFatal("unknown flag");
        };
        bool ScanOptions::*firstFlag = member(first);
        bool ScanOptions::*secondFlag = member(second);
        settings_.options.*firstFlag = false;
        settings_.options.*secondFlag = false;
        OpenWindow();
        QCheckBox* target = Box(box.toLatin1().constData());
        QCOMPARE(target->checkState(), Qt::Unchecked);
        QCOMPARE(target->text(), labels[0]);

        const Qt::CheckState cycle[] = {Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked};
        const int labelOf[] = {1, 2, 0};
        for (int i = 0; i < 3; ++i) {
            target->click();
            QCOMPARE(target->checkState(), cycle[i]);
            QCOMPARE(target->text(), labels[labelOf[i]]);
            QCOMPARE(settings_.options.*firstFlag, cycle[i] == Qt::Checked);
            QCOMPARE(settings_.options.*secondFlag, cycle[i] == Qt::PartiallyChecked);
        }
    }

    void bothMissingFlagsOpenGreyed() {
        settings_.options.Missing = true;
        settings_.options.MissingAdvanced = true;
        OpenWindow();
        QCheckBox* missing = Box("missingCheck");
        QCOMPARE(missing->checkState(), Qt::PartiallyChecked);
        QCOMPARE(missing->text(), QStringLiteral("Adv. M&issing"));
        missing->click();
        QCOMPARE(missing->checkState(), Qt::Unchecked);
        QVERIFY(!settings_.options.Missing);
        QVERIFY(!settings_.options.MissingAdvanced);
    }

    void fixBoxesFollowTheirCheckBoxes() {
        settings_.options.Length = true;
        settings_.options.FixLength = true;
        settings_.options.Spelling = false;
        settings_.options.FixSpelling = true;  // stored without its check: cleared on opening
        settings_.options.Unneeded = true;
        settings_.options.FixUnneeded = true;
        OpenWindow();
        QCheckBox* length = Box("lengthCheck");
        QCheckBox* lengthFix = Box("lengthFixCheck");
        QVERIFY(lengthFix->isEnabled());
        QVERIFY(lengthFix->isChecked());
        QVERIFY(!Box("caseFixCheck")->isEnabled());
        QVERIFY(!Box("caseFixCheck")->isChecked());
        QVERIFY(!settings_.options.FixSpelling);

        length->click();
        QVERIFY(!settings_.options.Length);
        QVERIFY(!settings_.options.FixLength);
        QVERIFY(!lengthFix->isEnabled());
        QVERIFY(!lengthFix->isChecked());
        length->click();
        QVERIFY(settings_.options.Length);
        QVERIFY(lengthFix->isEnabled());
        QVERIFY(!lengthFix->isChecked());
        QVERIFY(!settings_.options.FixLength);
        lengthFix->click();
        QVERIFY(settings_.options.FixLength);

        // The unneeded fix stays usable while the box is checked or greyed.
        QCheckBox* unneeded = Box("unneededCheck");
        QCheckBox* unneededFix = Box("unneededFixCheck");
        unneeded->click();  // greyed
        QVERIFY(unneededFix->isEnabled());
        QVERIFY(settings_.options.FixUnneeded);
        unneeded->click();  // unchecked
        QVERIFY(!unneededFix->isEnabled());
        QVERIFY(!unneededFix->isChecked());
        QVERIFY(!settings_.options.FixUnneeded);
    }

    void scanNeedsRomAndSampleFolders() {
        settings_.samplepaths = Path("no-such-folder");
        settings_.options.Games = false;
        settings_.options.Samples = false;
        OpenWindow();
        QCOMPARE(Edit("samplePathsEdit")->text(), QString());
        QVERIFY(!Button("scanButton")->isEnabled());
        QVERIFY(Button("rebuildButton")->isEnabled());

        // A folder typed into the field counts once the field loses the focus.
        QLineEdit* samples = Edit("samplePathsEdit");
        samples->setText(QString::fromStdString(Path("samples")));
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(samples, &focusOut);
        QCOMPARE(samples->text(), QString::fromStdString(Path("samples/")));
        QVERIFY(Button("scanButton")->isEnabled());

        // Nothing to look for: disabled again.
        Box("romsCheck")->click();
        QVERIFY(!Button("scanButton")->isEnabled());
    }

    void mergeFollowsMergeModeUnmergeDoesNot() {
        settings_.options.MergeSplit = false;
        settings_.options.MergeFull = false;
        OpenWindow();
        QVERIFY(!Button("mergeButton")->isEnabled());
        QVERIFY(Button("unmergeButton")->isEnabled());
        Box("mergeCheck")->click();
        QVERIFY(Button("mergeButton")->isEnabled());
        Box("mergeCheck")->click();
        QVERIFY(Button("mergeButton")->isEnabled());
        Box("mergeCheck")->click();
        QVERIFY(!Button("mergeButton")->isEnabled());
        QVERIFY(Button("unmergeButton")->isEnabled());
    }

    void scanFillsTreeAndEnablesFastScanAndLog() {
        WriteText(Path("roms/beta/b.rom"), "abce");  // present, wrong checksum
        OpenWindow();
        QVERIFY(!Button("fastScanButton")->isEnabled());
        QVERIFY(!Button("saveLogButton")->isEnabled());
        QVERIFY(!Button("saveFixdatButton")->isEnabled());
        Button("scanButton")->click();
        auto* tree = Find<ResultsTree>("resultsTree");
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Alpha [folder: alpha]"));
        QCOMPARE(ResultsTree::ImageOf(tree->topLevelItem(0)), 5);
        QCOMPARE(ResultsTree::ImageOf(tree->topLevelItem(0)->child(0)), 7);
        QCOMPARE(ResultsTree::ImageOf(tree->topLevelItem(1)), 6);
        QVERIFY(tree->topLevelItem(1)->child(0)->text(0).startsWith("wrong checksum: b.rom"));
        QCOMPARE(ResultsTree::ImageOf(tree->topLevelItem(1)->child(0)), 0);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(2));
        QVERIFY(Button("fastScanButton")->isEnabled());
        QVERIFY(Button("saveLogButton")->isEnabled());
        QVERIFY(dialogs_.messages.last().startsWith("Scanning Results|"));
        // Alpha's set is missing: its ROM goes into the fixdat.
        QVERIFY(Button("saveFixdatButton")->isEnabled());
        dialogs_.saveFile = Path("fix.dat");
        Button("saveFixdatButton")->click();
        QVERIFY(test::ReadFile(Path("fix.dat")).find("<game name=\"alpha\">") != std::string::npos);
        QCOMPARE(progress_.captions.back(), std::string("Scanning Games"));
    }

    void stoppedScanDisablesFastScan() {
        OpenWindow();
        Button("scanButton")->click();
        QVERIFY(Button("fastScanButton")->isEnabled());
        progress_.stopQueries = 0;
        progress_.stopOnCall = 2;
        Button("scanButton")->click();
        QVERIFY(!Button("fastScanButton")->isEnabled());
    }

    void fastScanStateSurvivesARestart() {
        settings_.options.Checksum = false;
        settings_.options.AvailChecksum = true;
        settings_.chosenGames = "*a";
        // The selection takes the sets present: alpha (lacking its ROM) and beta (complete).
        QVERIFY(CreateFolder(Path("roms/alpha")));
        WriteText(Path("roms/beta/b.rom"), "abcd");
        OpenWindow();
        Button("scanButton")->click();
        QVERIFY(Button("fastScanButton")->isEnabled());
        // Changes after the scan are not part of the snapshot.
        Box("checksumCheck")->click();
        Edit("selectGamesEdit")->setText("gamma");
        CloseWindow();
        QVERIFY(QFile::exists(QString::fromStdString(Path("program/fastscan.dat"))));
        QCOMPARE(QString::fromStdString(settings_.chosenGames), QStringLiteral("gamma"));

        // The next run, with the same list and other settings.
        LoadList(3);
        settings_.options = ScanOptions{};
        MainDialog& window = OpenWindow();
        QVERIFY(Button("fastScanButton")->isEnabled());
        QCOMPARE(Box("checksumCheck")->checkState(), Qt::Checked);
        const GameSelection& marks = window.session().selection;
        QCOMPARE(int(marks.size()), 3);
        QCOMPARE(marks[0].needsRescan, true);   // alpha had problems
        QCOMPARE(marks[1].needsRescan, false);  // beta had none
        QCOMPARE(marks[2].needsRescan, true);   // gamma was not selected
        Button("fastScanButton")->click();
        QCOMPARE(Edit("selectGamesEdit")->text(), QStringLiteral("*a"));
        QCOMPARE(Box("checksumCheck")->checkState(), Qt::PartiallyChecked);
        QCOMPARE(Box("checksumCheck")->text(), QStringLiteral("Bad Dumps"));
        QVERIFY(settings_.options.AvailChecksum);
        auto* tree = window.findChild<QTreeWidget*>("resultsTree");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Alpha [folder: alpha]"));
        QVERIFY(tree->topLevelItem(0)->child(0)->text(0).startsWith("missing rom: a.rom"));
    }

    void fastScanFileOfAnotherListIsIgnored() {
        OpenWindow();
        Button("scanButton")->click();
        QVERIFY(Button("fastScanButton")->isEnabled());
        CloseWindow();
        const QString file = QString::fromStdString(Path("program/fastscan.dat"));

        LoadList(2);  // a new list with another number of games
        MainDialog& window = OpenWindow();
        QVERIFY(!Button("fastScanButton")->isEnabled());
        QCOMPARE(int(window.session().selection.size()), 2);
        for (const GameMarks& marks : window.session().selection)
            QVERIFY(marks.needsRescan);
        CloseWindow();
        // Closing wrote the file afresh for this list; cut it short.
        QFile cut(file);
        QVERIFY(cut.open(QIODevice::ReadWrite));
        QVERIFY(cut.size() > 10);
        QVERIFY(cut.resize(cut.size() - 1));
        cut.close();
        LoadList(2);
        OpenWindow();
        QVERIFY(!Button("fastScanButton")->isEnabled());
    }

    void browsingAddsTheFolder() {
        settings_.rompaths.clear();
        OpenWindow();
        QCOMPARE(Edit("romPathsEdit")->text(), QString());
        QVERIFY(!Button("unmergeButton")->isEnabled());
        dialogs_.folders = {Path("roms/"), "", Path("samples/")};
        Button("romBrowseButton")->click();
        QCOMPARE(Edit("romPathsEdit")->text(), QString::fromStdString(Path("roms/")));
        QVERIFY(Button("unmergeButton")->isEnabled());
        Button("romBrowseButton")->click();  // cancelled
        QCOMPARE(Edit("romPathsEdit")->text(), QString::fromStdString(Path("roms/")));
        Button("romBrowseButton")->click();
        QCOMPARE(Edit("romPathsEdit")->text(),
                 QString::fromStdString(Path("roms/") + "; " + Path("samples/")));
        QCOMPARE(dialogs_.folderPrompts.first(), QStringLiteral("Choose a new rompath."));
        Button("sampleBrowseButton")->click();
        QCOMPARE(dialogs_.folderPrompts.last(), QStringLiteral("Choose a new samplepath."));
    }

    void rebuildBuildsSetsFromTheChosenFolder() {
        WriteText(Path("source/deep/anything.bin"), "abcd");  // beta's b.rom
        OpenWindow();
        dialogs_.folders = {Path("source/"), Path("roms/")};
        Button("rebuildButton")->click();
        QCOMPARE(dialogs_.folderPrompts.size(), 2);
        QCOMPARE(progress_.captions.back(), std::string("Rebuilding ROMs"));
        QFile rebuilt(QString::fromStdString(Path("roms/beta/b.rom")));
        QVERIFY(rebuilt.open(QIODevice::ReadOnly));
        QCOMPARE(rebuilt.readAll(), QByteArray("abcd"));

        // A refused destination ends the action before anything runs.
        progress_.captions.clear();
        dialogs_.folders = {Path("source/"), Path("source/deep/")};
        Button("rebuildButton")->click();
        QVERIFY(dialogs_.messages.last().startsWith("Path Error !|"));
        QVERIFY(progress_.captions.empty());
    }

    void mergeAsksFirstAndUnmergeRuns() {
        OpenWindow();
        Button("mergeButton")->click();  // "Warning !" answered No
        QVERIFY(dialogs_.messages.last().startsWith("Warning !|"));
        QVERIFY(progress_.captions.empty());

        dialogs_.answers = {MessageResult::No};  // no zip files
        Button("unmergeButton")->click();
        QVERIFY(dialogs_.messages.last().startsWith("Create Zipfiles ?|"));
        QCOMPARE(progress_.captions.back(), std::string("Unmerging Roms"));
    }

    void linesReachTheTreeInOrderWithoutWaitingForTheAction() {
        OpenWindow();
        auto* tree = Find<ResultsTree>("resultsTree");
        tree->AddResultLine("unneeded file: x", false, 11);
        tree->AddResultLine("Alpha [folder: alpha]", false, 5);
        tree->AddResultLine("missing game: Alpha", true, 7);
        tree->AddResultLine("Beta [folder: beta]", false, 6);
        tree->AddResultLine("wrong length: b.rom", true, 3);
        QCOMPARE(tree->LineCount(), 3);
        QCOMPARE(tree->topLevelItemCount(), 0);  // held back, to be handed over in one batch
        // Held-back lines arrive while events are dispatched, as during a scan.
        QTRY_COMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(1)->childCount(), 1);
        QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("wrong length: b.rom"));
        QCOMPARE(ResultsTree::ImageOf(tree->topLevelItem(2)->child(0)), 3);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(2));
        // Only lines with children can be expanded.
        QCOMPARE(tree->topLevelItem(0)->childIndicatorPolicy(),
                 QTreeWidgetItem::DontShowIndicatorWhenChildless);

        // A child after a flush still goes under the last game line.
        tree->AddResultLine("missing rom: b2.rom", true, 1);
        QCOMPARE(tree->topLevelItem(2)->childCount(), 2);
        tree->AddResultLine("Gamma [folder: gamma]", false, 6);
        tree->ClearResults();
        tree->Flush();
        QCOMPARE(tree->LineCount(), 0);
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    void resizingGrowsTheTreeAlone() {
        MainDialog& window = OpenWindow();
        const QSize start = window.size();
        QCOMPARE(window.minimumSize(), start);
        auto* tree = Find<ResultsTree>("resultsTree");
        const QRect treeBefore = tree->geometry();
        std::vector<std::pair<QWidget*, QRect>> before;
        for (QWidget* child :
             tree->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            before.emplace_back(child, child->geometry());

        const QSize more(200, 120);
        window.resize(start + more);
        QCOMPARE(tree->geometry(), treeBefore.adjusted(0, 0, more.width(), more.height()));
        for (const auto& [child, was] : before) {
            if (child == tree)
                continue;
            const QRect now = child->geometry();
            QCOMPARE(now.size(), was.size());
            const QPoint moved = now.topLeft() - was.topLeft();
            const bool below = was.top() > treeBefore.bottom();
            QCOMPARE(moved.y(), below ? more.height() : 0);
            QVERIFY(moved.x() == 0 || (below && moved.x() == more.width()));
            QVERIFY2(!now.intersects(tree->geometry()), qPrintable(child->objectName()));
        }
        // The buttons keep to the right edge, the rom paths to the left.
        const auto placeBefore = [&before](QWidget* widget) {
            return std::find_if(before.begin(), before.end(),
                                [widget](const auto& entry) { return entry.first == widget; })
                ->second;
        };
        QCOMPARE(Button("scanButton")->geometry(),
                 placeBefore(Button("scanButton")).translated(more.width(), more.height()));
        QCOMPARE(Edit("romPathsEdit")->geometry(),
                 placeBefore(Edit("romPathsEdit")).translated(0, more.height()));
        window.resize(start / 2);
        QCOMPARE(window.size(), start);

        // A remembered place is taken back; a position on no screen is not.
        window.RestorePlace(WindowPlace{30, 40, start.width() + 50, start.height() + 20, false});
        QCOMPARE(window.place(), std::optional(WindowPlace{30, 40, start.width() + 50,
                                                           start.height() + 20, false}));
        window.RestorePlace(WindowPlace{-20000, 40, 10, 10, false});
        QCOMPARE(window.size(), start);
        QCOMPARE(window.place()->left, 30);
    }

    void minimisingTheProgressWindowKeepsTheProgramRunning() {
        ProgressDialog progress;
        window_ =
            std::make_unique<MainDialog>(settings_, database_, dialogs_, progress, zipLibrary_);
        progress.SetOwner(window_.get());
        MainDialog& window = *window_;
        QStringList seen;
        window.onOpened = [&] {
            QVERIFY(progress.OpenProgress("Scanning Games"));
            progress.showMinimized();
            seen << (window.isVisible() ? "shown" : "hidden");
            // The window's loop goes on while it is hidden.
            QTimer::singleShot(0, &window, [&] {
                progress.showNormal();
                seen << (window.isVisible() ? "shown" : "hidden");
                progress.CloseProgress();
                Edit("selectGamesEdit")->setText("still typed");
                window.close();
            });
        };
        window.Run();
        QCOMPARE(seen, (QStringList{"hidden", "shown"}));
        QCOMPARE(settings_.chosenGames, std::string("still typed"));
        QVERIFY(QFile::exists(QString::fromStdString(Path("program/fastscan.dat"))));
    }

    void closingIsRefusedWhileAnActionRuns() {
        MainDialog& window = OpenWindow();
        bool closedDuringScan = false;
        dialogs_.onMessage = [&] { closedDuringScan = closedDuringScan || window.close(); };
        Button("scanButton")->click();  // its statistics box tries to close the window
        dialogs_.onMessage = nullptr;
        QVERIFY(dialogs_.messages.last().startsWith("Scanning Results|"));
        QVERIFY(!closedDuringScan);
        QVERIFY(window.isVisible());
        QVERIFY(!QFile::exists(QString::fromStdString(Path("program/fastscan.dat"))));
        QVERIFY(window.close());
        QVERIFY(QFile::exists(QString::fromStdString(Path("program/fastscan.dat"))));
    }

    void pathsThatAreNotUtf8KeepEveryByte() {
        const std::string folder = Path("r\xe9ms");
        QVERIFY(CreateFolder(folder));
        settings_.rompaths = folder;
        settings_.chosenGames = "p\xe9*";
        OpenWindow();
        CloseWindow();
        QCOMPARE(settings_.rompaths, folder + "/");
        QCOMPARE(settings_.chosenGames, std::string("p\xe9*"));
    }

    void mergeNamesTheFamiliesItLeftAlone() {
        WriteText(Path("list.dat"), GameBlock("parent", "Parent", "p.rom", "12345678") +
                                        "game (\n\tname clone\n\tdescription \"Clone\"\n"
                                        "\tcloneof parent\n\trom ( name c.rom size 4 crc "
                                        "ed82cd11 )\n)\n");
        database_ = GameDatabase{};
        NullProgress quiet;
        QVERIFY(LoadListFile(database_, Path("list.dat"), quiet, dialogs_, false));
        WriteText(Path("roms/clone.zip"), "not an archive");
        OpenWindow();
        dialogs_.answers = {MessageResult::Yes, MessageResult::No};  // merge, without zips
        Button("mergeButton")->click();
        QCOMPARE(dialogs_.messages.last(),
                 QStringLiteral("Vextral|These families were left as they were:\n\nparent"));
    }

    void menuFlipsProgramFlagsAndShowsAbout() {
        settings_.PathWarning = true;
        settings_.UseMameExe = false;
        MainDialog& window = OpenWindow();
        auto* pathWarning = window.findChild<QAction*>("pathWarningAction");
        auto* useMame = window.findChild<QAction*>("useMameExeAction");
        QVERIFY(pathWarning && useMame);
        auto* menu = window.findChild<QMenu*>("programMenu");
        QVERIFY(menu != nullptr);
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts, (QStringList{"As&k For MAME.EXE", "&Pathwarnings",
                                     "Always use MAME.E&XE's -listinfo output",
                                     "&Display -listinfo warnings", "-", "&Undo Last Run...", "-",
                                     "&About Vextral For Windows..."}));
        QVERIFY(pathWarning->isChecked());
        QVERIFY(!useMame->isChecked());
        // Escape in a path field does not close the program.
        Edit("romPathsEdit")->setFocus();
        QTest::keyClick(Edit("romPathsEdit"), Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(!QFile::exists(QString::fromStdString(Path("program/fastscan.dat"))));
        pathWarning->trigger();
        useMame->trigger();
        QVERIFY(!settings_.PathWarning);
        QVERIFY(settings_.UseMameExe);
        QVERIFY(!pathWarning->isChecked());

        QString title;
        QString text;
        QTimer::singleShot(0, &window, [&] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            title = about->windowTitle();
            text = about->findChild<QLabel*>("aboutText")->text();
            about->findChild<QPushButton*>("aboutOkButton")->click();
        });
        window.findChild<QAction*>("aboutAction")->trigger();
        QCOMPARE(title, QStringLiteral("About Vextral For Windows"));
        QVERIFY(text.contains("V1.40"));
    }

    void undoLastRunNamesTheRunAndTakesItBackOnceConfirmed() {
        WriteText(Path("found.rom"), "data");
        std::string name;
        {
            JournalRun header;
            header.command = "vextral rebuild";
            header.kind = "rebuild";
            JournalWriter journal(Path("program/journal/"), std::move(header));
            QVERIFY(
                journal.CopyFile(Path("found.rom"), Path("roms/new.rom"), CopyMode::KeepExisting));
            name = journal.Name();
        }
        MainDialog& window = OpenWindow();
        auto* undo = window.findChild<QAction*>("undoLastRunAction");
        QVERIFY(undo != nullptr);
        const QString question = QString::fromStdString(
            "Vextral|Undo the run " + name + " (rebuild, vextral rebuild) and its 1 changes ?");
        undo->trigger();  // answered No
        QCOMPARE(dialogs_.messages.last(), question);
        QVERIFY(PathExists(Path("roms/new.rom")));

        dialogs_.answers = {MessageResult::Yes};
        undo->trigger();
        QVERIFY(dialogs_.messages.last().startsWith(
            QString::fromStdString("Vextral|Undid run " + name +
                                   " (rebuild, vextral rebuild): "
                                   "1 of 1 changes taken back.")));
        QVERIFY(!PathExists(Path("roms/new.rom")));
        undo->trigger();
        QCOMPARE(dialogs_.messages.last(), QStringLiteral("Vextral|There is no run to undo."));
    }
};

}  // namespace vextral

QTEST_MAIN(vextral::MainDialogTest)
#include "MainDialogTest.moc"
