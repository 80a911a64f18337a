// INT 21h process, memory, vector, date and information functions, and the
// table that routes every INT 21h function to its service.
#include "machine/machinestate.h"

#include <QDateTime>

namespace {

constexpr quint16 dbcsTableOffset = 0x0800;

void int21_00h_exit(MachineState &m)
{
    m.exit(0);
}

// Ends the program but keeps its first DX paragraphs (6 at least, as DOS
// does), where routines it left in vectors go on running.
void int21_31h_stayResident(MachineState &m)
{
    m.blocks.resize(m.psp, std::max<quint16>(6, m.r(Reg::DX)));
    m.exit(m.al());
}

void int21_4Ch_exit(MachineState &m)
{
    m.exit(m.al());
}

void int21_4Dh_returnCode(MachineState &m)
{
    m.set(Reg::AX, m.lastExitCode);
    m.lastExitCode = 0;
}

void int21_25h_setVector(MachineState &m)
{
    m.mem().setWord(0, quint16(4 * m.al()), m.r(Reg::DX));
    m.mem().setWord(0, quint16(4 * m.al() + 2), m.r(Reg::DS));
}

void int21_35h_getVector(MachineState &m)
{
    m.set(Reg::BX, m.mem().word(0, quint16(4 * m.al())));
    m.set(Reg::ES, m.mem().word(0, quint16(4 * m.al() + 2)));
}

void int21_30h_version(MachineState &m)
{
    // DOS 5.0, as DOSBox reports it.
    m.set(Reg::AX, 0x0005);
    m.set(Reg::BX, 0xFF00);
    m.set(Reg::CX, 0);
}

void int21_33h_break(MachineState &m)
{
    if (m.al() == 0)
        m.set(Reg::DX, m.r(Reg::DX) & 0xFF00);
    else if (m.al() == 5)
        m.set(Reg::DX, quint16((m.r(Reg::DX) & 0xFF00) | 3));
}

void int21_48h_allocate(MachineState &m)
{
    const MemoryBlocks::Result r = m.blocks.allocate(m.r(Reg::BX), m.psp);
    if (r.error) {
        m.set(Reg::BX, r.largest);
        return m.fail(r.error);
    }
    m.set(Reg::AX, r.segment);
    m.succeed();
}

void int21_49h_release(MachineState &m)
{
    const quint16 error = m.blocks.release(m.r(Reg::ES));
    if (error)
        return m.fail(error);
    m.succeed();
}

void int21_4Ah_resize(MachineState &m)
{
    const MemoryBlocks::Result r = m.blocks.resize(m.r(Reg::ES), m.r(Reg::BX));
    if (r.error) {
        m.set(Reg::BX, r.largest);
        return m.fail(r.error);
    }
    m.succeed();
}

void int21_50h_setPsp(MachineState &m)
{
    m.psp = m.r(Reg::BX);
}

void int21_51h_getPsp(MachineState &m)
{
    m.set(Reg::BX, m.psp);
}

void int21_2Ah_date(MachineState &m)
{
    const QDate d = m.devices.cmos.dateTime(m.devices.clock.now()).date();
    m.set(Reg::CX, quint16(d.year()));
    m.set(Reg::DX, quint16((d.month() << 8) | d.day()));
    m.setAL(quint8(d.dayOfWeek() % 7));
}

void int21_2Ch_time(MachineState &m)
{
    const QTime t = m.devices.cmos.dateTime(m.devices.clock.now()).time();
    m.set(Reg::CX, quint16((t.hour() << 8) | t.minute()));
    m.set(Reg::DX, quint16((t.second() << 8) | (t.msec() / 10)));
}

void int21_2Bh_setDate(MachineState &m)
{
    m.setAL(0xFF); // the host's clock is not the program's to set
}

void int21_37h_switchChar(MachineState &m)
{
    if (m.al() == 0)
        m.set(Reg::DX, quint16((m.r(Reg::DX) & 0xFF00) | '/'));
    else
        m.setAL(0xFF);
}

void int21_54h_verify(MachineState &m)
{
    m.setAL(0);
}

void int21_2Eh_setVerify(MachineState &) {}

void int21_58h_strategy(MachineState &m)
{
    if (m.al() == 0)
        m.set(Reg::AX, 0);
    m.succeed();
}

void int21_63h_dbcs(MachineState &m)
{
    // An empty lead-byte table: the code page is 437, as in DOSBox.
    if (m.al() != 0)
        return m.fail(1);
    m.set(Reg::DS, biosSegment);
    m.set(Reg::SI, dbcsTableOffset);
    m.setAL(0);
    m.succeed();
}

void int21_66h_codePage(MachineState &m)
{
    // 437 is the one code page: choosing it again succeeds.
    if (m.al() == 2 && m.r(Reg::BX) == 437)
        return m.succeed();
    if (m.al() != 1)
        return m.fail(1);
    m.set(Reg::BX, 437);
    m.set(Reg::DX, 437);
    m.succeed();
}

ServiceTable makeTable()
{
    ServiceTable t{};
    t[0x00] = int21_00h_exit;
    t[0x25] = int21_25h_setVector;
    t[0x2A] = int21_2Ah_date;
    t[0x2B] = int21_2Bh_setDate;
    t[0x2C] = int21_2Ch_time;
    t[0x2D] = int21_2Bh_setDate;
    t[0x2E] = int21_2Eh_setVerify;
    t[0x30] = int21_30h_version;
    t[0x33] = int21_33h_break;
    t[0x35] = int21_35h_getVector;
    t[0x37] = int21_37h_switchChar;
    t[0x48] = int21_48h_allocate;
    t[0x49] = int21_49h_release;
    t[0x4A] = int21_4Ah_resize;
    t[0x31] = int21_31h_stayResident;
    t[0x4C] = int21_4Ch_exit;
    t[0x4D] = int21_4Dh_returnCode;
    t[0x50] = int21_50h_setPsp;
    t[0x51] = int21_51h_getPsp;
    t[0x54] = int21_54h_verify;
    t[0x58] = int21_58h_strategy;
    t[0x62] = int21_51h_getPsp;
    t[0x63] = int21_63h_dbcs;
    t[0x66] = int21_66h_codePage;
    addFileServices(t);
    addConsoleServices(t);
    return t;
}

} // namespace

const ServiceTable &dosServices()
{
    static const ServiceTable table = makeTable();
    return table;
}
