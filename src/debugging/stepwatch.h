#pragma once

#include "debugging/sourcemap.h"
#include "machine/machine.h"

#include <memory>

// What a step command watches for, instruction by instruction, while the
// machine runs it on its worker. It keeps its state across a stop for a key,
// so that the same step goes on once the key is there.
class StepWatch
{
public:
    enum Mode {
        Into, // to the start of the next line, into called procedures
        Over, // to the next line of this level: calls, interrupts, loops and
              // repeated string instructions run to their end
        Out,  // until the procedure returns to its caller
        Single, // one instruction (one pass of a repeated string
                // instruction, as the 8086's trap flag has it)
    };
    StepWatch(Mode mode, std::shared_ptr<const SourceMap> map, const Machine &machine);

    // True: stop before the instruction at this address.
    bool operator()(quint32 linear);
    // The instruction that ran last, to name the line of a fault.
    quint32 previous() const { return previous_; }

private:
    bool outsideSource(quint32 address) const;

    Mode mode_;
    std::shared_ptr<const SourceMap> map_;
    const Machine &machine_;
    quint32 previous_;
    quint16 startSp_;
    // Running to the end of a call, loop or string instruction: stop
    // watching lines until the target is reached with the stack back at
    // targetSp_ or above.
    bool pending_ = false;
    quint32 target_ = 0;
    quint16 targetSp_ = 0;
    bool checkSp_ = false;
    bool returned_ = false;
    bool started_ = false;
};
