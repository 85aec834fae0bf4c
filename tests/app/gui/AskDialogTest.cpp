#include "app/gui/AskDialog.h"

#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace vextral {

class AskDialogTest : public QObject {
    Q_OBJECT

  private:
    // Runs the question with an action performed once the dialog is up.
    AskAnswer AskAndThen(AskDialog& dialog, std::function<void()> action) {
        QTimer::singleShot(0, &dialog, std::move(action));
        return dialog.Ask();
    }

  private slots:
    void eachButtonGivesItsAnswer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << "yesButton"
                             << "&Yes" << int(AskAnswer::Yes);
        QTest::newRow("yesToAll") << "yesToAllButton"
                                  << "Yes &To All" << int(AskAnswer::YesToAll);
        QTest::newRow("noToAll") << "noToAllButton"
                                 << "No To &All" << int(AskAnswer::NoToAll);
        QTest::newRow("no") << "noButton"
                            << "&No" << int(AskAnswer::No);
        QTest::newRow("stop") << "stopButton"
                              << "&Stop" << int(AskAnswer::Stop);
    }

    void eachButtonGivesItsAnswer() {
        QFETCH(QString, button);
        QFETCH(QString, label);
        QFETCH(int, answer);
        AskDialog dialog(nullptr, "Fix Length", "Cut 'a & b' ?");
        auto* target = dialog.findChild<QPushButton*>(button);
        QVERIFY(target != nullptr);
        QCOMPARE(target->text(), label);
        QCOMPARE(int(AskAndThen(dialog, [target] { target->click(); })), answer);
        QVERIFY(!dialog.isVisible());
    }

    void showsCaptionAndQuestionLiterally() {
        AskDialog dialog(nullptr, "Fix Name", "Rename 'Tom & Jerry'\nto 'tom.zip' ?");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Fix Name"));
        auto* text = dialog.findChild<QTextEdit*>("questionText");
        QCOMPARE(text->toPlainText(), QStringLiteral("Rename 'Tom & Jerry'\nto 'tom.zip' ?"));
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->document()->firstBlock().blockFormat().alignment() & Qt::AlignHCenter,
                 Qt::AlignHCenter);
    }

    void escapeAndCloseGiveClosed() {
        AskDialog dialog(nullptr, "Fix Case", "Rename ?");
        dialog.findChild<QPushButton*>("yesButton")->click();  // an earlier answer is not kept
        QCOMPARE(AskAndThen(dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); }),
                 AskAnswer::Closed);
        QCOMPARE(AskAndThen(dialog, [&dialog] { dialog.close(); }), AskAnswer::Closed);
    }
};

}  // namespace vextral

QTEST_MAIN(vextral::AskDialogTest)
#include "AskDialogTest.moc"
