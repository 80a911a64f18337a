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
//
// F000:0910  what is left running once a resident program has returned to
//            DOS: keys read with INT 16h and echoed, CR with LF, as at a
//            prompt, for ever.
constexpr quint8 rom[] = {0xCD, 0x08, 0xCD, 0x1C, 0xCD, 0x08, 0xCF, 0x90, 0xCD, 0x09, 0xCF};
constexpr quint8 prompt[] = {
    0xFB,             // 0910 sti
    0xB4, 0x00,       // 0911 mov ah,0
    0xCD, 0x16,       // 0913 int 16h
    0x0A, 0xC0,       // 0915 or al,al
    0x74, 0xF7,       // 0917 jz 0910 (a key without a character)
    0xB4, 0x0E,       // 0919 mov ah,0Eh
    0xBB, 0x07, 0x00, // 091B mov bx,0007h
    0xCD, 0x10,       // 091E int 10h
    0x3C, 0x0D,       // 0920 cmp al,0Dh
    0x75, 0xEC,       // 0922 jne 0910
    0xB8, 0x0A, 0x0E, // 0924 mov ax,0E0Ah
    0xCD, 0x10,       // 0927 int 10h
    0xEB, 0xE5,       // 0929 jmp 0910
};
static_assert(romPrompt + sizeof prompt <= romInt8 + 0x40);

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
    memory.write(biosSegment, romPrompt, reinterpret_cast<const char *>(prompt), sizeof prompt);
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
