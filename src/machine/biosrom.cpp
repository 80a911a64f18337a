// The BIOS's hardware interrupt routines. They are real code in the ROM
// segment, so that a program's own handler can chain to them (PUSHF, CALL
// FAR) and INT 1Ch reaches the program's routine through its vector; at
// their INT instructions they call the machine for what a ROM does in its
// own code.
#include "machine/keybuffer.h"
#include "machine/machinestate.h"

namespace {

// F000:0900  INT 08h   the tick: 0040:006C counts, midnight rolls over
// F000:0902  INT 1Ch   through its vector: the program's hook, or nothing
// F000:0904  INT 08h   end of interrupt
// F000:0906  IRET
// F000:0908  INT 09h   the key: port 60h read, its key put in the buffer,
//                      end of interrupt
// F000:090A  IRET
constexpr quint8 rom[] = {0xCD, 0x08, 0xCD, 0x1C, 0xCD, 0x08, 0xCF, 0x90, 0xCD, 0x09, 0xCF};

constexpr quint32 ticksPerDay = 0x1800B0;

void tick(MachineState &m)
{
    quint32 ticks = m.mem().dword(0x40, 0x6C) + 1;
    if (ticks >= ticksPerDay) {
        ticks = 0;
        m.mem().setByte(0x40, 0x70, 1);
    }
    m.mem().setDword(0x40, 0x6C, ticks);
}

void keyboardInterrupt(MachineState &m)
{
    Devices &d = m.devices;
    d.keyboard.in(0x60);
    if (const quint16 key = d.keyboard.outputKey())
        KeyBuffer::put(m.mem(), key); // a full buffer drops it, as the BIOS does
    d.pic.out(0x20, 0x20);
}

} // namespace

void writeRom(GuestMemory &memory)
{
    memory.write(biosSegment, romInt8, reinterpret_cast<const char *>(rom), sizeof rom);
    memory.setWord(0, 4 * 0x08, romInt8);
    memory.setWord(0, 4 * 0x09, romInt9);
}

bool romCall(MachineState &m, quint16 ip)
{
    switch (ip) {
    case romInt8 + 2:
        tick(m);
        return true;
    case romInt8 + 6:
        m.devices.pic.out(0x20, 0x20);
        return true;
    case romInt9 + 2:
        keyboardInterrupt(m);
        return true;
    default:
        return false;
    }
}
