#include "help/browser/frmbrowser.h"

#include "help/browser/browserwindow.h"
#include "rules/webaddresses.h"
#include "platform/twips.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>

namespace {

const QColor kBackground(192, 192, 255);

void setBackground(QWidget *w)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, kBackground);
    w->setPalette(p);
}

} // namespace

static void initIcons()
{
    // The icons live in this static library: make sure they are linked in.
    Q_INIT_RESOURCE(browsericons);
}

frmBrowser::frmBrowser(QWidget *parent)
    : QWidget(parent), homeAddress(productWebPage()), searchAddress(webSearchPage())
{
    initIcons();
    setObjectName(QStringLiteral("frmBrowser"));
    setBackground(this);

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setIconSize(QSize(24, 24));
    tbToolBar->setMovable(false);
    const struct
    {
        const char *key;
        const char *icon;
    } buttons[] = {{"Back", "back"},       {"Forward", "forward"}, {"Stop", "stop"},
                   {"Refresh", "refresh"}, {"Home", "home"},       {"Search", "search"}};
    for (const auto &b : buttons) {
        const QString key = QLatin1String(b.key);
        QAction *a = tbToolBar->addAction(
            QIcon(QStringLiteral(":/browser/%1.svg").arg(QLatin1String(b.icon))), key);
        a->setObjectName(key);
        a->setToolTip(key);
        connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }

    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    setBackground(picAddress);

    lblAddress = new QLabel(QStringLiteral("地址："), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    QPalette lp = lblAddress->palette();
    lp.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblAddress->setPalette(lp);
    // Its box is tight for the text on some fonts: let it grow rather than clip.
    lblAddress->setGeometry(twipsX(this, 45), twipsY(this, 60),
                            std::max(twipsX(this, 495), lblAddress->sizeHint().width()),
                            std::max(twipsY(this, 195), lblAddress->sizeHint().height()));

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    // Navigating must not add to the list; and Enter goes to what was typed,
    // not to the list item that the typing happens to begin.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    cboAddress->move(twipsX(this, 50), lblAddress->geometry().bottom() + 1 + twipsY(this, 15));
    connect(cboAddress, &QComboBox::activated, this, &frmBrowser::cboAddress_Click);
    connect(cboAddress->lineEdit(), &QLineEdit::returnPressed, this, &frmBrowser::cboAddress_Click);

    brwWebBrowser = new QWebEngineView(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    connect(brwWebBrowser, &QWebEngineView::loadStarted, this, [this] { requested_ = false; });
    connect(brwWebBrowser, &QWebEngineView::loadFinished, this, [this] {
        requested_ = false;
        brwWebBrowser_DownloadComplete();
    });

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    Form_Resize();
}

QSize frmBrowser::sizeHint() const
{
    return {twipsX(this, 9600), twipsY(this, 7200)};
}

QString frmBrowser::locationName() const
{
    const QString title = brwWebBrowser->title();
    return title.isEmpty() ? brwWebBrowser->url().toString() : title;
}

bool frmBrowser::isBusy() const
{
    return requested_ || brwWebBrowser->page()->isLoading();
}

void frmBrowser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::Form_Load()
{
    tbToolBar->update();
    Form_Resize();
    cboAddress->move(twipsX(this, 50), lblAddress->geometry().bottom() + 1 + twipsY(this, 15));
    if (!StartingAddress.isEmpty()) {
        cboAddress->insertItem(0, StartingAddress);
        cboAddress->setEditText(StartingAddress);
        timTimer->start();
        navigate(StartingAddress);
    }
}

void frmBrowser::Form_Resize()
{
    const int w = width();
    const int h = height();
    tbToolBar->setGeometry(0, 0, w, twipsY(this, 540));
    picAddress->setGeometry(0, twipsY(this, 540), w, twipsY(this, 675));
    // A window smaller than the margins leaves the controls with no room
    // rather than with a negative size.
    const int inner = std::max(0, w - twipsX(this, 100));
    const int top = picAddress->geometry().bottom() + 1;
    cboAddress->resize(inner, cboAddress->sizeHint().height());
    brwWebBrowser->setGeometry(twipsX(this, 50), top, inner,
                               std::max(0, h - top - twipsY(this, 100)));
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(locationName());
}

void frmBrowser::timTimer_Timer()
{
    if (isBusy()) {
        setWindowTitle(QStringLiteral("Working..."));
    } else {
        timTimer->stop();
        setWindowTitle(locationName());
    }
}

void frmBrowser::cboAddress_Click()
{
    timTimer->start();
    navigate(cboAddress->currentText());
}

void frmBrowser::tbToolBar_ButtonClick(const QString &key)
{
    timTimer->start();
    // A step the browser cannot take (no page to go back to) is skipped.
    if (key == QLatin1String("Back")) {
        if (brwWebBrowser->history()->canGoBack()) {
            requested_ = !sameDocument(brwWebBrowser->history()->backItem().url());
            brwWebBrowser->back();
        }
    } else if (key == QLatin1String("Forward")) {
        if (brwWebBrowser->history()->canGoForward()) {
            requested_ = !sameDocument(brwWebBrowser->history()->forwardItem().url());
            brwWebBrowser->forward();
        }
    } else if (key == QLatin1String("Stop")) {
        brwWebBrowser->stop();
        requested_ = false;
        timTimer->stop();
        setWindowTitle(locationName());
    } else if (key == QLatin1String("Refresh")) {
        if (!brwWebBrowser->url().isEmpty()) {
            requested_ = true;
            brwWebBrowser->reload();
        }
    } else if (key == QLatin1String("Home")) {
        navigate(homeAddress);
    } else if (key == QLatin1String("Search")) {
        navigate(searchAddress);
    }
}

void frmBrowser::navigate(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!url.isValid())
        return;
    requested_ = !sameDocument(url);
    brwWebBrowser->setUrl(url);
}

bool frmBrowser::sameDocument(const QUrl &url) const
{
    // Only the part after # differs (or names the same place again): the
    // browser moves within the page and loads nothing, so no load will say
    // that it has ended.
    const QUrl here = brwWebBrowser->url();
    return (url.hasFragment() || here.hasFragment()) && !here.isEmpty() &&
           url.adjusted(QUrl::RemoveFragment) == here.adjusted(QUrl::RemoveFragment);
}

QWidget *createBrowserWindow(const QString &startingAddress, QWidget *parent)
{
    auto *w = new frmBrowser(parent);
    w->StartingAddress = startingAddress;
    return w;
}
