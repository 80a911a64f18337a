#include "help/browser/browserwindow.h"
#include "help/browser/frmbrowser.h"
#include "help/webaddresses.h"
#include "platform/twips.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

// Engine start-up under the sanitizer and on a slow machine takes a while; a
// wait only ends early, it never decides a test.
constexpr int kWait = 60000;

// A small web server on the loopback interface. Every page answers at once
// with the title "Page " + its name, except /held.html, whose answer waits
// until release(), so that a test can look at the window while it loads.
class PageServer : public QTcpServer
{
public:
    PageServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
        });
        QVERIFY(listen(QHostAddress::LocalHost));
    }

    QString address(const QString &page) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(serverPort()).arg(page);
    }

    void release()
    {
        for (const QPointer<QTcpSocket> &s : std::as_const(held_))
            if (s)
                answer(s, QStringLiteral("/held.html"));
        held_.clear();
    }

    // How often each page was asked for, by path.
    QHash<QString, int> requests;

private:
    void serve(QTcpSocket *s)
    {
        QByteArray &buffer = buffers_[s];
        buffer += s->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffers_.remove(s);
        const QString path = words.size() > 1 ? QString::fromLatin1(words.at(1)) : QString();
        requests[path] += 1;
        if (path == QLatin1String("/held.html"))
            held_ << s;
        else
            answer(s, path);
    }

    static void answer(QTcpSocket *s, const QString &path)
    {
        const QByteArray body =
            QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Page %1"
                           "</title></head><body><p>%1</p></body></html>")
                .arg(path.mid(1))
                .toUtf8();
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                 "Cache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QHash<QTcpSocket *, QByteArray> buffers_;
    QList<QPointer<QTcpSocket>> held_;
};

class TestBrowser : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void emptyWindowAsDesigned();
    void navigation_data();
    void navigation();
    void workingWhileLoadingThenStop();
    void resizing();
    void twoWindowsKeepTheirOwnPages();

private:
    // A browser window in a frame, as the main window shows it.
    frmBrowser *open(const QString &startingAddress, QSize size = {640, 480});
    void act(frmBrowser *w, const QString &action);

    QMdiArea *frame_ = nullptr;
    PageServer *server_ = nullptr;
};

// Waits until the window has stopped loading with the given caption.
static void idle(frmBrowser *w, const QString &title)
{
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), title, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->windowTitle(), title);
}

void TestBrowser::init()
{
    frame_ = new QMdiArea;
    frame_->resize(1000, 800);
    frame_->show();
    server_ = new PageServer;
}

void TestBrowser::cleanup()
{
    server_->release();
    delete frame_;
    frame_ = nullptr;
    delete server_;
    server_ = nullptr;
}

frmBrowser *TestBrowser::open(const QString &startingAddress, QSize size)
{
    auto *w = qobject_cast<frmBrowser *>(createBrowserWindow(startingAddress));
    frame_->addSubWindow(w)->resize(size);
    w->show();
    return w;
}

// "type:PAGE" enters the page's address in the box, "pick" picks the list's
// first item, anything else is a toolbar button's key.
void TestBrowser::act(frmBrowser *w, const QString &action)
{
    if (action.startsWith(QLatin1String("type:"))) {
        QLineEdit *edit = w->cboAddress->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, server_->address(action.mid(5)));
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (action == QLatin1String("pick")) {
        w->cboAddress->showPopup();
        QAbstractItemView *list = w->cboAddress->view();
        QTRY_VERIFY(list->isVisible());
        const QRect item = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    } else {
        QAction *a = w->tbToolBar->findChild<QAction *>(action);
        QVERIFY2(a, qPrintable(action));
        QTest::mouseClick(w->tbToolBar->widgetForAction(a), Qt::LeftButton);
    }
}

void TestBrowser::emptyWindowAsDesigned()
{
    frmBrowser *w = open(QString());
    QStringList keys;
    for (QAction *a : w->tbToolBar->actions()) {
        keys << a->objectName();
        QCOMPARE(a->toolTip(), a->objectName());
        // Each has a picture, drawn at the toolbar's 24 by 24.
        QCOMPARE(a->icon().pixmap(24, 24).toImage().size(), QSize(24, 24));
    }
    QCOMPARE(keys, QStringList({"Back", "Forward", "Stop", "Refresh", "Home", "Search"}));
    QCOMPARE(w->tbToolBar->iconSize(), QSize(24, 24));
    QCOMPARE(w->lblAddress->text(), QStringLiteral("地址："));
    QCOMPARE(w->lblAddress->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(w->timTimer->interval(), 5);
    QCOMPARE(w->homeAddress, productWebPage());
    // No starting address: nothing loads and the list stays empty.
    QVERIFY(!w->timTimer->isActive());
    QCOMPARE(w->cboAddress->count(), 0);
    QVERIFY(w->brwWebBrowser->url().isEmpty());
    QCOMPARE(w->windowTitle(), QString());
}

void TestBrowser::navigation_data()
{
    QTest::addColumn<QStringList>("steps");    // action ">" the caption it ends with
    QTest::addColumn<QStringList>("requests"); // page "=" times asked for

    QTest::newRow("Enter on a typed address loads it once")
        << QStringList{"type:b.html>Page b.html"} << QStringList{"a.html=1", "b.html=1"};
    QTest::newRow("Enter on the list's own address loads it once")
        << QStringList{"type:b.html>Page b.html", "type:a.html>Page a.html"}
        << QStringList{"a.html=2"};
    QTest::newRow("Enter goes to what was typed, not to the list item it begins")
        << QStringList{"type:a>Page a"} << QStringList{"a.html=1", "a=1"};
    QTest::newRow("a pick from the list loads it")
        << QStringList{"type:b.html>Page b.html", "pick>Page a.html"} << QStringList{"a.html=2"};
    QTest::newRow("Back and Forward")
        << QStringList{"type:b.html>Page b.html", "Back>Page a.html", "Forward>Page b.html"}
        << QStringList{};
    QTest::newRow("a jump within the page, and Back and Forward across it, load nothing")
        << QStringList{"type:a.html#end>Page a.html", "Back>Page a.html", "Forward>Page a.html"}
        << QStringList{"a.html=1"};
    QTest::newRow("Back and Forward with no history leave the window idle")
        << QStringList{"Back>Page a.html", "Forward>Page a.html"} << QStringList{"a.html=1"};
    QTest::newRow("Refresh loads again")
        << QStringList{"Refresh>Page a.html"} << QStringList{"a.html=2"};
    QTest::newRow("Home shows the shipped page, Search the search page")
        << QStringList{"Home>Korvane 使用指南", "Search>Page b.html"} << QStringList{"b.html=1"};
}

void TestBrowser::navigation()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, requests);
    const QString start = server_->address(QStringLiteral("a.html"));
    frmBrowser *w = open(start);
    // The search page is on the internet; the test's own server stands in.
    w->searchAddress = server_->address(QStringLiteral("b.html"));
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(w->cboAddress->currentText(), start);
    idle(w, QStringLiteral("Page a.html"));

    for (const QString &step : steps) {
        act(w, step.section(u'>', 0, 0));
        QVERIFY(w->timTimer->isActive());
        idle(w, step.section(u'>', 1));
    }
    // The starting address stays the list's only item; the frame shows the caption.
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(w->cboAddress->itemText(0), start);
    QCOMPARE(frame_->subWindowList().first()->windowTitle(), w->windowTitle());
    for (const QString &r : requests)
        QCOMPARE(server_->requests.value(u'/' + r.section(u'=', 0, 0)), r.section(u'=', 1).toInt());
}

void TestBrowser::workingWhileLoadingThenStop()
{
    const QString held = server_->address(QStringLiteral("held.html"));
    frmBrowser *w = open(held);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Working..."), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/held.html")), 1, kWait);
    // Held by the server: still loading, still saying so.
    QVERIFY(w->timTimer->isActive());
    QCOMPARE(w->windowTitle(), QStringLiteral("Working..."));
    server_->release();
    idle(w, QStringLiteral("Page held.html"));

    act(w, QStringLiteral("type:held.html"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Working..."), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/held.html")), 2, kWait);
    act(w, QStringLiteral("Stop"));
    // At once, without waiting for the engine: the page still on show.
    QVERIFY(!w->timTimer->isActive());
    QCOMPARE(w->windowTitle(), QStringLiteral("Page held.html"));
    QTRY_VERIFY_WITH_TIMEOUT(!w->brwWebBrowser->page()->isLoading(), kWait);
    QCOMPARE(w->windowTitle(), QStringLiteral("Page held.html"));
}

void TestBrowser::resizing()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")), {600, 400});
    idle(w, QStringLiteral("Page a.html"));
    const int margin = twipsX(w, 50);
    const QRect page = w->brwWebBrowser->geometry();
    const int box = w->cboAddress->width();
    QCOMPARE(page.left(), margin);
    QCOMPARE(w->width() - page.right() - 1, margin);
    QCOMPARE(w->cboAddress->x(), margin);
    QCOMPARE(box, page.width());
    QCOMPARE(w->height() - page.bottom() - 1, twipsY(w, 100));
    QCOMPARE(page.top(), w->picAddress->geometry().bottom() + 1);

    // Widening widens the address box and the page by the same amount.
    QMdiSubWindow *sub = frame_->subWindowList().first();
    const int oldWidth = w->width();
    sub->resize(sub->width() + 150, sub->height() + 40);
    QTRY_COMPARE(w->width(), oldWidth + 150);
    QCOMPARE(w->brwWebBrowser->width(), page.width() + 150);
    QCOMPARE(w->cboAddress->width(), box + 150);
    QCOMPARE(w->brwWebBrowser->height(), page.height() + 40);
    QCOMPARE(w->brwWebBrowser->x(), margin);

    // Smaller than the margins, and minimized, the window survives and works.
    QPointer<frmBrowser> alive(w);
    w->resize(3, 2);
    QCoreApplication::processEvents();
    QVERIFY(w->brwWebBrowser->width() >= 0 && w->brwWebBrowser->height() >= 0);
    QVERIFY(w->cboAddress->width() >= 0);
    sub->showMinimized();
    QCoreApplication::processEvents();
    QVERIFY(w->brwWebBrowser->width() >= 0 && w->brwWebBrowser->height() >= 0);
    sub->showNormal();
    sub->resize(500, 400);
    QVERIFY(alive);
    QTRY_VERIFY(w->brwWebBrowser->width() > 0 && w->brwWebBrowser->height() > 0);
    act(w, QStringLiteral("type:b.html"));
    idle(w, QStringLiteral("Page b.html"));
}

void TestBrowser::twoWindowsKeepTheirOwnPages()
{
    frmBrowser *first = open(server_->address(QStringLiteral("a.html")));
    frmBrowser *second = open(server_->address(QStringLiteral("b.html")));
    QVERIFY(first != second);
    QCOMPARE(frame_->subWindowList().size(), 2);
    idle(first, QStringLiteral("Page a.html"));
    idle(second, QStringLiteral("Page b.html"));
    QCOMPARE(first->cboAddress->itemText(0), server_->address(QStringLiteral("a.html")));
    QCOMPARE(second->cboAddress->itemText(0), server_->address(QStringLiteral("b.html")));
}

int main(int argc, char *argv[])
{
    // The web engine shares its OpenGL contexts with the widgets: this must be
    // said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
