#include "help/frmabout.h"
#include "help/usagetext.h"
#include "help/webaddresses.h"
#include "mainfixture.h"
#include "toolchain/frmreport.h"

#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <QTimer>

class TestHelpCommands : public QObject
{
    Q_OBJECT
private slots:
    void usageTextReplacesReportModally();
    void helpSearchShowsNoHelpMessage();
    void aboutBoxIsModal();
    void webPageOpensANewWindowPerUse();
};

// Runs check on the modal window once it is up, then closes it.
static void whenModal(std::function<void(QWidget *)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        check(modal);
        modal->close();
    });
}

void TestHelpCommands::usageTextReplacesReportModally()
{
    MainFixture f;
    FrmReport *report = f.main->reportWindow();
    report->showText(QStringLiteral("Report"), QStringLiteral(" Assembling Report:\r\n    x"));
    QVERIFY(report->isVisible());

    QString caption, text;
    bool modal = false;
    whenModal([&](QWidget *w) {
        modal = w == report && report->isModal();
        caption = report->windowTitle();
        text = report->RichText->text();
    });
    f.main->mnuHelpContents();
    QVERIFY(modal);
    QCOMPARE(caption, QStringLiteral("使用说明"));
    QCOMPARE(text, usageText());
    QVERIFY(text.endsWith(QStringLiteral("谢谢使用! ")));
    QVERIFY(!text.contains(QStringLiteral("Assembling")));
    // The program goes on after the window is closed.
    QVERIFY(!report->isVisible());
    QVERIFY(f.main->isVisible());
}

void TestHelpCommands::helpSearchShowsNoHelpMessage()
{
    MainFixture f;
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuHelpSearchForHelpOn();
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text,
             QStringLiteral("无法显示帮助目录，没有相关联的帮助。详情见") + productWebPage());
    QCOMPARE(boxes[0].title, QStringLiteral("Korvane  2.20"));
    QCOMPARE(boxes[0].icon, int(Dialogs::Information));
    QCOMPARE(boxes[0].buttons, int(Dialogs::OkOnly));
}

void TestHelpCommands::aboutBoxIsModal()
{
    MainFixture f;
    QString caption;
    whenModal([&](QWidget *w) {
        QVERIFY(qobject_cast<frmAbout *>(w));
        caption = w->windowTitle();
    });
    f.main->mnuHelpAbout();
    QCOMPARE(caption, QStringLiteral("About My Software "));
}

void TestHelpCommands::webPageOpensANewWindowPerUse()
{
    MainFixture f;
    f.main->action(QStringLiteral("mnuViewWebBrowser"))->trigger();
    f.main->action(QStringLiteral("mnuViewWebBrowser"))->trigger();
    QCOMPARE(f.browserAddresses, QStringList({productWebPage(), productWebPage()}));
    QCOMPARE(f.main->mdiArea()->subWindowList().size(), 3);
    // The browser is the active child: it is no document.
    QVERIFY(!f.main->activeDocument());
    f.main->mnuFileSave();
    QVERIFY(f.dialogs.calls.isEmpty());
}

QTEST_MAIN(TestHelpCommands)
#include "tst_helpcommands.moc"
