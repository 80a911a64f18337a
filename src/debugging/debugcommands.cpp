#include "app/frmmain.h"
#include "debugging/debugstate.h"
#include "debugging/flagpanel.h"
#include "debugging/memorypanel.h"
#include "debugging/registerpanel.h"
#include "debugging/screenview.h"
#include "debugging/stackpanel.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QStatusBar>
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

bool frmMain::isDebugging() const
{
    return debug_ != nullptr;
}

DebugSession *frmMain::debugSession() const
{
    return debug_ ? debug_->session.get() : nullptr;
}

void frmMain::connectDebugCommands()
{
    const std::pair<const char *, void (frmMain::*)()> commands[] = {
        {"mnudebugstart", &frmMain::mnudebugstart},
        {"mnustepinto", &frmMain::mnustepinto},
        {"mnustepover", &frmMain::mnustepover},
        {"mnustepout", &frmMain::mnustepout},
        {"mnuruntocursor", &frmMain::mnuruntocursor},
        {"mnutogglebreakpoint", &frmMain::mnutogglebreakpoint},
        {"mnustopdebug", &frmMain::mnustopdebug},
        {"mnupausedebug", &frmMain::mnupausedebug},
    };
    for (const auto &[name, slot] : commands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    // Off, the timer's and the keyboard's handlers run within a step
    // without stopping; on, a step by line stops in one that has source.
    connect(action(QStringLiteral("mnuinterruptsteps")), &QAction::toggled, this, [this](bool on) {
        if (DebugSession *s = debugSession())
            s->setStepIntoInterrupts(on);
    });
    createDebugPanels();
    updateDebugCommands();
}

void frmMain::updateDebugCommands()
{
    DebugSession *s = debugSession();
    const bool building = debug_ && !s;
    const bool running = s && s->running();
    const bool stopped = s && !running && !s->ended();
    const bool source = activeDocument() && activeDocument()->kind == frmDocument::Kind::Source;
    QAction *start = action(QStringLiteral("mnudebugstart"));
    start->setText(stopped ? QStringLiteral("继续(&G)") : QStringLiteral("开始调试(&G)"));
    start->setEnabled(!building && !running && (s || source));
    action(QStringLiteral("mnustepinto"))->setEnabled(stopped || (!debug_ && source));
    action(QStringLiteral("mnustepover"))->setEnabled(stopped || (!debug_ && source));
    action(QStringLiteral("mnuruntocursor"))->setEnabled(stopped || (!debug_ && source));
    action(QStringLiteral("mnustepout"))->setEnabled(stopped);
    action(QStringLiteral("mnutogglebreakpoint"))->setEnabled(activeDocument() != nullptr);
    action(QStringLiteral("mnupausedebug"))->setEnabled(running);
    action(QStringLiteral("mnustopdebug"))->setEnabled(debug_ != nullptr);
    // The toolbar's buttons name their keys.
    for (const char *name :
         {"mnudebugstart", "mnustepinto", "mnustepover", "mnustepout", "mnuruntocursor",
          "mnutogglebreakpoint", "mnupausedebug", "mnustopdebug"}) {
        QAction *a = action(QString::fromLatin1(name));
        QString caption = a->text();
        caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
        a->setToolTip(caption + QStringLiteral(" (") +
                      a->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }
}

void frmMain::mnudebugstart()
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

void frmMain::mnustepinto()
{
    if (DebugSession *s = debugSession()) {
        if (!s->running() && !s->ended())
            s->stepInto();
        return;
    }
    // The program stops on its first line.
    startDebugging({});
}

void frmMain::mnustepover()
{
    if (DebugSession *s = debugSession()) {
        if (!s->running() && !s->ended())
            s->stepOver();
        return;
    }
    startDebugging({});
}

void frmMain::mnustepout()
{
    if (DebugSession *s = debugSession(); s && !s->running() && !s->ended())
        s->stepOut();
}

void frmMain::mnuruntocursor()
{
    frmDocument *doc = activeDocument();
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

void frmMain::mnutogglebreakpoint()
{
    if (frmDocument *doc = activeDocument())
        doc->Strip->breakpoints->toggle(doc->Text1->textCursor().blockNumber() + 1);
}

void frmMain::mnupausedebug()
{
    if (DebugSession *s = debugSession(); s && s->running())
        s->pause();
}

void frmMain::mnustopdebug()
{
    endDebugging();
}

void frmMain::startDebugging(std::function<void(DebugSession &)> then)
{
    frmDocument *doc = activeDocument();
    if (debug_ || !doc || doc->kind != frmDocument::Kind::Source)
        return;
    if (!toolFound(Masmpath, QStringLiteral("masm.exe"),
                   QStringLiteral("没找到！请把masm.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索masm.exe？")) ||
        !toolFound(Linkpath, QStringLiteral("link.exe"),
                   QStringLiteral("没找到！请把link.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索link.exe？")))
        return;
    // Include files are searched beside a saved source, else in the tool folder.
    const QFileInfo file(doc->caption());
    DebugBuildRequest request;
    // The tools as the folder spells them (MASM.EXE from a DOS disk).
    request.masm = Fso->actualPath(Masmpath);
    request.link = Fso->actualPath(Linkpath);
    request.sourceBytes = assemblerBytes(doc);
    request.sourcePath = documentPath(doc);
    request.sourceFolder =
        file.isAbsolute() && file.absoluteDir().exists() ? file.absolutePath() : Toolfolder;

    debug_ = std::make_unique<DebugState>();
    debug_->doc = doc;
    debug_->text = doc->Text1->text();
    debug_->then = std::move(then);
    debug_->build = std::make_unique<DebugBuild>(request);
    sbStatusBar->showMessage(QStringLiteral("正在为调试汇编和连接程序..."));
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

void frmMain::restartDebugging()
{
    QPointer<frmDocument> doc = debug_ ? debug_->doc : nullptr;
    endDebugging();
    if (doc) {
        mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(doc->parentWidget()));
        startDebugging([](DebugSession &s) { s.continueRun(); });
    }
}

void frmMain::debugBuilt(bool ok, const QString &message)
{
    if (!debug_ || !debug_->build)
        return;
    // The build is done with; it goes once this signal has returned.
    DebugBuild *build = debug_->build.release();
    build->deleteLater();
    if (!ok || !debug_->doc) {
        endDebugging();
        sbStatusBar->showMessage(message, 20000);
        // The usual report shows what the assembler found.
        if (build->assemblyFailed() && activeDocument())
            mnucompile();
        else if (!message.isEmpty())
            dialogs().msgBox(this, message, Dialogs::OkOnly, Dialogs::Exclamation,
                             QStringLiteral("调试"));
        return;
    }
    debug_->session = build->takeSession();
    if (debug_->session)
        debug_->session->setStepIntoInterrupts(
            action(QStringLiteral("mnuinterruptsteps"))->isChecked());
    if (!debug_->session) {
        endDebugging();
        return;
    }
    DebugSession *s = debug_->session.get();
    connect(s, &DebugSession::started, this, [this] {
        sbStatusBar->showMessage(QStringLiteral("程序正在运行..."));
        updateDebugCommands();
    });
    connect(s, &DebugSession::stopped, this, &frmMain::debugStopped);
    for (frmDocument *d : documents())
        syncBreakpoints(d);
    showDebugPanels(true);
    sbStatusBar->clearMessage();
    auto then = std::move(debug_->then);
    if (then)
        then(*s);
    else
        debugStopped(DebugStop{DebugStop::Stepped, s->currentLine(), {}, 0});
    updateDebugCommands();
}

void frmMain::syncBreakpoints(frmDocument *doc)
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
            doc->Strip->breakpoints->set(line, false);
            continue;
        }
        if (code.line != line) {
            const QSignalBlocker quiet(doc->Strip->breakpoints);
            doc->Strip->breakpoints->set(line, false);
            doc->Strip->breakpoints->set(code.line, true);
            doc->Strip->update();
        }
        if (s->setBreakpoint(code, true))
            given << code.line;
    }
}

void frmMain::debugStopped(const DebugStop &stop)
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
        sbStatusBar->showMessage(QStringLiteral("程序在等待键盘输入：请在“屏幕”面板中按键。"));
        break;
    case DebugStop::Fault:
        sbStatusBar->showMessage(stop.message);
        dialogs().msgBox(this, stop.message, Dialogs::OkOnly, Dialogs::Exclamation,
                         QStringLiteral("调试"));
        break;
    case DebugStop::Ended:
    case DebugStop::Paused:
        sbStatusBar->showMessage(stop.message);
        break;
    default:
        sbStatusBar->showMessage(stop.message, stop.message.isEmpty() ? 1 : 0);
        break;
    }
    updateDebugCommands();
}

frmDocument *frmMain::documentShowing(const QString &file)
{
    for (frmDocument *d : documents())
        if (sameFile(documentPath(d), file))
            return d;
    // An include file opens at the line, read-only while debugging.
    if (!QFileInfo(file).isFile())
        return nullptr;
    Newdocument();
    frmDocument *view = activeDocument();
    if (!view || !loadDocument(view, QDir::toNativeSeparators(file))) {
        if (view)
            view->parentWidget()->close();
        return nullptr;
    }
    debug_->views << view;
    setDocumentLocked(view, true);
    syncBreakpoints(view);
    return view;
}

void frmMain::showDebugLine(const SourceLine &line)
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
        mdiArea()->setActiveSubWindow(sub);
        // The panels took room from the windows: the current line must not
        // be left below the visible part of the frame.
        const QRect room = mdiArea()->viewport()->rect();
        if (!sub->isMaximized() && !room.contains(sub->geometry()))
            sub->setGeometry(sub->geometry().intersected(room).isEmpty() ? room
                                                                         : sub->geometry() & room);
    }
    text->setTextCursor(c);
    text->centerCursor();
}

void frmMain::setDocumentLocked(frmDocument *doc, bool locked)
{
    if (!doc)
        return;
    doc->Text1->setReadOnly(locked);
    if (locked) {
        doc->Text1->installEventFilter(this);
        connect(doc->Text1->document(), &QTextDocument::contentsChanged, this,
                &frmMain::debuggedTextChanged, Qt::UniqueConnection);
        connect(doc->Strip->breakpoints, &BreakpointMarks::changed, this,
                [this, d = QPointer<frmDocument>(doc)] { syncBreakpoints(d); });
    } else {
        doc->Text1->removeEventFilter(this);
        disconnect(doc->Text1->document(), &QTextDocument::contentsChanged, this,
                   &frmMain::debuggedTextChanged);
        disconnect(doc->Strip->breakpoints, nullptr, this, nullptr);
    }
}

// Typing into a document while it is debugged asks whether to stop.
bool frmMain::debugKeyFilter(QObject *watched, QEvent *event)
{
    if (!debug_ || event->type() != QEvent::KeyPress)
        return false;
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

bool frmMain::askToStopDebugging()
{
    if (!debug_ || debug_->askingToStop)
        return false;
    debug_->askingToStop = true;
    const Dialogs::Answer answer = dialogs().msgBox(
        this, QStringLiteral("正在调试这个程序，调试时不能修改源程序。\r\n要停止调试吗？"),
        Dialogs::YesNo, Dialogs::Question, QStringLiteral("调试"));
    if (debug_)
        debug_->askingToStop = false;
    if (answer != Dialogs::Yes)
        return false;
    endDebugging();
    return true;
}

void frmMain::debuggedTextChanged()
{
    if (!debug_ || !debug_->doc || debug_->doc->Text1->text() == debug_->text)
        return;
    // A command changed the text (paste, indent, case): it is taken back
    // unless debugging stops.
    if (!askToStopDebugging() && debug_ && debug_->doc) {
        QTextDocument *document = debug_->doc->Text1->document();
        const QSignalBlocker quiet(this);
        while (document->isUndoAvailable() && debug_->doc->Text1->text() != debug_->text)
            document->undo();
    }
}

void frmMain::endDebugging()
{
    if (!debug_)
        return;
    std::unique_ptr<DebugState> ending = std::move(debug_);
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
    ending.reset();
    sbStatusBar->showMessage(QStringLiteral("调试已停止。"), 5000);
    updateDebugCommands();
}
