#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "rules/webaddresses.h"
#include "toolchain/frmreport.h"
#include "toolchain/programbuilder.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QStatusBar>
#include <QUrl>

ToolchainController::ToolchainController(Workbench &wb, DocumentsController &documents,
                                         QObject *parent)
    : QObject(parent), wb_(wb), documents_(documents), Fso(&wb.fso()),
      builder_(new ProgramBuilder(wb.launcher(), this))
{
    connect(builder_, &ProgramBuilder::assembled, this, &ToolchainController::showAssemblyReport);
    connect(builder_, &ProgramBuilder::linked, this, &ToolchainController::showLinkResult);
    connect(builder_, &ProgramBuilder::comMade, this, &ToolchainController::showComResult);
    // The assembler and the linker run hidden on the built-in 8086; this
    // sends them to DOSBox, as a tool the machine cannot serve goes by itself.
    connect(wb_.command(Command::DosboxOnly), &QAction::toggled, this,
            [this](bool on) { launcher().setDosboxOnly(on); });
    launcher().setNoticeHandler([self = QPointer<ToolchainController>(this)](const QString &notice) {
        if (self)
            self->wb_.showStatusMessage(notice, 20000);
    });
}

ToolchainController::~ToolchainController()
{
    launcher().setNoticeHandler({});
}

void ToolchainController::shutdown()
{
    // Every wait ends with the window, and the tool it waits for with it.
    for (ToolWait *wait : findChildren<ToolWait *>(Qt::FindDirectChildrenOnly))
        wait->cancel();
    watchedRuns_.clear();
    builder_->cancel();
    assemblyPending_ = false;
}

frmDocument *ToolchainController::activeDocument() const
{
    return wb_.activeDocument();
}

QList<frmDocument *> ToolchainController::documents() const
{
    return wb_.documents();
}

Dialogs &ToolchainController::dialogs() const
{
    return wb_.dialogs();
}

Launcher &ToolchainController::launcher() const
{
    return wb_.launcher();
}

QMdiArea *ToolchainController::mdiArea() const
{
    return wb_.mdiArea();
}

QWidget *ToolchainController::window() const
{
    return wb_.window();
}

const ToolPaths &ToolchainController::tools() const
{
    return wb_.tools();
}

FrmReport *ToolchainController::reportWindow()
{
    if (!frmReport_) {
        frmReport_ = new FrmReport(window());
        connect(frmReport_, &FrmReport::lineActivated, this, &ToolchainController::showDiagnosticSource);
        connect(frmReport_, &FrmReport::codeActivated, this,
                [this](const QString &code) { wb_.showMessageHelp(code); });
        // The report takes the focus after F9: the Run menu's keys work there
        // too, except while it shows the usage text modally.
        for (Command c : {Command::Compile, Command::NextMark, Command::Link, Command::Run,
                          Command::ShellDos}) {
            QAction *command = wb_.command(c);
            auto *key = new QAction(frmReport_);
            key->setShortcut(command->shortcut());
            connect(key, &QAction::triggered, command, [report = frmReport_, command] {
                if (command->isEnabled() && QApplication::activeModalWidget() != report)
                    command->trigger();
            });
            frmReport_->addAction(key);
        }
    }
    return frmReport_;
}

bool ToolchainController::toolFound(const QString &path, const QString &toolName, const QString &message)
{
    if (Fso->fileExists(path))
        return true;
    const auto ask = [this, path, toolName, message] {
        const Dialogs::Answer answer =
            dialogs().msgBox(window(),
                             path + QStringLiteral("文件") + message +
                                 QStringLiteral("\r\n\r\n（工具文件夹是 ") + tools().Toolfolder +
                                 QStringLiteral("。免费的 MASM、LINK 和 DEBUG 随时可以用"
                                                "“选项”菜单里的“获取 DOS 工具...”下载。）"),
                             Dialogs::YesNo, Dialogs::Question, QStringLiteral("编译文件没找到"));
        if (answer == Dialogs::Yes)
            openToolSearchPage(toolName);
    };
    // The free tools come first; the question follows when they are declined
    // or cannot be fetched.
    if (!offerDosTools(toolName, ask))
        ask();
    return false;
}

bool ToolchainController::buildToolsFound()
{
    return toolFound(tools().Masmpath, QStringLiteral("masm.exe"),
                     QStringLiteral("没找到！请把masm.exe存放在当前文件夹。"
                                    "是否希望到网上去搜索masm.exe？")) &&
           toolFound(tools().Linkpath, QStringLiteral("link.exe"),
                     QStringLiteral("没找到！请把link.exe存放在当前文件夹。"
                                    "是否希望到网上去搜索link.exe？"));
}

void ToolchainController::openToolSearchPage(const QString &toolName)
{
    const QString page = toolSearchPage(toolName);
#ifdef Q_OS_WIN
    const bool opened =
        launcher()
            .start(QStringLiteral("explorer.exe ") + page, tools().Toolfolder, WindowStyle::Normal)
            .started();
#else
    const bool opened = QDesktopServices::openUrl(QUrl(page));
#endif
    // Without a browser (or xdg-open) nothing would show: say so, with the address.
    if (!opened)
        dialogs().msgBox(
            window(), QStringLiteral("无法启动系统的网页浏览器。请自己在浏览器中打开：\r\n") + page,
            Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}
