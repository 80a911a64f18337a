#include "app/frmmain.h"

#include "app/pictures.h"
#include "debugging/debugstate.h"
#include "documents/frmdocument.h"
#include "documents/recoverycopies.h"
#include "toolchain/toolwait.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScreen>
#include <QTimer>

QPointer<frmMain> Mainform;

frmMain::frmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvane  2.20"));
    setWindowIcon(programIcon());

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setBackground(QBrush(mdiBackground()));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::watchWindowState);
    recovery = new RecoveryCopies(this);

    createMenus();
    createToolbar();
    createStatusBar();
    connectCommands();
    connectEditingCommands();
    connectToolchainCommands();
    connectDebugCommands();
    connectDisplayCommands();
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::updateDebugCommands);
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
    mdiArea_->disconnect(this);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    return debugKeyFilter(watched, event) || QMainWindow::eventFilter(watched, event);
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

    Fso = std::make_unique<FileSystem>();
    Indentwidth = 8;

    Getfullpath(QStringLiteral("masm.exe"));
    Masmpath = Fullpath;
    Getfullpath(QStringLiteral("link.exe"));
    Linkpath = Fullpath;
    Getfullpath(QStringLiteral("debug.exe"));
    Debugpath = Fullpath;
    Toolfolder = Masmpath.left(Masmpath.size() - 8);

    Saveascancel = false;
    Newdocument();
    // Once the window is up, so that the question stands in front of it.
    QTimer::singleShot(0, recovery, &RecoveryCopies::offer);
}

void frmMain::Getfullpath(const QString &name)
{
    Fullpath = Fso->absolutePathName(name);
    // Leading and trailing blanks only: a tab is part of a name.
    while (Fullpath.startsWith(QLatin1Char(' ')))
        Fullpath.remove(0, 1);
    while (Fullpath.endsWith(QLatin1Char(' ')))
        Fullpath.chop(1);
}

QString frmMain::Stripext(const QString &path) const
{
    const QString e = FileSystem().extensionName(path);
    if (e.isEmpty())
        return path;
    return path.left(path.size() - e.size() - 1);
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

QAction *frmMain::action(const QString &name) const
{
    return actions_.value(name, nullptr);
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
    saveDebugLayout();
    endDebugging();
    Savesettings();
    closing_ = true;
    // Every wait ends with the window, and the tool it waits for with it.
    for (ToolWait *wait : findChildren<ToolWait *>(Qt::FindDirectChildrenOnly))
        wait->cancel();
    watchedRuns_.clear();
    event->accept();
}
