#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/module1.h"
#include "fakedialogs.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The start-up procedure as the program runs it: splash, the two waits, the
// main window, and the event loop.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void splashClosedByClickComesBackThenGoes();
    void closingDuringTheWaitsEndsTheProgram();
    void dialogDuringStartupShowsAboveTheSplash();
    void splashClosesOnAKey();
    void documentFontIsFixedWidthAndChinese();

private:
    QTemporaryDir *dir_ = nullptr;
    QString previous_;
};

static frmSplash *splash()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *s = qobject_cast<frmSplash *>(w))
            return s;
    }
    return nullptr;
}

void TestStartup::init()
{
    previous_ = QDir::currentPath();
    dir_ = new QTemporaryDir;
    QDir::setCurrent(dir_->path());
}

void TestStartup::cleanup()
{
    QDir::setCurrent(previous_);
    delete dir_;
}

void TestStartup::splashClosedByClickComesBackThenGoes()
{
    FakeDialogs dialogs;
    dialogs.answerMsgBox(Dialogs::No);
    Services services;
    services.dialogs = &dialogs;
    bool closedByClick = false, mainHiddenAtFirst = false, backWithMain = false,
         goneAfterThree = false;
    QTimer::singleShot(150, [&] {
        frmSplash *s = splash();
        QVERIFY(s && s->isVisible());
        mainHiddenAtFirst = Mainform && !Mainform->isVisible();
        QTest::mouseClick(s->lblVersion, Qt::LeftButton);
        closedByClick = !s->isVisible();
    });
    QTimer::singleShot(1500, [&] {
        backWithMain =
            splash()->isVisible() && Mainform->isVisible() && Mainform->documents().size() == 1;
    });
    QTimer::singleShot(3800, [&] {
        goneAfterThree = !splash()->isVisible() && Mainform->isVisible();
        Mainform->close();
    });
    const int rc = Module1(*qApp, services);
    QCOMPARE(rc, 0);
    QVERIFY(closedByClick);
    QVERIFY(mainHiddenAtFirst);
    QVERIFY(backWithMain);
    QVERIFY(goneAfterThree);
    QVERIFY(QFile::exists(QStringLiteral("cl.dll")));
}

void TestStartup::closingDuringTheWaitsEndsTheProgram()
{
    FakeDialogs dialogs;
    dialogs.answerMsgBox(Dialogs::No);
    Services services;
    services.dialogs = &dialogs;
    QTimer::singleShot(1000, [&] { Mainform->close(); });
    // Returns once the waits are over instead of entering an event loop with
    // no window left.
    QCOMPARE(Module1(*qApp, services), 0);
    QVERIFY(QFile::exists(QStringLiteral("cl.dll")));
}

void TestStartup::dialogDuringStartupShowsAboveTheSplash()
{
    FakeDialogs dialogs;
    dialogs.answerMsgBox(Dialogs::No);
    Services services;
    services.dialogs = &dialogs;
    bool splashBeforeDialog = false, splashMadeWay = false, goneOnTime = false;
    // A dialog of the program's, opened a second after start and left open
    // past the splash's three seconds.
    QTimer::singleShot(1000, [&] {
        splashBeforeDialog = splash()->isVisible();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Korvane"),
                        QStringLiteral("question"), QMessageBox::Ok, Mainform);
        QTimer::singleShot(200, [&] { splashMadeWay = !splash()->isVisible(); });
        QTimer::singleShot(2500, &box, &QMessageBox::accept);
        box.exec();
    });
    QTimer::singleShot(3500, [&] {
        goneOnTime = !splash()->isVisible() && Mainform->isVisible();
        Mainform->close();
    });
    QCOMPARE(Module1(*qApp, services), 0);
    QVERIFY(splashBeforeDialog);
    QVERIFY(splashMadeWay);
    QVERIFY(goneOnTime);
}

void TestStartup::splashClosesOnAKey()
{
    frmSplash s;
    s.showCentred();
    QVERIFY(s.isVisible());
    QCOMPARE(s.lblProductName->text(), QStringLiteral("Korvane"));
    QCOMPARE(s.lblVersion->text(), QStringLiteral("Version  2.20"));
    QTest::keyClick(&s, Qt::Key_Space);
    QVERIFY(!s.isVisible());
}

void TestStartup::documentFontIsFixedWidthAndChinese()
{
    installFontSubstitutions();
    QFont f(QStringLiteral("宋体"));
    f.setPointSize(9);
    const QFontMetrics m(f);
    QCOMPARE(m.horizontalAdvance(QLatin1Char('i')), m.horizontalAdvance(QLatin1Char('M')));
    QVERIFY2(m.inFont(QChar(0x6C47)), qPrintable(QFontInfo(f).family()));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
