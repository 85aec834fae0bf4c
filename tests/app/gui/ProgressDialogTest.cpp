#include "app/gui/ProgressDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace vextral {

// Counts the events of one type that reach the watched object.
class EventCounter : public QObject {
  public:
    EventCounter(QEvent::Type type, int& count) : type_(type), count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_)
            ++count_;
        return false;
    }

  private:
    QEvent::Type type_;
    int& count_;
};

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
        // Neither maximised nor resized, so a long status line lays nothing out again.
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        auto* percent = dialog.findChild<QLabel*>("percentText");
        QCOMPARE(percent->text(), QStringLiteral(" 0 %"));

        dialog.SetProgressText("Tom & Jerry");
        auto* status = dialog.findChild<QLabel*>("statusText");
        QTRY_COMPARE(status->text(), QStringLiteral("Tom & Jerry"));
        QCOMPARE(status->textFormat(), Qt::PlainText);
        QVERIFY(status->buddy() == nullptr);  // no mnemonic: '&' is drawn as is

        dialog.SetProgressRange(0, 3);
        dialog.SetProgressStep(1);
        for (const char* expected : {"33%", "66%", "100%", "33%"}) {
            dialog.AdvanceProgress();
            QTRY_COMPARE(percent->text(), QString::fromLatin1(expected));
        }
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

    // A scan advances 45,000 times: the controls are refreshed on a clock, not per step, and
    // each step lets pending events through once.
    void refreshesAreTimedAndEventsDispatchedOncePerStep() {
        ProgressDialog dialog;
        QVERIFY(dialog.OpenProgress("Scanning Games"));
        constexpr int kSteps = 3000;
        dialog.SetProgressRange(0, kSteps);
        int relayouts = 0;
        EventCounter counter(QEvent::LayoutRequest, relayouts);
        dialog.installEventFilter(&counter);
        int dispatches = 0;
        QTimer everyDispatch;  // a zero timer fires once each time events are dispatched
        connect(&everyDispatch, &QTimer::timeout, [&dispatches] { ++dispatches; });
        everyDispatch.start(0);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kSteps; ++i) {
            dialog.SetProgressText("Game " + std::to_string(i));
            dialog.AdvanceProgress();
            dialog.Repaint();
            QVERIFY(!dialog.IsStopRequested());
        }
        const qint64 elapsed = clock.elapsed();
        everyDispatch.stop();
        QVERIFY2(relayouts <= elapsed / ProgressDialog::kRefreshMs + 2,
                 qPrintable(QStringLiteral("%1 in %2 ms").arg(relayouts).arg(elapsed)));
        QVERIFY2(dispatches <= kSteps + 1, qPrintable(QString::number(dispatches)));
        // The last step still shows once the clock ticks.
        QTRY_COMPARE(dialog.findChild<QLabel*>("statusText")->text(), QStringLiteral("Game 2999"));
        QCOMPARE(dialog.findChild<QLabel*>("percentText")->text(), QStringLiteral("100%"));
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
