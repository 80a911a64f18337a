#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "toolchain/comimage.h"
#include "toolchain/commandlines.h"
#include "toolchain/programbuilder.h"
#include "toolchain/toolwait.h"

#include <QFile>
#include <QFileInfo>

// What EXE2BIN prints goes here, in the tool folder (an 8.3 name: DOS writes it).
static const char kExe2binOutput[] = "E2BMSG.TXT";

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
    ComStep step;
    step.tool = exe2bin;
    step.folder = tools().Toolfolder;
    step.commandLine = quoteProgramPath(exe2bin) + QLatin1Char(' ') + linked + QLatin1Char(' ') + com;
    step.program = tools().Toolfolder + com;
    step.console = QString::fromLatin1(kExe2binOutput);
    linkerSaid_ = linkerSaid;
    const LaunchResult result = builder_->makeCom(step);
    if (!result.started())
        reportLaunchFailure(result);
}

void ToolchainController::showComResult(const ComResult &made)
{
    const ComStep &step = made.step;
    const QString com = QFileInfo(step.program).fileName();
    const QString linked = QFileInfo(step.program).completeBaseName() + QStringLiteral(".EXE");
    switch (made.status) {
    case ComResult::Status::Made:
        showLinkerMessages(linkerSaid_, QStringLiteral("已由 EXE2BIN 把 ") + linked +
                                            QStringLiteral(" 转换为 .COM 程序 ") + com +
                                            QStringLiteral("，运行和调试都使用它。"));
        return;
    case ComResult::Status::NotMade:
        showLinkerMessages(linkerSaid_,
                           QStringLiteral("EXE2BIN 没有生成 ") + com +
                               (made.printed.isEmpty() ? QStringLiteral("。")
                                                       : QStringLiteral("，它的输出：") + made.printed));
        return;
    case ComResult::Status::Stopped:
        dialogs().msgBox(window(), runStopMessage(QStringLiteral("EXE2BIN "), step.tool, made.stop),
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return;
    }
}
