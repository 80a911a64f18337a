#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/textfile.h"
#include "platform/richtext.h"
#include "toolchain/programbuilder.h"
#include "toolchain/commandlines.h"
#include "rules/assemblyoutcome.h"
#include "rules/diagnostics.h"
#include "toolchain/frmreport.h"
#include "rules/listingreport.h"
#include "rules/messageexplanations.h"
#include "toolchain/toolwait.h"
#include "rules/trimspaces.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopeGuard>

// What the hidden assembler prints goes here, in the tool folder (an 8.3
// name: DOS writes it).
static const char kAssemblerOutput[] = "MASMMSG.TXT";

void ToolchainController::mnucompile()
{
    // A new assembly overtakes one still waiting: its assembler is ended now,
    // before this one's listing is removed, and its report never comes.
    ++assembleGeneration_;
    if (builder_->assembling()) {
        builder_->cancelAssembly();
        wb_.setStatusPanel(QStringLiteral("状态"));
    }
    assemblyPending_ = false;
    if (!activateViewSource())
        return;

    if (!activeDocument() || wb_.command(Command::Parameter)->isChecked())
        assembleWithPrompt();
    else
        assembleNormally();
}

void ToolchainController::assembleWithPrompt()
{
    for (;;) {
        const QString typed = dialogs().inputBox(
            window(),
            QStringLiteral("请输入要编译文件的文件名和您需要的参数：（默认路径为:") + tools().Toolfolder,
            QStringLiteral("编译参数"), QString());
        const QString answer = assemblerPromptAnswer(typed);
        if (!answer.isEmpty()) {
            LaunchResult result = launcher().start(assemblerPromptCommand(tools().Masmpath, answer),
                                                   tools().Toolfolder, WindowStyle::Hidden);
            if (result.started()) {
                const QString program = result.program;
                WatchedRun watched;
                watched.run = std::move(result.run);
                watched.stopped = [this, program](const RunStop &stop) {
                    dialogs().msgBox(
                        window(), runStopMessage(QStringLiteral("编译程序"), program, stop),
                        Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
                };
                if (watched.run)
                    watchRun(std::move(watched));
                dialogs().msgBox(window(),
                                 QStringLiteral("当前编译参数为：“") + answer + QStringLiteral("”"),
                                 Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
                wb_.command(Command::Link)->setEnabled(true);
                return;
            }
        }
        if (dialogs().msgBox(window(), QStringLiteral("参数错误，是否重输？"), Dialogs::YesNo,
                             Dialogs::Question, QStringLiteral("Parameter Error")) != Dialogs::Yes)
            return;
    }
}

// The assembler reads bytes: a byte-order mark would be three characters of
// the first line, and UTF-16 is no text to it. Its copies are written without
// a mark, UTF-16 as UTF-8, with DOS line breaks, whatever the document's file has.
static TextEncoding assemblerEncoding(const TextEncoding &own)
{
    if (own.name.startsWith(QLatin1String("UTF-16")))
        return {QStringLiteral("UTF-8"), false, false};
    return {own.name, false, false};
}

bool ToolchainController::saveForAssembler(const QString &path)
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return false;
    TextEncoding encoding = assemblerEncoding(doc->encoding);
    return writeTextFile(dialogs(), window(), path, doc->Text1->text(), encoding);
}

// The bytes saveForAssembler would write.
QByteArray ToolchainController::assemblerBytes(const frmDocument *doc) const
{
    return Codepage::encode(doc->Text1->text() + QStringLiteral("\r\n"),
                            assemblerEncoding(doc->encoding));
}

void ToolchainController::assembleNormally()
{
    const int generation = assembleGeneration_;
    const QPointer<frmDocument> doc = activeDocument();

    // Saving: the file chosen in Save As, else the temporary file.
    bool saved = false;
    if (wb_.command(Command::SaveTip)->isChecked()) {
        documents_.mnuFileSaveAs();
        saved = !documents_.Saveascancel;
    }
    if (!doc || generation != assembleGeneration_)
        return;
    if (!saved) {
        documents_.Lastsaved = tools().Toolfolder + QStringLiteral("Temp_F.asm");
        // An existing TEMP_F.ASM is the same file to DOS: rewrite it, not a twin.
        const QString target = Fso->actualPath(documents_.Lastsaved);
        // Savefile has told the user why.
        if (!saveForAssembler(target))
            return;
    }

    Basename = Fso->baseName(documents_.Lastsaved);
    if (trimSpaces(Basename).isEmpty()) {
        Basename = Fso->baseName(doc->caption());
        documents_.Lastsaved = tools().Toolfolder + Basename;
    }
    const QString ext = Fso->extensionName(documents_.Lastsaved);
    const QString sourceName = Basename + QLatin1Char('.') + ext;
    if (!dosNameFits(sourceName))
        return;
    if (!copyIntoToolFolder(sourceName) || !doc || generation != assembleGeneration_)
        return;

    const bool makeList = wb_.command(Command::MakeList)->isChecked();
    const bool makeCross = wb_.command(Command::MakeCross)->isChecked();
    wb_.command(Command::CompileList)->setEnabled(makeList);
    wb_.command(Command::LookCross)->setEnabled(makeCross);

    if (!toolFound(tools().Masmpath, QStringLiteral("masm.exe"),
                   QStringLiteral("没找到！请把masm.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索masm.exe？")))
        return;

    // Include files beside a source saved outside the tool folder are found
    // through the assembler's INCLUDE search.
    const QString sourceFolder = QFileInfo(doc->caption()).absolutePath();
    const bool ownFolder = QFileInfo(doc->caption()).isAbsolute() &&
                           QFileInfo(sourceFolder).isDir() &&
                           QDir(sourceFolder) != QDir(tools().Toolfolder);
    AssembleStep step;
    step.tool = tools().Masmpath;
    step.folder = tools().Toolfolder;
    step.commandLine = assemblerCommand(tools().Masmpath, Basename, ext, makeList, makeCross);
    step.sourceName = sourceName;
    step.listing = tools().Toolfolder + listingBaseName(Basename, makeList) + QStringLiteral(".lst");
    step.object = tools().Toolfolder + QFileInfo(sourceName).completeBaseName() + QStringLiteral(".obj");
    step.console = QString::fromLatin1(kAssemblerOutput);
    step.includeFolder = ownFolder ? sourceFolder : QString();
    step.encoding = assemblerEncoding(doc->encoding);
    Listpath = step.listing;
    assemblyResult_.reset();
    // A failed assembly must leave no earlier program for Link and Run.
    removeOldOutputs(Basename,
                     {QStringLiteral(".obj"), QStringLiteral(".exe"), QStringLiteral(".com")});

    builder_->boundMs = hiddenRunBoundMs;
    const LaunchResult result = builder_->assemble(step);
    if (!result.started()) {
        reportLaunchFailure(result);
        return;
    }
    assembling_ = doc;
    assemblyPending_ = true;

    wb_.setStatusPanel(QStringLiteral("正在编译 ") + sourceName + QStringLiteral(" ……"));
    if (frmReport_ && frmReport_->isVisible() && !assemblyReport_.isEmpty() &&
        frmReport_->shownText().startsWith(assemblyReport_))
        frmReport_->setWindowTitle(QStringLiteral("Report（已过时：正在重新编译）"));
}

bool ToolchainController::copyIntoToolFolder(const QString &sourceName)
{
    // The assembler reads the source from the tool folder. A copy this run
    // wrote there is kept current; another file of that name is replaced only
    // when the user says so, and without asking when it holds this text already.
    const QString copy = tools().Toolfolder + sourceName;
    if (Fso->actualPath(copy) == Fso->actualPath(documents_.Lastsaved) && Fso->fileExists(copy))
        return true;
    if (Fso->fileExists(copy) && !toolFolderCopies_.contains(Fso->actualPath(copy))) {
        QFile other(Fso->actualPath(copy));
        const bool same =
            other.open(QIODevice::ReadOnly) && other.readAll() == assemblerBytes(activeDocument());
        other.close();
        if (!same &&
            dialogs().msgBox(window(),
                             QStringLiteral("编译程序要读的文件 ") + Fso->actualPath(copy) +
                                 QStringLiteral(" 已经存在，但内容与当前的源程序不同（可能是"
                                                "以前留下的）。是否用当前的源程序替换它？"),
                             Dialogs::YesNo, Dialogs::Question,
                             QStringLiteral("Korvane")) != Dialogs::Yes)
            return false;
        // Holding this source's text, it is this source's copy from now on.
        toolFolderCopies_.insert(Fso->actualPath(copy));
    }
    const QString target = Fso->actualPath(copy);
    if (!activeDocument() || !saveForAssembler(target))
        return false;
    toolFolderCopies_.insert(Fso->actualPath(copy));
    return true;
}

void ToolchainController::showAssemblyReport(const AssembleResult &assembly)
{
    // Views waiting for this assembly's listing wait until it is rewritten.
    const auto done = qScopeGuard([this] { assemblyPending_ = false; });
    wb_.setStatusPanel(QStringLiteral("状态"));
    const AssembleStep &step = assembly.step;
    using Status = AssembleResult::Status;
    if (assembly.status == Status::Stopped) {
        dialogs().msgBox(window(), runStopMessage(QStringLiteral("编译程序"), step.tool, assembly.stop),
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return;
    }
    if (assembly.status == Status::NoListing) {
        QString message =
            QStringLiteral("编译程序已经结束，但没有生成列表文件：") + step.listing;
        // A fatal message ("Include file not found") with its explanation under it.
        if (!assembly.printed.isEmpty())
            message += QStringLiteral("\r\n编译程序的输出：\r\n\r\n") +
                       explainText(MessageExplanations::shipped(), assembly.printed).text;
        dialogs().msgBox(window(), message, Dialogs::OkOnly, Dialogs::Exclamation,
                         QStringLiteral("Korvane"));
        return;
    }

    const AssemblyOutcome &outcome = assembly.outcome;
    const ListingReport &report = outcome.report;
    assembledDoc_ = assembling_;
    assembledSource_ = step.sourceName;
    assembledIncludeFolder_ = step.includeFolder;
    assemblyReport_ = report.report;
    assemblyDiagnostics_ = outcome.diagnostics;
    assemblyResult_ = outcome.result;
    assembledObject_ = QFileInfo(step.sourceName).completeBaseName();
    assemblyStatus_ = outcome.status;
    reportWindow()->showText(QStringLiteral("Report"), report.report);
    markDiagnostics();

    TextEncoding written{step.encoding.name, false};
    if (writeTextFile(dialogs(), window(), Fso->actualPath(step.listing), report.cleanedListing,
                      written))
        refreshListingViews(step.listing);
    wb_.command(Command::Link)->setEnabled(true);
}
