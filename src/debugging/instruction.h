#pragma once

#include <QtGlobal>

class GuestMemory;

// What a stepping debugger must know of the 8086 instruction at an address.
struct Instruction
{
    enum Kind { Other, Call, Interrupt, Loop, Repeat, Return };
    Kind kind = Other;
    // Bytes, prefixes included; known for Call, Interrupt, Loop and Repeat.
    int length = 0;
};

Instruction instructionAt(const GuestMemory &memory, quint32 linear);
