#pragma once

#include "machine/cpu.h"
#include "machine/machine.h"
#include "machine/devices.h"
#include "machine/drives.h"
#include "machine/machinestop.h"
#include "machine/memoryblocks.h"
#include "machine/openfiles.h"
#include "machine/textscreen.h"
#include "machine/video.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <atomic>

class MachineRecord;

// Everything the services of the machine work on, shared by the DOS and BIOS
// service files; the public face is Machine.
struct MachineState
{
    MachineState(const QString &toolFolder, const QString &sourceFolder)
        : blocks(cpu.memory()), drives(toolFolder, sourceFolder), screen(cpu.memory())
    {
    }

    Cpu cpu;
    MemoryBlocks blocks;
    Drives drives;
    OpenFiles files;
    TextScreen screen;
    VideoState video;
    Devices devices;
    MachineStop stop;
    // A service waits for an interrupt (a key read with none in the buffer
    // while more are coming): IP is back on its INT, and the run goes on
    // once an interrupt has been taken, as the BIOS's STI lets it.
    bool idle = false;
    // The keys of a line being read (INT 21h 0Ah), taken from the buffer as
    // they come, up to its CR.
    QByteArray lineSoFar;
    // Where a service that waited for keys will be run again (the INT's
    // linear address), so that it knows it is its own retry.
    static constexpr quint32 noRetry = 0xFFFFFFFF;
    quint32 retryAt = noRetry;
    // The record kept for stepping back, if any: it gives again the keys the
    // program had been given.
    MachineRecord *record = nullptr;

    quint16 psp = 0;
    // The program as loaded: its image (linear, first and past the end) and
    // where its stack started.
    quint32 imageFirst = 0, imageEnd = 0;
    quint16 stackSegment = 0, stackStart = 0;
    // The stack has run past its segment's bottom (an .EXE's SP wrapped
    // round) or, in a .COM, down into the program's own bytes: a recursion
    // that never ends, mostly.
    bool stackOverflowed() const
    {
        const quint16 ss = r(Reg::SS), sp = r(Reg::SP);
        if (ss != stackSegment || imageEnd == 0)
            return false;
        if (stackStart >= 0xFF00)
            return linear(ss, sp) >= imageFirst && linear(ss, sp) < imageEnd;
        return stackStart != 0 && sp > stackStart;
    }
    quint16 dtaSegment = 0, dtaOffset = 0x80;
    quint8 lastExitCode = 0;
    QStringList searchFolders; // find first/next: the folder a DTA's search walks
    // Bytes written to files and the console: what counts as progress.
    std::atomic<qint64> progress{0};
    qint64 fileSizeLimit = 0;
    qint64 writeLimit = 0;
    qint64 written = 0;

    // Host paths of the files and folders the program created, wrote,
    // deleted or renamed, in the order it first did.
    QStringList changedFiles;
    void noteChanged(const QString &host)
    {
        if (!changedFiles.contains(host))
            changedFiles.append(host);
    }

    // A grey key's E0h as the old BIOS functions and DOS give it: 00h.
    static quint16 plainKey(quint16 key)
    {
        return (key & 0xFF) == 0xE0 && (key >> 8) != 0 ? quint16(key & 0xFF00) : key;
    }

    quint16 r(Reg reg) const { return cpu.reg(reg); }
    void set(Reg reg, quint16 v) { cpu.setReg(reg, v); }
    quint8 ah() const { return quint8(r(Reg::AX) >> 8); }
    quint8 al() const { return quint8(r(Reg::AX)); }
    void setAL(quint8 v) { set(Reg::AX, quint16((r(Reg::AX) & 0xFF00) | v)); }
    void setAH(quint8 v) { set(Reg::AX, quint16((r(Reg::AX) & 0x00FF) | (v << 8))); }
    GuestMemory &mem() { return cpu.memory(); }
    QByteArray asciiz(quint16 segment, quint16 offset, int max = 128) const
    {
        return cpu.memory().asciiz(segment, offset, max);
    }
    // DOS's way of answering: CF clear, or CF set and the error in AX.
    void succeed() { cpu.setCarry(false); }
    void fail(quint16 error)
    {
        set(Reg::AX, error);
        cpu.setCarry(true);
    }
    void halt(StopReason reason, const QString &detail = QString());
    // Stops the run with a fault of this kind.
    void fault(FaultKind kind, const QString &detail, int number = 0);
    // Stops the run on what the machine lacks.
    void lack(Lack what, const QString &detail, int number = 0);
    void unsupported(int interrupt);
    // Exits with the code; files still open are closed, as DOS does.
    void exit(quint8 code);
    // Writes to a handle as INT 21h 40h does; the count written, or -1 with
    // the DOS error in *error.
    int writeHandle(int handle, const quint8 *data, int size, quint16 *error);
    // Stops the run: the file has reached a limit.
    void outputLimit(const QFile &file);
    // CON output goes to the screen, as DOS's console driver draws it.
    void writeConsole(const quint8 *data, int size);
    // Takes a key from the BIOS buffer, or waits: IP goes back on the INT
    // instruction so that it runs again once a key is there, and the run
    // stops with InputWanted unless a key is on its way or, in a run on the
    // wall clock, the program's own handlers are to run meanwhile.
    // extended: as INT 16h 10h gives it, E0h for a grey key; otherwise as
    // INT 16h 00h and DOS do, 00h.
    bool takeKey(quint16 *key, bool extended = false);
    bool keyWaiting();
    void waitForKey();
    // The program has put its own routine in an interrupt vector the
    // hardware or the BIOS calls by itself (08h, 09h, 1Ch).
    bool ownsHardwareVector() const { return !ownHardwareVectors().isEmpty(); }
    QList<int> ownHardwareVectors() const;
    // Enters the routine of a vector as the CPU does: flags, CS and IP
    // pushed, IF and TF cleared.
    void enterVector(int number);
};

using Service = void (*)(MachineState &);
using ServiceTable = std::array<Service, 256>;

void addProcessServices(ServiceTable &table);
void addFileServices(ServiceTable &table);
void addConsoleServices(ServiceTable &table);
const ServiceTable &dosServices();
// A whole line of keys up to CR (backspaces applied, CR kept), or a wait.
bool consoleLine(MachineState &m, QByteArray *line);
// The BIOS services by function (AH); a function without one is unsupported.
const ServiceTable &videoServices();
const ServiceTable &keyboardServices();
const ServiceTable &timeServices();
void biosVideo(MachineState &m);
void biosKeyboard(MachineState &m);
void biosTime(MachineState &m);

// Upper-case hexadecimal with leading zeros, as DOS people write numbers.
QString hex(int value, int digits);

// The segment of the interrupt stubs; a vector still pointing there is the
// machine's own service.
constexpr quint16 biosSegment = 0xF000;
// The BIOS's routines for the timer's and the keyboard's interrupts, past the
// stubs; they call the machine at their INT instructions.
constexpr quint16 romInt8 = 0x0900;
constexpr quint16 romInt9 = 0x0908;
constexpr quint16 romPrompt = 0x0910;
static_assert(biosSegment * 16 + romInt8 == Machine::biosCode.first);
// The ROM's calls into the machine, by the offset past their INT.
bool romCall(MachineState &m, quint16 ip);
void writeRom(GuestMemory &memory);
