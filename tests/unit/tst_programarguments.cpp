#include "app/commandline.h"

#include <QProcess>
#include <QTest>

// The program's own command line: what it opens, and what it answers
// before any window exists.
class TestProgramArguments : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void withoutADisplay_data();
    void withoutADisplay();
};

void TestProgramArguments::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("toolkitOptions"); // read before the toolkit took its own
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");
    const int run = CommandLine::Run, error = CommandLine::Error;
    QTest::newRow("files") << QStringList{"a.asm", "b.asm"} << false << run
                           << QStringList{"a.asm", "b.asm"};
    QTest::newRow("an unknown option")
        << QStringList{"--bogus", "a.asm"} << false << error << QStringList();
    QTest::newRow("an unknown option, early")
        << QStringList{"--bogus"} << true << error << QStringList();
    QTest::newRow("the toolkit's options and their values, early")
        << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse", "a.asm"} << true
        << run << QStringList{"a.asm"};
    QTest::newRow("a file after -- that looks like an option")
        << QStringList{"--", "-style"} << true << run << QStringList{"-style"};
    QTest::newRow("help wins") << QStringList{"-style", "fusion", "--help"} << true
                               << int(CommandLine::Help) << QStringList();
}

void TestProgramArguments::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, toolkitOptions);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    const CommandLine line = parseCommandLine(arguments, toolkitOptions);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.files, files);
    QCOMPARE(line.error.contains(arguments.value(0)), action == CommandLine::Error);
}

void TestProgramArguments::withoutADisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed"); // the start of what it prints
    QTest::newRow("an unknown option: the usage error")
        << "--bogus" << 2 << "korvane：不认识的选项 --bogus\n";
    QTest::newRow("--help") << "--help" << 0 << "用法：korvane";
    QTest::newRow("--version") << "--version" << 0 << "Korvane 2.20\n";
}

// The real program, with no display to open and no platform named.
void TestProgramArguments::withoutADisplay()
{
    QFETCH(QString, argument);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    QProcess korvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    korvane.setProcessEnvironment(env);
    korvane.start(QStringLiteral(KORVANE_PROGRAM), {argument});
    QVERIFY(korvane.waitForFinished(60000));
    QCOMPARE(korvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(korvane.exitCode(), exitCode);
    const QString said = QString::fromUtf8(exitCode ? korvane.readAllStandardError()
                                                    : korvane.readAllStandardOutput());
    QVERIFY2(said.startsWith(printed), qPrintable(said));
}

QTEST_MAIN(TestProgramArguments)
#include "tst_programarguments.moc"
