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

DebugSession::DebugSession(const Program &program, QString *error, QObject *parent)
    : QObject(parent), thread_(std::make_unique<MachineThread>(program.setup)),
      folder_(program.folder)
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
    thread_->start(resume_);
    startedTimer_.start();
    refreshTimer_.start();
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
    Machine *m = thread_->machine();
    watch_.reset();
    remember();
    runToAddress_ = target;
    m->addBreakpoint(target);
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
    if (on)
        breakpoints_.insert(line);
    else
        breakpoints_.remove(line);
    if (running())
        rearm();
    else
        syncMachine();
    return true;
}

QList<SourceLine> DebugSession::breakpoints() const
{
    return breakpoints_.values();
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
    for (const SourceLine &line : std::as_const(breakpoints_))
        wanted.insert(map_->firstAddress(line));
    for (const quint32 a : std::as_const(applied_))
        if (!wanted.contains(a) && a != runToAddress_)
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
        thread_->start(resume_);
        startedTimer_.start();
        return;
    }
    rearm_ = false;
    refreshTimer_.stop();
    waitingForKey_ = stop.reason == StopReason::InputWanted;
    if (!waitingForKey_ && runToAddress_ != ~0u) {
        if (!applied_.contains(runToAddress_))
            m->removeBreakpoint(runToAddress_);
    }
    DebugStop said = describe(stop);
    if (!waitingForKey_)
        runToAddress_ = ~0u;
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
        d.kind = at == runToAddress_ && !applied_.contains(at) ? DebugStop::Stepped
                                                               : DebugStop::Breakpoint;
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
