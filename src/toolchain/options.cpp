#include "app/frmmain.h"
#include "help/webaddresses.h"
#include "toolchain/frmreport.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QStatusBar>
#include <QUrl>

void frmMain::connectToolchainCommands()
{
    // The six options are check items: choosing one flips its own mark, which
    // the toolkit does for a checkable item, and nothing else happens.
    const std::pair<const char *, void (frmMain::*)()> commands[] = {
        {"mnucompile", &frmMain::mnucompile},
        {"mnuCompilelist", &frmMain::mnuCompilelist},
        {"mnulookcross", &frmMain::mnulookcross},
        {"mnulink", &frmMain::mnulink},
        {"mnulinkresult", &frmMain::mnulinkresult},
        {"mnurundebug", &frmMain::mnurundebug},
        {"mnurun", &frmMain::mnurun},
        {"mnushellDOS", &frmMain::mnushellDOS},
        {"mnugetdostools", &frmMain::mnugetdostools},
    };
    for (const auto &[name, slot] : commands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);

    // The assembler and the linker run hidden on the built-in 8086; this
    // sends them to DOSBox, as a tool the machine cannot serve goes by itself.
    if (!services_.launcher)
        return;
    connect(action(QStringLiteral("mnudosboxonly")), &QAction::toggled, this,
            [this](bool on) { launcher().setDosboxOnly(on); });
    launcher().setNoticeHandler([self = QPointer<frmMain>(this)](const QString &notice) {
        if (self && self->sbStatusBar)
            self->sbStatusBar->showMessage(notice, 20000);
    });
}

FrmReport *frmMain::reportWindow()
{
    if (!frmReport_) {
        frmReport_ = new FrmReport(this);
        connect(frmReport_, &FrmReport::lineActivated, this, &frmMain::showDiagnosticSource);
        connect(frmReport_, &FrmReport::codeActivated, this, &frmMain::showMessageHelp);
        // The report takes the focus after F9: the Run menu's keys work there
        // too, except while it shows the usage text modally.
        for (const char *name : {"mnucompile", "mnunextmark", "mnulink", "mnurun", "mnushellDOS"}) {
            QAction *command = action(QString::fromLatin1(name));
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

bool frmMain::toolFound(const QString &path, const QString &toolName, const QString &message)
{
    if (Fso->fileExists(path))
        return true;
    const auto ask = [this, path, toolName, message] {
        const Dialogs::Answer answer =
            dialogs().msgBox(this,
                             path + QStringLiteral("文件") + message +
                                 QStringLiteral("\r\n\r\n（工具文件夹是 ") + Toolfolder +
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

void frmMain::openToolSearchPage(const QString &toolName)
{
    const QString page = toolSearchPage(toolName);
#ifdef Q_OS_WIN
    const bool opened =
        launcher()
            .start(QStringLiteral("explorer.exe ") + page, Toolfolder, WindowStyle::Normal)
            .started();
#else
    const bool opened = QDesktopServices::openUrl(QUrl(page));
#endif
    // Without a browser (or xdg-open) nothing would show: say so, with the address.
    if (!opened)
        dialogs().msgBox(
            this, QStringLiteral("无法启动系统的网页浏览器。请自己在浏览器中打开：\r\n") + page,
            Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}
