#include "app/frmmain.h"
#include "help/frmabout.h"
#include "help/frmmessages.h"
#include "help/usagetext.h"
#include "help/webaddresses.h"
#include "platform/launcher.h"
#include "toolchain/frmreport.h"

#include <QDir>

#include <QMdiArea>
#include <QMdiSubWindow>

void frmMain::mnuHelpContents()
{
    // Borrows the assembling report's window, replacing whatever it showed.
    reportWindow()->showModal(QStringLiteral("使用说明"), usageText(Toolfolder));
}

std::function<bool(const QString &)> frmMain::startProgramCallback()
{
    return [this](const QString &commandLine) {
        return services_.launcher &&
               services_.launcher->start(commandLine, QDir::currentPath(), WindowStyle::Normal)
                   .started();
    };
}

void frmMain::mnuHelpSearchForHelpOn()
{
    dialogs().msgBox(
        this, QStringLiteral("无法显示帮助目录，没有相关联的帮助。详情见") + productWebPage(),
        Dialogs::OkOnly, Dialogs::Information, windowTitle());
}

void frmMain::mnuHelpAbout()
{
    if (!services_.registry)
        return;
    frmAbout about(*services_.registry, dialogs(), startProgramCallback(), this);
    about.exec();
}

void frmMain::mnuViewWebBrowser()
{
    if (!services_.createBrowser)
        return;
    // A new window on every use.
    QWidget *browser = services_.createBrowser(productWebPage(), nullptr);
    QMdiSubWindow *sub = mdiArea()->addSubWindow(browser);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    mdiArea()->setActiveSubWindow(sub);
}

void frmMain::mnuHelpMessages()
{
    showMessageHelp(QString());
}

void frmMain::showMessageHelp(const QString &code)
{
    if (!frmMessages_)
        frmMessages_ = new FrmMessages(this);
    frmMessages_->showCode(code);
}
