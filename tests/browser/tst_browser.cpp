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
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

// Engine start-up under the sanitizer and on a slow machine takes a while; a
// wait only ends early, it never decides a test.
constexpr int kWait = 60000;

// A small web server on the loopback interface. Pages answer at once, except
// /held.html, whose answer waits until release(), so that a test can look at
// the window while a page is loading for as long as it likes.
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
        released_ = true;
        for (const QPointer<QTcpSocket> &s : std::as_const(held_))
            if (s)
                answer(s, QStringLiteral("Held page"));
        held_.clear();
    }

    // How often each page was asked for.
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
        if (path == QLatin1String("/a.html"))
            answer(s, QStringLiteral("Page A"));
        else if (path == QLatin1String("/b.html"))
            answer(s, QStringLiteral("Page B"));
        else if (path == QLatin1String("/held.html") && !released_)
            held_ << s;
        else if (path == QLatin1String("/held.html"))
            answer(s, QStringLiteral("Held page"));
        else
            reply(s, "404 Not Found", {});
    }

    void answer(QTcpSocket *s, const QString &title)
    {
        reply(s, "200 OK",
              QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                             "</head><body><p>%1</p></body></html>")
                  .arg(title)
                  .toUtf8());
    }

    static void reply(QTcpSocket *s, const QByteArray &status, const QByteArray &body)
    {
        s->write("HTTP/1.1 " + status +
                 "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store"
                 "\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QHash<QTcpSocket *, QByteArray> buffers_;
    QList<QPointer<QTcpSocket>> held_;
    bool released_ = false;
};

class TestBrowser : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shippedPageGivesItsTitle();
    void toolbarButtons();
    void startingAddressIsTheListsOnlyItem();
    void emptyStartingAddressLoadsNothing();
    void workingWhileThePageLoads();
    void enterLoadsTheTypedAddressOnce();
    void enterOnTheListsAddressLoadsItOnce();
    void enterGoesToWhatWasTyped();
    void pickFromTheListLoadsIt();
    void backAndForward();
    void backWithNoHistoryLeavesTheWindowIdle();
    void stopShowsTheLocationAtOnce();
    void homeAndSearch();
    void refreshLoadsAgain();
    void wideningKeepsTheMargins();
    void tinyWindowSurvives();
    void twoWindowsKeepTheirOwnPages();

private:
    // A browser window in a frame, as the main window shows it.
    frmBrowser *open(const QString &startingAddress, QSize size = {640, 480});
    void click(frmBrowser *w, const QString &key);
    void enterAddress(frmBrowser *w, const QString &address);

    QMdiArea *frame_ = nullptr;
    PageServer *server_ = nullptr;
};

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
    QMdiSubWindow *sub = frame_->addSubWindow(w);
    sub->resize(size);
    w->show();
    return w;
}

void TestBrowser::click(frmBrowser *w, const QString &key)
{
    QAction *a = w->tbToolBar->findChild<QAction *>(key);
    QVERIFY2(a, qPrintable(key));
    QTest::mouseClick(w->tbToolBar->widgetForAction(a), Qt::LeftButton);
}

void TestBrowser::enterAddress(frmBrowser *w, const QString &address)
{
    QLineEdit *edit = w->cboAddress->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, address);
    QTest::keyClick(edit, Qt::Key_Return);
}

void TestBrowser::shippedPageGivesItsTitle()
{
    // The page shipped with the program, found where the program finds it.
    const QString home = productWebPage();
    QVERIFY2(QFile::exists(QUrl(home).toLocalFile()), qPrintable(home));
    frmBrowser *w = open(home);
    QSignalSpy finished(w->brwWebBrowser, &QWebEngineView::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Korvane 使用指南"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QVERIFY(!finished.isEmpty());
    QCOMPARE(finished.last().at(0).toBool(), true);
    // The frame shows the window's caption.
    QCOMPARE(frame_->subWindowList().first()->windowTitle(), QStringLiteral("Korvane 使用指南"));
}

void TestBrowser::toolbarButtons()
{
    frmBrowser *w = open(QString());
    QStringList keys;
    for (QAction *a : w->tbToolBar->actions()) {
        keys << a->objectName();
        QCOMPARE(a->toolTip(), a->objectName());
        // Each has its own picture, drawn at the toolbar's 24 by 24.
        const QImage picture = a->icon().pixmap(24, 24).toImage();
        QVERIFY2(!picture.isNull(), qPrintable(a->objectName()));
        QCOMPARE(picture.size(), QSize(24, 24));
    }
    QCOMPARE(keys, QStringList({"Back", "Forward", "Stop", "Refresh", "Home", "Search"}));
    QCOMPARE(w->tbToolBar->iconSize(), QSize(24, 24));
    QCOMPARE(w->lblAddress->text(), QStringLiteral("地址："));
    QCOMPARE(w->lblAddress->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(w->timTimer->interval(), 5);
}

void TestBrowser::startingAddressIsTheListsOnlyItem()
{
    const QString a = server_->address(QStringLiteral("a.html"));
    frmBrowser *w = open(a);
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(w->cboAddress->itemText(0), a);
    QCOMPARE(w->cboAddress->currentText(), a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QCOMPARE(w->cboAddress->count(), 1);
}

void TestBrowser::emptyStartingAddressLoadsNothing()
{
    frmBrowser *w = open(QString());
    QVERIFY(!w->timTimer->isActive());
    QCOMPARE(w->cboAddress->count(), 0);
    QCOMPARE(w->cboAddress->currentText(), QString());
    QVERIFY(w->brwWebBrowser->url().isEmpty());
    QCOMPARE(w->windowTitle(), QString());
}

void TestBrowser::workingWhileThePageLoads()
{
    frmBrowser *w = open(server_->address(QStringLiteral("held.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Working..."), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/held.html")), 1, kWait);
    // Held by the server: still loading, still saying so.
    QVERIFY(w->timTimer->isActive());
    QCOMPARE(w->windowTitle(), QStringLiteral("Working..."));
    server_->release();
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Held page"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->windowTitle(), QStringLiteral("Held page"));
}

void TestBrowser::enterLoadsTheTypedAddressOnce()
{
    const QString a = server_->address(QStringLiteral("a.html"));
    const QString b = server_->address(QStringLiteral("b.html"));
    frmBrowser *w = open(a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    enterAddress(w, b);
    QVERIFY(w->timTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(w->cboAddress->itemText(0), a);
    QCOMPARE(server_->requests.value(QStringLiteral("/b.html")), 1);
    QCOMPARE(w->brwWebBrowser->url().toString(), b);
}

void TestBrowser::enterOnTheListsAddressLoadsItOnce()
{
    const QString a = server_->address(QStringLiteral("a.html"));
    frmBrowser *w = open(a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    enterAddress(w, server_->address(QStringLiteral("b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);

    // The typed text is the list's item: one navigation, not one for the
    // Enter key and another for the item.
    enterAddress(w, a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(server_->requests.value(QStringLiteral("/a.html")), 2);
    QCOMPARE(w->cboAddress->count(), 1);
}

void TestBrowser::enterGoesToWhatWasTyped()
{
    const QString a = server_->address(QStringLiteral("a.html"));
    frmBrowser *w = open(a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);

    // The start of the list's item, typed by hand: not completed to the item.
    enterAddress(w, server_->address(QString()));
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/")), 1, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(server_->requests.value(QStringLiteral("/a.html")), 1);
    QCOMPARE(w->cboAddress->count(), 1);
}

void TestBrowser::pickFromTheListLoadsIt()
{
    const QString a = server_->address(QStringLiteral("a.html"));
    frmBrowser *w = open(a);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    enterAddress(w, server_->address(QStringLiteral("b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);

    w->cboAddress->showPopup();
    QAbstractItemView *list = w->cboAddress->view();
    QTRY_VERIFY(list->isVisible());
    const QRect item = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QCOMPARE(w->cboAddress->count(), 1);
    QCOMPARE(server_->requests.value(QStringLiteral("/a.html")), 2);
}

void TestBrowser::backAndForward()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    enterAddress(w, server_->address(QStringLiteral("b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);

    click(w, QStringLiteral("Back"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    click(w, QStringLiteral("Forward"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    // Moving through the history does not add to the address list.
    QCOMPARE(w->cboAddress->count(), 1);
}

void TestBrowser::backWithNoHistoryLeavesTheWindowIdle()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    click(w, QStringLiteral("Back"));
    click(w, QStringLiteral("Forward"));
    // Nothing to load: the first tick finds the browser idle.
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
}

void TestBrowser::stopShowsTheLocationAtOnce()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    enterAddress(w, server_->address(QStringLiteral("held.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Working..."), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/held.html")), 1, kWait);

    click(w, QStringLiteral("Stop"));
    // At once, without waiting for the engine: the page still on show.
    QVERIFY(!w->timTimer->isActive());
    QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
    QTRY_VERIFY_WITH_TIMEOUT(!w->brwWebBrowser->page()->isLoading(), kWait);
    QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
}

void TestBrowser::homeAndSearch()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QCOMPARE(w->homeAddress, productWebPage());
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    click(w, QStringLiteral("Home"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Korvane 使用指南"), kWait);

    // The search page is on the internet; the test's own server stands in.
    w->searchAddress = server_->address(QStringLiteral("b.html"));
    click(w, QStringLiteral("Search"));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);
    QCOMPARE(w->cboAddress->count(), 1);
}

void TestBrowser::refreshLoadsAgain()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(server_->requests.value(QStringLiteral("/a.html")), 1);
    click(w, QStringLiteral("Refresh"));
    QVERIFY(w->timTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests.value(QStringLiteral("/a.html")), 2, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!w->timTimer->isActive(), kWait);
    QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
}

void TestBrowser::wideningKeepsTheMargins()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")), {600, 400});
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    const int margin = twipsX(w, 50);
    const QRect page = w->brwWebBrowser->geometry();
    const int box = w->cboAddress->width();
    QCOMPARE(page.left(), margin);
    QCOMPARE(w->width() - page.right() - 1, margin);
    QCOMPARE(w->cboAddress->x(), margin);
    QCOMPARE(box, page.width());
    QCOMPARE(w->height() - page.bottom() - 1, twipsY(w, 100));
    QCOMPARE(page.top(), w->picAddress->geometry().bottom() + 1);

    QMdiSubWindow *sub = frame_->subWindowList().first();
    const int oldWidth = w->width();
    sub->resize(sub->width() + 150, sub->height() + 40);
    QTRY_COMPARE(w->width(), oldWidth + 150);
    QCOMPARE(w->brwWebBrowser->width(), page.width() + 150);
    QCOMPARE(w->cboAddress->width(), box + 150);
    QCOMPARE(w->brwWebBrowser->height(), page.height() + 40);
    QCOMPARE(w->brwWebBrowser->x(), margin);
}

void TestBrowser::tinyWindowSurvives()
{
    frmBrowser *w = open(server_->address(QStringLiteral("a.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page A"), kWait);
    QPointer<frmBrowser> alive(w);
    QMdiSubWindow *sub = frame_->subWindowList().first();

    // Smaller than the margins, and minimized.
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
    // The page still works.
    enterAddress(w, server_->address(QStringLiteral("b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Page B"), kWait);
}

void TestBrowser::twoWindowsKeepTheirOwnPages()
{
    frmBrowser *first = open(server_->address(QStringLiteral("a.html")));
    frmBrowser *second = open(server_->address(QStringLiteral("b.html")));
    QVERIFY(first != second);
    QCOMPARE(frame_->subWindowList().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(first->windowTitle(), QStringLiteral("Page A"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(second->windowTitle(), QStringLiteral("Page B"), kWait);
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
