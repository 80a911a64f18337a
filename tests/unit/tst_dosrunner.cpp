#include "platform/dosrunner.h"

#include <QTest>

Q_DECLARE_METATYPE(DosRun)

// The DOSBox command line of a run: the launcher's own tests run DOSBox for real.
class TestDosRunner : public QObject
{
    Q_OBJECT
private slots:
    void dosboxArguments_data();
    void dosboxArguments();
};

void TestDosRunner::dosboxArguments_data()
{
    QTest::addColumn<DosRun>("run");
    QTest::addColumn<QString>("commands"); // each given to DOSBox after a -c; empty: refused
    auto row = [](const QByteArray &name, const DosRun &run, const char *commands) {
        QTest::newRow(name.constData()) << run << QString::fromUtf8(commands);
    };
    row("hidden linker: console to a file, ends with exit",
        {"/w/tools/", "/w/tools/link.exe", "T.obj,T,;", true, "LINKOUT.TXT", ""},
        "mount c \"/w/tools\"|config -securemode|c:|link.exe T.obj,T,; > LINKOUT.TXT|exit");
    row("visible run stays at the DOS prompt",
        {"/w/tools", "/w/tools/TEMP_F.EXE", "", false, "OUT.TXT", ""},
        "mount c \"/w/tools\"|config -securemode|c:|TEMP_F.EXE");
    row("include folder on drive D, named in INCLUDE",
        {"/w/tools", "/w/tools/masm.exe", "A.asm", true, "", "/home/li/src"},
        "mount c \"/w/tools\"|mount d \"/home/li/src\"|config -securemode|c:|set INCLUDE=d:\\|"
        "masm.exe A.asm|exit");
    row("include folder after the program's drive",
        {"/w/my 工具", "/bin/masm.exe", "A.asm", true, "", "/home/li/src"},
        "mount c \"/w/my 工具\"|mount d \"/bin\"|mount e \"/home/li/src\"|config -securemode|c:|"
        "set INCLUDE=e:\\|d:\\masm.exe A.asm|exit");
    row("percent signs reach DOS as they are",
        {"/w/50%off", "/w/50%off/masm.exe", "A%1.asm", true, "", ""},
        "mount c \"/w/50%%off\"|config -securemode|c:|masm.exe A%%1.asm|exit");
    row("a quote in a folder cannot be mounted",
        {"/w/tools", "/w/tools/masm.exe", "", true, "", "/w/q\"uote"}, "");
    // A line break in a folder would run a DOSBox command of its own.
    for (const QString bad : {"/w/a\nmount e ~\n", "/w/a\x7f"}) {
        const QByteArray in = bad.endsWith('\n') ? "line break in " : "DEL in ";
        row(in + "tool folder", {bad, "/w/tools/masm.exe", "", true, "", ""}, "");
        row(in + "program's folder", {"/w", bad + "/T.EXE", "", false, "", ""}, "");
        row(in + "DOS prompt's folder", {bad, "", "", false, "", ""}, "");
        row(in + "include folder", {"/w", "/w/masm.exe", "", true, "", bad}, "");
    }
    for (const char *tail : {"a.asm > x", "a.asm | x", "a.asm < x", "\"a.asm\"", "a\nexit"})
        row(tail, {"/w/tools", "/w/tools/masm.exe", tail, true, "", ""}, "");
}

void TestDosRunner::dosboxArguments()
{
    QFETCH(DosRun, run);
    QFETCH(QString, commands);
    QCOMPARE(dosRunProblem(run).isEmpty(), !commands.isEmpty());
    if (commands.isEmpty())
        return;
    QStringList expected{"-noautoexec"};
    for (const QString &command : commands.split(u'|'))
        expected << "-c" << command;
    QCOMPARE(::dosboxArguments(run), expected);
}

QTEST_APPLESS_MAIN(TestDosRunner)
#include "tst_dosrunner.moc"
