#include "help/frmmessages.h"

#include "platform/twips.h"
#include "rules/messageexplanations.h"

#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

FrmMessages::FrmMessages(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmMessages"));
    setWindowTitle(QStringLiteral("汇编与连接信息说明"));
    setModal(false);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setAccessibleName(QStringLiteral("汇编与连接信息说明"));
    Browser->setOpenLinks(true);
    Browser->setHtml(messagesHelpHtml(MessageExplanations::shipped()));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Browser);
    resize(twipsX(this, 9000), twipsY(this, 7500));
}

void FrmMessages::showCode(const QString &code)
{
    const MessageExplanations &all = MessageExplanations::shipped();
    const MessageEntry *entry = code.isEmpty() ? nullptr : all.findCode(code);
    show();
    raise();
    activateWindow();
    if (entry)
        Browser->scrollToAnchor(helpAnchor(all, *entry));
    else
        Browser->verticalScrollBar()->setValue(0);
}
