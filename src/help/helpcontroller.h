#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class FrmMessages;
class FrmReport;
class Workbench;

// The Help menu: the usage text, the about box, the product's web page and
// the explanations of the tools' messages.
class HelpController : public QObject
{
    Q_OBJECT
public:
    // reportWindow: the assembling report's window, which the usage text borrows.
    // createBrowser: a web browser window on an address (empty: none in this run).
    HelpController(Workbench &wb, std::function<FrmReport *()> reportWindow,
                   std::function<QWidget *(const QString &address, QWidget *parent)> createBrowser,
                   QObject *parent = nullptr);

    void mnuHelpContents();
    void mnuHelpSearchForHelpOn();
    void mnuHelpAbout();
    void mnuHelpMessages();
    void mnuViewWebBrowser();
    // The help page of the tools' messages, at the entry of a code.
    void showMessageHelp(const QString &code);

private:
    Workbench &wb_;
    std::function<FrmReport *()> reportWindow_;
    std::function<QWidget *(const QString &, QWidget *)> createBrowser_;
    QPointer<FrmMessages> frmMessages_;
};
