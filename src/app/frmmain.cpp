#include "app/frmmain.h"

#include "debugging/debugcontroller.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "documents/recoverycopies.h"
#include "editing/editingcontroller.h"
#include "help/helpcontroller.h"
#include "help/pictures.h"
#include "selftest/selftestcontroller.h"
#include "platform/fso.h"
#include "platform/processlauncher.h"
#include "toolchain/toolchaincontroller.h"
#include "toolchain/toollauncher.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

QPointer<frmMain> Mainform;

// The real processes, for a window made without a launcher of its own
// (benchmarks); one for the run, kept as long as any window may start a tool.
static Launcher &ownLauncher()
{
    static ProcessLauncher processes;
    static ToolLauncher tools(processes);
    return tools;
}

frmMain::frmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent), Fso(std::make_unique<FileSystem>()), services_(services)
{
    if (!services_.launcher)
        services_.launcher = &ownLauncher();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvane  2.20"));
    setWindowIcon(programIcon());

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setBackground(QBrush(mdiBackground()));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::watchWindowState);

    createMenus();
    createToolbar();
    createStatusBar();
    documents_ = new DocumentsController(*this, this);
    editing_ = new EditingController(*this, this);
    toolchain_ = new ToolchainController(*this, *documents_, this);
    debug_ = new DebugController(*this, *documents_, *toolchain_, this);
    selfTest_ = new SelfTestController(*this, *toolchain_, *debug_, this);
    help_ = new HelpController(
        *this, [this] { return toolchain_->reportWindow(); }, services_.createBrowser, this);
    connect(documents_, &DocumentsController::windowCreated, this, &frmMain::adoptDocument);
    connectCommands();
    connect(mdiArea_, &QMdiArea::subWindowActivated, debug_, &DebugController::updateDebugCommands);
    connect(mdiArea_, &QMdiArea::subWindowActivated, debug_, &DebugController::showDisplayMode);
    // No toolkit menu for hiding the toolbar: the View menu owns that.
    setContextMenuPolicy(Qt::NoContextMenu);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        resize(avail.width() * 4 / 5, avail.height() * 4 / 5);
    } else {
        resize(1024, 720);
    }
}

frmMain::~frmMain()
{
    // Tearing the frame down moves the activation among its windows; nothing
    // of this half-destroyed window may run then.
    for (QMdiSubWindow *sub : mdiArea_->subWindowList()) {
        sub->disconnect(this);
        if (sub->widget())
            sub->widget()->disconnect(this);
    }
    mdiArea_->disconnect();
    // The subsystems go before the services and paths they were given.
    delete help_;
    delete debug_;
    delete toolchain_;
    delete editing_;
    delete documents_;
}

void frmMain::adoptDocument(frmDocument *doc)
{
    connect(doc, &frmDocument::selectionChanged, editing_, &EditingController::selectionChanged);
    connect(doc, &frmDocument::contextMenuRequested, popmain,
            [this](const QPoint &at) { popmain->popup(at); });
    // A file read into the active window brings its own display mode.
    connect(doc, &frmDocument::loaded, debug_, [this](frmDocument *loaded) {
        if (loaded == activeDocument())
            debug_->showDisplayMode();
    });
}

void frmMain::Show()
{
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void frmMain::Form_Load()
{
    // The design checks every option; the window starts with these.
    const std::pair<const char *, bool> marks[] = {
        {"mnusavetip", false}, {"mnumakelist", true}, {"mnumakecross", false},
        {"mnumakemap", false}, {"mnuuselib", false},  {"mnuparameter", false},
        {"mnurightgo", false},
    };
    for (const auto &[name, on] : marks) {
        if (QAction *a = action(QString::fromLatin1(name)))
            a->setChecked(on);
    }
    Getfullpath(QStringLiteral("masm.exe"), tools_.Masmpath);
    Getfullpath(QStringLiteral("link.exe"), tools_.Linkpath);
    Getfullpath(QStringLiteral("debug.exe"), tools_.Debugpath);
    tools_.Toolfolder = tools_.Masmpath.left(tools_.Masmpath.size() - 8);

    documents_->Saveascancel = false;
    Newdocument();
    // Once the window is up, so that the question stands in front of it.
    QTimer::singleShot(0, &documents_->recovery(), &RecoveryCopies::offer);
}

void frmMain::Getfullpath(const QString &name, QString &into)
{
    into = Fso->absolutePathName(name);
    // Leading and trailing blanks only: a tab is part of a name.
    while (into.startsWith(QLatin1Char(' ')))
        into.remove(0, 1);
    while (into.endsWith(QLatin1Char(' ')))
        into.chop(1);
}

frmDocument *frmMain::activeDocument() const
{
    // currentSubWindow stays set while a dialog or the report window is the
    // active top-level window; activeSubWindow does not.
    QMdiSubWindow *sub = mdiArea_->currentSubWindow();
    return sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
}

QList<frmDocument *> frmMain::documents() const
{
    QList<frmDocument *> docs;
    for (QMdiSubWindow *sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (auto *doc = qobject_cast<frmDocument *>(sub->widget()))
            docs.append(doc);
    }
    return docs;
}

QMenu *frmMain::viewMenu() const
{
    return findChild<QMenu *>(QStringLiteral("mnuView"));
}

void frmMain::setStatusPanel(const QString &text)
{
    statusPanel_->setText(text);
}

void frmMain::showStatusMessage(const QString &text, int timeoutMs)
{
    sbStatusBar->showMessage(text, timeoutMs);
}

void frmMain::clearStatusMessage()
{
    sbStatusBar->clearMessage();
}

void frmMain::restoreToolbar()
{
    tbToolBar->setVisible(action(QStringLiteral("mnuViewToolbar"))->isChecked());
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Ask the windows one at a time in a fixed order and stop at the first
    // Cancel; the windows not yet asked stay open.
    for (QMdiSubWindow *sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    debug_->shutdown();
    Savesettings();
    closing_ = true;
    toolchain_->shutdown();
    event->accept();
}
