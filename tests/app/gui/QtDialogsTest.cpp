#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace vextral {

class QtDialogsTest : public QObject {
    Q_OBJECT

  private:
    struct SeenBox {
        QString title, text;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    // Records the next message box and then presses the given button (or Escape).
    void Answer(SeenBox& seen, std::optional<QMessageBox::StandardButton> button) {
        QTimer::singleShot(0, this, [this, &seen, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                Answer(seen, button);
                return;
            }
            seen = {box->windowTitle(), box->text(), box->textFormat(), box->icon(),
                    box->standardButtons()};
            if (button) {
                box->button(*button)->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
    }

  private slots:
    void messageBoxesShowTextPlainWithTheirButtons() {
        QtDialogs dialogs;
        SeenBox seen;
        Answer(seen, QMessageBox::Yes);
        QCOMPARE(dialogs.ShowMessage("Rename <b>x</b> ?", "Vextral", MessageIcon::Question,
                                     MessageButtons::YesNo),
                 MessageResult::Yes);
        QCOMPARE(seen.title, QStringLiteral("Vextral"));
        QCOMPARE(seen.text, QStringLiteral("Rename <b>x</b> ?"));
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);

        Answer(seen, std::nullopt);  // Escape on a Yes/No question is No
        QCOMPARE(
            dialogs.ShowMessage("Stop ?", "Vextral", MessageIcon::Question, MessageButtons::YesNo),
            MessageResult::No);

        Answer(seen, std::nullopt);
        QCOMPARE(dialogs.ShowMessage("Go on ?", "Rebuild", MessageIcon::Exclamation,
                                     MessageButtons::OkCancel),
                 MessageResult::Cancel);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        // OK on a path warning lets the scan go on.
        Answer(seen, QMessageBox::Ok);
        QCOMPARE(dialogs.ShowMessage("No roms found in rompath:\n\n/roms/", "Pathwarning",
                                     MessageIcon::Exclamation, MessageButtons::OkCancel),
                 MessageResult::Ok);
        Answer(seen, QMessageBox::Cancel);
        QCOMPARE(dialogs.ShowMessage("No roms found in rompath:\n\n/roms/", "Pathwarning",
                                     MessageIcon::Exclamation, MessageButtons::OkCancel),
                 MessageResult::Cancel);
    }

    void saveFiltersBecomeQtNameFilters() {
        QCOMPARE(ToQtNameFilter("Vextral Logfile (*.txt)|*.txt||"),
                 QStringLiteral("Vextral Logfile (*.txt)"));
        QCOMPARE(ToQtNameFilter("Lists|*.dat;*.xml|All files (*.*)|*.*||"),
                 QStringLiteral("Lists (*.dat *.xml);;All files (*.*)"));
    }
};

}  // namespace vextral

QTEST_MAIN(vextral::QtDialogsTest)
#include "QtDialogsTest.moc"
