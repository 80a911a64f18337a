#include "help/browser/browserwindow.h"
#include "help/browser/frmbrowser.h"
#include "loopbackserver.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

// The engine starts slowly under the sanitizer: a wait only ends early.
constexpr int kWait = 60000;

class TestBrowser : public QObject
{
    Q_OBJECT
public:
    TestBrowser()
    {
        frame_.resize(1000, 800);
        frame_.show();
        // Every page answers at once, titled "Page " + its name; /held.html
        // never does, to show loading.
        for (const QString name : {"a.html", "b.html", "a", "held.html"}) {
            const QString page = "<html><head><meta charset=\"utf-8\"><title>Page %1</title>"
                                 "</head><body>%1</body></html>";
            server_.serve('/' + name, {page.arg(name).toUtf8(), -1, false,
                                       "text/html; charset=utf-8", name == "held.html"});
        }
    }
private slots:
    void navigation_data();
    void navigation();

private:
    void act(frmBrowser *w, const QString &action);
    // The main window's frame, and the web.
    QMdiArea frame_;
    LoopbackServer server_;
};

// Waits until the window has stopped loading with the given caption.
static void idle(frmBrowser *w, const QString &title)
{
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), title, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->windowTitle(), title);
}

// "type:PAGE" enters the page's address, "pick" picks the list's first item,
// "shrink" makes the window tiny and minimised, then back; else a button's key.
void TestBrowser::act(frmBrowser *w, const QString &action)
{
    if (action.startsWith(QLatin1String("type:"))) {
        QLineEdit *edit = w->cboAddress->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, server_.address(u'/' + action.mid(5)));
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (action == QLatin1String("pick")) {
        w->cboAddress->showPopup();
        QAbstractItemView *list = w->cboAddress->view();
        QTRY_VERIFY(list->isVisible());
        const QRect item = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    } else if (action == QLatin1String("shrink")) {
        w->resize(3, 2);
        w->parentWidget()->showMinimized();
        QCoreApplication::processEvents();
        w->parentWidget()->showNormal();
    } else {
        QAction *a = w->tbToolBar->findChild<QAction *>(action);
        QVERIFY2(a && !a->icon().isNull(), qPrintable(action));
        QTest::mouseClick(w->tbToolBar->widgetForAction(a), Qt::LeftButton);
    }
}

static void row(const char *name, const QString &steps, const QString &requests)
{
    QTest::newRow(name) << steps.split(u',') << requests.split(u',', Qt::SkipEmptyParts);
}

void TestBrowser::navigation_data()
{
    QTest::addColumn<QStringList>("steps");    // action ">" the caption it ends with
    QTest::addColumn<QStringList>("requests"); // page "=" times asked for
    row("Enter on a typed address, then on the list's own, loads each once",
        "type:b.html>Page b.html,type:a.html>Page a.html", "a.html=2,b.html=1");
    row("Enter goes to what was typed, not to the list item it begins", "type:a>Page a",
        "a.html=1,a=1");
    row("a pick from the list loads it", "type:b.html>Page b.html,pick>Page a.html", "a.html=2");
    row("Back and Forward", "type:b.html>Page b.html,Back>Page a.html,Forward>Page b.html", "");
    row("a jump within the page, and Back and Forward across it, load nothing",
        "type:a.html#end>Page a.html,Back>Page a.html,Forward>Page a.html", "a.html=1");
    row("Back and Forward with no history leave the window idle; Refresh loads again",
        "Back>Page a.html,Forward>Page a.html,Refresh>Page a.html", "a.html=2");
    row("Home shows the shipped page, Search the search page",
        "Home>Korvane 使用指南,Search>Page b.html", "b.html=1");
    // A held page: the caption says so while it loads; Stop ends that at once.
    row("Stop while loading", "type:held.html>Working...,Stop>Page a.html", "held.html=1");
    row("a tiny, minimised window survives and works", "shrink>Page a.html,type:b.html>Page b.html",
        "b.html=1");
}

void TestBrowser::navigation()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, requests);
    server_.requested.clear();
    auto *w = qobject_cast<frmBrowser *>(createBrowserWindow(server_.address("/a.html")));
    const std::unique_ptr<QMdiSubWindow> sub(frame_.addSubWindow(w));
    sub->resize(640, 480);
    w->show();
    // The search page is on the internet; the test's own server stands in.
    w->searchAddress = server_.address(QStringLiteral("/b.html"));
    idle(w, QStringLiteral("Page a.html"));
    for (const QString &step : steps) {
        const QString action = step.section(u'>', 0, 0), caption = step.section(u'>', 1);
        act(w, action);
        // Stop ends the loading at once, without waiting for the engine.
        QCOMPARE(w->timTimer->isActive(), action != "Stop" && action != "shrink");
        if (caption == QLatin1String("Working..."))
            QTRY_VERIFY_WITH_TIMEOUT(server_.requested.contains("/held.html"), kWait);
        else
            idle(w, caption);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), caption, kWait);
    }
    // Once the engine has stopped too, the caption stays.
    QTRY_VERIFY_WITH_TIMEOUT(!w->brwWebBrowser->page()->isLoading(), kWait);
    QCOMPARE(w->windowTitle(), steps.last().section(u'>', 1));
    // The starting address stays the list's only item; the frame shows the caption.
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(w->cboAddress->itemText(0), server_.address(QStringLiteral("/a.html")));
    QCOMPARE(sub->windowTitle(), w->windowTitle());
    for (const QString &r : requests)
        QCOMPARE(server_.requested.count(u'/' + r.section(u'=', 0, 0)), r.section(u'=', 1).toInt());
}

int main(int argc, char *argv[])
{
    // Before the application object: the engine shares OpenGL with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
