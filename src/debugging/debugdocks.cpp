#include "workbench/workbench.h"
#include "debugging/debugcontroller.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "debugging/breakpointpanel.h"
#include "debugging/debugstate.h"
#include "debugging/commandpanel.h"
#include "debugging/disassemblypanel.h"
#include "debugging/flagpanel.h"
#include "debugging/memorypanel.h"
#include "debugging/registerpanel.h"
#include "debugging/screenview.h"
#include "debugging/stackpanel.h"
#include "debugging/watchpanel.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace {

// The panels' places live beside the program's other settings of its own,
// never in the settings file the tools' users know.
QSettings layoutSettings()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                         QStringLiteral("/layout.ini"),
                     QSettings::IniFormat);
}

const char kLayoutKey[] = "debugger/layout";

// The panels beside the text share one place as tabs where the screen is too
// low for them one above the other; the window stays on the screen.
void fitOnScreen(QMainWindow *window, const DebugPanels &p)
{
    const QRect screen = window->screen()->availableGeometry();
    const int frame = window->frameGeometry().height() - window->geometry().height();
    if (window->minimumSizeHint().height() + frame > screen.height()) {
        window->tabifyDockWidget(p.registersDock, p.flagsDock);
        window->tabifyDockWidget(p.registersDock, p.stackDock);
        p.registersDock->raise();
    }
    if (window->isMaximized() || window->isFullScreen() || screen.contains(window->frameGeometry()))
        return;
    window->resize(std::min(window->width(), screen.width()),
                   std::min(window->height(), screen.height() - frame));
    const QRect now = window->frameGeometry();
    window->move(
        std::clamp(now.x(), screen.left(), std::max(screen.left(), screen.right() - now.width())),
        std::clamp(now.y(), screen.top(), std::max(screen.top(), screen.bottom() - now.height())));
}

} // namespace

void DebugController::createDebugPanels()
{
    debugPanels_ = std::make_unique<DebugPanels>();
    DebugPanels &p = *debugPanels_;
    QMainWindow *window = wb_.window();
    auto dock = [window](const QString &name, const QString &title, QWidget *panel,
                         Qt::DockWidgetArea area) {
        auto *d = new QDockWidget(title, window);
        d->setObjectName(name);
        d->setWidget(panel);
        d->setAllowedAreas(Qt::AllDockWidgetAreas);
        window->addDockWidget(area, d);
        d->hide();
        return d;
    };
    p.registers = new RegisterPanel;
    p.flags = new FlagPanel;
    p.memory = new MemoryPanel;
    p.stack = new StackPanel;
    connectEdits();
    p.screen = new ScreenView;
    p.disassembly = new DisassemblyPanel;
    p.disassembly->setSourceReader([this](const SourceLine &line) { return sourceText(line); });
    // On a small or scaled screen the figures shrink with their docks and
    // scroll, rather than push the window past the screen's edge.
    auto scrolled = [](QWidget *panel) {
        auto *area = new QScrollArea;
        area->setWidget(panel);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        return area;
    };
    p.registersDock = dock(QStringLiteral("registersDock"), QStringLiteral("寄存器"),
                           scrolled(p.registers), Qt::RightDockWidgetArea);
    p.flagsDock = dock(QStringLiteral("flagsDock"), QStringLiteral("标志"), scrolled(p.flags),
                       Qt::RightDockWidgetArea);
    p.stackDock =
        dock(QStringLiteral("stackDock"), QStringLiteral("堆栈"), p.stack, Qt::RightDockWidgetArea);
    p.memoryDock = dock(QStringLiteral("memoryDock"), QStringLiteral("内存"), p.memory,
                        Qt::BottomDockWidgetArea);
    // The screen shrinks with its dock only as far as its text stays
    // readable; below that it scrolls.
    auto *screenArea = new QScrollArea;
    screenArea->setWidget(p.screen);
    screenArea->setWidgetResizable(true);
    screenArea->setFrameShape(QFrame::NoFrame);
    p.screen->setTextReadable(true);
    p.screenDock = dock(QStringLiteral("screenDock"), QStringLiteral("屏幕"), screenArea,
                        Qt::BottomDockWidgetArea);
    // The screen's 80 columns and the memory's rows each want the whole
    // width: they share it as tabs.
    window->tabifyDockWidget(p.memoryDock, p.screenDock);
    p.disassemblyDock = dock(QStringLiteral("disassemblyDock"), QStringLiteral("反汇编"),
                             p.disassembly, Qt::BottomDockWidgetArea);
    window->tabifyDockWidget(p.memoryDock, p.disassemblyDock);
    p.watch = new WatchPanel;
    p.watchDock = dock(QStringLiteral("watchDock"), QStringLiteral("监视"), p.watch,
                       Qt::RightDockWidgetArea);
    window->tabifyDockWidget(p.stackDock, p.watchDock);
    connect(p.watch, &WatchPanel::expressionsChanged, this, &DebugController::keepWatches);
    p.commands = new CommandPanel;
    p.commandsDock = dock(QStringLiteral("commandsDock"), QStringLiteral("命令"), p.commands,
                          Qt::BottomDockWidgetArea);
    window->tabifyDockWidget(p.memoryDock, p.commandsDock);
    connect(p.commands, &CommandPanel::lineEntered, this, &DebugController::enterDebugCommand);
    p.breakpoints = new BreakpointPanel;
    // Its rows want the width of a condition: beside the memory's, as a tab.
    p.breakpointsDock = dock(QStringLiteral("breakpointsDock"), QStringLiteral("断点"),
                             p.breakpoints, Qt::BottomDockWidgetArea);
    window->tabifyDockWidget(p.memoryDock, p.breakpointsDock);
    connectBreakpointPanel();
    // Keys typed go to the program whether it waits for one, runs (its own
    // INT 9 handler gets them at once), or is held (they wait until it runs).
    p.screen->setTypeAhead(true);
    connect(p.screen, &ScreenView::keyTyped, this, [this](quint16 key) {
        if (DebugSession *s = debugSession(); s && !s->ended())
            s->typeKey(key);
    });

    // The View menu can bring back a panel the user closed, after the menu's own items.
    QMenu *view = wb_.viewMenu();
    view->addSeparator()->setObjectName(QStringLiteral("panelsbar"));
    QMenu *panels = view->addMenu(QStringLiteral("调试面板(&D)"));
    panels->setObjectName(QStringLiteral("mnudebugpanels"));
    panels->menuAction()->setObjectName(QStringLiteral("mnudebugpanels"));
    const QString keys = QStringLiteral("RFMKSUWCB");
    int i = 0;
    for (QDockWidget *d : p.docks()) {
        QAction *toggle = d->toggleViewAction();
        toggle->setText(d->windowTitle() + QStringLiteral("(&%1)").arg(keys.at(i++)));
        panels->addAction(toggle);
    }
    // Shown while a program is debugged.
    panels->menuAction()->setEnabled(false);
    // The keyboard's way between the text and the panels beside it.
    QAction *next = view->addAction(QStringLiteral("切换到下一个面板(&J)"));
    next->setObjectName(QStringLiteral("mnunextpane"));
    next->setShortcut(QKeySequence(Qt::Key_F7));
    connect(next, &QAction::triggered, this, &DebugController::focusNextPane);
}

void DebugController::focusNextPane()
{
    // The active document's text, then each panel on the screen, in the
    // View menu's order, and round again.
    QList<QWidget *> panes;
    if (frmDocument *doc = wb_.activeDocument())
        panes << doc->Text1;
    for (QDockWidget *d : debugPanels_->docks()) {
        if (d->isVisible() && !d->visibleRegion().isEmpty())
            panes << d->widget();
    }
    if (panes.isEmpty())
        return;
    const QWidget *focus = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        if (focus && (focus == panes[i] || panes[i]->isAncestorOf(focus)))
            at = i;
    }
    QWidget *pane = panes[(at + 1) % panes.size()];
    // A panel takes the focus at its first part that takes keys.
    QWidget *target = pane;
    for (QWidget *w : pane->findChildren<QWidget *>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(pane)) {
            target = w;
            break;
        }
    }
    if (auto *dock = qobject_cast<QDockWidget *>(pane->parentWidget()))
        dock->raise();
    target->setFocus(Qt::ShortcutFocusReason);
}

void DebugController::showDebugPanels(bool show)
{
    DebugPanels &p = *debugPanels_;
    QAction *menu = wb_.viewMenu()->findChild<QMenu *>(QStringLiteral("mnudebugpanels"))->menuAction();
    if (show == menu->isEnabled())
        return;
    if (!show) {
        saveDebugLayout();
        menu->setEnabled(false);
        for (QDockWidget *d : p.docks())
            d->hide();
        return;
    }
    menu->setEnabled(true);
    const QByteArray layout = layoutSettings().value(QString::fromLatin1(kLayoutKey)).toByteArray();
    QMainWindow *window = wb_.window();
    if (layout.isEmpty() || !window->restoreState(layout)) {
        for (QDockWidget *d : p.docks())
            d->show();
        p.screenDock->raise();
        // Tall enough for 25 readable rows, once the docks have their first sizes.
        QTimer::singleShot(0, this, [this, window] {
            window->resizeDocks({debugPanels_->screenDock}, {window->height() * 9 / 20},
                                Qt::Vertical);
        });
    }
    // A layout kept from before 命令 or 断点 was there leaves them hidden:
    // they join the memory's tabs instead. (A dock's name is in the layout
    // in UTF-16.)
    for (QDockWidget *d : {p.commandsDock, p.breakpointsDock}) {
        QByteArray name;
        for (const QChar c : d->objectName())
            name.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        if (!layout.isEmpty() && !layout.contains(name)) {
            window->tabifyDockWidget(p.memoryDock, d);
            d->show();
        }
    }
    // The layout carries the toolbar too; the View menu decides on that.
    wb_.restoreToolbar();
    fitOnScreen(wb_.window(), p);
    // Again once the docks have their first sizes.
    QTimer::singleShot(0, this, [this] { fitOnScreen(wb_.window(), *debugPanels_); });
}

void DebugController::saveDebugLayout()
{
    if (!debugPanels_ ||
        !wb_.viewMenu()->findChild<QMenu *>(QStringLiteral("mnudebugpanels"))->menuAction()->isEnabled())
        return;
    QSettings settings = layoutSettings();
    settings.setValue(QString::fromLatin1(kLayoutKey), wb_.window()->saveState());
    settings.sync();
}

void DebugController::updateDebugPanels(const DebugView &view)
{
    DebugPanels &p = *debugPanels_;
    p.registers->showView(view);
    p.flags->showView(view);
    p.memory->showView(view);
    p.stack->showView(view);
    p.screen->showView(view);
    p.disassembly->showView(view);
    p.watch->showView(view);
    // The panels' first figures may widen them past what the screen holds.
    fitOnScreen(wb_.window(), p);
}
