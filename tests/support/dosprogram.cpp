#include "dosprogram.h"

#include "mainfixture.h"
#include "platform/dosrunner.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

bool nasmFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("nasm")).isEmpty();
}

bool dosboxFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("dosbox")).isEmpty();
}

bool assembleCom(const QByteArray &source, const QString &comPath)
{
    const QString asmFile = comPath + QStringLiteral(".asm.txt");
    if (!writeFile(asmFile, "org 100h\n" + source + "\n"))
        return false;
    QProcess nasm;
    nasm.start(QStringLiteral("nasm"), {"-f", "bin", asmFile, "-o", comPath});
    const bool done = nasm.waitForFinished() && nasm.exitCode() == 0;
    if (!done)
        qWarning() << nasm.readAllStandardError();
    QFile::remove(asmFile);
    return done;
}

MachineStop runOnMachine(const QString &comPath, Machine::Setup setup)
{
    if (setup.toolFolder.isEmpty())
        setup.toolFolder = QFileInfo(comPath).absolutePath();
    Machine machine(setup);
    QString error;
    if (!machine.load(comPath, "", &error))
        return {StopReason::None, 0, error, {}, 0};
    Machine::Bounds bounds;
    bounds.idleMs = 5000;
    return machine.run(bounds);
}

bool runInDosbox(const QString &comPath)
{
    DosRun run;
    run.workingDirectory = QFileInfo(comPath).absolutePath();
    run.programPath = QFileInfo(comPath).absoluteFilePath();
    run.hidden = true;
    QProcess dosbox;
    dosbox.setEnvironment(QProcess::systemEnvironment() + hiddenDosboxEnvironment());
    dosbox.setWorkingDirectory(run.workingDirectory);
    dosbox.start(QStringLiteral("dosbox"), dosboxArguments(run));
    if (dosbox.waitForFinished(60000))
        return true;
    dosbox.kill();
    dosbox.waitForFinished();
    return false;
}

Files filesIn(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        if (name != QLatin1String("PROG.COM"))
            files.insert(name, fileBytes(path));
    }
    return files;
}

bool putFiles(const QString &folder, const Files &files)
{
    for (auto f = files.cbegin(); f != files.cend(); ++f)
        if (!QDir(folder).mkpath(QFileInfo(f.key()).path()) ||
            !writeFile(QDir(folder).filePath(f.key()), f.value()))
            return false;
    return true;
}
