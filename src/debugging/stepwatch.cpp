#include "debugging/stepwatch.h"

#include "debugging/instruction.h"

StepWatch::StepWatch(Mode mode, std::shared_ptr<const SourceMap> map, const Machine &machine)
    : mode_(mode), map_(std::move(map)), machine_(machine),
      previous_(linear(machine.reg(Reg::CS), machine.reg(Reg::IP))), startSp_(machine.reg(Reg::SP))
{
}

// The stack of a program without a stack segment starts at SP 0 and wraps
// to FFFEh on the first push: stack depths are compared modulo 64 KB.
static bool above(quint16 sp, quint16 mark)
{
    return qint16(quint16(sp - mark)) > 0;
}

bool StepWatch::outsideSource(quint32 address) const
{
    const bool inImage = address >= map_->imageBegin() && address < map_->imageEnd();
    // The machine's own BIOS code runs without stopping.
    return !inImage && address < 0xF0000 && !map_->lineAt(address).valid();
}

bool StepWatch::operator()(quint32 address)
{
    const quint16 sp = machine_.reg(Reg::SP);
    if (mode_ == Single) {
        // The machine's own BIOS and DOS code behind an INT runs whole, as
        // the service the program called.
        // A repeated string instruction is met once more with CX at 0 only
        // to end it: the 8086's step goes on to the next instruction.
        const bool ending = address == previous_ && machine_.reg(Reg::CX) == 0 &&
                            instructionAt(machine_.memory(), address).kind == Instruction::Repeat;
        if (started_ && address < 0xF0000 && !ending)
            return true;
        started_ = true;
        previous_ = address;
        return false;
    }
    if (mode_ == Out) {
        // Past a return that took the stack above where it was: back in the caller.
        if (returned_ && above(sp, startSp_))
            return true;
        returned_ = instructionAt(machine_.memory(), address).kind == Instruction::Return;
        previous_ = address;
        return false;
    }
    if (pending_) {
        if (address != target_ || (checkSp_ && above(targetSp_, sp))) {
            previous_ = address;
            return false;
        }
        pending_ = false;
        // Back from the call: a recursive call's RET runs at this very
        // address just before, so the arrival alone says a line starts.
        if (map_->isLineStart(address))
            return true;
    }
    // A line starts where the run arrives, not where it stays (a repeated
    // string instruction runs at one address many times).
    if (address != previous_ && map_->isLineStart(address))
        return true;
    // Code with no source of its own (a routine the program copied to
    // 0000:0200, say) is stepped an instruction at a time.
    if (mode_ == Into && address != previous_ && outsideSource(address))
        return true;
    const Instruction i = instructionAt(machine_.memory(), address);
    const bool over =
        mode_ == Over && (i.kind == Instruction::Call || i.kind == Instruction::Interrupt ||
                          i.kind == Instruction::Loop);
    if (over || i.kind == Instruction::Repeat) {
        pending_ = true;
        target_ = address + quint32(i.length);
        // A call returns with the stack where it was; a loop's body may leave it anywhere.
        checkSp_ = i.kind != Instruction::Loop && i.kind != Instruction::Repeat;
        targetSp_ = sp;
    }
    previous_ = address;
    return false;
}
