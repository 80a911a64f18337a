// INT 21h console functions. Standard output is handle 1, so with "> FILE"
// the characters go to the file, as under DOS; keyboard reads take keys from
// the machine's queue, or with "< FILE" the file's bytes.
#include "machine/keybuffer.h"
#include "machine/machinestate.h"

namespace {

void writeStandard(MachineState &m, quint8 c)
{
    quint16 error = 0;
    m.writeHandle(1, &c, 1, &error);
}

// Standard input given as a file ("< FILE"): the console functions read it
// instead of the keyboard, and never wait.
QFile *inputFile(MachineState &m)
{
    const OpenFiles::Shared in = m.files.at(0);
    return in && in->kind == OpenFiles::Kind::File ? in->file.get() : nullptr;
}

// The next byte of the file; past its end DOS hands out Ctrl+Z.
quint8 readInput(QFile *in)
{
    char c = 0;
    return in->getChar(&c) ? quint8(c) : quint8(0x1A);
}

// Keys of a whole line up to CR, taken from the buffer as they come, or a
// stop to wait for more.
bool takeLine(MachineState &m, QByteArray *line)
{
    if (QFile *in = inputFile(m)) {
        // Up to the CR, as DOS reads a redirected line: the LF of a text
        // file's CR LF is the first character of the next read.
        line->clear();
        char c = 0;
        while (in->getChar(&c) && c != '\r')
            line->append(c);
        line->append('\r');
        return true;
    }
    for (;;) {
        if (!m.keyWaiting()) {
            m.waitForKey();
            return false;
        }
        const quint8 c = quint8(MachineState::plainKey(KeyBuffer::take(m.mem())));
        if (c == 13) {
            *line = m.lineSoFar + '\r';
            m.lineSoFar.clear();
            m.retryAt = MachineState::noRetry;
            return true;
        }
        if (c == 8) {
            m.lineSoFar.chop(1);
        } else if (c != 0) {
            m.lineSoFar.append(char(c));
        }
    }
}

void int21_01h_readEcho(MachineState &m)
{
    quint16 key;
    if (QFile *in = inputFile(m))
        key = readInput(in);
    else if (!m.takeKey(&key))
        return;
    m.setAL(quint8(key));
    writeStandard(m, quint8(key));
}

void int21_02h_writeChar(MachineState &m)
{
    writeStandard(m, quint8(m.r(Reg::DX)));
    m.setAL(quint8(m.r(Reg::DX)));
}

void int21_06h_directIo(MachineState &m)
{
    const quint8 dl = quint8(m.r(Reg::DX));
    if (dl != 0xFF) {
        writeStandard(m, dl);
        m.setAL(dl);
        return;
    }
    if (QFile *in = inputFile(m)) {
        m.setAL(readInput(in));
        m.cpu.setZero(false);
        return;
    }
    if (!m.keyWaiting()) {
        m.setAL(0);
        m.cpu.setZero(true);
        return;
    }
    m.setAL(quint8(MachineState::plainKey(KeyBuffer::take(m.mem()))));
    m.cpu.setZero(false);
}

void int21_07h_readRaw(MachineState &m)
{
    quint16 key;
    if (QFile *in = inputFile(m))
        m.setAL(readInput(in));
    else if (m.takeKey(&key))
        m.setAL(quint8(key));
}

void int21_09h_writeString(MachineState &m)
{
    const quint16 ds = m.r(Reg::DS);
    quint16 offset = m.r(Reg::DX);
    QByteArray text;
    for (int i = 0; i < 0x10000; ++i) {
        const quint8 c = m.mem().byte(ds, offset++);
        if (c == '$')
            break;
        text.append(char(c));
    }
    quint16 error = 0;
    m.writeHandle(1, reinterpret_cast<const quint8 *>(text.constData()), int(text.size()), &error);
    m.setAL('$');
}

void int21_0Ah_readLine(MachineState &m)
{
    const quint16 ds = m.r(Reg::DS), dx = m.r(Reg::DX);
    const int room = m.mem().byte(ds, dx);
    if (room == 0)
        return;
    QByteArray line;
    if (!takeLine(m, &line))
        return;
    line.chop(1); // the CR
    line = line.left(room - 1);
    for (char c : line)
        writeStandard(m, quint8(c));
    writeStandard(m, 13);
    m.mem().setByte(ds, quint16(dx + 1), quint8(line.size()));
    m.mem().write(ds, quint16(dx + 2), line + '\r');
}

void int21_0Bh_inputStatus(MachineState &m)
{
    if (QFile *in = inputFile(m))
        m.setAL(in->atEnd() ? 0 : 0xFF);
    else
        m.setAL(m.keyWaiting() ? 0xFF : 0);
}

void int21_0Ch_flushThenRead(MachineState &m)
{
    const quint8 function = m.al();
    // Run again after a wait for keys, it keeps the keys typed since.
    if (m.retryAt != linear(m.r(Reg::CS), quint16(m.r(Reg::IP) - 2)))
        KeyBuffer::clear(m.mem());
    switch (function) {
    case 0x01:
        int21_01h_readEcho(m);
        break;
    case 0x06:
        int21_06h_directIo(m); // with the caller's DL: FFh reads, anything else is written
        break;
    case 0x07:
    case 0x08:
        int21_07h_readRaw(m);
        break;
    case 0x0A:
        int21_0Ah_readLine(m);
        break;
    default:
        m.setAL(0);
    }
}

} // namespace

bool consoleLine(MachineState &m, QByteArray *line)
{
    return takeLine(m, line);
}

void addConsoleServices(ServiceTable &t)
{
    t[0x01] = int21_01h_readEcho;
    t[0x02] = int21_02h_writeChar;
    t[0x06] = int21_06h_directIo;
    t[0x07] = int21_07h_readRaw;
    t[0x08] = int21_07h_readRaw;
    t[0x09] = int21_09h_writeString;
    t[0x0A] = int21_0Ah_readLine;
    t[0x0B] = int21_0Bh_inputStatus;
    t[0x0C] = int21_0Ch_flushThenRead;
}
