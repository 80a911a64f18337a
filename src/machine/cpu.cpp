#include "machine/cpu.h"

#include <unicorn/unicorn.h>

#include <cstdlib>

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
}

bool invalidHook(uc_engine *, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->onInvalidInstruction)
        cpu->onInvalidInstruction();
    return false;
}

void breakpointHook(uc_engine *, uint64_t address, uint32_t, void *user)
{
    auto *cpu = static_cast<Cpu *>(user);
    if (cpu->onBreakpoint)
        cpu->onBreakpoint(quint32(address));
}

} // namespace

quint32 linear(quint16 segment, quint16 offset)
{
    return (quint32(segment) << 4) + offset;
}

void Cpu::Free::operator()(quint8 *p) const
{
    std::free(p);
}

Cpu::Cpu() : memory_(static_cast<quint8 *>(std::aligned_alloc(4096, memorySize)))
{
    std::fill_n(memory_.get(), memorySize, 0);
    if (uc_open(UC_ARCH_X86, UC_MODE_16, &uc_) != UC_ERR_OK) {
        uc_ = nullptr;
        return;
    }
    uc_hook hook;
    if (uc_mem_map_ptr(uc_, 0, memorySize, UC_PROT_ALL, memory()) != UC_ERR_OK ||
        uc_mem_map_ptr(uc_, memorySize, 0x10000, UC_PROT_ALL, memory()) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void *>(interruptHook), this, 1,
                    0) != UC_ERR_OK ||
        uc_hook_add(uc_, &hook, UC_HOOK_INSN_INVALID, reinterpret_cast<void *>(invalidHook), this,
                    1, 0) != UC_ERR_OK) {
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

int Cpu::run(quint64 sliceMicroseconds, quint64 instructionCount)
{
    // In 16-bit mode Unicorn takes the linear start address and derives IP
    // from it and CS; the end address is one no program reaches.
    return uc_emu_start(uc_, linear(reg(Reg::CS), reg(Reg::IP)), 0xFFFFFFFFu, sliceMicroseconds,
                        instructionCount);
}

void Cpu::stop()
{
    uc_emu_stop(uc_);
}

void Cpu::flushCode(quint32 address, quint32 size)
{
    uc_ctl_remove_cache(uc_, address, address + size);
}

bool Cpu::addBreakpoint(quint32 address)
{
    for (const auto &b : breakpoints_)
        if (b.first == address)
            return true;
    uc_hook hook;
    if (uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void *>(breakpointHook), this,
                    address, address) != UC_ERR_OK)
        return false;
    breakpoints_.push_back({address, hook});
    return true;
}

void Cpu::removeBreakpoint(quint32 address)
{
    for (auto it = breakpoints_.begin(); it != breakpoints_.end(); ++it) {
        if (it->first == address) {
            uc_hook_del(uc_, it->second);
            breakpoints_.erase(it);
            return;
        }
    }
}

bool Cpu::hasBreakpoint(quint32 address) const
{
    for (const auto &b : breakpoints_)
        if (b.first == address)
            return true;
    return false;
}
