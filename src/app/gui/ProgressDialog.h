#pragma once
// The modeless progress window of a long operation, driven by the operation itself: it
// keeps itself alive by dispatching pending events once per step of the operation, and shows
// the latest text and position at most kRefreshMs apart.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <string>

#include "ui/Progress.h"
#include "ui/ProgressState.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vextral {

class ProgressDialog : public QDialog, public Progress {
    Q_OBJECT
  public:
    // The owner is disabled while the window is open; it may be set later.
    // Laying out a label and painting the bar for each of 45,000 games cost far more than
    // the scan itself; nobody reads more than about twenty updates a second.
    static constexpr int kRefreshMs = 50;

    explicit ProgressDialog(QWidget* owner = nullptr);
    ~ProgressDialog() override;

    void SetOwner(QWidget* owner);

    bool OpenProgress(const std::string& caption) override;
    void SetProgressText(const std::string& text) override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressStep(int step) override;
    void AdvanceProgress() override;
    bool IsStopRequested() override;
    void CloseProgress() override;
    void Repaint() override;

  protected:
    // Escape, Enter on the default button and the close box all mean Stop.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnStop();
    // Puts the pending text, percentage and position into the controls.
    void ShowPending();
    void UpdateBar();
    void DispatchEvents();

    QLabel* status_ = nullptr;
    QLabel* percent_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    ProgressState state_;
    QPointer<QWidget> owner_;
    bool ownerWasDisabled_ = false;
    bool asking_ = false;
    QTimer refreshTimer_;
    std::string pendingText_;
    QString pendingPercent_;
    bool textPending_ = false;
    bool positionPending_ = false;
    bool repaintDue_ = false;
    // Set by AdvanceProgress, cleared by IsStopRequested: a step that advanced has dispatched
    // already, so asking for the stop request right after it does not dispatch again.
    bool dispatchedThisStep_ = false;
};

}  // namespace vextral
