#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QUrl;
class QWebEngineView;

// The web browser child window: a toolbar, the address box and the page. Its
// caption is the page's name, or "Working..." while a page loads.
class frmBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit frmBrowser(QWidget *parent = nullptr);

    // Loaded when the window is first shown; set it before showing.
    QString StartingAddress;
    // Where the Home and Search buttons go.
    QString homeAddress;
    QString searchAddress;

    QToolBar *tbToolBar = nullptr;
    QWidget *picAddress = nullptr;
    QLabel *lblAddress = nullptr;
    QComboBox *cboAddress = nullptr;
    QWebEngineView *brwWebBrowser = nullptr;
    QTimer *timTimer = nullptr;

    // The browser's name for the page on show: its title, or its address when
    // it has none.
    QString locationName() const;
    // True from a navigation request until the engine has finished loading.
    bool isBusy() const;
    bool sameDocument(const QUrl &url) const;

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Load();
    void Form_Resize();
    void brwWebBrowser_DownloadComplete();
    void timTimer_Timer();
    void cboAddress_Click();
    void tbToolBar_ButtonClick(const QString &key);
    void navigate(const QString &address);

    bool loaded_ = false;
    // A navigation was asked for and the engine has not yet reported its start:
    // the engine's own loading flag follows only after a round trip.
    bool requested_ = false;
};
