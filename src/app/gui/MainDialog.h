#pragma once
// The program's main window: option boxes, results tree, path fields and action buttons
// over one ScanSession.

#include <QCheckBox>
#include <QDialog>
#include <QString>
#include <functional>

#include "app/core/ScanSession.h"
#include "app/core/SettingsIo.h"
#include "archive/ZipLibrary.h"
#include "database/GameDatabase.h"
#include "ui/AppSettings.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

class QAction;
class QEventLoop;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollArea;

namespace vextral {

class Merger;
class ResultsTree;

inline constexpr const char* kMainWindowCaption = "Vextral For Windows V1.40";
inline constexpr const char* kAboutCaption = "About Vextral For Windows";

// A box that cycles unchecked -> checked -> greyed -> unchecked on each click.
class TriStateBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit TriStateBox(QWidget* parent = nullptr);

  protected:
    void nextCheckState() override;
};

class MainDialog : public QDialog {
    Q_OBJECT
  public:
    // progress is the window of every long action; a ProgressDialog should be given this
    // window as its owner.
    MainDialog(AppSettings& settings, GameDatabase& database, Dialogs& dialogs, Progress& progress,
               ZipLibrary& zipLibrary, QWidget* parent = nullptr);
    ~MainDialog() override;

    // The opening steps: options into the controls, validation, paths, PrepareScan, the
    // snapshot, fastscan.dat, the button states.
    void Open();
    // Open, then run until closed; the closing steps run on the way out. Hiding the window
    // (minimising the progress window does) does not end it.
    int Run();
    // Size and position from an earlier run, applied before the window is shown; a position
    // on no screen is ignored, a size below the minimum grows to it.
    void RestorePlace(const std::optional<WindowPlace>& place);
    // The window's place to remember; nothing when it was never shown.
    std::optional<WindowPlace> place() const;
    // Called once from the window's own event loop, when it is shown and every opening
    // message has been answered.
    std::function<void()> onOpened;

    ScanSession& session() { return session_; }

    // The controls mirror the flags and the fields.
    void ApplyOptionsToControls();
    void UpdateButtonStates();
    void TakeFastScanSnapshot();
    void ReadPathFields();
    void PathFieldsChanged();

  public slots:
    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Only the close box and the menu close the window, never Escape.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct TriPair {
        TriStateBox* box;
        bool ScanOptions::*first;
        bool ScanOptions::*second;
        const char* offLabel;
        const char* checkedLabel;
        const char* greyedLabel;
    };
    struct FixPair {
        QCheckBox* check;
        QCheckBox* fix;
        bool ScanOptions::*flag;
        bool ScanOptions::*fixFlag;
    };

    // How a control follows the window's size.
    enum class Anchor { Stay, Down, DownRight, Grow };
    struct PlacedControl {
        QWidget* widget;
        QRect dialogUnits;
        Anchor anchor;
        QRect pixels;  // at the minimum size
    };

    QRect Du(int x, int y, int width, int height) const;
    void BuildControls();
    // Records a control's place in dialog units; ArrangeControls turns them into pixels.
    void Place(QWidget* widget, QRect dialogUnits);
    void ArrangeControls();
    // Places every control for the window's present size.
    void FollowSize();
    void BuildMenu();
    QCheckBox* AddCheck(const char* name, const char* caption, int x, int y, int w,
                        const char* tip);
    TriStateBox* AddTri(const char* name, const char* caption, int x, int y, int w,
                        const char* tip);
    QPushButton* AddButton(const char* name, const char* caption, int x, int y, int w, int h,
                           const char* tip);
    QLineEdit* AddEdit(const char* name, int x, int y, const char* tip);

    // Field texts between the edits and the session.
    void EditsToFields();
    void FieldsToEdits();
    void SetFixBox(QCheckBox* fix, bool ScanOptions::*fixFlag, bool enabled);
    void RelabelTri(const TriPair& pair);

    void OnTwoStateClicked(QCheckBox* box, bool ScanOptions::*flag);
    void OnTriStateClicked(const TriPair& pair);
    void OnBrowse(QLineEdit* edit, const char* prompt);
    void OnScan();
    void OnFastScan();
    void OnSaveLogfile();
    void OnSaveFixdat();
    void OnRebuild();
    void OnMerge();
    void OnUnmerge();
    void OnUndoLastRun();
    // Asks about each run that was killed half way, and takes back those the user wants.
    void OfferToUndoKilledRuns();
    // Takes back the run and shows how that went.
    void Undo(const std::string& runName);
    // An action of a button: one at a time, in the MAME folder, the buttons updated after.
    template <typename Work>
    void RunAction(Work work);
    // The rebuild and merge actions: run work only when the path check passed.
    template <typename Work>
    void RunAfterPrepareScan(Work work);
    // A family the merger left as it was keeps its old sets: name them, or the run would
    // look like a success. Files kept in the backup folder with Backup off are said too.
    void ReportLeftAlone(const Merger& merger);
    // A warning naming the items under the header; nothing when there are none.
    void ReportList(const std::string& header, const std::vector<std::string>& items);
    // The header and the first items, or nothing for no items.
    static std::string ListText(const std::string& header, const std::vector<std::string>& items);
    void ShowAbout();
    void Finish();  // after every action

    AppSettings& settings_;
    GameDatabase& database_;
    Dialogs& dialogs_;
    ResultsTree* tree_ = nullptr;
    ScanSession session_;
    double unitX_ = 1.75;
    double unitY_ = 1.75;
    int top_ = 0;
    std::vector<PlacedControl> places_;
    // The controls lie on content_, at least baseSize_ large; on a screen too small for that
    // the window may be smaller and content_ scrolls.
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    QSize baseSize_;
    QEventLoop* loop_ = nullptr;  // Run's, while it runs
    bool shown_ = false;
    bool closed_ = false;
    bool busy_ = false;  // an action is running; the window cannot be closed

    QMenuBar* menuBar_ = nullptr;
    QLineEdit* romEdit_ = nullptr;
    QLineEdit* sampleEdit_ = nullptr;
    QLineEdit* miscEdit_ = nullptr;
    QLineEdit* selectEdit_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* fastScanButton_ = nullptr;
    QPushButton* saveLogButton_ = nullptr;
    QPushButton* saveFixdatButton_ = nullptr;
    QPushButton* rebuildButton_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
    QPushButton* unmergeButton_ = nullptr;
    std::vector<std::pair<QCheckBox*, bool ScanOptions::*>> twoState_;
    std::vector<TriPair> triState_;
    std::vector<FixPair> fixPairs_;
    QCheckBox* unneededFix_ = nullptr;
};

}  // namespace vextral
