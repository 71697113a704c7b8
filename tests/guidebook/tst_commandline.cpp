// The browser started from a shell: --help needs no display, and without one
// it says so and ends with a status instead of Qt's abort. The program runs
// with nothing of this environment but the variables a row names.
#include <QProcess>
#include <QtTest>

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void startsOrExplains_data();
    void startsOrExplains();
};

void CommandLineTest::startsOrExplains_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");  // expected in standard output
    QTest::addColumn<QString>("err");  // expected in standard error

    const QString usage = "usage: guidebook";
    const QString noDisplay = "guidebook: no display found: set DISPLAY";
    QTest::newRow("--help") << QStringList{"--help"} << QStringList{} << 0 << usage << "";
    QTest::newRow("-h after Qt options")
        << QStringList{"-style", "fusion", "-h"} << QStringList{} << 0 << usage << "";
    QTest::newRow("--help on a platform that fails")
        << QStringList{"--help"} << QStringList{"QT_QPA_PLATFORM=xcb", "DISPLAY=:4093"} << 0 << usage << "";
    QTest::newRow("nothing set") << QStringList{} << QStringList{} << 1 << "" << noDisplay;
    QTest::newRow("empty DISPLAY") << QStringList{} << QStringList{"DISPLAY="} << 1 << "" << noDisplay;
    QTest::newRow("X11 chosen, no DISPLAY")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"} << 1 << ""
        << noDisplay;
    QTest::newRow("Wayland chosen, no WAYLAND_DISPLAY")
        << QStringList{"-platform", "wayland"} << QStringList{"DISPLAY=:0"} << 1 << "" << noDisplay;
    QTest::newRow("DISPLAY names no server")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb", "DISPLAY=:4093"} << 1 << ""
        << "guidebook: the display could not be opened";
}

void CommandLineTest::startsOrExplains() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QProcess program;
    QProcessEnvironment clean;
    for (const QString& setting : environment)
        clean.insert(setting.section('=', 0, 0), setting.section('=', 1));
    program.setProcessEnvironment(clean);
    program.start(QStringLiteral(GUIDEBOOK_PROGRAM), arguments);
    QVERIFY(program.waitForStarted());
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        QFAIL("guidebook did not end: it opened a window");
    }
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    if (status == 0)
        QVERIFY2(stdErr.isEmpty(), qPrintable(stdErr));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
