// Starts the real program's window without a display and closes it right after opening.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

namespace vextral {

namespace {

// Writes a whole fixture file; false when it cannot be written.
bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Runs the program with its settings and data under root, without a display; its exit
// status, or -1 when it did not end.
// A fresh program's folders below root: settings, rom and sample folders, and more.
bool MakeFolders(const QString& root, const QStringList& more = {}) {
    for (const QString& folder : QStringList{"config/vextral", "roms", "samples"} + more) {
        if (!QDir().mkpath(root + folder))
            return false;
    }
    return true;
}

int RunProgram(const QString& root, const QStringList& arguments, const QString& scale = "1",
               const QString& searchPath = {}) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QT_SCALE_FACTOR", scale);
    environment.insert("HOME", root);
    environment.insert("XDG_CONFIG_HOME", root + "config");
    environment.insert("XDG_DATA_HOME", root + "data");
    environment.insert("XDG_CACHE_HOME", root + "cache");
    if (!searchPath.isEmpty())
        environment.insert("PATH", searchPath);
    program.setProcessEnvironment(environment);
    program.start(qEnvironmentVariable("VEXTRAL_BINARY"), arguments);
    if (!program.waitForStarted() || !program.waitForFinished(30000) ||
        program.exitStatus() != QProcess::NormalExit)
        return -1;
    return program.exitCode();
}

}  // namespace

class GuiStartTest : public QObject {
    Q_OBJECT

  private slots:
    void windowOpensAndClosesCleanly() {
        const QString binary = qEnvironmentVariable("VEXTRAL_BINARY");
        if (binary.isEmpty())
            QSKIP("VEXTRAL_BINARY is not set");
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.path() + "/";
        QVERIFY(QDir().mkpath(root + "config/vextral"));
        QVERIFY(QDir().mkpath(root + "roms"));

        QVERIFY(WriteText(root + "list.dat",
                          "game (\n\tname alpha\n\tdescription \"Alpha\"\n"
                          "\trom ( name a.rom size 4 crc 12345678 )\n)\n"));
        // No mame on this machine and no question may stop the run.
        QVERIFY(WriteText(root + "config/vextral/vextral.ini",
                          ("[Settings]\nPathWarning=0\nListInfoWarnings=0\nUseMameExe=0\n"
                           "[Paths]\nRompaths=" +
                           root + "roms\n")
                              .toUtf8()));

        QCOMPARE(RunProgram(root, {"--dat", root + "list.dat", "--quit-after-open"}), 0);

        // One game: count, four counted strings, the flag, 24 options, one byte per game.
        QFile fastScan(root + "data/vextral/fastscan.dat");
        QVERIFY(fastScan.open(QIODevice::ReadOnly));
        const QByteArray bytes = fastScan.readAll();
        QCOMPARE(bytes.left(4), QByteArray("\x01\x00\x00\x00", 4));
        QVERIFY(bytes.contains((root + "roms/").toUtf8()));
        QCOMPARE(bytes.back(), '\x01');

        // The settings were written back on the way out.
        QFile ini(root + "config/vextral/vextral.ini");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray written = ini.readAll();
        QVERIFY(written.contains("VextralExe="));
        QVERIFY(written.contains("Rompaths=" + (root + "roms/").toUtf8()));
    }

    // The opening warns about the list (a clone of an unknown game) and the paths (folders
    // without sets); the picture is still taken after a scan and the program ends.
    void screenshotGetsPastOpeningWarnings() {
        const QString binary = qEnvironmentVariable("VEXTRAL_BINARY");
        if (binary.isEmpty())
            QSKIP("VEXTRAL_BINARY is not set");
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.path() + "/";
        QVERIFY(MakeFolders(root));
        QVERIFY(WriteText(root + "list.dat",
                          "game (\n\tname alpha\n\tdescription \"Alpha\"\n\tcloneof nothere\n"
                          "\trom ( name a.rom size 4 crc 12345678 )\n)\n"));
        QVERIFY(WriteText(root + "config/vextral/vextral.ini",
                          ("[Settings]\nPathWarning=1\nListInfoWarnings=1\nUseMameExe=0\n[Paths]\n"
                           "Rompaths=" +
                           root + "roms\nSamplepaths=" + root + "samples\n")
                              .toUtf8()));

        QCOMPARE(RunProgram(root, {"--dat", root + "list.dat", "--screenshot", root + "shot.png"}),
                 0);
        QVERIFY(QImage(root + "shot.png").width() > 100);
        // The scan ran: alpha's set is missing, so a fast scan is available.
        QFile fastScan(root + "data/vextral/fastscan.dat");
        QVERIFY(fastScan.open(QIODevice::ReadOnly));
        const QByteArray bytes = fastScan.readAll();
        QCOMPARE(bytes.left(4), QByteArray("\x01\x00\x00\x00", 4));
        QCOMPARE(bytes.at(bytes.size() - 2 - 24), '\x01');

        // At twice the scale the window, last closed larger, no longer fits the 800 x 800
        // screen whole: it opens no larger than the screen, and its controls scroll.
        QCOMPARE(
            RunProgram(root, {"--dat", root + "list.dat", "--screenshot", root + "x2.png"}, "2"),
            0);
        const QImage scaled(root + "x2.png");
        QVERIFY(!scaled.isNull());
        QVERIFY2(scaled.width() <= 800 && scaled.height() <= 800,
                 qPrintable(QStringLiteral("%1 x %2").arg(scaled.width()).arg(scaled.height())));
    }

    // No list file given and a stand-in for today's MAME on PATH, knowing only -listxml: the
    // first run asks to use it, gets the list and reaches a scan.
    void firstRunWithTodaysMameReachesAScan() {
        const QString binary = qEnvironmentVariable("VEXTRAL_BINARY");
        if (binary.isEmpty())
            QSKIP("VEXTRAL_BINARY is not set");
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString root = temp.path() + "/";
        QVERIFY(MakeFolders(root, {"bin"}));
        QVERIFY(WriteText(root + "list.xml",
                          "<mame>\n<machine name=\"alpha\"><description>Alpha</description>"
                          "<rom name=\"a.rom\" size=\"4\" crc=\"12345678\"/></machine>\n"
                          "</mame>\n"));
        QVERIFY(WriteText(root + "bin/mame",
                          ("#!/bin/sh\n[ \"$1\" = -listxml ] || { echo \"Error: unknown option: "
                           "$1\" >&2; exit 1; }\ncat '" +
                           root + "list.xml'\n")
                              .toUtf8()));
        QVERIFY(QFile::setPermissions(root + "bin/mame", QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner));
        QVERIFY(WriteText(root + "config/vextral/vextral.ini",
                          ("[Settings]\nPathWarning=0\n[Paths]\nRompaths=" + root +
                           "roms\nSamplepaths=" + root + "samples\n")
                              .toUtf8()));

        QCOMPARE(
            RunProgram(root, {"--screenshot", root + "shot.png"}, "1", root + "bin:/usr/bin:/bin"),
            0);
        // The scan ran: alpha's set is missing, so a fast scan is available.
        QFile fastScan(root + "data/vextral/fastscan.dat");
        QVERIFY(fastScan.open(QIODevice::ReadOnly));
        const QByteArray bytes = fastScan.readAll();
        QCOMPARE(bytes.left(4), QByteArray("\x01\x00\x00\x00", 4));
        QCOMPARE(bytes.at(bytes.size() - 2 - 24), '\x01');
    }
};

}  // namespace vextral

QTEST_MAIN(vextral::GuiStartTest)
#include "GuiStartTest.moc"
