#include "dosreference.h"

#include "machine/toolrun.h"
#include "mainfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

static bool runTool(const QString &folder, const QString &tool, const QString &tail, QString *why)
{
    ToolRunRequest request;
    request.program = folder + u'/' + tool;
    request.tail = tail;
    request.toolFolder = folder;
    request.consoleFile = folder + QStringLiteral("/TOOLMSG.TXT");
    ToolRun run(request);
    if (!QTest::qWaitFor([&] { return run.finished(); }, 120000)) {
        *why = tool + QStringLiteral(" did not finish");
        return false;
    }
    if (run.outcome().end != ToolRunEnd::Exited || run.outcome().exitCode != 0) {
        *why = tool + QStringLiteral(" failed: ") + run.outcome().detail + u'\n' +
               QString::fromLatin1(fileBytes(request.consoleFile));
        return false;
    }
    return true;
}

QString buildOnMachine(const QString &folder, const QString &name, QString *why)
{
    if (!runTool(folder, QStringLiteral("MASM.EXE"), name + QStringLiteral(".ASM;"), why) ||
        !runTool(folder, QStringLiteral("LINK.EXE"), name + u';', why))
        return {};
    const QString exe = folder + u'/' + name + QStringLiteral(".EXE");
    if (!QFileInfo::exists(exe)) {
        *why = QStringLiteral("LINK wrote no ") + name + QStringLiteral(".EXE");
        return {};
    }
    return exe;
}

bool runDosbox(const QList<DosboxJob> &jobs, const QString &scratch, QString *why)
{
    QByteArray conf = "[cpu]\ncycles=max\n[mixer]\nnosound=true\n[autoexec]\n@echo off\n";
    for (const DosboxJob &job : jobs) {
        // Each program finds its own drives, as on the machine.
        conf += "z:\nmount -u c\nmount -u d\nmount c \"" + job.c.toUtf8() + "\"\n";
        if (!job.d.isEmpty())
            conf += "mount d \"" + job.d.toUtf8() + "\"\n";
        conf += "c:\n";
        for (const QString &command : job.commands)
            conf += command.toUtf8() + '\n';
    }
    conf += "exit\n";
    const QString confFile = scratch + QStringLiteral("/batch.conf");
    if (!writeFile(confFile, conf)) {
        *why = QStringLiteral("cannot write ") + confFile;
        return false;
    }
    QProcess dosbox;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SDL_VIDEODRIVER"), QStringLiteral("dummy"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    dosbox.setProcessEnvironment(environment);
    dosbox.setProcessChannelMode(QProcess::MergedChannels);
    dosbox.start(QStringLiteral("dosbox"), {QStringLiteral("-conf"), confFile});
    if (!dosbox.waitForStarted()) {
        *why = QStringLiteral("dosbox did not start: ") + dosbox.errorString();
        return false;
    }
    // Only SIGKILL ends DOSBox with the dummy video driver.
    if (!dosbox.waitForFinished(120000)) {
        dosbox.kill();
        dosbox.waitForFinished();
        *why = QStringLiteral("dosbox did not end (a program waited for a key?)");
        return false;
    }
    return true;
}
