#pragma once
// The five-answer question put before a fix.

#include <QDialog>
#include <string>

#include "ui/Dialogs.h"

class QTextEdit;

namespace vextral {

class AskDialog : public QDialog {
    Q_OBJECT
  public:
    AskDialog(QWidget* parent, const std::string& caption, const std::string& question);

    // Shows the dialog modally; Escape or closing the window gives Closed.
    AskAnswer Ask();
    AskAnswer answer() const { return answer_; }

    // Shows one question owned by the active window and returns the answer.
    static AskAnswer AskUser(const std::string& caption, const std::string& question);

  protected:
    void reject() override;

  private:
    void Answer(AskAnswer answer);

    QTextEdit* text_ = nullptr;
    AskAnswer answer_ = AskAnswer::Closed;
};

}  // namespace vextral
