#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "toolchain/comimage.h"
#include "toolchain/commandlines.h"
#include "toolchain/toolwait.h"

#include <QFile>

// What EXE2BIN prints goes here, in the tool folder (an 8.3 name: DOS writes it).
static const char kExe2binOutput[] = "E2BMSG.TXT";

bool ToolchainController::linkedComProgram(const QString &program, const QString &linkerSaid) const
{
    QFile exe(Fso->actualPath(program));
    return exe.open(QIODevice::ReadOnly) && linkedAsCom(exe.read(0x20), linkerSaid);
}

void ToolchainController::makeComProgram(const QString &objectBase, const QString &linkerSaid)
{
    const QString linked = objectBase + QStringLiteral(".EXE");
    const QString com = objectBase + QStringLiteral(".COM");
    const QString exe2bin = tools().Toolfolder + QStringLiteral("exe2bin.exe");
    if (!Fso->fileExists(exe2bin)) {
        showLinkerMessages(linkerSaid,
                           QStringLiteral("这是一个 .COM 程序，要由 exe2bin.exe 从 ") + linked +
                               QStringLiteral(" 转换，但工具文件夹中没有 exe2bin.exe，"
                                              "所以仍按 .EXE 运行（会出错）。可用 选项 → "
                                              "获取 DOS 工具... 下载它，然后再连接一次。"));
        return;
    }
    const QString output = tools().Toolfolder + QString::fromLatin1(kExe2binOutput);
    removeFile(output);
    LaunchResult result = launcher().start(
        quoteProgramPath(exe2bin) + QLatin1Char(' ') + linked + QLatin1Char(' ') + com, tools().Toolfolder,
        WindowStyle::Hidden, QString::fromLatin1(kExe2binOutput));
    if (!result.started()) {
        reportLaunchFailure(result);
        return;
    }
    auto printed = [this, output] { return toolPrinted(output); };
    WatchedRun watched;
    watched.run = std::move(result.run);
    // Run and Debug wait for the .COM as for the linker's program.
    watched.linker = true;
    watched.ended = [this, com, linked, printed, linkerSaid, path = tools().Toolfolder + com] {
        if (Fso->fileExists(path)) {
            showLinkerMessages(linkerSaid, QStringLiteral("已由 EXE2BIN 把 ") + linked +
                                               QStringLiteral(" 转换为 .COM 程序 ") + com +
                                               QStringLiteral("，运行和调试都使用它。"));
            return;
        }
        QString said = printed();
        showLinkerMessages(
            linkerSaid,
            QStringLiteral("EXE2BIN 没有生成 ") + com +
                (said.isEmpty() ? QStringLiteral("。") : QStringLiteral("，它的输出：") + said));
    };
    watched.stopped = [this, exe2bin](const RunStop &stop) {
        dialogs().msgBox(window(), runStopMessage(QStringLiteral("EXE2BIN "), exe2bin, stop),
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
    };
    if (watched.run)
        watchRun(std::move(watched));
}
