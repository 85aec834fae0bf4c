#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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

    // Records where the next file dialog opened, then chooses path in it.
    void Choose(QString& openedIn, const QString& path) {
        QTimer::singleShot(0, this, [this, &openedIn, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                Choose(openedIn, path);
                return;
            }
            openedIn = dialog->directory().absolutePath();
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
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

    // Every action enters the MAME folder; no chooser may open there.
    void choosersOpenAtHomeThenWhereTheyWereLastUsed() {
        QTemporaryDir home;
        QTemporaryDir mame;
        QVERIFY(QDir(home.path()).mkpath("logs/old"));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        QVERIFY(QDir::setCurrent(mame.path()));
        QtDialogs dialogs;
        const QString logs = home.path() + "/logs";
        QString openedIn;

        Choose(openedIn, logs + "/one.txt");
        QCOMPARE(dialogs.ChooseSaveFile("Vextral Logfile (*.txt)|*.txt||", ".txt"),
                 std::optional((logs + "/one.txt").toStdString()));
        QCOMPARE(openedIn, home.path());
        Choose(openedIn, logs + "/two.txt");
        QVERIFY(dialogs.ChooseSaveFile("Vextral Logfile (*.txt)|*.txt||", ".txt"));
        QCOMPARE(openedIn, logs);
        // The folder chooser keeps its own place.
        Choose(openedIn, logs + "/old");
        QCOMPARE(dialogs.BrowseForFolder("Choose a new rompath."), (logs + "/old/").toStdString());
        QCOMPARE(openedIn, home.path());
        qputenv("HOME", oldHome);
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
