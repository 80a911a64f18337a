#include "debugging/debugsession.h"

#include "machine/machinethread.h"
#include "debugging/sourcemap.h"
#include "debugging/stepback.h"
#include "debugging/stepwatch.h"

#include <QTemporaryDir>

namespace {

QString address(quint32 linearAddress, quint16 segment)
{
    const quint32 offset = linearAddress - quint32(segment) * 16;
    auto hex = [](quint32 v) {
        return QString::number(v & 0xFFFF, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    };
    return hex(segment) + QLatin1Char(':') + hex(offset);
}

} // namespace

// A breakpoint as the worker sees it while the program runs.
struct ArmedBreakpoint
{
    int id = 0;
    QString condition;
    int target = 0;
    std::shared_ptr<std::atomic<int>> hits;
};

// What the worker found at the stop it made: the breakpoint that stopped
// it, and why its condition could not be read, if so.
struct BreakpointVerdict
{
    int id = 0;
    QString error;
};

struct ArmedBreakpoints
{
    QList<WatchSymbol> symbols;
    QMultiHash<quint32, ArmedBreakpoint> code;
    QList<std::pair<std::pair<quint32, quint32>, ArmedBreakpoint>> data;

    // The same for the data breakpoints on the bytes the machine saw change.
    bool decideData(const Machine &m, BreakpointVerdict &verdict) const
    {
        const Cpu::WriteSeen &seen = m.lastWrite();
        bool stop = false, any = false;
        for (const auto &[range, b] : data) {
            if (range.first == seen.first && range.second == seen.last) {
                any = true;
                stop = hit(b, m, verdict) || stop;
            }
        }
        return stop || !any;
    }

    // Counts a hit of each breakpoint at CS:IP whose condition holds; true
    // when one of them stops the program (or the run was to stop there).
    bool decide(const Machine &m, const QSet<quint32> &runTo, BreakpointVerdict &verdict) const
    {
        const quint32 at = linear(m.reg(Reg::CS), m.reg(Reg::IP));
        if (runTo.contains(at) || !code.contains(at))
            return true;
        bool stop = false;
        for (auto it = code.constFind(at); it != code.cend() && it.key() == at; ++it)
            stop = hit(*it, m, verdict) || stop;
        return stop;
    }

    bool hit(const ArmedBreakpoint &b, const Machine &m, BreakpointVerdict &verdict) const
    {
        if (!b.condition.isEmpty()) {
            const WatchCondition c = evaluateCondition(
                b.condition, m.registers(),
                [&m](quint32 address) { return m.memory().byteAt(address); }, symbols);
            if (!c.ok) {
                verdict.id = b.id;
                verdict.error = c.error;
                return true;
            }
            if (!c.holds)
                return false;
        }
        const int n = ++*b.hits;
        if (b.target > 0 && n != b.target)
            return false;
        if (!verdict.id)
            verdict.id = b.id;
        return true;
    }
};

namespace {

// A problem is told where the caller asked for it; true when there is one.
bool told(const QString &problem, QString *error)
{
    if (problem.isEmpty())
        return false;
    if (error)
        *error = problem;
    return true;
}

} // namespace

DebugSession::DebugSession(const Program &program, QString *error, QObject *parent)
    : QObject(parent), thread_(std::make_unique<MachineThread>(program.setup)),
      folder_(program.folder), verdict_(std::make_shared<BreakpointVerdict>())
{
    Machine *m = thread_->machine();
    if (!m->load(program.image, program.tail, error)) {
        ended_ = true;
        map_ = std::make_shared<SourceMap>(ProgramListing{}, LinkMap{}, 0, program.mainFile);
        return;
    }
    m->setRecording(true);
    const quint32 psp = quint32(m->psp()) * 16;
    const quint32 base = program.com ? psp : psp + 0x100;
    map_ = std::make_shared<SourceMap>(program.listing, program.map, base, program.mainFile);
    // Code runs in the program's image, its PSP (INT 20h at PSP:0), the
    // machine's interrupt stubs and BIOS routines, and the free vectors at
    // 0000:0200-03FF where labs copy routines of their own; anywhere else
    // it has jumped into nowhere. Without a map the program's extent is
    // unknown: no fences then.
    if (!program.map.starts.isEmpty())
        m->setFences({{0, 0x1FF},
                      {0x400, psp - 1},
                      {std::max(map_->imageEnd(), psp + 0x100), 0xEFFFF},
                      {0xF0800, Machine::biosCode.first - 1},
                      {Machine::biosCode.second + 1, 0x10FFFF}});
    m->traceBlocks(map_->imageBegin(), std::max(map_->imageEnd(), map_->imageBegin() + 1) - 1);
    // The registers as DEBUG loads a program: its size in BX:CX, and DX, BP,
    // SI and DI clear, as the labs' first R shows them.
    Registers r = m->registers();
    r.bx = quint16(m->imageSize() >> 16);
    r.cx = quint16(m->imageSize());
    r.dx = r.bp = r.si = r.di = 0;
    m->setRegisters(r);
    stackSegment_ = r.ss;
    stackTop_ = program.com || r.sp == 0 ? 0x10000 : r.sp;
    previous_ = r;
    // The symbol table's names where the program now lies.
    for (const ListedSymbol &l : program.symbols) {
        WatchSymbol w;
        w.name = l.name;
        if (l.kind == ListedSymbol::Kind::Number) {
            w.kind = WatchSymbol::Kind::Number;
            w.number = l.value;
        } else if (l.kind != ListedSymbol::Kind::Other && program.map.starts.contains(l.segment)) {
            const quint32 start = base + program.map.starts.value(l.segment);
            w.kind = l.kind == ListedSymbol::Kind::Data ? WatchSymbol::Kind::Data
                                                        : WatchSymbol::Kind::Code;
            w.size = l.size;
            w.length = elementCount(l, program.symbols, program.segmentLengths);
            w.segment = quint16(start >> 4);
            w.offset = quint16(l.value + (start & 15));
        } else {
            continue;
        }
        symbols_ << w;
    }
    syncMachine();
    connect(thread_.get(), &MachineThread::stopped, this, &DebugSession::finished);
    startedTimer_.setSingleShot(true);
    startedTimer_.setInterval(50);
    connect(&startedTimer_, &QTimer::timeout, this, [this] {
        if (running())
            emit started();
    });
    refreshTimer_.setInterval(100);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        if (running())
            emit screenWhileRunning(thread_->recentScreen());
    });
}

DebugSession::~DebugSession() = default;

bool DebugSession::running() const
{
    return thread_->running();
}

bool DebugSession::ended() const
{
    return ended_;
}

SourceLine DebugSession::currentLine() const
{
    const Machine *m = thread_->machine();
    if (!m)
        return {};
    return map_->lineAt(linear(m->reg(Reg::CS), m->reg(Reg::IP)));
}

void DebugSession::begin(Work work)
{
    lastStepSingle_ = false;
    pauseAsked_ = false;
    rearm_ = false;
    waitingForKey_ = false;
    resume_ = std::move(work);
    thread_->machine()->setStepIntoInterrupts(stepIntoInterrupts_);
    launch(resume_);
    startedTimer_.start();
    refreshTimer_.start();
}

void DebugSession::launch(const Work &work)
{
    *verdict_ = {};
    thread_->start([work, armed = armed_, verdict = verdict_,
                    runTo = runToAddresses_](Machine &m) {
        for (;;) {
            const MachineStop stop = work(m);
            if (!armed)
                return stop;
            if (stop.reason == StopReason::DataWritten) {
                if (armed->decideData(m, *verdict))
                    return stop;
                continue;
            }
            if (stop.reason != StopReason::Breakpoint || armed->decide(m, runTo, *verdict))
                return stop;
        }
    });
}

void DebugSession::continueRun()
{
    if (running() || ended_)
        return;
    watch_.reset();
    remember();
    begin([](Machine &m) { return m.run({}); });
}

void DebugSession::step(int mode)
{
    if (running() || ended_)
        return;
    Machine *m = thread_->machine();
    remember();
    auto watch = std::make_shared<StepWatch>(StepWatch::Mode(mode), map_, *m);
    watch_ = watch;
    begin([watch](Machine &machine) {
        return machine.runWatched([watch](quint32 at) { return (*watch)(at); });
    });
    lastStepSingle_ = mode == StepWatch::Single;
}

void DebugSession::stepInto()
{
    step(StepWatch::Into);
}

void DebugSession::stepOver()
{
    step(StepWatch::Over);
}

void DebugSession::stepOut()
{
    step(StepWatch::Out);
}

void DebugSession::stepInstruction()
{
    step(StepWatch::Single);
}

void DebugSession::runTo(const SourceLine &line)
{
    if (running() || ended_)
        return;
    const quint32 target = map_->firstAddress(line);
    if (target == ~0u) {
        DebugStop stop;
        stop.line = currentLine();
        stop.message = (lineText(line).isEmpty() ? QStringLiteral("这一行") : lineText(line)) +
                       QStringLiteral("没有指令，无法运行到那里。");
        emit stopped(stop);
        return;
    }
    runToAny({target});
}

void DebugSession::runToAny(const QList<quint32> &addresses)
{
    if (running() || ended_)
        return;
    Machine *m = thread_->machine();
    watch_.reset();
    remember();
    for (const quint32 a : addresses) {
        runToAddresses_.insert(a);
        m->addBreakpoint(a);
    }
    begin([](Machine &machine) { return machine.run({}); });
}

bool DebugSession::canStepBack() const
{
    const Machine *m = running() ? nullptr : thread_->machine();
    return m && m->recordEnd() > m->recordStart();
}

void DebugSession::stepBack()
{
    back(lastStepSingle_ ? 1 : 0);
}

void DebugSession::stepBackInstruction()
{
    back(1);
}

void DebugSession::runBack()
{
    back(2);
}

void DebugSession::back(int how)
{
    if (!canStepBack())
        return;
    watch_.reset();
    remember();
    auto backed = std::make_shared<Backed>();
    back_ = backed;
    const QSet<quint32> breakpoints = applied_;
    begin([how, backed, breakpoints, map = map_](Machine &m) {
        MachineStop stop;
        stop.reason = StopReason::BudgetSpent;
        quint64 to = instructionBefore(m);
        if (how == 0) {
            to = lineBefore(m, *map);
        } else if (how == 2) {
            bool found = false;
            to = breakpointBefore(m, breakpoints, &found);
            if (found)
                stop.reason = StopReason::Breakpoint;
            backed->toStart = !found;
        }
        backed->filesChanged = m.rewindTo(to).filesChanged;
        return stop;
    });
    lastStepSingle_ = how == 1;
}

void DebugSession::pause()
{
    if (!running())
        return;
    pauseAsked_ = true;
    thread_->pause();
}

bool DebugSession::setBreakpoint(const SourceLine &line, bool on)
{
    if (map_->firstAddress(line) == ~0u)
        return false;
    const int id = breakpointAt(line);
    if (on && !id) {
        Breakpoint b;
        b.kind = Breakpoint::Kind::Line;
        b.line = line;
        add(b);
    } else if (!on && id) {
        removeBreakpoint(id);
    }
    return true;
}

QList<SourceLine> DebugSession::breakpoints() const
{
    QList<SourceLine> lines;
    for (const Entry &e : breakpoints_)
        if (e.b.kind == Breakpoint::Kind::Line)
            lines << e.b.line;
    return lines;
}

int DebugSession::add(Breakpoint b)
{
    b.id = nextId_++;
    b.hits = 0;
    breakpoints_.append({b, std::make_shared<std::atomic<int>>(0)});
    changed();
    return b.id;
}

void DebugSession::changed()
{
    if (running())
        rearm();
    else
        syncMachine();
    emit breakpointsChanged();
}

Breakpoint *DebugSession::find(int id)
{
    for (Entry &e : breakpoints_)
        if (e.b.id == id)
            return &e.b;
    return nullptr;
}

int DebugSession::addAddressBreakpoint(quint32 linearAddress, const QString &condition,
                                       QString *error)
{
    return addAddressBreakpoint(quint16((linearAddress >> 4) & 0xF000),
                                quint16(linearAddress & 0xFFFF), condition, error);
}

int DebugSession::addAddressBreakpoint(quint16 segment, quint16 offset, const QString &condition,
                                       QString *error)
{
    if (told(conditionError(condition), error))
        return 0;
    Breakpoint b;
    b.kind = Breakpoint::Kind::Address;
    b.segment = segment;
    b.offset = offset;
    b.address = linear(segment, offset);
    b.condition = condition.simplified();
    return add(b);
}

int DebugSession::addDataBreakpoint(quint16 segment, quint16 offset, int length,
                                    const QString &condition, QString *error)
{
    const quint32 first = linear(segment, offset);
    if (length <= 0 || first + quint32(length) > Cpu::memorySize) {
        if (error)
            *error = QStringLiteral("数据断点的字节应在 1 MB 以内，至少 1 个");
        return 0;
    }
    if (told(conditionError(condition), error))
        return 0;
    Breakpoint b;
    b.kind = Breakpoint::Kind::Data;
    b.segment = segment;
    b.offset = offset;
    b.address = first;
    b.length = length;
    b.condition = condition.simplified();
    return add(b);
}

int DebugSession::addDataBreakpoint(const QString &variable, const QString &condition,
                                    QString *error)
{
    const QString name = variable.trimmed().toUpper();
    for (const WatchSymbol &w : std::as_const(symbols_)) {
        if (w.name != name || w.kind != WatchSymbol::Kind::Data)
            continue;
        const int length = std::max(1, w.size) * std::max(1, w.length);
        if (told(conditionError(condition), error))
            return 0;
        Breakpoint b;
        b.kind = Breakpoint::Kind::Data;
        b.segment = w.segment;
        b.offset = w.offset;
        b.address = linear(w.segment, w.offset);
        b.length = length;
        b.label = name;
        b.condition = condition.simplified();
        return add(b);
    }
    if (error)
        *error = QStringLiteral("程序里没有叫 %1 的变量").arg(name);
    return 0;
}

bool DebugSession::removeBreakpoint(int id)
{
    for (qsizetype i = 0; i < breakpoints_.size(); ++i) {
        if (breakpoints_.at(i).b.id == id) {
            breakpoints_.removeAt(i);
            changed();
            return true;
        }
    }
    return false;
}

bool DebugSession::setBreakpointEnabled(int id, bool on)
{
    Breakpoint *b = find(id);
    if (!b)
        return false;
    if (b->enabled != on) {
        b->enabled = on;
        changed();
    }
    return true;
}

bool DebugSession::setBreakpointCondition(int id, const QString &condition, QString *error)
{
    Breakpoint *b = find(id);
    if (!b)
        return false;
    if (told(conditionError(condition), error))
        return false;
    b->condition = condition.simplified();
    changed();
    return true;
}

bool DebugSession::setBreakpointHitTarget(int id, int target)
{
    Breakpoint *b = find(id);
    if (!b || target < 0)
        return false;
    b->hitTarget = target;
    changed();
    return true;
}

QList<Breakpoint> DebugSession::breakpointList() const
{
    QList<Breakpoint> list;
    for (const Entry &e : breakpoints_) {
        Breakpoint b = e.b;
        b.hits = *e.hits;
        list << b;
    }
    return list;
}

int DebugSession::breakpointAt(const SourceLine &line) const
{
    for (const Entry &e : breakpoints_)
        if (e.b.kind == Breakpoint::Kind::Line && e.b.line == line)
            return e.b.id;
    return 0;
}

QString DebugSession::conditionError(const QString &condition) const
{
    if (condition.trimmed().isEmpty())
        return {};
    // What can be read does not hang on the values: zeros do.
    const WatchCondition c =
        evaluateCondition(condition, Registers{}, [](quint32) { return quint8(0); }, symbols_);
    return c.ok ? QString() : c.error;
}

QString DebugSession::placeText(const Breakpoint &b) const
{
    switch (b.kind) {
    case Breakpoint::Kind::Line:
        return lineText(b.line);
    case Breakpoint::Kind::Address:
        return QStringLiteral("地址 ") + address(b.address, b.segment);
    case Breakpoint::Kind::Data:
        return (b.label.isEmpty() ? address(b.address, b.segment) : b.label) +
               QStringLiteral("（%1 字节）").arg(b.length);
    }
    return {};
}

SourceLine DebugSession::lineWithCode(const SourceLine &line) const
{
    return map_->lineWithCode(line);
}

void DebugSession::typeKey(quint16 key)
{
    // The machine takes keys while it runs; one typed while the program is
    // held waits in the keyboard until it runs again.
    thread_->pushKey(key);
    if (running())
        return;
    if (waitingForKey_ && resume_)
        begin(resume_);
}

void DebugSession::rearm()
{
    // The machine is the worker's while it runs: a short pause hands it over.
    rearm_ = true;
    thread_->pause();
}

void DebugSession::syncMachine()
{
    Machine *m = thread_->machine();
    QSet<quint32> wanted;
    auto armed = std::make_shared<ArmedBreakpoints>();
    armed->symbols = symbols_;
    std::vector<std::pair<quint32, quint32>> ranges;
    for (const Entry &e : std::as_const(breakpoints_)) {
        if (!e.b.enabled)
            continue;
        const ArmedBreakpoint a{e.b.id, e.b.condition, e.b.hitTarget, e.hits};
        if (e.b.kind == Breakpoint::Kind::Data) {
            const std::pair<quint32, quint32> range{e.b.address,
                                                    e.b.address + quint32(e.b.length) - 1};
            if (std::find(ranges.begin(), ranges.end(), range) == ranges.end())
                ranges.push_back(range);
            armed->data.append({range, a});
            continue;
        }
        quint32 at = ~0u;
        if (e.b.kind == Breakpoint::Kind::Line)
            at = map_->firstAddress(e.b.line);
        else if (e.b.kind == Breakpoint::Kind::Address)
            at = e.b.address;
        if (at == ~0u)
            continue;
        wanted.insert(at);
        armed->code.insert(at, a);
    }
    armed_ = armed;
    // Watching writes costs a call per instruction: only while there are any.
    if (ranges != watched_) {
        m->watchWrites(ranges);
        watched_ = ranges;
    }
    for (const quint32 a : std::as_const(applied_))
        if (!wanted.contains(a) && !runToAddresses_.contains(a))
            m->removeBreakpoint(a);
    for (const quint32 a : std::as_const(wanted))
        if (!applied_.contains(a))
            m->addBreakpoint(a);
    applied_ = wanted;
}

void DebugSession::finished(const MachineStop &stop)
{
    startedTimer_.stop();
    Machine *m = thread_->machine();
    // A pause that came after the run had ended must not stop the next one.
    if (stop.reason != StopReason::StopRequested)
        m->cancelStopRequest();
    syncMachine();
    if (rearm_ && !pauseAsked_ && stop.reason == StopReason::StopRequested) {
        rearm_ = false;
        launch(resume_);
        startedTimer_.start();
        return;
    }
    rearm_ = false;
    // Keys typed while the program was stopping to wait for one: it goes on
    // with them, as it would have had they come a moment sooner.
    if (stop.reason == StopReason::InputWanted && resume_ && m->keysTyped()) {
        launch(resume_);
        startedTimer_.start();
        return;
    }
    refreshTimer_.stop();
    waitingForKey_ = stop.reason == StopReason::InputWanted;
    if (!waitingForKey_) {
        for (const quint32 a : std::as_const(runToAddresses_))
            if (!applied_.contains(a))
                m->removeBreakpoint(a);
    }
    DebugStop said = describe(stop);
    if (!waitingForKey_)
        runToAddresses_.clear();
    emit breakpointsChanged(); // their hits
    if (const std::shared_ptr<Backed> back = std::exchange(back_, nullptr)) {
        ended_ = false;
        if (back->toStart)
            said.message = QStringLiteral("已反向运行到记录的开头：") +
                           where(linear(m->reg(Reg::CS), m->reg(Reg::IP)), said.line) +
                           QStringLiteral("。");
        if (back->filesChanged)
            said.message += QStringLiteral("退回的这一段中程序写过文件，文件不会恢复原样。");
        emit stopped(said);
        return;
    }
    switch (stop.reason) {
    case StopReason::Exited:
    case StopReason::Fault:
    case StopReason::Unsupported:
    case StopReason::Fenced:
    case StopReason::OutputLimit:
    case StopReason::Stalled:
        ended_ = true;
        break;
    default:
        break;
    }
    emit stopped(said);
}

QString DebugSession::where(quint32 at, const SourceLine &line) const
{
    if (line.valid())
        return lineText(line);
    return QStringLiteral("地址 ") + address(at, thread_->machine()->reg(Reg::CS)) +
           QStringLiteral("（源程序之外）");
}

DebugStop DebugSession::describe(const MachineStop &stop) const
{
    const Machine *m = thread_->machine();
    const quint32 at = linear(m->reg(Reg::CS), m->reg(Reg::IP));
    // Services stop with IP past their INT: the line is the INT's.
    const bool afterInt = at >= 2 && m->memory().byteAt(at - 2) == 0xCD;
    const quint32 interruptAt = afterInt ? at - 2 : at;
    DebugStop d;
    d.line = map_->lineAt(at);
    auto fault = [&](quint32 from, const QString &what) {
        d.kind = DebugStop::Fault;
        d.line = map_->lineAt(from);
        d.message = QStringLiteral("程序在") + where(from, d.line) + what;
    };
    switch (stop.reason) {
    case StopReason::Watched:
        if (!d.line.valid())
            d.message = QStringLiteral("已单步到没有源程序的代码（%1）：F11 逐条指令执行，"
                                       "F10 运行到回到源程序。")
                            .arg(address(at, m->reg(Reg::CS)));
        break;
    case StopReason::BudgetSpent:
    case StopReason::None:
        break;
    case StopReason::Breakpoint:
        d.kind = runToAddresses_.contains(at) && !applied_.contains(at) ? DebugStop::Stepped
                                                               : DebugStop::Breakpoint;
        if (d.kind == DebugStop::Breakpoint)
            d.message = breakpointMessage(at, d.line);
        break;
    case StopReason::DataWritten:
        d.kind = DebugStop::Breakpoint;
        d.message = dataMessage();
        break;
    case StopReason::StopRequested:
        d.kind = DebugStop::Paused;
        d.message = QStringLiteral("已暂停：程序停在") + where(at, d.line) + QStringLiteral("。");
        break;
    case StopReason::InputWanted:
        d.kind = DebugStop::WaitingForKey;
        d.message = QStringLiteral("程序在") + where(at, d.line) + QStringLiteral("等待键盘输入。");
        break;
    case StopReason::Exited:
        d.kind = DebugStop::Ended;
        d.exitCode = stop.exitCode;
        d.line = map_->lineAt(interruptAt);
        d.message = d.line.valid() ? QStringLiteral("程序在%1结束，返回码 %2。")
                                         .arg(lineText(d.line))
                                         .arg(stop.exitCode)
                                   : QStringLiteral("程序已结束，返回码 %1。").arg(stop.exitCode);
        break;
    case StopReason::Fault:
        switch (stop.fault) {
        case FaultKind::StackOverflow: {
            // Named at the last of the program's own code that ran: the
            // call that went one level too deep, not the garbage it led to.
            const auto [block, size] = m->lastBlock();
            fault(watch_ ? watch_->previous() : block + (size ? size - 1 : 0),
                  QStringLiteral("栈溢出：递归太深或压栈太多，栈越过了栈段的界限，"
                                 "覆盖了别处的内容。"));
            break;
        }
        case FaultKind::DivideOverflow:
            fault(at, QStringLiteral("除法溢出（除数为 0 或商太大）。"));
            break;
        case FaultKind::InvalidInstruction:
            fault(at, QStringLiteral("遇到无效的指令（那里的字节不是 8086 指令）。"));
            break;
        case FaultKind::BoundRange:
            fault(at, QStringLiteral("数组下标越界（BOUND 指令）。"));
            break;
        case FaultKind::HaltForEver:
            fault(at - 1, QStringLiteral("在中断关闭（IF=0）时执行了 HLT，程序再也不会继续。"));
            break;
        default:
            fault(at, QStringLiteral("出错停止（%1）。").arg(stop.detail));
            break;
        }
        break;
    case StopReason::Unsupported:
        // A video mode or a way of drawing is the BIOS's and the VGA's, not DOS's.
        if (stop.lack == Lack::VideoMode || stop.lack == Lack::VideoMemory)
            fault(interruptAt,
                  QStringLiteral("用到了内置 PC 没有的 BIOS 显示功能（%1），无法继续调试。")
                      .arg(stop.detail));
        else
            fault(
                interruptAt,
                QStringLiteral("用到了内置 DOS 没有的功能（%1），无法继续调试。").arg(stop.detail));
        break;
    case StopReason::Fenced: {
        // The jump came from the last instruction run inside the program.
        const auto [block, size] = m->lastBlock();
        const quint32 from = watch_ ? watch_->previous() : block + (size ? size - 1 : 0);
        fault(from,
              QStringLiteral("跳到了程序之外的地址 %1，那里没有程序的代码。").arg(stop.detail));
        break;
    }
    case StopReason::OutputLimit:
        fault(interruptAt, QStringLiteral("写的文件 %1 太大，已被停止。").arg(stop.file));
        break;
    case StopReason::Stalled:
        fault(at, QStringLiteral("出错停止（%1）。").arg(stop.detail));
        break;
    }
    return d;
}

QString DebugSession::breakpointMessage(quint32 at, const SourceLine &line) const
{
    const auto e = std::find_if(breakpoints_.begin(), breakpoints_.end(),
                                [this](const Entry &x) { return x.b.id == verdict_->id; });
    if (e == breakpoints_.end())
        return {};
    const Breakpoint &b = e->b;
    const QString place = placeText(b);
    if (!verdict_->error.isEmpty())
        return QStringLiteral("%1的断点条件“%2”无法计算：%3。程序停在了这里。")
            .arg(place, b.condition, verdict_->error);
    QStringList why;
    if (!b.condition.isEmpty())
        why << QStringLiteral("条件 %1 成立").arg(b.condition);
    if (b.hitTarget > 0)
        why << QStringLiteral("第 %1 次到达").arg(b.hitTarget);
    if (b.kind == Breakpoint::Kind::Line && why.isEmpty())
        return {};
    QString said = QStringLiteral("停在%1的断点").arg(place);
    if (!line.valid())
        said += QStringLiteral("（源程序之外）");
    if (!why.isEmpty())
        said += QStringLiteral("：") + why.join(QStringLiteral("，"));
    Q_UNUSED(at);
    return said + QStringLiteral("。");
}

namespace {

// Bytes as the program reads them: a byte or a word as one value, more as bytes.
QString valuesText(const QByteArray &bytes)
{
    auto two = [](quint32 v, int digits) {
        return QString::number(v, 16).toUpper().rightJustified(digits, u'0') + u'H';
    };
    if (bytes.size() == 1)
        return two(quint8(bytes[0]), 2);
    if (bytes.size() == 2)
        return two(quint8(bytes[0]) | quint32(quint8(bytes[1])) << 8, 4);
    QStringList shown;
    for (int i = 0; i < std::min<int>(bytes.size(), 16); ++i)
        shown << QString::number(quint8(bytes[i]), 16).toUpper().rightJustified(2, u'0');
    return shown.join(u' ') + (bytes.size() > 16 ? QStringLiteral(" …") : QString());
}

} // namespace

QString DebugSession::dataMessage() const
{
    const Cpu::WriteSeen &seen = thread_->machine()->lastWrite();
    const auto e = std::find_if(breakpoints_.begin(), breakpoints_.end(),
                                [this](const Entry &x) { return x.b.id == verdict_->id; });
    if (e != breakpoints_.end() && !verdict_->error.isEmpty())
        return QStringLiteral("%1的断点条件“%2”无法计算：%3。程序停在了这里。")
            .arg(placeText(e->b), e->b.condition, verdict_->error);
    QString what = e != breakpoints_.end() && !e->b.label.isEmpty()
                       ? e->b.label
                       : address(seen.first, quint16((seen.first >> 4) & 0xF000)) +
                             QStringLiteral("（%1 字节）").arg(seen.last - seen.first + 1);
    if (e != breakpoints_.end() && e->b.label.isEmpty())
        what = placeText(e->b);
    QString said = QStringLiteral("数据断点：%1改写了 %2：%3 → %4")
                       .arg(where(seen.writer, map_->lineAt(seen.writer)), what,
                            valuesText(seen.before), valuesText(seen.after));
    if (e != breakpoints_.end()) {
        QStringList why;
        if (!e->b.condition.isEmpty())
            why << QStringLiteral("条件 %1 成立").arg(e->b.condition);
        if (e->b.hitTarget > 0)
            why << QStringLiteral("第 %1 次改写").arg(e->b.hitTarget);
        if (!why.isEmpty())
            said += QStringLiteral("（") + why.join(QStringLiteral("，")) + QStringLiteral("）");
    }
    return said + QStringLiteral("。");
}

void DebugSession::remember()
{
    const Machine *m = thread_->machine();
    previous_ = m->registers();
    previousMemory_ = m->readMemory(0, Cpu::memorySize);
}

namespace {

void put(Registers &r, Reg reg, quint16 value)
{
    quint16 *const fields[] = {&r.ax, &r.bx, &r.cx, &r.dx, &r.si, &r.di, &r.bp, &r.sp,
                               &r.cs, &r.ds, &r.es, &r.ss, &r.ip, &r.flags};
    const Reg order[] = {Reg::AX, Reg::BX, Reg::CX, Reg::DX, Reg::SI, Reg::DI, Reg::BP,
                         Reg::SP, Reg::CS, Reg::DS, Reg::ES, Reg::SS, Reg::IP, Reg::Flags};
    for (int i = 0; i < int(std::size(order)); ++i)
        if (order[i] == reg)
            *fields[i] = value;
}

} // namespace

bool DebugSession::setRegister(Reg reg, quint16 value)
{
    Machine *m = thread_->machine();
    if (!m || running() || ended_)
        return false;
    Registers r = m->registers();
    // The 8086 keeps bits 12 to 15 of its flags set, and bit 1.
    put(r, reg, reg == Reg::Flags ? quint16((value & 0x0FD5) | 0xF002) : value);
    m->setRegisters(r);
    return true;
}

bool DebugSession::setRegisters(const Registers &registers)
{
    Machine *m = thread_->machine();
    if (!m || running() || ended_)
        return false;
    Registers r = registers;
    r.flags = quint16((r.flags & 0x0FD5) | 0xF002);
    m->setRegisters(r);
    return true;
}

Registers DebugSession::registers() const
{
    const Machine *m = thread_->machine();
    return m ? m->registers() : Registers{};
}

QByteArray DebugSession::memory() const
{
    const Machine *m = thread_->machine();
    return m ? m->readMemory(0, Cpu::memorySize) : QByteArray();
}

std::optional<quint8> DebugSession::readPort(quint16 port)
{
    Machine *m = thread_->machine();
    if (!m || running() || ended_)
        return std::nullopt;
    return m->readPort(port);
}

bool DebugSession::writePort(quint16 port, quint8 value)
{
    Machine *m = thread_->machine();
    return m && !running() && !ended_ && m->writePort(port, value);
}

bool DebugSession::writeMemory(quint32 address, const QByteArray &bytes)
{
    Machine *m = thread_->machine();
    return m && !running() && !ended_ && m->writeMemory(address, bytes);
}

DebugView DebugSession::view() const
{
    DebugView v;
    const Machine *m = thread_->machine();
    if (!m)
        return v;
    v.registers = m->registers();
    v.previous = previous_;
    v.memory = m->readMemory(0, Cpu::memorySize);
    v.previousMemory = previousMemory_.isEmpty() ? v.memory : previousMemory_;
    v.cursorRow = m->cursorRow();
    v.cursorColumn = m->cursorColumn();
    v.screen = m->screenPicture();
    v.dataLabels = map_->dataLabels();
    v.symbols = symbols_;
    if (v.registers.ss == stackSegment_)
        v.stackTop = stackTop_;
    v.sourceLineOf = [map = std::shared_ptr<const SourceMap>(map_)](quint32 at) {
        return map->lineText(map->lineAt(at));
    };
    v.sourceLineAt = [map = std::shared_ptr<const SourceMap>(map_)](quint32 at) {
        return map->lineAt(at);
    };
    return v;
}

QString DebugSession::lineText(const SourceLine &line) const
{
    return map_->lineText(line);
}
