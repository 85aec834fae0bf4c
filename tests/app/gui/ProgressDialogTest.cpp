#include "app/gui/ProgressDialog.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace vextral {

class ProgressDialogTest : public QObject {
    Q_OBJECT

  private:
    // Answers the next "Stop action ?" box with the given button once it is open.
    void AnswerStopQuestion(QMessageBox::StandardButton button) {
        QTimer::singleShot(0, this, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                AnswerStopQuestion(button);  // not shown yet: look again
                return;
            }
            questionsSeen_ << box->windowTitle() + "|" + box->text();
            box->button(button)->click();
        });
    }
    QPushButton* StopButton(ProgressDialog& dialog) {
        return dialog.findChild<QPushButton*>("stopButton");
    }

    QStringList questionsSeen_;

  private slots:
    void init() { questionsSeen_.clear(); }

    void showsAmpersandsAndPercentages() {
        ProgressDialog dialog;
        QVERIFY(dialog.OpenProgress("Scanning Games"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Scanning Games"));
        auto* percent = dialog.findChild<QLabel*>("percentText");
        QCOMPARE(percent->text(), QStringLiteral(" 0 %"));

        dialog.SetProgressText("Tom & Jerry");
        auto* status = dialog.findChild<QLabel*>("statusText");
        QCOMPARE(status->text(), QStringLiteral("Tom & Jerry"));
        QCOMPARE(status->textFormat(), Qt::PlainText);
        QVERIFY(status->buddy() == nullptr);  // no mnemonic: '&' is drawn as is

        dialog.SetProgressRange(0, 3);
        dialog.SetProgressStep(1);
        QStringList shown;
        for (int i = 0; i < 4; ++i) {
            dialog.AdvanceProgress();
            shown << percent->text();
        }
        QCOMPARE(shown, (QStringList{"33%", "66%", "100%", "33%"}));
        QCOMPARE(dialog.findChild<QProgressBar*>("progressBar")->value(), 1);
        dialog.CloseProgress();
        QVERIFY(!dialog.isVisible());
    }

    void stopAnsweredNoLeavesNothingPending() {
        ProgressDialog dialog;
        QVERIFY(dialog.OpenProgress("Rebuilding ROMs"));
        AnswerStopQuestion(QMessageBox::Yes);
        StopButton(dialog)->click();
        // The confirmed stop is not read yet when Stop is pressed again and answered No.
        AnswerStopQuestion(QMessageBox::No);
        StopButton(dialog)->click();
        QVERIFY(!dialog.IsStopRequested());
        QCOMPARE(questionsSeen_.size(), 2);
        QCOMPARE(questionsSeen_[0], QStringLiteral("Stop action ?|Do you really want to stop ?"));
        dialog.CloseProgress();
    }

    void confirmedStopIsReportedOnce() {
        ProgressDialog dialog;
        QVERIFY(dialog.OpenProgress("Merging Roms"));
        AnswerStopQuestion(QMessageBox::Yes);
        QTest::keyClick(&dialog, Qt::Key_Escape);  // Escape is the Stop button too
        QCOMPARE(questionsSeen_.size(), 1);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.IsStopRequested());
        QVERIFY(!dialog.IsStopRequested());
        dialog.CloseProgress();

        // A stop confirmed while an action was ending, never read by it, does not carry
        // over to the next action that the same window serves.
        QVERIFY(dialog.OpenProgress("Rebuilding ROMs"));
        AnswerStopQuestion(QMessageBox::Yes);
        StopButton(dialog)->click();
        dialog.CloseProgress();
        QVERIFY(dialog.OpenProgress("Scanning Games"));
        QVERIFY(!dialog.IsStopRequested());
        dialog.CloseProgress();
    }

    void ownerIsDisabledOnlyWhileOpen() {
        QWidget owner;
        owner.show();
        ProgressDialog dialog(&owner);
        QVERIFY(dialog.OpenProgress("Scanning Games"));
        QVERIFY(!owner.isEnabled());
        QVERIFY(dialog.isEnabled());
        owner.hide();  // as minimising the progress window does
        dialog.CloseProgress();
        QVERIFY(owner.isEnabled());
        QVERIFY(owner.isVisible());
    }
};

}  // namespace vextral

QTEST_MAIN(vextral::ProgressDialogTest)
#include "ProgressDialogTest.moc"
