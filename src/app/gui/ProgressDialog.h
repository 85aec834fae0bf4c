#pragma once
// The modeless progress window of a long operation, driven by the operation itself: it
// keeps itself alive by dispatching pending events whenever the operation advances or asks
// for the stop request.

#include <QDialog>
#include <QPointer>
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
    void UpdateBar();

    QLabel* status_ = nullptr;
    QLabel* percent_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    ProgressState state_;
    QPointer<QWidget> owner_;
    bool ownerWasDisabled_ = false;
    bool asking_ = false;
};

}  // namespace vextral
