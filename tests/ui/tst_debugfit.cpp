#include "debugging/debugcontroller.h"
#include "debugging/debugsession.h"
#include "debugging/debugstate.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "mainfixture.h"
#include "realtools.h"
#include "toolchain/toollauncher.h"

#include <QApplication>
#include <QDockWidget>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTest>

// The debugger on a 1366x768 laptop screen at a scale of 1.5 (911x512 of the
// program's own units): its panels fit, as tabs where they must, and the main
// window stays on the screen.
class TestDebugFit : public QObject
{
    Q_OBJECT
private slots:
    void panelsFitTheScreen();
};

void TestDebugFit::panelsFitTheScreen()
{
    REQUIRE_REAL_TOOLS();
    QCOMPARE(qApp->primaryScreen()->devicePixelRatio(), 1.5);
    QCOMPARE(qApp->primaryScreen()->geometry().height(), 512);
    FakeLauncher dosbox;
    ToolLauncher tools{dosbox};
    MainFixture f{true, &tools};
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + u'/' + QLatin1String(tool),
                            f.path(QString::fromLatin1(tool).toLower())));
    f.text()->setText("code segment\r\nassume cs:code\r\nstart: mov ax,4c00h\r\nint 21h\r\n"
                      "code ends\r\nend start");
    press(f, Qt::Key_F11);
    QTRY_VERIFY_WITH_TIMEOUT(f.main->debugger().debugSession() && !f.main->debugger().debugSession()->running() &&
                                 f.doc()->Strip->breakpoints->current() > 0,
                             60000);
    QTest::qWait(100);
    const QRect screen = f.main->screen()->availableGeometry();
    QVERIFY2(
        screen.contains(f.main->frameGeometry()),
        qPrintable(QStringLiteral("window %1x%2 at %3,%4 (at least %7x%8) on a screen of %5x%6")
                       .arg(f.main->frameGeometry().width())
                       .arg(f.main->frameGeometry().height())
                       .arg(f.main->frameGeometry().x())
                       .arg(f.main->frameGeometry().y())
                       .arg(screen.width())
                       .arg(screen.height())
                       .arg(f.main->minimumSizeHint().width())
                       .arg(f.main->minimumSizeHint().height())));
    // Every panel is there: shown, or a tab a click away.
    for (QDockWidget *dock : f.main->debugger().debugPanels().docks())
        QVERIFY2(dock->isVisible() || !f.main->tabifiedDockWidgets(dock).isEmpty(),
                 qPrintable(dock->windowTitle()));
}

int main(int argc, char *argv[])
{
    // The offscreen platform's screen, sized as the laptop's.
    QTemporaryFile screens;
    if (!screens.open() ||
        screens.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366,
                          "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestDebugFit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_debugfit.moc"
