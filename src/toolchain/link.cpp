#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/frmdocument.h"
#include "toolchain/commandlines.h"
#include "toolchain/frmreport.h"
#include "toolchain/programbuilder.h"
#include "rules/listingreport.h"
#include "rules/messageexplanations.h"
#include "toolchain/toolwait.h"
#include "rules/trimspaces.h"

#include <QAction>
#include <QFileInfo>

// The linker prints its complaints on the console only; a hidden run sends
// them here, in the tool folder (an 8.3 name: DOS writes it).
static const char kLinkerOutput[] = "LINKMSG.TXT";

void ToolchainController::mnulink()
{
    if (!wb_.command(Command::Parameter)->isChecked() && refuseFailedAssembly())
        return;
    if (wb_.command(Command::Parameter)->isChecked())
        linkWithPrompt();
    else
        linkNormally();
}

void ToolchainController::linkWithPrompt()
{
    for (;;) {
        const QString typed = dialogs().inputBox(
            window(),
            QStringLiteral("请输入要连接文件的文件名和您需要的参数：（默认路径为:") + tools().Toolfolder,
            QStringLiteral("连接参数"), QString());
        const QString answer = linkerPromptAnswer(typed);
        if (!answer.isEmpty()) {
            const LaunchResult result = launcher().start(linkerPromptCommand(tools().Linkpath, answer),
                                                         tools().Toolfolder, WindowStyle::Normal);
            if (result.started()) {
                dialogs().msgBox(window(),
                                 QStringLiteral("当前连接参数为：“") + answer + QStringLiteral("”"),
                                 Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
                wb_.command(Command::Run)->setEnabled(true);
                return;
            }
        }
        if (dialogs().msgBox(window(), QStringLiteral("参数错误，是否重输？"), Dialogs::YesNo,
                             Dialogs::Question, QStringLiteral("Parameter Error")) != Dialogs::Yes)
            return;
    }
}

bool ToolchainController::refuseFailedAssembly()
{
    if (!assemblyResult_ || !assemblyResult_->failed() ||
        assembledObject_.compare(Fso->baseName(documents_.Lastsaved), Qt::CaseInsensitive) != 0)
        return false;
    const QString why = assemblyResult_->stoppedBy.isEmpty() ? QStringLiteral("没有生成目标文件")
                                                             : assemblyResult_->stoppedBy;
    if (dialogs().msgBox(window(),
                         QStringLiteral("上次编译失败：%1\n目标文件 %2.obj 不能连接。\n\n"
                                        "是否重新编译（F9）？")
                             .arg(why, assembledObject_),
                         Dialogs::YesNo, Dialogs::Exclamation,
                         QStringLiteral("编译失败")) == Dialogs::Yes)
        mnucompile();
    return true;
}

static void unexpectedLinkError(Dialogs &dialogs, QWidget *window)
{
    dialogs.msgBox(window, QStringLiteral("连接时发生意外错误！"), Dialogs::OkOnly,
                           Dialogs::Critical, QStringLiteral("Unknown error"));
}

void ToolchainController::showLinkerMessages(const QString &printed, const QString &made)
{
    // Warnings (no stack segment, a library not found) come with a program
    // that was written all the same: they go under the assembling report.
    QStringList messages = printedMessages(printed);
    if (!made.isEmpty())
        messages << made;
    if (messages.isEmpty())
        return;
    QString text = assemblyReport_.isEmpty() ? QString() : assemblyReport_ + QStringLiteral("\r\n");
    text += QStringLiteral(" 连接信息：\r\n");
    for (const QString &line : messages)
        text += QStringLiteral("    ") + line + QStringLiteral("\r\n");
    reportWindow()->showText(QStringLiteral("Report"), text);
}

void ToolchainController::showLinkResult(const LinkResult &link)
{
    const LinkStep &step = link.step;
    switch (link.status) {
    case LinkResult::Status::Linked:
    case LinkResult::Status::LinkedWithErrors:
        if (link.com)
            makeComProgram(QFileInfo(step.program).completeBaseName(), link.printed);
        else
            showLinkerMessages(link.printed);
        return;
    case LinkResult::Status::NoProgram: {
        // Each of the linker's messages with its explanation under it.
        const QString said = explainText(MessageExplanations::shipped(), link.printed).text;
        const QString missing = QStringLiteral("连接程序没有生成可执行文件 ") + step.program;
        dialogs().msgBox(window(),
                         said.isEmpty() ? missing + QStringLiteral("，也没有输出任何信息。")
                                        : missing + QStringLiteral("。连接程序的输出：\r\n\r\n") + said,
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return;
    }
    case LinkResult::Status::Stopped: {
        QString text = runStopMessage(QStringLiteral("连接程序"), step.tool, link.stop);
        if (!link.printed.isEmpty())
            text += QStringLiteral("\r\n连接程序的输出：\r\n\r\n") + link.printed;
        dialogs().msgBox(window(), text, Dialogs::OkOnly, Dialogs::Exclamation,
                         QStringLiteral("Korvane"));
        return;
    }
    }
}

void ToolchainController::linkNormally()
{
    wb_.command(Command::LinkResult)
        ->setEnabled(wb_.command(Command::MakeMap)->isChecked());
    QString library;
    if (wb_.command(Command::UseLib)->isChecked())
        library = dialogs().inputBox(window(), QStringLiteral("请输入连接时要用到的库文件的文件名："),
                                     QStringLiteral("Input library file"), QString());
    if (trimSpaces(Basename).isEmpty()) {
        frmDocument *doc = activeDocument();
        if (!doc) {
            unexpectedLinkError(dialogs(), window());
            return;
        }
        Basename = Fso->baseName(doc->caption());
        documents_.Lastsaved = tools().Toolfolder + Basename;
    }
    const QString objectBase = Fso->baseName(documents_.Lastsaved);
    if (!dosNameFits(objectBase + QStringLiteral(".obj")))
        return;
    if (!toolFound(tools().Linkpath, QStringLiteral("link.exe"),
                   QStringLiteral("没找到！请把link.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索link.exe？")))
        return;

    // Without an earlier program of that name, a link that writes none is
    // told apart from one that did.
    LinkStep step;
    step.tool = tools().Linkpath;
    step.folder = tools().Toolfolder;
    step.commandLine = linkerCommand(tools().Linkpath, objectBase, library);
    step.program = tools().Toolfolder + objectBase + QStringLiteral(".exe");
    step.console = QString::fromLatin1(kLinkerOutput);
    // A .COM is there after a link only when this link made one.
    removeOldOutputs(objectBase, {QStringLiteral(".exe"), QStringLiteral(".com")});
    builder_->boundMs = hiddenRunBoundMs;
    if (!builder_->link(step).started()) {
        unexpectedLinkError(dialogs(), window());
        return;
    }

    dialogs().msgBox(window(), QStringLiteral("当前连接对象为：") + objectBase + QStringLiteral(".obj"),
                     Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
    wb_.command(Command::Run)->setEnabled(true);
}
