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
#include "debugging/pckeys.h"
#include "debugging/registerpanel.h"
#include "debugging/screenview.h"
#include "debugging/stackpanel.h"
#include "debugging/watchpanel.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTimer>

namespace {

// Paths name the same file when they clean up alike.
bool sameFile(const QString &a, const QString &b)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(a)) ==
           QDir::cleanPath(QDir::fromNativeSeparators(b));
}

QString documentPath(const frmDocument *doc)
{
    return QDir::fromNativeSeparators(doc->caption());
}

} // namespace

bool DebugController::isDebugging() const
{
    return debug_ != nullptr;
}

DebugSession *DebugController::debugSession() const
{
    return debug_ ? debug_->session.get() : nullptr;
}

DebugController::DebugController(Workbench &wb, DocumentsController &documents,
                                 ToolchainController &toolchain, QObject *parent)
    : QObject(parent), wb_(wb), documents_(documents), toolchain_(toolchain)
{
    // Off, the timer's and the keyboard's handlers run within a step
    // without stopping; on, a step by line stops in one that has source.
    connect(wb_.command(Command::InterruptSteps), &QAction::toggled, this, [this](bool on) {
        if (DebugSession *s = debugSession())
            s->setStepIntoInterrupts(on);
    });
    auto *group = new QActionGroup(this);
    group->addAction(wb_.command(Command::DisplayGbk));
    group->addAction(wb_.command(Command::Display437));
    createDebugPanels();
    // F5 would start a second copy of the program beside the one debugged:
    // it waits until debugging ends, whoever enables it meanwhile.
    QAction *run = wb_.command(Command::Run);
    connect(run, &QAction::changed, this, [this, run] {
        if (debug_ && run->isEnabled()) {
            debug_->runWanted = true;
            run->setEnabled(false);
        }
    });
    updateDebugCommands();
}

DebugController::~DebugController() = default;

void DebugController::shutdown()
{
    saveDebugLayout();
    endDebugging();
}

void DebugController::updateDebugCommands()
{
    DebugSession *s = debugSession();
    const bool building = debug_ && !s;
    const bool running = s && s->running();
    const bool stopped = s && !running && !s->ended();
    const bool source = wb_.activeDocument() && wb_.activeDocument()->kind == frmDocument::Kind::Source;
    QAction *start = wb_.command(Command::DebugStart);
    start->setText(stopped ? QStringLiteral("继续(&G)") : QStringLiteral("开始调试(&G)"));
    start->setEnabled(!building && !running && (s || source));
    wb_.command(Command::StepInto)->setEnabled(stopped || (!debug_ && source));
    wb_.command(Command::StepOver)->setEnabled(stopped || (!debug_ && source));
    wb_.command(Command::RunToCursor)->setEnabled(stopped || (!debug_ && source));
    wb_.command(Command::StepOut)->setEnabled(stopped);
    wb_.command(Command::StepInstruction)->setEnabled(stopped || (!debug_ && source));
    wb_.command(Command::ToggleBreakpoint)->setEnabled(wb_.activeDocument() != nullptr);
    wb_.command(Command::PauseDebug)->setEnabled(running);
    wb_.command(Command::StopDebug)->setEnabled(debug_ != nullptr);
    const bool back = s && s->canStepBack();
    wb_.command(Command::StepBack)->setEnabled(back);
    wb_.command(Command::RunBack)->setEnabled(back);
    // The toolbar's buttons name their keys.
    for (Command c : {Command::DebugStart, Command::StepInto, Command::StepOver, Command::StepOut,
                      Command::RunToCursor, Command::ToggleBreakpoint, Command::PauseDebug,
                      Command::StopDebug}) {
        QAction *a = wb_.command(c);
        QString caption = a->text();
        caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
        a->setToolTip(caption + QStringLiteral(" (") +
                      a->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }
}

void DebugController::mnudebugstart()
{
    if (DebugSession *s = debugSession()) {
        if (s->ended())
            restartDebugging();
        else if (!s->running())
            s->continueRun();
        updateDebugCommands();
        return;
    }
    startDebugging([](DebugSession &s) { s.continueRun(); });
}

void DebugController::step(void (DebugSession::*command)())
{
    if (DebugSession *s = debugSession()) {
        if (!s->running() && !s->ended())
            (s->*command)();
        return;
    }
    // The program stops on its first line.
    startDebugging({});
}

void DebugController::mnustepinto()
{
    step(&DebugSession::stepInto);
}

void DebugController::mnustepover()
{
    step(&DebugSession::stepOver);
}

void DebugController::mnustepinstruction()
{
    step(&DebugSession::stepInstruction);
}

void DebugController::mnustepout()
{
    if (DebugSession *s = debugSession(); s && !s->running() && !s->ended())
        s->stepOut();
}

void DebugController::mnuruntocursor()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    const SourceLine target{documentPath(doc), doc->Text1->textCursor().blockNumber() + 1};
    if (DebugSession *s = debugSession()) {
        if (!s->running() && !s->ended())
            s->runTo(target);
        return;
    }
    startDebugging([target](DebugSession &s) { s.runTo(target); });
}

void DebugController::mnutogglebreakpoint()
{
    if (frmDocument *doc = wb_.activeDocument())
        doc->Strip->breakpoints->toggle(doc->Text1->textCursor().blockNumber() + 1);
}

void DebugController::mnupausedebug()
{
    if (DebugSession *s = debugSession(); s && s->running())
        s->pause();
}

void DebugController::mnustepback()
{
    if (DebugSession *s = debugSession(); s && s->canStepBack()) {
        s->stepBack();
        updateDebugCommands();
    }
}

void DebugController::mnurunback()
{
    if (DebugSession *s = debugSession(); s && s->canStepBack()) {
        s->runBack();
        updateDebugCommands();
    }
}

void DebugController::mnustopdebug()
{
    endDebugging();
}

void DebugController::debugWithKeys(frmDocument *doc, const QString &keys, const QString &tail)
{
    if (isDebugging())
        mnustopdebug();
    for (QMdiSubWindow *sub : wb_.mdiArea()->subWindowList())
        if (sub->widget() == doc)
            wb_.mdiArea()->setActiveSubWindow(sub);
    if (wb_.activeDocument() != doc)
        return;
    const QList<quint16> typed = PcKeys::fromTyped(keys);
    startDebugging(
        [this, typed](DebugSession &s) {
            for (const quint16 key : typed)
                s.typeKey(key);
            debugStopped(DebugStop{DebugStop::Stepped, s.currentLine(), {}, 0});
        },
        QStringEncoder("GB18030").encode(tail));
}

void DebugController::startDebugging(std::function<void(DebugSession &)> then, const QByteArray &tail)
{
    frmDocument *doc = wb_.activeDocument();
    if (debug_ || !doc || doc->kind != frmDocument::Kind::Source)
        return;
    if (!toolchain_.buildToolsFound())
        return;
    // Include files are searched beside a saved source, else in the tool folder.
    const QFileInfo file(doc->caption());
    DebugBuildRequest request;
    // The tools as the folder spells them (MASM.EXE from a DOS disk).
    request.masm = wb_.fso().actualPath(wb_.tools().Masmpath);
    request.link = wb_.fso().actualPath(wb_.tools().Linkpath);
    request.sourceBytes = toolchain_.assemblerBytes(doc);
    request.tail = tail;
    request.sourcePath = documentPath(doc);
    request.sourceFolder =
        file.isAbsolute() && file.absoluteDir().exists() ? file.absolutePath() : wb_.tools().Toolfolder;

    debug_ = std::make_unique<DebugState>();
    debug_->doc = doc;
    debug_->runWanted = wb_.command(Command::Run)->isEnabled();
    wb_.command(Command::Run)->setEnabled(false);
    debug_->then = std::move(then);
    debug_->build = std::make_unique<DebugBuild>(request);
    wb_.showStatusMessage(QStringLiteral("正在为调试汇编和连接程序..."));
    connect(debug_->build.get(), &DebugBuild::finished, this,
            [this](bool ok, const QString &message) { debugBuilt(ok, message); });
    setDocumentLocked(doc, true);
    // Closing the document ends its debugging; the connection goes with the
    // debugging (and so before the main window's own end).
    connect(doc, &QObject::destroyed, &debug_->context, [this] {
        QTimer::singleShot(0, this, [this] {
            if (debug_ && !debug_->doc)
                endDebugging();
        });
    });
    updateDebugCommands();
}

void DebugController::restartDebugging()
{
    QPointer<frmDocument> doc = debug_ ? debug_->doc : nullptr;
    endDebugging();
    if (doc) {
        wb_.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(doc->parentWidget()));
        startDebugging([](DebugSession &s) { s.continueRun(); });
    }
}

void DebugController::debugBuilt(bool ok, const QString &message)
{
    if (!debug_ || !debug_->build)
        return;
    // The build is done with; it goes once this signal has returned.
    DebugBuild *build = debug_->build.release();
    build->deleteLater();
    if (!ok || !debug_->doc) {
        endDebugging();
        wb_.showStatusMessage(message, 20000);
        // The usual report shows what the assembler found.
        if (build->assemblyFailed() && wb_.activeDocument())
            toolchain_.mnucompile();
        else if (!message.isEmpty())
            wb_.dialogs().msgBox(wb_.window(), message, Dialogs::OkOnly, Dialogs::Exclamation,
                             QStringLiteral("调试"));
        return;
    }
    debug_->session = build->takeSession();
    if (debug_->session)
        debug_->session->setStepIntoInterrupts(
            wb_.command(Command::InterruptSteps)->isChecked());
    if (!debug_->session) {
        endDebugging();
        return;
    }
    DebugSession *s = debug_->session.get();
    connect(s, &DebugSession::started, this, [this] {
        wb_.showStatusMessage(QStringLiteral("程序正在运行..."));
        updateDebugCommands();
    });
    connect(s, &DebugSession::stopped, this, &DebugController::debugStopped);
    connect(s, &DebugSession::screenWhileRunning, this,
            [this](const ScreenPicture &picture) { debugPanels_->screen->showPicture(picture); });
    wb_.clearStatusMessage();
    const QList<Breakpoint> kept = keptBreakpoints(debug_->doc);
    for (frmDocument *d : wb_.documents())
        syncBreakpoints(d);
    restoreBreakpoints(*s, kept);
    connect(s, &DebugSession::breakpointsChanged, this, &DebugController::showBreakpoints);
    showBreakpoints();
    debugPanels_->breakpoints->tell({});
    // The panels show the new program from its first instruction on, not
    // what the last one left, even while it runs to its first stop.
    debugPanels_->memory->startOver();
    debugPanels_->disassembly->startOver();
    debugPanels_->commands->clear();
    debugPanels_->watch->setExpressions(keptWatches(debug_->doc));
    updateDebugPanels(s->view());
    showDebugPanels(true);
    auto then = std::move(debug_->then);
    if (then)
        then(*s);
    else
        debugStopped(DebugStop{DebugStop::Stepped, s->currentLine(), {}, 0});
    updateDebugCommands();
}

void DebugController::syncBreakpoints(frmDocument *doc)
{
    DebugSession *s = debugSession();
    if (!s || !doc)
        return;
    const QString file = documentPath(doc);
    QList<int> &given = debug_->breakpoints[file];
    const QList<int> wanted = doc->Strip->breakpoints->lines();
    for (int line : given)
        if (!wanted.contains(line))
            s->setBreakpoint({file, line}, false);
    given.clear();
    for (int line : wanted) {
        // A breakpoint on a line without code moves to the next line with code.
        const SourceLine code = s->lineWithCode({file, line});
        if (!code.valid() || !sameFile(code.file, file)) {
            tellBreakpointMoved(
                QStringLiteral("第 %1 行及其后没有指令：断点已取消。").arg(line));
            doc->Strip->breakpoints->set(line, false);
            continue;
        }
        if (code.line != line) {
            tellBreakpointMoved(QStringLiteral("第 %1 行没有指令：断点移到了有指令的第 %2 行。")
                                    .arg(line)
                                    .arg(code.line));
            const QSignalBlocker quiet(doc->Strip->breakpoints);
            doc->Strip->breakpoints->set(line, false);
            doc->Strip->breakpoints->set(code.line, true);
            doc->Strip->update();
        }
        if (s->setBreakpoint(code, true))
            given << code.line;
    }
}

void DebugController::tellBreakpointMoved(const QString &message)
{
    wb_.showStatusMessage(message);
    // Loading the program is followed by its first stop, which would clear it.
    if (debug_)
        debug_->notice = message;
}

void DebugController::debugStopped(const DebugStop &stop)
{
    DebugSession *s = debugSession();
    if (!s)
        return;
    // An end or a fault shows the line its message names.
    showDebugLine(stop.line);
    if (!s->running())
        updateDebugPanels(s->view());
    updateDebugCommands();
    debugPanels_->screen->setWaitingForKey(stop.kind == DebugStop::WaitingForKey);
    switch (stop.kind) {
    case DebugStop::WaitingForKey:
        debugPanels_->screenDock->show();
        debugPanels_->screenDock->raise();
        debugPanels_->screen->setFocus();
        wb_.showStatusMessage(QStringLiteral("程序在等待键盘输入：请在“屏幕”面板中按键。"));
        break;
    case DebugStop::Fault:
        wb_.showStatusMessage(stop.message);
        wb_.dialogs().msgBox(wb_.window(), stop.message, Dialogs::OkOnly, Dialogs::Exclamation,
                         QStringLiteral("调试"));
        break;
    case DebugStop::Ended:
    case DebugStop::Paused:
        wb_.showStatusMessage(stop.message);
        break;
    default:
        if (stop.message.isEmpty() && !debug_->notice.isEmpty())
            wb_.showStatusMessage(debug_->notice);
        else
            wb_.showStatusMessage(stop.message, stop.message.isEmpty() ? 1 : 0);
        break;
    }
    if (debug_)
        debug_->notice.clear();
    updateDebugCommands();
    consoleStopped(stop);
}

QString DebugController::sourceText(const SourceLine &line) const
{
    for (frmDocument *d : wb_.documents())
        if (sameFile(documentPath(d), line.file))
            return d->Text1->document()->findBlockByNumber(line.line - 1).text();
    return {};
}

frmDocument *DebugController::documentShowing(const QString &file)
{
    for (frmDocument *d : wb_.documents())
        if (sameFile(documentPath(d), file))
            return d;
    // An include file opens at the line, read-only while debugging.
    if (!QFileInfo(file).isFile())
        return nullptr;
    documents_.Newdocument();
    frmDocument *view = wb_.activeDocument();
    if (!view || !view->loadFile(QDir::toNativeSeparators(file))) {
        if (view)
            view->parentWidget()->close();
        return nullptr;
    }
    debug_->views << view;
    setDocumentLocked(view, true);
    syncBreakpoints(view);
    return view;
}

void DebugController::showDebugLine(const SourceLine &line)
{
    if (debug_->lineDoc) {
        debug_->lineDoc->Text1->setExtraSelections({});
        debug_->lineDoc->Strip->breakpoints->setCurrent(0);
    }
    debug_->lineDoc = nullptr;
    if (!line.valid())
        return;
    frmDocument *doc = documentShowing(line.file);
    if (!doc)
        return;
    debug_->lineDoc = doc;
    RichText *text = doc->Text1;
    QTextCursor c(text->document()->findBlockByNumber(line.line - 1));
    QTextEdit::ExtraSelection current;
    current.cursor = c;
    current.format.setBackground(QColor(255, 236, 140));
    current.format.setForeground(QColor(0, 0, 0));
    current.format.setProperty(QTextFormat::FullWidthSelection, true);
    text->setExtraSelections({current});
    doc->Strip->breakpoints->setCurrent(line.line);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(doc->parentWidget())) {
        if (sub->isMinimized())
            sub->showNormal();
        wb_.mdiArea()->setActiveSubWindow(sub);
        // The panels took room from the windows: the current line must not
        // be left below the visible part of the frame.
        const QRect room = wb_.mdiArea()->viewport()->rect();
        if (!sub->isMaximized() && !room.contains(sub->geometry()))
            sub->setGeometry(sub->geometry().intersected(room).isEmpty() ? room
                                                                         : sub->geometry() & room);
    }
    text->setTextCursor(c);
    text->centerCursor();
}

void DebugController::setDocumentLocked(frmDocument *doc, bool locked)
{
    if (!doc)
        return;
    // The one lock: the text takes no keys, and every command that would
    // change it asks the document first, which asks here.
    doc->Text1->setReadOnly(locked);
    if (locked) {
        // Only the text is read-only: the caret still moves, for F2 and
        // run to the caret.
        doc->Text1->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
        doc->setChangeGuard([this] { return askToStopDebugging(); });
        doc->Text1->installEventFilter(this);
        doc->Text1->viewport()->installEventFilter(this);
        connect(doc->Strip->breakpoints, &BreakpointMarks::changed, this,
                [this, d = QPointer<frmDocument>(doc)] { syncBreakpoints(d); });
    } else {
        doc->setChangeGuard({});
        doc->Text1->removeEventFilter(this);
        doc->Text1->viewport()->removeEventFilter(this);
        disconnect(doc->Strip->breakpoints, nullptr, this, nullptr);
    }
}

// Typing into a document while it is debugged asks whether to stop.
bool DebugController::eventFilter(QObject *watched, QEvent *event)
{
    if (debug_ && event->type() == QEvent::ToolTip)
        return showNameValue(watched, static_cast<QHelpEvent *>(event));
    if (!debug_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *text = qobject_cast<RichText *>(watched);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool edits = !key->text().isEmpty() && key->text().at(0).isPrint();
    const bool erases = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                        key->key() == Qt::Key_Tab;
    if (!text || !text->isReadOnly() || (!edits && !erases) ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (!askToStopDebugging())
        return true;
    // Debugging has ended: the key goes into the text as typed.
    QKeyEvent again(key->type(), key->key(), key->modifiers(), key->text());
    QCoreApplication::sendEvent(text, &again);
    return true;
}

bool DebugController::askToStopDebugging()
{
    if (!debug_ || debug_->askingToStop)
        return false;
    debug_->askingToStop = true;
    const Dialogs::Answer answer = wb_.dialogs().msgBox(
        wb_.window(), QStringLiteral("正在调试这个程序，调试时不能修改源程序。\r\n要停止调试吗？"),
        Dialogs::YesNo, Dialogs::Question, QStringLiteral("调试"));
    if (debug_)
        debug_->askingToStop = false;
    if (answer != Dialogs::Yes)
        return false;
    endDebugging();
    return true;
}

void DebugController::endDebugging()
{
    if (!debug_)
        return;
    std::unique_ptr<DebugState> ending = std::move(debug_);
    // Off or on is the debugger's: the text, editable again, shows marks only.
    for (frmDocument *d : wb_.documents()) {
        if (!d->Strip->breakpoints->disabledLines().isEmpty()) {
            d->Strip->breakpoints->setDisabledLines({});
            d->Strip->update();
        }
    }
    if (ending->lineDoc) {
        ending->lineDoc->Text1->setExtraSelections({});
        ending->lineDoc->Strip->breakpoints->setCurrent(0);
    }
    setDocumentLocked(ending->doc, false);
    for (const QPointer<frmDocument> &view : ending->views)
        setDocumentLocked(view, false);
    showDebugPanels(false);
    if (ending->build)
        ending->build.release()->deleteLater();
    wb_.command(Command::Run)->setEnabled(ending->runWanted);
    ending.reset();
    wb_.showStatusMessage(QStringLiteral("调试已停止。"), 5000);
    updateDebugCommands();
}
