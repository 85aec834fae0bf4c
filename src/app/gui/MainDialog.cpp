#include "app/gui/MainDialog.h"

#include <QAction>
#include <QEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/core/ByteText.h"
#include "app/core/JournalUndoRun.h"
#include "app/core/Startup.h"
#include "app/gui/ResultsTree.h"
#include "fixer/JournalFolder.h"
#include "platform/FileSystem.h"
#include "rebuild/MergeDialogue.h"
#include "rebuild/Merger.h"
#include "rebuild/RebuildDialogue.h"
#include "rebuild/Rebuilder.h"

namespace vextral {

namespace {

constexpr int kWidthDu = 320;
constexpr int kHeightDu = 250;
// The results tree ends at this height; the controls below it follow the window's bottom edge,
// and those from this column on (the buttons and the right-hand fields) its right edge too.
constexpr int kBelowTreeDu = 150;
constexpr int kRightColumnDu = 170;
// Beyond this many, the left-alone families (or unwritten sets) are counted, not named.
constexpr std::size_t kNamedFamilies = 20;

// Runs an action with the window marked busy, so that focus changes caused by the windows the
// action opens do not re-split the fields under it.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy), wasBusy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = wasBusy_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    bool Nested() const { return wasBusy_; }

  private:
    bool& busy_;
    bool wasBusy_;
};

}  // namespace

TriStateBox::TriStateBox(QWidget* parent) : QCheckBox(parent) {
    setTristate(true);
}

void TriStateBox::nextCheckState() {
    switch (checkState()) {
        case Qt::Unchecked:
            setCheckState(Qt::Checked);
            break;
        case Qt::Checked:
            setCheckState(Qt::PartiallyChecked);
            break;
        case Qt::PartiallyChecked:
            setCheckState(Qt::Unchecked);
            break;
    }
}

MainDialog::MainDialog(AppSettings& settings, GameDatabase& database, Dialogs& dialogs,
                       Progress& progress, ZipLibrary& zipLibrary, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      database_(database),
      dialogs_(dialogs),
      tree_(new ResultsTree(this)),
      session_(settings, database, dialogs, progress, *tree_, zipLibrary) {
    setObjectName("mainDialog");
    setWindowTitle(QString::fromLatin1(kMainWindowCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("controlsArea");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    content_ = new QWidget;
    content_->setObjectName("controls");
    scroll_->setWidget(content_);
    tree_->setParent(content_);

    BuildMenu();
    BuildControls();
    ArrangeControls();

    tree_->onRefresh = [this] { UpdateButtonStates(); };
    session_.scanner().SetListsReadyHook([this] { UpdateButtonStates(); });
}

MainDialog::~MainDialog() {
    // Nothing may call back into a window that is going away.
    closed_ = true;
    session_.scanner().SetListsReadyHook(nullptr);
    tree_->onRefresh = nullptr;
}

QRect MainDialog::Du(int x, int y, int width, int height) const {
    const auto px = [](double units, double scale) {
        return static_cast<int>(std::lround(units * scale));
    };
    return QRect(px(x, unitX_), px(y, unitY_), px(width, unitX_), px(height, unitY_));
}

void MainDialog::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("menuBar");
    // Named after the program, as the window menu it stands for; "&Options" would take the
    // accelerator of "Merge Supp&ort".
    QMenu* menu = menuBar_->addMenu(QStringLiteral("&Vextral"));
    menu->setObjectName("programMenu");
    struct Item {
        const char* name;
        const char* text;
        bool AppSettings::*flag;
    };
    const Item items[] = {
        {"askForMameAction", "As&k For MAME.EXE", &AppSettings::AskForMameExe},
        {"pathWarningAction", "&Pathwarnings", &AppSettings::PathWarning},
        {"useMameExeAction", "Always use MAME.E&XE's -listinfo output", &AppSettings::UseMameExe},
        {"listInfoWarningsAction", "&Display -listinfo warnings", &AppSettings::ListInfoWarnings},
    };
    for (const Item& item : items) {
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setCheckable(true);
        action->setChecked(settings_.*item.flag);
        const auto flag = item.flag;
        connect(action, &QAction::triggered, this, [this, flag](bool checked) {
            settings_.*flag = checked;
            UpdateButtonStates();
        });
    }
    menu->addSeparator();
    QAction* undo = menu->addAction(QStringLiteral("&Undo Last Run..."));
    undo->setObjectName("undoLastRunAction");
    connect(undo, &QAction::triggered, this, &MainDialog::OnUndoLastRun);
    menu->addSeparator();
    QAction* about = menu->addAction(QStringLiteral("&About Vextral For Windows..."));
    about->setObjectName("aboutAction");
    connect(about, &QAction::triggered, this, &MainDialog::ShowAbout);
    top_ = menuBar_->sizeHint().height();
}

void MainDialog::Place(QWidget* widget, QRect dialogUnits) {
    Anchor anchor = Anchor::Stay;
    if (widget == tree_)
        anchor = Anchor::Grow;
    else if (dialogUnits.y() >= kBelowTreeDu)
        anchor = dialogUnits.x() >= kRightColumnDu ? Anchor::DownRight : Anchor::Down;
    places_.push_back({widget, dialogUnits, anchor, QRect()});
}

void MainDialog::ArrangeControls() {
    // The places are given in dialog units; one unit becomes as many pixels as the widest
    // caption of this toolkit's font needs, so that no caption is cut.
    unitX_ = 1.5;
    unitY_ = 1.5;
    const auto fit = [this](QWidget* widget, QRect place) {
        const QSize hint = widget->sizeHint();
        int width = 0;
        if (qobject_cast<QCheckBox*>(widget) != nullptr || qobject_cast<QLabel*>(widget) != nullptr)
            width = hint.width();
        // A push button's own hint holds a style minimum far wider than "<" needs.
        if (auto* button = qobject_cast<QPushButton*>(widget))
            width = button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 12;
        unitX_ = std::max(unitX_, width / static_cast<double>(place.width()));
        if (qobject_cast<QGroupBox*>(widget) == nullptr && widget != tree_)
            unitY_ = std::max(unitY_, hint.height() / static_cast<double>(place.height()));
    };
    for (const PlacedControl& control : places_) {
        QWidget* widget = control.widget;
        fit(widget, control.dialogUnits);
        for (const TriPair& pair : triState_) {
            if (pair.box != widget)
                continue;
            const QString text = pair.box->text();
            for (const char* label : {pair.offLabel, pair.checkedLabel, pair.greyedLabel}) {
                pair.box->setText(QString::fromLatin1(label));
                fit(widget, control.dialogUnits);
            }
            pair.box->setText(text);
        }
    }
    for (PlacedControl& control : places_) {
        const QRect units = control.dialogUnits;
        control.pixels = Du(units.x(), units.y(), units.width(), units.height());
    }
    baseSize_ = Du(0, 0, kWidthDu, kHeightDu).size();
    QSize minimum = baseSize_ + QSize(0, top_);
    // On a short screen (or a large scale factor) the window may be smaller; the controls
    // then scroll.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        minimum = minimum.boundedTo(screen->availableGeometry().size());
    setMinimumSize(minimum);
    resize(minimum);
    FollowSize();
}

void MainDialog::FollowSize() {
    scroll_->setGeometry(0, top_, width(), std::max(0, height() - top_));
    content_->resize(scroll_->maximumViewportSize().expandedTo(baseSize_));
    const int dx = content_->width() - baseSize_.width();
    const int dy = content_->height() - baseSize_.height();
    for (const PlacedControl& control : places_) {
        QRect rect = control.pixels;
        switch (control.anchor) {
            case Anchor::Stay:
                break;
            case Anchor::Down:
                rect.translate(0, dy);
                break;
            case Anchor::DownRight:
                rect.translate(dx, dy);
                break;
            case Anchor::Grow:
                rect.adjust(0, 0, dx, dy);
                break;
        }
        control.widget->setGeometry(rect);
    }
    menuBar_->setGeometry(0, 0, width(), top_);
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FollowSize();
}

void MainDialog::showEvent(QShowEvent* event) {
    shown_ = true;
    QDialog::showEvent(event);
}

void MainDialog::RestorePlace(const std::optional<WindowPlace>& place) {
    if (!place)
        return;
    const QRect rect(place->left, place->top, place->width, place->height);
    // A place on a screen that is no longer there would open the window out of reach, and a
    // size from a larger screen (or a smaller scale) would not fit this one.
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    const QScreen* sizing = screen != nullptr ? screen : QGuiApplication::primaryScreen();
    QSize size = rect.size().expandedTo(minimumSize());
    if (sizing != nullptr)
        size = size.boundedTo(sizing->availableGeometry().size());
    if (screen != nullptr)
        setGeometry(QRect(rect.topLeft(), size));
    else
        resize(size);
    if (place->maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

std::optional<WindowPlace> MainDialog::place() const {
    if (!shown_)
        return std::nullopt;
    const QRect rect = isMaximized() ? normalGeometry() : geometry();
    return WindowPlace{rect.x(), rect.y(), rect.width(), rect.height(), isMaximized()};
}

QCheckBox* MainDialog::AddCheck(const char* name, const char* caption, int x, int y, int w,
                                const char* tip) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), content_);
    box->setObjectName(QString::fromLatin1(name));
    Place(box, QRect(x, y, w, 10));
    if (tip != nullptr)
        box->setToolTip(QString::fromLatin1(tip));
    return box;
}

TriStateBox* MainDialog::AddTri(const char* name, const char* caption, int x, int y, int w,
                                const char* tip) {
    auto* box = new TriStateBox(content_);
    box->setText(QString::fromLatin1(caption));
    box->setObjectName(QString::fromLatin1(name));
    Place(box, QRect(x, y, w, 10));
    box->setToolTip(QString::fromLatin1(tip));
    return box;
}

QPushButton* MainDialog::AddButton(const char* name, const char* caption, int x, int y, int w,
                                   int h, const char* tip) {
    auto* button = new QPushButton(QString::fromLatin1(caption), content_);
    button->setObjectName(QString::fromLatin1(name));
    Place(button, QRect(x, y, w, h));
    button->setToolTip(QString::fromLatin1(tip));
    return button;
}

QLineEdit* MainDialog::AddEdit(const char* name, int x, int y, const char* tip) {
    auto* edit = new QLineEdit(content_);
    edit->setObjectName(QString::fromLatin1(name));
    Place(edit, QRect(x, y, 90, 12));
    edit->setToolTip(QString::fromLatin1(tip));
    edit->installEventFilter(this);
    return edit;
}

void MainDialog::BuildControls() {
    const auto group = [this](const char* objectName, const char* caption, QRect place) {
        auto* box = new QGroupBox(QString::fromLatin1(caption), content_);
        box->setObjectName(QString::fromLatin1(objectName));
        Place(box, place);
        box->lower();
        return box;
    };
    group("fileGroup", "File Settings", QRect(10, 6, 75, 52));
    group("checkGroup", "Check                Fix", QRect(10, 62, 75, 88));
    group("miscGroup", "Misc. Settings", QRect(10, 155, 185, 53));

    QCheckBox* games = AddCheck("gamesCheck", "&Games", 20, 19, 35,
                                "Check this box if you want to scan game-folders.");
    QCheckBox* roms =
        AddCheck("romsCheck", "&ROMs", 20, 31, 35, "Check this box if you want to scan game-roms.");
    QCheckBox* samples = AddCheck("samplesCheck", "Sampl&es", 20, 43, 40,
                                  "Check this box if you want to scan game-samples.");

    TriStateBox* missing =
        AddTri("missingCheck", "M&issing", 20, 75, 60,
               "Check box if you want to scan for missing files. Grey it if for advanced mode.");
    QCheckBox* name = AddCheck("nameCheck", "Na&me", 20, 87, 35,
                               "Check this box if you want to check the rom-names.");
    QCheckBox* nameFix = AddCheck("nameFixCheck", "", 70, 87, 10,
                                  "Check this box if you want to rename wrong named roms.");
    QCheckBox* length = AddCheck("lengthCheck", "&Length", 20, 99, 35,
                                 "Check this box if you want to scan for files with wrong length.");
    QCheckBox* lengthFix = AddCheck("lengthFixCheck", "", 70, 99, 10,
                                    "Check this box if you want to resize wrong sized files.");
    TriStateBox* unneeded =
        AddTri("unneededCheck", "&Unneeded", 20, 111, 49,
               "Checked: scan for unneeded files/folders. Greyed: advanced unneeded scan.");
    unneededFix_ = AddCheck("unneededFixCheck", "", 70, 111, 10,
                            "Check this box if you want to remove unneeded files.");
    QCheckBox* spelling = AddCheck("caseCheck", "&Case", 20, 123, 30,
                                   "Check this box if you want to scan for wrong spelled files.");
    QCheckBox* spellingFix = AddCheck("caseFixCheck", "", 70, 123, 10,
                                      "Check this box if you want to rename wrong spelled files.");
    TriStateBox* checksum =
        AddTri("checksumCheck", "Chec&ksum", 20, 135, 60,
               "Checked : scan for wrong checksums. Greyed : scan for bad dumps.");

    QCheckBox* backup =
        AddCheck("backupCheck", "Backu&p", 20, 167, 41,
                 "Checked : Vextral creates copies before it deletes unneeded files.");
    QCheckBox* ask = AddCheck("askCheck", "Ask Before Fi&xing", 20, 179, 70,
                              "Check this box if you want to be asked before any fixing action.");
    QCheckBox* batchrun =
        AddCheck("batchrunCheck", "Batc&hrun", 20, 191, 45, "Check this button to run batchfiles.");
    TriStateBox* merge =
        AddTri("mergeCheck", "Merge Supp&ort", 95, 167, 90,
               "Checked : enable split-merge-support. Greyed : enabe full-merge-support");
    QCheckBox* altSamples =
        AddCheck("altSamplesCheck", "Al&t Samplefolder Support", 95, 179, 93,
                 "Check this box if you want support for alternative samplefolders.");
    TriStateBox* neoGeo = AddTri("neoGeoCheck", "&NeoGeo Support", 95, 191, 90,
                                 "Checked : include neogeo games. Greyed : only neogeo games");

    scanButton_ =
        AddButton("scanButton", "&Scan", 202, 157, 50, 12, "Press this button to start scanning.");
    scanButton_->setDefault(true);
    fastScanButton_ =
        AddButton("fastScanButton", "&Fast Scan", 202, 170, 50, 12,
                  "Press this button to do a 'fast scan'. Previous settings are restored.");
    saveLogButton_ = AddButton("saveLogButton", "S&ave Logfile", 202, 183, 50, 12,
                               "Press this button to create a log-file.");
    saveFixdatButton_ =
        AddButton("saveFixdatButton", "Save Fix&dat", 202, 196, 50, 12,
                  "Press this button to save the missing ROMs and samples as a datfile.");
    rebuildButton_ = AddButton("rebuildButton", "Re&build", 260, 157, 50, 12,
                               "Press this button if you want to rebuild ROM files.");
    mergeButton_ =
        AddButton("mergeButton", "Merge", 260, 170, 50, 12, "Press this button to merge romsets.");
    unmergeButton_ = AddButton("unmergeButton", "Unmerge", 260, 183, 50, 12,
                               "Press this button to unmerge romsets.");

    const auto label = [this](const char* objectName, const char* text, QRect place) {
        auto* item = new QLabel(QString::fromLatin1(text), content_);
        item->setObjectName(QString::fromLatin1(objectName));
        Place(item, place);
    };
    label("romPathsLabel", "Rom Paths:", QRect(18, 214, 37, 10));
    romEdit_ = AddEdit("romPathsEdit", 60, 212, "Rompaths; seperated by ';'");
    QPushButton* romBrowse = AddButton("romBrowseButton", "<", 151, 212, 15, 12,
                                       "Click this button to browse for rompaths.");
    label("samplePathsLabel", "Sample Paths:", QRect(10, 230, 45, 10));
    sampleEdit_ = AddEdit("samplePathsEdit", 60, 228, "Samplepaths; seperated by ';'");
    QPushButton* sampleBrowse = AddButton("sampleBrowseButton", "<", 151, 228, 15, 12,
                                          "Click this button to browse for samplepaths.");
    label("miscPathsLabel", "Misc Paths:", QRect(179, 214, 37, 10));
    miscEdit_ = AddEdit("miscPathsEdit", 220, 212, "Miscpaths; seperated by ';'");
    label("selectGamesLabel", "Select Games:", QRect(170, 230, 46, 10));
    selectEdit_ = AddEdit("selectGamesEdit", 220, 228,
                          "Games you want to check (wildcards are allowed); seperated by ';'");

    Place(tree_, QRect(90, 10, 220, 140));

    twoState_ = {
        {games, &ScanOptions::Games},         {roms, &ScanOptions::Roms},
        {samples, &ScanOptions::Samples},     {name, &ScanOptions::RightName},
        {nameFix, &ScanOptions::FixName},     {length, &ScanOptions::Length},
        {lengthFix, &ScanOptions::FixLength}, {unneededFix_, &ScanOptions::FixUnneeded},
        {spelling, &ScanOptions::Spelling},   {spellingFix, &ScanOptions::FixSpelling},
        {backup, &ScanOptions::Backup},       {ask, &ScanOptions::Ask},
        {batchrun, &ScanOptions::Batchrun},   {altSamples, &ScanOptions::AltSamples},
    };
    triState_ = {
        // "Na&me" has the M: an accelerator must name one box.
        {missing, &ScanOptions::Missing, &ScanOptions::MissingAdvanced, "M&issing", "M&issing",
         "Adv. M&issing"},
        {unneeded, &ScanOptions::Unneeded, &ScanOptions::UnneededAdvanced, "&Unneeded", "&Unneeded",
         "Adv. &Un."},
        {checksum, &ScanOptions::Checksum, &ScanOptions::AvailChecksum, "Chec&ksum", "Chec&ksum",
         "Bad Dumps"},
        {neoGeo, &ScanOptions::NeoGeo, &ScanOptions::NeoGeoExclusive, "&NeoGeo Support",
         "&NeoGeo Support", "Exclusive &NeoG Support"},
        {merge, &ScanOptions::MergeSplit, &ScanOptions::MergeFull, "Merge Supp&ort",
         "Split-Merge Supp&ort", "Full-Merge Supp&ort"},
    };
    fixPairs_ = {
        {name, nameFix, &ScanOptions::RightName, &ScanOptions::FixName},
        {length, lengthFix, &ScanOptions::Length, &ScanOptions::FixLength},
        {spelling, spellingFix, &ScanOptions::Spelling, &ScanOptions::FixSpelling},
    };

    for (const auto& [box, flag] : twoState_) {
        QCheckBox* target = box;
        const auto member = flag;
        connect(target, &QCheckBox::clicked, this,
                [this, target, member] { OnTwoStateClicked(target, member); });
    }
    for (std::size_t i = 0; i < triState_.size(); ++i) {
        connect(triState_[i].box, &QCheckBox::clicked, this,
                [this, i] { OnTriStateClicked(triState_[i]); });
    }
    connect(scanButton_, &QPushButton::clicked, this, &MainDialog::OnScan);
    connect(fastScanButton_, &QPushButton::clicked, this, &MainDialog::OnFastScan);
    connect(saveLogButton_, &QPushButton::clicked, this, &MainDialog::OnSaveLogfile);
    connect(saveFixdatButton_, &QPushButton::clicked, this, &MainDialog::OnSaveFixdat);
    connect(rebuildButton_, &QPushButton::clicked, this, &MainDialog::OnRebuild);
    connect(mergeButton_, &QPushButton::clicked, this, &MainDialog::OnMerge);
    connect(unmergeButton_, &QPushButton::clicked, this, &MainDialog::OnUnmerge);
    connect(romBrowse, &QPushButton::clicked, this,
            [this] { OnBrowse(romEdit_, "Choose a new rompath."); });
    connect(sampleBrowse, &QPushButton::clicked, this,
            [this] { OnBrowse(sampleEdit_, "Choose a new samplepath."); });
}

void MainDialog::Open() {
    tree_->ClearResults();
    ApplyOptionsToControls();
    session_.Open();
    FieldsToEdits();
    UpdateButtonStates();
}

int MainDialog::Run() {
    Open();
    // Closed while an opening message was up: showing it again would wait for ever.
    if (closed_)
        return 0;
    OfferToUndoKilledRuns();
    if (onOpened)
        QTimer::singleShot(0, this, [this] {
            if (onOpened)
                onOpened();
        });
    // Not exec(): a dialog's own loop ends when the dialog is hidden, which minimising the
    // progress window does; this one ends only when the window is closed.
    QEventLoop loop;
    loop_ = &loop;
    show();
    loop.exec();
    loop_ = nullptr;
    return 0;
}

void MainDialog::done(int result) {
    // The close box and the window manager's close reach here too: while an action runs the
    // window stays, or fastscan.dat would be written under a running scan.
    if (busy_)
        return;
    if (!closed_) {
        closed_ = true;
        EditsToFields();
        session_.Close();
    }
    QDialog::done(result);
    if (loop_ != nullptr)
        loop_->quit();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !closed_ && !busy_ &&
        (watched == romEdit_ || watched == sampleEdit_ || watched == miscEdit_ ||
         watched == selectEdit_)) {
        PathFieldsChanged();
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainDialog::EditsToFields() {
    session_.fields.rom = BytesFromText(romEdit_->text());
    session_.fields.sample = BytesFromText(sampleEdit_->text());
    session_.fields.misc = BytesFromText(miscEdit_->text());
    session_.fields.select = BytesFromText(selectEdit_->text());
}

void MainDialog::FieldsToEdits() {
    romEdit_->setText(TextFromBytes(session_.fields.rom));
    sampleEdit_->setText(TextFromBytes(session_.fields.sample));
    miscEdit_->setText(TextFromBytes(session_.fields.misc));
    selectEdit_->setText(TextFromBytes(session_.fields.select));
}

void MainDialog::SetFixBox(QCheckBox* fix, bool ScanOptions::*fixFlag, bool enabled) {
    fix->setEnabled(enabled);
    if (!enabled) {
        fix->setChecked(false);
        settings_.options.*fixFlag = false;
    }
}

void MainDialog::RelabelTri(const TriPair& pair) {
    const char* text = pair.offLabel;
    if (pair.box->checkState() == Qt::Checked)
        text = pair.checkedLabel;
    else if (pair.box->checkState() == Qt::PartiallyChecked)
        text = pair.greyedLabel;
    pair.box->setText(QString::fromLatin1(text));
}

void MainDialog::ApplyOptionsToControls() {
    const ScanOptions& o = settings_.options;
    for (const auto& [box, flag] : twoState_)
        box->setChecked(o.*flag);
    for (const TriPair& pair : triState_) {
        // The greyed flag wins over the checked one.
        Qt::CheckState state = Qt::Unchecked;
        if (o.*pair.second)
            state = Qt::PartiallyChecked;
        else if (o.*pair.first)
            state = Qt::Checked;
        pair.box->setCheckState(state);
        RelabelTri(pair);
    }
    for (const FixPair& pair : fixPairs_)
        SetFixBox(pair.fix, pair.fixFlag, settings_.options.*pair.flag);
    SetFixBox(unneededFix_, &ScanOptions::FixUnneeded,
              settings_.options.Unneeded || settings_.options.UnneededAdvanced);
}

void MainDialog::UpdateButtonStates() {
    if (closed_)
        return;
    const ButtonStates states = session_.ComputeButtonStates();
    scanButton_->setEnabled(states.scan);
    fastScanButton_->setEnabled(states.fastScan);
    saveLogButton_->setEnabled(tree_->LineCount() > 0);
    saveFixdatButton_->setEnabled(states.saveFixdat);
    rebuildButton_->setEnabled(states.rebuild);
    mergeButton_->setEnabled(states.merge);
    unmergeButton_->setEnabled(states.unmerge);
}

void MainDialog::TakeFastScanSnapshot() {
    EditsToFields();
    session_.snapshot.fields = session_.fields;
    session_.snapshot.options = settings_.options;
}

void MainDialog::ReadPathFields() {
    EditsToFields();
    session_.ReadPathFields();
}

void MainDialog::PathFieldsChanged() {
    EditsToFields();
    session_.PathFieldsChanged();
    FieldsToEdits();
    UpdateButtonStates();
}

void MainDialog::Finish() {
    tree_->Flush();
    UpdateButtonStates();
}

void MainDialog::OnTwoStateClicked(QCheckBox* box, bool ScanOptions::*flag) {
    settings_.options.*flag = box->isChecked();
    for (const FixPair& pair : fixPairs_) {
        if (pair.check == box)
            SetFixBox(pair.fix, pair.fixFlag, box->isChecked());
    }
    Finish();
}

void MainDialog::OnTriStateClicked(const TriPair& pair) {
    const Qt::CheckState state = pair.box->checkState();
    settings_.options.*pair.first = state == Qt::Checked;
    settings_.options.*pair.second = state == Qt::PartiallyChecked;
    RelabelTri(pair);
    if (pair.first == &ScanOptions::Unneeded) {
        SetFixBox(unneededFix_, &ScanOptions::FixUnneeded,
                  settings_.options.Unneeded || settings_.options.UnneededAdvanced);
    }
    Finish();
}

void MainDialog::OnBrowse(QLineEdit* edit, const char* prompt) {
    BusyScope busy(busy_);
    const std::string folder = dialogs_.BrowseForFolder(prompt);
    if (!folder.empty()) {
        QString text = edit->text();
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += TextFromBytes(folder);
        edit->setText(text);
        PathFieldsChanged();
        (void)session_.PrepareScan();
    }
    Finish();
}

template <typename Work>
void MainDialog::RunAction(Work work) {
    BusyScope busy(busy_);
    if (busy.Nested())
        return;
    work();
    Finish();
}

template <typename Work>
void MainDialog::RunAfterPrepareScan(Work work) {
    RunAction([&] {
        EditsToFields();
        if (session_.PrepareScan())
            work();
    });
}

void MainDialog::OnScan() {
    RunAction([this] {
        EditsToFields();
        (void)session_.Scan();
    });
}

void MainDialog::OnFastScan() {
    RunAction([this] {
        // The last full scan's texts, options and labels come back before anything runs.
        session_.fields = session_.snapshot.fields;
        settings_.options = session_.snapshot.options;
        FieldsToEdits();
        ApplyOptionsToControls();
        session_.snapshot.options = settings_.options;
        (void)session_.FastScan();
    });
}

void MainDialog::OnSaveLogfile() {
    RunAction([this] { session_.scanner().SaveLogFile(); });
}

void MainDialog::OnSaveFixdat() {
    RunAction([this] { session_.scanner().SaveFixdat(); });
}

void MainDialog::OnRebuild() {
    RunAfterPrepareScan([this] {
        Rebuilder rebuilder = session_.NewRebuilder();
        rebuilder.BuildIndex();
        const auto request = AskRebuildQuestions(dialogs_);
        if (!request)
            return;
        if (const auto locks =
                session_.LockForRebuild(request->sourceFolder, request->destinationFolder)) {
            const ScanSession::JournalScope journal(session_, "rebuild");
            rebuilder.SetJournal(session_.journal());
            (void)rebuilder.Rebuild(request->sourceFolder, request->destinationFolder,
                                    request->options);
            ReportList("These sets could not be written completely:\n", rebuilder.FailedSets());
        }
    });
}

void MainDialog::OnMerge() {
    RunAfterPrepareScan([this] {
        const auto options = AskMergeQuestions(dialogs_);
        if (const auto locks = options ? session_.LockForMerge() : std::nullopt) {
            const ScanSession::JournalScope journal(session_, "merge");
            Merger merger = session_.NewMerger();
            (void)merger.Merge(*options);
            ReportLeftAlone(merger);
        }
    });
}

void MainDialog::OnUnmerge() {
    RunAfterPrepareScan([this] {
        const auto options = AskUnmergeQuestions(dialogs_);
        if (const auto locks = options ? session_.LockForMerge() : std::nullopt) {
            const ScanSession::JournalScope journal(session_, "unmerge");
            Merger merger = session_.NewMerger();
            (void)merger.Unmerge(*options);
            ReportLeftAlone(merger);
        }
    });
}

void MainDialog::ReportLeftAlone(const Merger& merger) {
    std::string text =
        ListText("These families were left as they were:\n", merger.SkippedParents());
    if (merger.KeptWithoutBackup() > 0) {
        text += (text.empty() ? "" : "\n\n") +
                KeptWithoutBackupNote(merger.KeptWithoutBackup(),
                                      session_.scanner().config.programFolder);
    }
    if (!text.empty())
        dialogs_.ShowMessage(text, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

void MainDialog::ReportList(const std::string& header, const std::vector<std::string>& items) {
    const std::string text = ListText(header, items);
    if (!text.empty())
        dialogs_.ShowMessage(text, kProgramCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

std::string MainDialog::ListText(const std::string& header, const std::vector<std::string>& items) {
    if (items.empty())
        return {};
    std::string text = header;
    for (std::size_t i = 0; i < items.size() && i < kNamedFamilies; ++i)
        text += "\n" + items[i];
    if (items.size() > kNamedFamilies)
        text += "\n... and " + std::to_string(items.size() - kNamedFamilies) + " more";
    return text;
}

void MainDialog::OnUndoLastRun() {
    RunAction([this] {
        const auto run = JournalFolder(settings_.programFolder).LastUndoable();
        if (!run) {
            dialogs_.ShowMessage("There is no run to undo.", kProgramCaption,
                                 MessageIcon::Information, MessageButtons::Ok);
            return;
        }
        const std::string question = "Undo the run " + RunTitle(*run) + " and its " +
                                     std::to_string(run->DoneCount()) + " changes ?";
        if (dialogs_.ShowMessage(question, kProgramCaption, MessageIcon::Question,
                                 MessageButtons::YesNo) == MessageResult::Yes)
            Undo(run->name);
    });
}

void MainDialog::OfferToUndoKilledRuns() {
    for (const JournalRun& run : JournalFolder(settings_.programFolder).KilledRuns()) {
        const std::string question =
            KilledRunText(run) + "\n\nDo you want to undo what it changed ?";
        if (dialogs_.ShowMessage(question, kProgramCaption, MessageIcon::Question,
                                 MessageButtons::YesNo) == MessageResult::Yes)
            Undo(run.name);
    }
}

void MainDialog::Undo(const std::string& runName) {
    const UndoReport report = UndoJournalRun(settings_.programFolder, runName, "window");
    dialogs_.ShowMessage(
        report.text, kProgramCaption,
        report.status == UndoStatus::Clean ? MessageIcon::Information : MessageIcon::Exclamation,
        MessageButtons::Ok);
}

void MainDialog::ShowAbout() {
    QDialog about(this);
    about.setObjectName("aboutDialog");
    about.setWindowTitle(QString::fromLatin1(kAboutCaption));
    auto* text = new QLabel(QStringLiteral("Vextral For Windows V1.40\n\n"
                                           "A ROM-set manager for the MAME arcade emulator:\n"
                                           "checks, fixes, rebuilds and merges ROM sets."),
                            &about);
    text->setObjectName("aboutText");
    text->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), &about);
    ok->setObjectName("aboutOkButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
    auto* layout = new QVBoxLayout(&about);
    layout->addWidget(text);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    about.setFixedSize(about.sizeHint());
    about.exec();
    Finish();
}

}  // namespace vextral
