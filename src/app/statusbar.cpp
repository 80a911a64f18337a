#include "app/frmmain.h"
#include "platform/twips.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

void frmMain::createStatusBar()
{
    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(true);
    // The panels read as their texts: status, date, time.
    sbStatusBar->setAccessibleName(QStringLiteral("状态栏"));
    const int minWidth = twipsX(this, 2540);
    statusPanel_ = new QLabel(QStringLiteral("状态"), sbStatusBar);
    datePanel_ = new QLabel(sbStatusBar);
    timePanel_ = new QLabel(sbStatusBar);
    for (QLabel *panel : {statusPanel_, datePanel_, timePanel_}) {
        panel->setMinimumWidth(minWidth);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
    }
    datePanel_->setAlignment(Qt::AlignCenter);
    timePanel_->setAlignment(Qt::AlignCenter);
    sbStatusBar->addWidget(statusPanel_, 1);
    sbStatusBar->addPermanentWidget(datePanel_);
    sbStatusBar->addPermanentWidget(timePanel_);
    setStatusBar(sbStatusBar);

    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, &frmMain::updateClock);
    clock_->start(1000);
    updateClock();
}

void frmMain::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    datePanel_->setText(locale.toString(now.date(), QLocale::ShortFormat));
    timePanel_->setText(locale.toString(now.time(), QStringLiteral("H:mm:ss")));
}
