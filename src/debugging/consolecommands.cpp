#include "debugging/commandpanel.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "workbench/workbench.h"

#include <QLineEdit>

namespace {

// DEBUG's commands reach the stopped program through the session.
class SessionTarget : public DebugTarget
{
public:
    explicit SessionTarget(DebugSession &session) : s_(session) {}
    Registers registers() const override { return s_.registers(); }
    bool setRegisters(const Registers &r) override { return s_.setRegisters(r); }
    QByteArray memory() const override { return s_.memory(); }
    bool write(quint32 at, const QByteArray &bytes) override { return s_.writeMemory(at, bytes); }
    std::optional<quint8> portIn(quint16 port) override { return s_.readPort(port); }
    bool portOut(quint16 port, quint8 value) override { return s_.writePort(port, value); }

private:
    DebugSession &s_;
};

} // namespace

void DebugController::enterDebugCommand(const QString &line)
{
    CommandPanel *panel = debugPanels_->commands;
    DebugSession *s = debugSession();
    if (!s || s->running()) {
        panel->append(QStringLiteral("程序不在调试中停着：先按 F11 开始调试，或等它停下。\n"));
        return;
    }
    SessionTarget target(*s);
    const DebugConsole::Reply reply = debug_->console.enter(line, target);
    panel->append(reply.text);
    panel->setPrompt(debug_->console.prompt());
    switch (reply.run.kind) {
    case DebugRun::None:
        // E, F, M, A and R change what the panels show.
        if (!s->ended())
            updateDebugPanels(s->view());
        return;
    case DebugRun::Quit:
        mnustopdebug();
        return;
    default:
        break;
    }
    if (s->ended()) {
        panel->append(QStringLiteral("程序已经结束：按 F11 重新开始调试。\n"));
        return;
    }
    if (reply.run.start) {
        Registers r = s->registers();
        r.cs = reply.run.start->first;
        r.ip = reply.run.start->second;
        s->setRegisters(r);
    }
    debug_->consoleRun = reply.run;
    debug_->consoleLeft = reply.run.count;
    runConsoleStep();
}

void DebugController::runConsoleStep()
{
    DebugSession *s = debugSession();
    if (!s)
        return;
    debugPanels_->commands->setReady(false);
    const DebugRun &run = debug_->consoleRun;
    switch (run.kind) {
    case DebugRun::Trace:
        s->stepInstruction();
        break;
    case DebugRun::Proceed:
        if (const auto to = DebugConsole::proceedTarget(s->registers(), s->memory()))
            s->runToAny({*to});
        else
            s->stepInstruction();
        break;
    case DebugRun::Go:
        if (run.stops.isEmpty())
            s->continueRun();
        else
            s->runToAny(run.stops);
        break;
    default:
        debugPanels_->commands->setReady(true);
        break;
    }
}

void DebugController::consoleStopped(const DebugStop &stop)
{
    if (!debug_ || debug_->consoleRun.kind == DebugRun::None)
        return;
    DebugSession *s = debugSession();
    CommandPanel *panel = debugPanels_->commands;
    // A key read goes on once the key is typed in 屏幕.
    if (!s || stop.kind == DebugStop::WaitingForKey)
        return;
    bool more = false;
    switch (stop.kind) {
    case DebugStop::Ended:
        panel->append(QStringLiteral("\nProgram terminated normally\n"));
        break;
    case DebugStop::Fault:
        panel->append(stop.message + u'\n');
        break;
    default:
        panel->append(DebugConsole::registerDisplay(s->registers(), s->memory()));
        more = stop.kind == DebugStop::Stepped && --debug_->consoleLeft > 0 &&
               debug_->consoleRun.kind != DebugRun::Go;
        break;
    }
    if (more) {
        runConsoleStep();
        return;
    }
    debug_->consoleRun = {};
    panel->setReady(true);
    panel->input()->setFocus();
}
