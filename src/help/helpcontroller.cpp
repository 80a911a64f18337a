#include "help/helpcontroller.h"

#include "workbench/workbench.h"
#include "help/frmabout.h"
#include "help/frmmessages.h"
#include "help/usagetext.h"
#include "rules/webaddresses.h"
#include "platform/dialogs.h"
#include "platform/launcher.h"
#include "toolchain/frmreport.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>

HelpController::HelpController(
    Workbench &wb, std::function<FrmReport *()> reportWindow,
    std::function<QWidget *(const QString &address, QWidget *parent)> createBrowser,
    QObject *parent)
    : QObject(parent), wb_(wb), reportWindow_(std::move(reportWindow)),
      createBrowser_(std::move(createBrowser))
{
}

void HelpController::mnuHelpContents()
{
    // Borrows the assembling report's window, replacing whatever it showed.
    reportWindow_()->showModal(QStringLiteral("使用说明"), usageText(wb_.tools().Toolfolder));
}

void HelpController::mnuHelpSearchForHelpOn()
{
    wb_.dialogs().msgBox(
        wb_.window(), QStringLiteral("无法显示帮助目录，没有相关联的帮助。详情见") + productWebPage(),
        Dialogs::OkOnly, Dialogs::Information, wb_.window()->windowTitle());
}

void HelpController::mnuHelpAbout()
{
    if (!wb_.registry())
        return;
    // The about box starts a program in a window of its own.
    auto start = [this](const QString &commandLine) {
        return wb_.launcher().start(commandLine, QDir::currentPath(), WindowStyle::Normal).started();
    };
    frmAbout about(*wb_.registry(), wb_.dialogs(), start, wb_.window());
    about.exec();
}

void HelpController::mnuViewWebBrowser()
{
    if (!createBrowser_)
        return;
    // A new window on every use.
    QWidget *browser = createBrowser_(productWebPage(), nullptr);
    QMdiSubWindow *sub = wb_.mdiArea()->addSubWindow(browser);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    wb_.mdiArea()->setActiveSubWindow(sub);
}

void HelpController::mnuHelpMessages()
{
    showMessageHelp(QString());
}

void HelpController::showMessageHelp(const QString &code)
{
    if (!frmMessages_)
        frmMessages_ = new FrmMessages(wb_.window());
    frmMessages_->showCode(code);
}
