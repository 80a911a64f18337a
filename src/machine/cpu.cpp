#include "machine/cpu.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr int unicornReg[] = {UC_X86_REG_AX, UC_X86_REG_BX,   UC_X86_REG_CX, UC_X86_REG_DX,
                              UC_X86_REG_SI, UC_X86_REG_DI,   UC_X86_REG_BP, UC_X86_REG_SP,
                              UC_X86_REG_CS, UC_X86_REG_DS,   UC_X86_REG_ES, UC_X86_REG_SS,
                              UC_X86_REG_IP, UC_X86_REG_FLAGS};

void interruptHook(uc_engine *, uint32_t number, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->onInterrupt)
        cpu->onInterrupt(int(number));
    cpu->endForJournal();
}

bool invalidHook(uc_engine *, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->onInvalidInstruction)
        cpu->onInvalidInstruction();
    return false;
}

// Unicorn leaves IP holding the linear address after a stop from a code hook
// in 16-bit mode, so a hook that stops notes where.
quint16 offsetOf(uc_engine *uc, uint64_t address)
{
    quint16 cs = 0;
    uc_reg_read(uc, UC_X86_REG_CS, &cs);
    return quint16(address - (quint32(cs) << 4));
}

// Counts instructions for a run with a budget and stops before the first one
// past it; asks the watch of a watched run about each instruction. The count
// comes first, so that the watch sees each instruction once even when a run
// leaving a breakpoint is made of two.
void countHook(uc_engine *uc, uint64_t address, uint32_t, void *user)
{
    auto *budget = static_cast<Cpu::Budget *>(user);
    if (budget->cpu->journalStop(uc, address))
        return;
    if (budget->counting && budget->left-- <= 0) {
        budget->spent = true;
    } else if (budget->watch && (*budget->watch)(quint32(address))) {
        budget->watched = true;
    } else {
        return;
    }
    budget->stoppedAt = offsetOf(uc, address);
    uc_emu_stop(uc);
}

} // namespace

void Cpu::writeHook(uc_struct *, int, quint64, int, qint64, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    cpu->written_ = true;
    cpu->writer_ = cpu->lastInstruction_;
}

// Before each instruction while writes are watched: the one before it wrote
// into a watched range, and when it changed the bytes the run ends here.
void Cpu::writeCheckHook(uc_struct *uc, quint64 address, quint32, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->written_) {
        cpu->written_ = false;
        if (!cpu->replaying_ && cpu->changed(cpu->writer_)) {
            cpu->writeStopped_ = true;
            cpu->writeStoppedInCode_ = true;
            cpu->writeStoppedAt_ = offsetOf(uc, address);
            cpu->stopped_ = true;
            uc_emu_stop(uc);
            return;
        }
    }
    cpu->lastInstruction_ = quint32(address);
}

bool Cpu::changed(quint32 writer)
{
    bool found = false;
    for (Watched &w : watched_) {
        const QByteArray now = guest_.readAt(w.first, int(w.last - w.first + 1));
        if (now == w.bytes)
            continue;
        if (!found)
            writeSeen_ = {w.first, w.last, writer, w.bytes, now};
        found = true;
        w.bytes = now;
    }
    return found;
}

bool Cpu::checkWrites(quint32 writer)
{
    if (watched_.empty() || !changed(writer))
        return false;
    writeStopped_ = true;
    stop();
    return true;
}

void Cpu::watchWrites(const std::vector<std::pair<quint32, quint32>> &ranges)
{
    for (const size_t h : writeHooks_)
        uc_hook_del(uc_, h);
    writeHooks_.clear();
    watched_.clear();
    written_ = false;
    for (const auto &[first, last] : ranges) {
        uc_hook h = 0;
        if (uc_hook_add(uc_, &h, UC_HOOK_MEM_WRITE, reinterpret_cast<void *>(writeHook), this,
                        first, last) == UC_ERR_OK)
            writeHooks_.push_back(h);
        watched_.push_back({first, last, guest_.readAt(first, int(last - first + 1))});
    }
    if (!watched_.empty()) {
        uc_hook h = 0;
        if (uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void *>(writeCheckHook), this, 1,
                        0) == UC_ERR_OK)
            writeHooks_.push_back(h);
    }
    // Code translated before (or with) the hooks would keep its old ways.
    flushCode(0, memorySize + 0x10000);
}

void Cpu::fenceHook(uc_struct *uc, quint64 address, quint32, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    cpu->fenced_ = true;
    cpu->fencedAt_ = offsetOf(uc, address);
    uc_emu_stop(uc);
}

void Cpu::traceHook(uc_struct *, quint64 address, quint32 size, void *user)
{
    static_cast<Cpu *>(user)->lastBlock_ = {quint32(address), size};
}

void Cpu::clockHook(uc_struct *uc, quint64 address, quint32, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->journalStop(uc, address))
        return;
    if (cpu->clock_ >= cpu->alarm_) {
        cpu->alarmed_ = true;
        cpu->alarmedAt_ = offsetOf(uc, address);
        uc_emu_stop(uc);
        return;
    }
    ++cpu->clock_;
}

quint32 Cpu::portInHook(uc_struct *, quint32 port, int size, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    quint32 value = 0;
    for (int i = 0; i < size && i < 4; ++i)
        value |= quint32(cpu->onPortIn ? cpu->onPortIn(quint16(port + i)) : 0xFF) << (8 * i);
    cpu->portTouched_ = true;
    return value;
}

void Cpu::portOutHook(uc_struct *, quint32 port, int size, quint32 value, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    for (int i = 0; i < size && i < 4; ++i)
        if (cpu->onPortOut)
            cpu->onPortOut(quint16(port + i), quint8(value >> (8 * i)));
    cpu->portTouched_ = true;
}

void Cpu::endForJournal()
{
    if (!journal_ || journalEnded_)
        return;
    journalEnded_ = true;
    uc_emu_stop(uc_);
}

bool Cpu::journalStop(uc_struct *uc, quint64 address)
{
    if (!journal_)
        return false;
    if (stretchEnded_)
        return true;
    // A stop from within IN or OUT would leave IP wrong: the run ends
    // before the next instruction instead.
    if (!std::exchange(portTouched_, false) && stretch_ < journalStretch)
        return false;
    stretchEnded_ = true;
    stretchEndedAt_ = offsetOf(uc, address);
    uc_emu_stop(uc);
    return true;
}

// Added after every other code hook (see run()), so that it sees only the
// instructions that do run: a hook before it that stops the run stops it
// before the instruction, and the hooks after a stop are not called.
void Cpu::journalHook(uc_struct *uc, quint64 address, quint32, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->journalStop(uc, address))
        return;
    ++cpu->stretch_;
    cpu->journal_->noteInstruction(quint32(address), cpu->guest_);
}

// Called before the write, while the old bytes are still there.
void Cpu::journalWriteHook(uc_struct *, int, quint64 address, int size, qint64, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    cpu->journal_->noteWrite(quint32(address), quint32(size), cpu->guest_);
}

void Cpu::keepJournal(Journal *journal)
{
    if (journal == journal_)
        return;
    if (journalHook_)
        uc_hook_del(uc_, journalHook_);
    if (journalWriteHook_)
        uc_hook_del(uc_, journalWriteHook_);
    journalHook_ = 0;
    journalWriteHook_ = 0;
    journal_ = journal;
    guest_.setJournal(journal);
    if (journal) {
        uc_hook h = 0;
        note(uc_hook_add(uc_, &h, UC_HOOK_MEM_WRITE, reinterpret_cast<void *>(journalWriteHook),
                         this, 1, 0));
        journalWriteHook_ = h;
    }
    // Code translated with or without the hooks calls them or not.
    flushCode(0, memorySize + 0x10000);
}

int Cpu::runAgain(quint64 count)
{
    if (count == 0)
        return 0;
    const std::vector<quint64> kept = std::exchange(breakpoints_, {});
    setExits(0xFFFFFFFF);
    alarm_ = ~quint64(0);
    replaying_ = true;
    const int error = run(count);
    replaying_ = false;
    written_ = false;
    breakpoints_ = kept;
    setExits(0xFFFFFFFF);
    flushCode(0, memorySize + 0x10000);
    return error;
}

void Cpu::blockHook(uc_struct *uc, quint64 address, quint32 size, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    cpu->mendPushedFlags();
    if (!cpu->stopSoon_.exchange(false)) {
        if (cpu->hookFlagsImage(quint32(address), size)) {
            cpu->restart_ = true;
            cpu->restartAt_ = offsetOf(uc, address);
            cpu->restartBlock_ = {quint32(address), size};
            uc_emu_stop(uc);
        }
        return;
    }
    cpu->stopped_ = true;
    cpu->blockStopped_ = true;
    cpu->blockStoppedAt_ = offsetOf(uc, address);
    uc_emu_stop(uc);
}

bool Cpu::hookFlagsImage(quint32 address, quint32 size)
{
    if (!guest_.holds(address, int(size), 0x9C) || !flagBlocks_.insert(address).second)
        return false;
    uc_hook h = 0;
    if (uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void *>(flagsHook), this, address,
                    address + size - 1) != UC_ERR_OK)
        return false;
    flagHooks_.push_back(h);
    return true;
}

void Cpu::flagsHook(uc_struct *uc, quint64 address, quint32, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    cpu->mendPushedFlags();
    // Segment, LOCK and REP prefixes may stand before it; with 66h it is a
    // 386's PUSHFD, which no 8086 program has.
    quint32 at = quint32(address);
    quint8 op = cpu->guest_.byteAt(at);
    for (int i = 0; i < 4 && (op == 0x26 || op == 0x2E || op == 0x36 || op == 0x3E ||
                              op == 0xF0 || op == 0xF2 || op == 0xF3);
         ++i)
        op = cpu->guest_.byteAt(++at);
    if (op != 0x9C)
        return;
    cpu->imagePending_ = true;
    uc_reg_read(uc, UC_X86_REG_SS, &cpu->imageSs_);
    uc_reg_read(uc, UC_X86_REG_SP, &cpu->imageSp_);
}

void Cpu::mendPushedFlags()
{
    if (!std::exchange(imagePending_, false))
        return;
    // Only when the PUSHF did run: a run may stop before it.
    const quint16 sp = quint16(imageSp_ - 2);
    if (reg(Reg::SS) != imageSs_ || reg(Reg::SP) != sp)
        return;
    guest_.setWord(imageSs_, sp, flagsImage(guest_.word(imageSs_, sp)));
}

int Cpu::start(quint32 address)
{
    for (;;) {
        const int error = uc_emu_start(uc_, address, 0, 0, 0);
        mendPushedFlags();
        if (!std::exchange(restart_, false) || error)
            return error;
        // The block is translated again, with its hook.
        flushCode(restartBlock_.first, restartBlock_.second);
        setReg(Reg::IP, restartAt_);
        address = linear(reg(Reg::CS), restartAt_);
    }
}

void Cpu::stopSoon()
{
    stopSoon_ = true;
}

void Cpu::countInstructions()
{
    if (clockHook_)
        return;
    uc_hook h = 0;
    if (uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void *>(clockHook), this, 1, 0) ==
        UC_ERR_OK)
        clockHook_ = h;
    flushCode(0, memorySize + 0x10000);
}

quint32 linear(quint16 segment, quint16 offset)
{
    return (quint32(segment) << 4) + offset;
}

void Cpu::Free::operator()(quint8 *p) const
{
    std::free(p);
}

Cpu::Cpu()
    : memory_(static_cast<quint8 *>(std::aligned_alloc(4096, memorySize))), guest_(memory_.get())
{
    std::fill_n(memory_.get(), memorySize, 0);
    if (uc_open(UC_ARCH_X86, UC_MODE_16, &uc_) != UC_ERR_OK) {
        uc_ = nullptr;
        return;
    }
    uc_hook hook;
    if (uc_mem_map_ptr(uc_, 0, memorySize, UC_PROT_ALL, memory_.get()) != UC_ERR_OK ||
        uc_mem_map_ptr(uc_, memorySize, 0x10000, UC_PROT_ALL, memory_.get()) != UC_ERR_OK ||
        uc_ctl_exits_enable(uc_) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void *>(interruptHook), this, 1,
                    0) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INSN_INVALID, reinterpret_cast<void *>(invalidHook), this,
                    1, 0) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INSN, reinterpret_cast<void *>(portInHook), this, 1, 0,
                    UC_X86_INS_IN) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INSN, reinterpret_cast<void *>(portOutHook), this, 1, 0,
                    UC_X86_INS_OUT) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_BLOCK, reinterpret_cast<void *>(blockHook), this, 1, 0) !=
            UC_ERR_OK) {
        uc_close(uc_);
        uc_ = nullptr;
    }
}

Cpu::~Cpu()
{
    if (uc_)
        uc_close(uc_);
}

quint16 Cpu::reg(Reg r) const
{
    quint16 value = 0;
    uc_reg_read(uc_, unicornReg[int(r)], &value);
    return value;
}

void Cpu::setReg(Reg r, quint16 value)
{
    uc_reg_write(uc_, unicornReg[int(r)], &value);
}

Registers Cpu::registers() const
{
    Registers r;
    quint16 *fields[] = {&r.ax, &r.bx, &r.cx, &r.dx, &r.si, &r.di, &r.bp,
                         &r.sp, &r.cs, &r.ds, &r.es, &r.ss, &r.ip, &r.flags};
    for (int i = 0; i < 14; ++i)
        *fields[i] = reg(Reg(i));
    return r;
}

void Cpu::setRegisters(const Registers &r)
{
    const quint16 values[] = {r.ax, r.bx, r.cx, r.dx, r.si, r.di, r.bp,
                              r.sp, r.cs, r.ds, r.es, r.ss, r.ip, r.flags};
    for (int i = 0; i < 14; ++i)
        setReg(Reg(i), values[i]);
}

void Cpu::setCarry(bool on)
{
    const quint16 f = reg(Reg::Flags);
    setReg(Reg::Flags, on ? (f | 1) : (f & ~1));
}

void Cpu::setZero(bool on)
{
    const quint16 f = reg(Reg::Flags);
    setReg(Reg::Flags, on ? (f | 0x40) : (f & ~0x40));
}

int Cpu::run(quint64 instructionCount, const Watch &watch)
{
    stopped_ = false;
    fenced_ = false;
    alarmed_ = false;
    blockStopped_ = false;
    writeStopped_ = false;
    writeStoppedInCode_ = false;
    // What the user changed between runs is no write of the program's.
    if (!written_)
        for (Watched &w : watched_)
            w.bytes = guest_.readAt(w.first, int(w.last - w.first + 1));
    journalEnded_ = false;
    stretchEnded_ = false;
    stretch_ = 0;
    portTouched_ = false;
    const quint64 clockAtStart = clock_;
    const quint32 here = linear(reg(Reg::CS), reg(Reg::IP));
    const bool onBreakpoint = hasBreakpoint(here);
    if (onBreakpoint)
        setExits(here);
    // Leaving a breakpoint without a budget takes a budget of one
    // instruction, then a run without.
    Budget budget;
    budget.cpu = this;
    budget.counting = instructionCount || onBreakpoint;
    budget.left = instructionCount ? qint64(instructionCount) : 1;
    budget.watch = watch ? &watch : nullptr;
    uc_hook hook = 0;
    if (budget.counting || budget.watch) {
        note(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void *>(countHook), &budget, 1,
                         0));
        // Code translated by a run without the hook would not call it.
        flushCode(0, memorySize + 0x10000);
    }
    if (journal_) {
        if (journalHook_)
            uc_hook_del(uc_, journalHook_);
        uc_hook h = 0;
        note(uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void *>(journalHook), this, 1,
                         0));
        journalHook_ = h;
    }
    // A run without its budget, its breakpoints or fresh code would not stop
    // where it must: it does not start.
    if (const int failed = std::exchange(controlError_, 0)) {
        if (hook)
            uc_hook_del(uc_, hook);
        return failed;
    }
    // In 16-bit mode Unicorn takes the linear start address and derives IP
    // from it and CS; with exits enabled it has no end address.
    int error = start(here);
    if (budget.spent || budget.watched)
        setReg(Reg::IP, budget.stoppedAt);
    if (onBreakpoint) {
        setExits(0xFFFFFFFF);
        flushCode(here, 1); // translated without its exit while leaving it
    }
    if (!instructionCount && budget.spent && !error && !stopped_ && !fenced_) {
        budget.counting = false;
        if (!budget.watch && hook) {
            uc_hook_del(uc_, hook);
            hook = 0;
        }
        error = start(linear(reg(Reg::CS), reg(Reg::IP)));
        if (budget.watched)
            setReg(Reg::IP, budget.stoppedAt);
    }
    if (hook)
        uc_hook_del(uc_, hook);
    if (fenced_)
        setReg(Reg::IP, fencedAt_);
    if (writeStoppedInCode_)
        setReg(Reg::IP, writeStoppedAt_);
    if (alarmed_)
        setReg(Reg::IP, alarmedAt_);
    else if (stretchEnded_)
        setReg(Reg::IP, stretchEndedAt_);
    else if (blockStopped_)
        setReg(Reg::IP, blockStoppedAt_);
    lastRunCount_ = clockHook_ ? clock_ - clockAtStart
                               : quint64(qint64(instructionCount) - std::max<qint64>(budget.left, 0));
    lastRunSpentBudget_ = instructionCount && budget.spent;
    watchStopped_ = budget.watched;
    return error;
}

void Cpu::setFences(const std::vector<std::pair<quint32, quint32>> &ranges)
{
    for (const size_t h : fenceHooks_)
        uc_hook_del(uc_, h);
    fenceHooks_.clear();
    for (const auto &[first, last] : ranges) {
        uc_hook h = 0;
        if (uc_hook_add(uc_, &h, UC_HOOK_CODE, reinterpret_cast<void *>(fenceHook), this, first,
                        last) == UC_ERR_OK)
            fenceHooks_.push_back(h);
    }
    flushCode(0, memorySize + 0x10000);
}

void Cpu::traceBlocks(quint32 first, quint32 last)
{
    if (traceHook_)
        uc_hook_del(uc_, traceHook_);
    traceHook_ = 0;
    uc_hook h = 0;
    if (uc_hook_add(uc_, &h, UC_HOOK_BLOCK, reinterpret_cast<void *>(traceHook), this, first,
                    last) == UC_ERR_OK)
        traceHook_ = h;
    flushCode(first, last - first + 1);
}

void Cpu::stop()
{
    stopped_ = true;
    uc_emu_stop(uc_);
}

void Cpu::flushCode(quint32 address, quint32 size)
{
    note(uc_ctl_remove_cache(uc_, address, address + size));
}

void Cpu::note(int error)
{
    if (error != UC_ERR_OK && controlError_ == UC_ERR_OK)
        controlError_ = error;
}

void Cpu::setExits(quint32 except)
{
    std::vector<uint64_t> exits;
    for (quint64 b : breakpoints_)
        if (b != except)
            exits.push_back(b);
    note(uc_ctl_set_exits(uc_, exits.data(), exits.size()));
    // Exits are compiled into the translated code.
    if (except != 0xFFFFFFFF)
        flushCode(except, 1);
}

bool Cpu::addBreakpoint(quint32 address)
{
    if (!hasBreakpoint(address))
        breakpoints_.push_back(address);
    setExits(0xFFFFFFFF);
    flushCode(address, 1);
    return true;
}

void Cpu::removeBreakpoint(quint32 address)
{
    std::erase(breakpoints_, quint64(address));
    setExits(0xFFFFFFFF);
    flushCode(address, 1);
}

bool Cpu::hasBreakpoint(quint32 address) const
{
    return std::find(breakpoints_.begin(), breakpoints_.end(), address) != breakpoints_.end();
}
