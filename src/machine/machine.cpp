#include "machine/machine.h"

#include "machine/keybuffer.h"
#include "machine/loader.h"
#include "machine/machinerecord.h"
#include "machine/machinestate.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>

namespace {

// Each vector's stub: INT n, then RETF 2 so the flags a service set reach
// the caller. A program that chains to a saved vector lands here.
void writeStubs(GuestMemory &memory)
{
    for (int n = 0; n < 256; ++n) {
        const char code[] = {char(0xCD), char(n), char(0xCA), 0x02, 0x00};
        memory.write(biosSegment, quint16(n * 8), code, 5);
        memory.setWord(0, quint16(4 * n), quint16(n * 8));
        memory.setWord(0, quint16(4 * n + 2), biosSegment);
    }
}

// The BIOS's tick count, from midnight as the clock chip has the time.
quint32 ticksAt(const QTime &time)
{
    return quint32(qint64(time.msecsSinceStartOfDay()) * 0x1800B0 / 86400000);
}

void writeBiosData(GuestMemory &memory, const QTime &time)
{
    memory.setWord(0x40, 0x10, 0x0021); // equipment: colour 80x25
    memory.setWord(0x40, 0x13, 640);
    memory.setDword(0x40, 0x6C, ticksAt(time));
    KeyBuffer::reset(memory);
    // The ROM's date and the model byte of an AT, where programs look for
    // them, as DOSBox has them.
    memory.write(0xFFFF, 0x0005, QByteArray("01/01/92"));
    memory.setByte(0xFFFF, 0x000E, 0xFC);
}

} // namespace

QString hex(int value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

void MachineState::halt(StopReason reason, const QString &detail)
{
    // The first reason stands; the stop is asked for again, as a faulting
    // instruction raises its exception again each time it is retried.
    if (stop.reason == StopReason::None) {
        stop.reason = reason;
        stop.detail = detail;
    }
    cpu.stop();
}

void MachineState::fault(FaultKind kind, const QString &detail, int number)
{
    if (stop.reason == StopReason::None) {
        stop.fault = kind;
        stop.number = number;
    }
    halt(StopReason::Fault, detail);
}

void MachineState::lack(Lack what, const QString &detail, int number)
{
    if (stop.reason == StopReason::None) {
        stop.lack = what;
        stop.number = number;
    }
    halt(StopReason::Unsupported, detail);
}

void MachineState::unsupported(int interrupt)
{
    lack(Lack::Service, QStringLiteral("INT %1h, AH=%2h").arg(hex(interrupt, 2), hex(ah(), 2)));
}

void MachineState::exit(quint8 code)
{
    files.closeAll();
    lastExitCode = code;
    stop.exitCode = code;
    halt(StopReason::Exited);
}

void MachineState::waitForKey()
{
    set(Reg::IP, quint16(r(Reg::IP) - 2));
    retryAt = linear(r(Reg::CS), r(Reg::IP));
    // A key given before, the machine having gone back: it comes now.
    quint16 again = 0;
    if (record && record->nextKey(&again)) {
        devices.keyboard.type(again);
        record->noteKey(again);
    }
    if (devices.keyboard.typing() ||
        (devices.clock.kind() == MachineClock::Kind::Wall && ownsHardwareVector())) {
        idle = true;
        cpu.stop();
        return;
    }
    halt(StopReason::InputWanted, QStringLiteral("keyboard"));
}

bool MachineState::keyWaiting()
{
    feedKeys(*this);
    return !KeyBuffer::empty(mem());
}

bool MachineState::takeKey(quint16 *key, bool extended)
{
    if (!keyWaiting()) {
        waitForKey();
        return false;
    }
    *key = KeyBuffer::take(mem());
    if (!extended)
        *key = plainKey(*key);
    retryAt = noRetry;
    return true;
}

QList<int> MachineState::ownHardwareVectors() const
{
    QList<int> owned;
    const std::pair<int, quint16> vectors[] = {{0x08, romInt8}, {0x09, romInt9}, {0x1C, 0x1C * 8}};
    for (const auto &[number, offset] : vectors)
        if (cpu.memory().word(0, quint16(4 * number)) != offset ||
            cpu.memory().word(0, quint16(4 * number + 2)) != biosSegment)
            owned << number;
    return owned;
}

void MachineState::enterVector(int number)
{
    const quint16 cs = r(Reg::CS), ip = r(Reg::IP);
    quint16 sp = r(Reg::SP);
    const quint16 ss = r(Reg::SS);
    const quint16 frame[] = {ip, cs, Cpu::flagsImage(r(Reg::Flags))};
    for (int i = 2; i >= 0; --i) {
        sp = quint16(sp - 2);
        mem().setWord(ss, sp, frame[i]);
    }
    set(Reg::SP, sp);
    set(Reg::Flags, r(Reg::Flags) & ~0x0300);
    set(Reg::CS, mem().word(0, quint16(4 * number + 2)));
    set(Reg::IP, mem().word(0, quint16(4 * number)));
}

void MachineState::writeConsole(const quint8 *data, int size)
{
    for (int i = 0; i < size; ++i)
        screen.teletype(data[i]);
    progress += size;
}

int MachineState::writeHandle(int handle, const quint8 *data, int size, quint16 *error)
{
    const OpenFiles::Shared f = files.at(handle);
    if (!f) {
        *error = 6;
        return -1;
    }
    if (!f->writable) {
        *error = 5;
        return -1;
    }
    switch (f->kind) {
    case OpenFiles::Kind::Con:
        writeConsole(data, size);
        return size;
    case OpenFiles::Kind::File:
        break;
    default:
        progress += size;
        return size;
    }
    QFile &file = *f->file;
    const qint64 at = std::max(file.pos(), qint64(0));
    // A write past the end fills the gap: the file's new size is what the
    // limits weigh, whatever few bytes the write itself carries.
    const qint64 gap = std::max<qint64>(0, at - file.size());
    const qint64 room = std::min(fileSizeLimit - at, writeLimit - written - gap);
    if (size == 0) {
        // DOS: a write of nothing cuts the file at the current position, or
        // lengthens it to there.
        if (room < 0) {
            outputLimit(file);
            return 0;
        }
        if (!f->written)
            noteChanged(file.fileName());
        f->written = true;
        written += gap;
        return file.resize(at) ? 0 : (*error = 5, -1);
    }
    const qint64 count = std::max<qint64>(0, std::min<qint64>(size, room));
    if (count > 0 && !f->written)
        noteChanged(file.fileName());
    const qint64 done = file.write(reinterpret_cast<const char *>(data), count);
    if (done < 0) {
        *error = 5;
        return -1;
    }
    f->written = true;
    written += done + (done > 0 ? gap : 0);
    progress += done;
    if (done < size)
        outputLimit(file);
    return int(done);
}

void MachineState::outputLimit(const QFile &file)
{
    stop.file = file.fileName();
    stop.fileSize = file.size();
    halt(StopReason::OutputLimit, stop.file);
}

// The hidden DOSBox runs mount no D: for a source in the tool folder itself,
// and the environment's size moves where the program is loaded.
static Machine::Setup withoutSameFolder(Machine::Setup setup)
{
    if (!setup.sourceFolder.isEmpty() && QFileInfo(setup.sourceFolder).canonicalFilePath() ==
                                             QFileInfo(setup.toolFolder).canonicalFilePath())
        setup.sourceFolder.clear();
    return setup;
}

Machine::Machine(const Setup &setup) : setup_(withoutSameFolder(setup))
{
    s_ = std::make_unique<MachineState>(setup_.toolFolder, setup_.sourceFolder);
    s_->fileSizeLimit = setup_.fileSizeLimit;
    s_->writeLimit = setup_.writeLimit;
    s_->drives.setToolFolderWrites(setup_.toolFolderWrites, setup_.toolOutputs);
    s_->cpu.onInterrupt = [this](int n) { interrupt(n); };
    s_->cpu.onInvalidInstruction = [this] {
        s_->fault(FaultKind::InvalidInstruction, QStringLiteral("invalid instruction"));
    };
    s_->cpu.onPortIn = [this](quint16 port) { return portIn(*s_, port); };
    s_->cpu.onPortOut = [this](quint16 port, quint8 value) { portOut(*s_, port, value); };
}

Machine::~Machine() = default;

bool Machine::load(const QString &hostProgram, const QByteArray &tail, QString *error)
{
    // A record begins with the program: the load itself is not kept.
    const bool recordOn = recording();
    setRecording(false);
    const bool loaded = loadFile(hostProgram, tail, error);
    setRecording(recordOn);
    return loaded;
}

bool Machine::loadFile(const QString &hostProgram, const QByteArray &tail, QString *error)
{
    auto fail = [&](const QString &why) {
        *error = why;
        s_->stop = {StopReason::None, 0, why, {}, 0};
        return false;
    };
    if (!s_->cpu.ok())
        return fail(QStringLiteral("the CPU emulator could not start"));
    QFile file(hostProgram);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray image = file.read(0x100000);
    s_->files = OpenFiles();
    s_->lineSoFar.clear();
    s_->retryAt = MachineState::noRetry;
    s_->idle = false;
    {
        std::lock_guard guard(wakeLock_);
        inbox_.clear();
        keysArrived_ = false;
    }
    const QDateTime now =
        setup_.clockStart.isValid() ? setup_.clockStart : QDateTime::currentDateTime();
    s_->devices.reset(setup_.clock, &s_->cpu, now);
    s_->searchFolders.clear();
    s_->written = 0;
    s_->changedFiles.clear();
    GuestMemory &memory = s_->cpu.memory();
    memory.fillAt(0, 0, Cpu::memorySize);
    writeStubs(memory);
    writeRom(memory);
    writeBiosData(memory, now.time());
    s_->video.setMode(memory, *videoMode(3), false);
    if (!setup_.consoleFile.isEmpty()) {
        auto out = std::make_shared<OpenFiles::Entry>();
        out->kind = OpenFiles::Kind::File;
        out->drive = Drives::C;
        out->readable = false;
        out->writable = true;
        out->written = true;
        out->file = std::make_unique<QFile>(setup_.consoleFile);
        if (!out->file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            return fail(out->file->errorString());
        s_->files.setStandard(1, out);
    }
    if (!setup_.inputFile.isEmpty()) {
        auto in = std::make_shared<OpenFiles::Entry>();
        in->kind = OpenFiles::Kind::File;
        in->drive = Drives::C;
        in->file = std::make_unique<QFile>(setup_.inputFile);
        if (!in->file->open(QIODevice::ReadOnly))
            return fail(in->file->errorString());
        s_->files.setStandard(0, in);
    }
    QList<QByteArray> environment = {"PATH=Z:\\", "COMSPEC=Z:\\COMMAND.COM",
                                     "BLASTER=A220 I7 D1 H5 T6"};
    // In the case the hidden DOSBox runs write it: MASM copies the variable
    // into the paths of its cross-reference file.
    if (!setup_.sourceFolder.isEmpty())
        environment << "INCLUDE=d:\\";
    const QByteArray dosName = "C:\\" + QFileInfo(hostProgram).fileName().toLocal8Bit().toUpper();
    const QString why = loadProgram(*s_, image, dosName, tail, environment);
    if (!why.isEmpty())
        return fail(why);
    return true;
}

void Machine::interrupt(int number)
{
    MachineState &m = *s_;
    const quint16 cs = m.r(Reg::CS), ip = m.r(Reg::IP);
    // The emulator's CPU is a 386's: a second divide error before it saw
    // the first one's handler run its own way comes as a double fault
    // (8), which an 8086 does not have. It is the divide error it stands for.
    if (number == 8 && !(m.mem().byte(cs, quint16(ip - 2)) == 0xCD &&
                         m.mem().byte(cs, quint16(ip - 1)) == 0x08))
        number = 0;
    const quint16 vectorOffset = m.mem().word(0, quint16(4 * number));
    const quint16 vectorSegment = m.mem().word(0, quint16(4 * number + 2));
    if (cs == biosSegment && romCall(m, ip))
        return;
    const bool fromStub = cs == biosSegment && ip == quint16(number * 8 + 2);
    if (!fromStub && (vectorSegment != biosSegment || vectorOffset != number * 8))
        return m.enterVector(number); // the program's own handler, or the ROM's
    service(number);
    // A service wrote into watched bytes: the run stops after its INT.
    if (m.cpu.watchesWrites() && m.stop.reason == StopReason::None)
        m.cpu.checkWrites(linear(cs, quint16(ip - 2)));
}

void Machine::service(int number)
{
    MachineState &m = *s_;
    switch (number) {
    case 0x00:
        return m.fault(FaultKind::DivideOverflow, QStringLiteral("division overflow (INT 0)"));
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x07:
        // DOS and the BIOS leave an IRET here: a single step, an NMI, a
        // breakpoint, an overflow (INTO) or a coprocessor call nobody
        // handles lets the program go on. The debugger holds none of them:
        // its breakpoints and steps are the emulator's own.
        return;
    case 0x05:
        // INT 5 written as such is the BIOS's print screen, which prints
        // nothing here; BOUND's fault leaves IP on the BOUND, and DOS would
        // run it again for ever.
        if (m.mem().byte(m.r(Reg::CS), quint16(m.r(Reg::IP) - 2)) == 0xCD &&
            m.mem().byte(m.r(Reg::CS), quint16(m.r(Reg::IP) - 1)) == 0x05)
            return;
        return m.fault(FaultKind::BoundRange, QStringLiteral("bound range exceeded (INT 5)"));
    case 0x06:
        return m.fault(FaultKind::InvalidInstruction, QStringLiteral("invalid instruction (INT 6)"));
    case 0x08: // the stubs of the timer and the keyboard, reached only by
    case 0x09: // a program that set a vector to them
        romCall(m, number == 8 ? romInt8 + 2 : romInt9 + 2);
        return void(number == 8 && romCall(m, romInt8 + 6));
    case 0x10:
        return biosVideo(m);
    case 0x11:
        return m.set(Reg::AX, 0x0021);
    case 0x12:
        return m.set(Reg::AX, 640);
    case 0x16:
        return biosKeyboard(m);
    case 0x1A:
        return biosTime(m);
    case 0x1B: // Ctrl+Break and the user's timer hook: nothing of their own
    case 0x1C:
        return;
    case 0x20:
        return m.exit(0);
    case 0x21:
        if (const Service s = dosServices()[m.ah()])
            return s(m);
        return m.unsupported(0x21);
    case 0x22:
        return m.exit(0);
    case 0x27: // stays resident up to CS:DX
        m.blocks.resize(m.psp, quint16(std::max(6, (m.r(Reg::DX) + 15) / 16)));
        return m.exit(0);
    case 0x23:
    case 0x24:
    case 0x28:
        return;
    case 0x2F:
        // The multiplex's "not installed" answer, except where a program asks
        // for the memory managers a DOS extender needs.
        if (m.r(Reg::AX) == 0x1687 || m.r(Reg::AX) == 0x4300)
            return m.lack(
                Lack::Service,
                QStringLiteral("INT 2Fh, AX=%1h (DOS extender)").arg(hex(m.r(Reg::AX), 4)));
        return;
    default:
        if (number < 8)
            return m.fault(FaultKind::CpuException, QStringLiteral("CPU exception %1").arg(number),
                           number);
        m.lack(Lack::Service, QStringLiteral("INT %1h").arg(hex(number, 2)));
    }
}

MachineStop Machine::run(const Bounds &bounds)
{
    return runFor(bounds, bounds.instructions);
}

MachineStop Machine::step()
{
    return runFor({}, 1);
}

MachineStop Machine::runWatched(const Cpu::Watch &watch)
{
    return runFor({}, 0, watch);
}

void Machine::requestStop()
{
    {
        std::lock_guard guard(wakeLock_);
        stopRequested_ = true;
    }
    s_->cpu.stopSoon();
    wake_.notify_all();
}

void Machine::cancelStopRequest()
{
    stopRequested_ = false;
}

void Machine::setFences(const std::vector<std::pair<quint32, quint32>> &ranges)
{
    s_->cpu.setFences(ranges);
}

void Machine::watchWrites(const std::vector<std::pair<quint32, quint32>> &ranges)
{
    s_->cpu.watchWrites(ranges);
}

const Cpu::WriteSeen &Machine::lastWrite() const
{
    return s_->cpu.writeSeen();
}

void Machine::traceBlocks(quint32 first, quint32 last)
{
    s_->cpu.traceBlocks(first, last);
}

std::pair<quint32, quint32> Machine::lastBlock() const
{
    return s_->cpu.lastBlock();
}

quint16 Machine::reg(Reg r) const
{
    return s_->cpu.reg(r);
}

const GuestMemory &Machine::memory() const
{
    return s_->cpu.memory();
}

const MachineStop &Machine::lastStop() const
{
    return s_->stop;
}

Registers Machine::registers() const
{
    return s_->cpu.registers();
}

void Machine::setRegisters(const Registers &registers)
{
    s_->cpu.setRegisters(registers);
}

bool Machine::writeMemory(quint32 address, const QByteArray &bytes)
{
    if (address >= Cpu::memorySize || quint32(bytes.size()) > Cpu::memorySize - address)
        return false;
    s_->cpu.memory().writeAt(address, bytes.constData(), int(bytes.size()));
    s_->cpu.flushCode(address, quint32(bytes.size()));
    return true;
}

std::optional<quint8> Machine::readPort(quint16 port)
{
    // A port no device answers would stop the program: here it only says so.
    const MachineStop before = s_->stop;
    const quint8 value = portIn(*s_, port);
    const bool answered = s_->stop.reason != StopReason::Unsupported ||
                          before.reason == StopReason::Unsupported;
    s_->stop = before;
    return answered ? std::optional<quint8>(value) : std::nullopt;
}

bool Machine::writePort(quint16 port, quint8 value)
{
    const MachineStop before = s_->stop;
    portOut(*s_, port, value);
    const bool answered = s_->stop.reason != StopReason::Unsupported ||
                          before.reason == StopReason::Unsupported;
    s_->stop = before;
    return answered;
}

QByteArray Machine::readMemory(quint32 address, int size) const
{
    if (address >= Cpu::memorySize)
        return {};
    size = int(std::min<quint32>(quint32(std::max(size, 0)), Cpu::memorySize - address));
    return s_->cpu.memory().readAt(address, size);
}

bool Machine::addBreakpoint(quint32 address)
{
    return s_->cpu.addBreakpoint(address);
}

void Machine::removeBreakpoint(quint32 address)
{
    s_->cpu.removeBreakpoint(address);
}

void Machine::pushKey(quint16 key)
{
    {
        std::lock_guard guard(wakeLock_);
        inbox_.append(key);
        keysArrived_ = true;
    }
    wake_.notify_all();
}

void Machine::takeTypedKeys()
{
    QList<quint16> keys;
    {
        std::lock_guard guard(wakeLock_);
        keys.swap(inbox_);
        keysArrived_ = false;
    }
    if (record_)
        keys = record_->dueKeys() + keys;
    for (const quint16 key : std::as_const(keys)) {
        s_->devices.keyboard.type(key);
        if (record_)
            record_->noteKey(key);
    }
}

bool Machine::keysTyped()
{
    std::lock_guard guard(wakeLock_);
    return !inbox_.isEmpty();
}

int Machine::speakerHz() const
{
    return s_->devices.speakerHz;
}

QList<int> Machine::residentVectors() const
{
    return s_->ownHardwareVectors();
}

bool Machine::stayAtPrompt()
{
    MachineState &m = *s_;
    if (!m.ownsHardwareVector())
        return false;
    // A stack of its own just below 640 KB, which a program that stayed
    // resident has left free.
    Registers r = m.cpu.registers();
    r.cs = biosSegment;
    r.ip = romPrompt;
    r.ss = 0x9F00;
    r.sp = 0x0800;
    r.flags = 0x0202;
    m.cpu.setRegisters(r);
    m.stop = {};
    return true;
}

void Machine::setStepIntoInterrupts(bool on)
{
    stepIntoInterrupts_ = on;
}

quint16 Machine::psp() const
{
    return s_->psp;
}

quint64 Machine::instructionsRun() const
{
    return s_->cpu.countsInstructions() ? s_->cpu.instructions() : 0;
}

quint32 Machine::imageSize() const
{
    return s_->imageEnd - s_->imageFirst;
}

QStringList Machine::changedFiles() const
{
    return s_->changedFiles;
}

void Machine::setRecording(bool on)
{
    if (on == bool(record_))
        return;
    if (on) {
        record_ = std::make_unique<MachineRecord>(*s_);
        s_->record = record_.get();
        s_->cpu.keepJournal(&record_->journal());
    } else {
        s_->cpu.keepJournal(nullptr);
        s_->record = nullptr;
        record_.reset();
    }
}

bool Machine::recording() const
{
    return bool(record_);
}

quint64 Machine::recordStart() const
{
    return record_ ? record_->start() : 0;
}

quint64 Machine::recordEnd() const
{
    return record_ ? record_->end() : 0;
}

quint32 Machine::recordedAddress(quint64 position) const
{
    if (!record_ || position < record_->journal().start() || position >= record_->end())
        return 0;
    return record_->journal().address(position);
}

bool Machine::recordedRepeat(quint64 position) const
{
    if (!record_ || position < record_->journal().start() || position >= record_->end())
        return false;
    return record_->journal().repeats(position);
}

Machine::Rewound Machine::rewindTo(quint64 position)
{
    if (!record_)
        return {};
    const MachineRecord::Rewound r = record_->rewindTo(position);
    return {r.done, r.filesChanged};
}

quint64 Machine::recordBytes() const
{
    return record_ ? record_->bytes() : 0;
}
