#include "machine/machinerecord.h"

#include "machine/machinestate.h"

#include <algorithm>

struct MachineRecord::Mark
{
    quint64 position = 0;
    quint64 writes = 0;
    quint64 keys = 0;
    Registers registers;
    quint64 instructions = 0;
    qint64 clock = 0;
    Pic pic, slave;
    Pit pit;
    Cmos cmos;
    KeyboardController keyboard;
    quint8 systemControl = 0;
    unsigned refreshReads = 0;
    quint8 crtcIndex = 0;
    std::array<quint8, 32> crtc{};
    qint64 lastTick = 0;
    int speakerHz = 0;
    std::shared_ptr<const VideoState> video;
    bool idle = false;
    QByteArray lineSoFar;
    quint32 retryAt = 0;
    quint16 psp = 0, dtaSegment = 0, dtaOffset = 0;
    quint8 lastExitCode = 0;
    QStringList searchFolders;
    MachineStop stop;
    // The handles open then. A file's own state is not kept (nor held
    // open): a file closed since stays closed; a device is opened anew.
    struct Handle
    {
        std::weak_ptr<OpenFiles::Entry> entry;
        bool open = false;
        OpenFiles::Kind kind = OpenFiles::Kind::Nul;
        bool writable = false, readable = true;
    };
    std::array<Handle, OpenFiles::handleCount> handles;
    // What the program had done to files by then.
    qint64 written = 0;
    qsizetype changed = 0;
};

MachineRecord::MachineRecord(MachineState &m) : m_(m) {}

MachineRecord::~MachineRecord() = default;

std::shared_ptr<const VideoState> MachineRecord::videoNow()
{
    // The palette and the DAC change seldom: marks share one copy.
    if (!lastVideo_ || !(*lastVideo_ == m_.video))
        lastVideo_ = std::make_shared<const VideoState>(m_.video);
    return lastVideo_;
}

void MachineRecord::mark()
{
    const Devices &d = m_.devices;
    Mark k;
    k.position = journal_.end();
    k.writes = journal_.writes();
    k.keys = keysDropped_ + quint64(keys_.size());
    k.registers = m_.cpu.registers();
    k.instructions = m_.cpu.instructions();
    k.clock = d.clock.elapsed();
    k.pic = d.pic;
    k.slave = d.slave;
    k.pit = d.pit;
    k.cmos = d.cmos;
    k.keyboard = d.keyboard;
    k.systemControl = d.systemControl;
    k.refreshReads = d.refreshReads;
    k.crtcIndex = d.crtcIndex;
    k.crtc = d.crtc;
    k.lastTick = d.lastTick;
    k.speakerHz = d.speakerHz;
    k.video = videoNow();
    k.idle = m_.idle;
    k.lineSoFar = m_.lineSoFar;
    k.retryAt = m_.retryAt;
    k.psp = m_.psp;
    k.dtaSegment = m_.dtaSegment;
    k.dtaOffset = m_.dtaOffset;
    k.lastExitCode = m_.lastExitCode;
    k.searchFolders = m_.searchFolders;
    k.stop = m_.stop;
    for (int i = 0; i < OpenFiles::handleCount; ++i) {
        if (const OpenFiles::Shared e = m_.files.at(i))
            k.handles[size_t(i)] = {e, true, e->kind, e->writable, e->readable};
    }
    k.written = m_.written;
    k.changed = m_.changedFiles.size();
    // Of the marks at one position (no instruction between them: the
    // machine took an interrupt, or waited) the first is what the program
    // left there, the last where it went on from: those two are kept.
    const size_t n = marks_.size();
    if (n >= 2 && marks_[n - 1].position == k.position && marks_[n - 2].position == k.position)
        marks_.back() = std::move(k);
    else
        marks_.push_back(std::move(k));
    trim();
}

void MachineRecord::trim()
{
    const quint64 end = journal_.end();
    if (end - start() <= kept + kept / 4)
        return;
    const auto first =
        std::lower_bound(marks_.begin(), marks_.end(), end - kept,
                         [](const Mark &k, quint64 position) { return k.position < position; });
    if (first == marks_.begin() || first == marks_.end())
        return;
    journal_.dropBefore(first->position, first->writes);
    const quint64 keys = std::min<quint64>(first->keys - keysDropped_, quint64(keys_.size()));
    keys_.remove(0, qsizetype(keys));
    keysDropped_ += keys;
    marks_.erase(marks_.begin(), first);
}

quint64 MachineRecord::start() const
{
    return marks_.empty() ? journal_.end() : marks_.front().position;
}

MachineRecord::Rewound MachineRecord::rewindTo(quint64 position)
{
    Rewound r;
    if (marks_.empty() || position < start() || position > end())
        return r;
    r.done = true;
    if (position == end())
        return r;
    // A mark at the position itself is what the program left there;
    // otherwise the last one before it, run on from.
    auto at = std::lower_bound(marks_.begin(), marks_.end(), position,
                               [](const Mark &k, quint64 p) { return k.position < p; });
    if (at == marks_.end() || at->position != position)
        --at;
    const Mark &k = *at;
    r.filesChanged = m_.written != k.written || m_.changedFiles.size() != k.changed;

    // The keys given after the mark come again, before those still to come.
    const qsizetype keep = qsizetype(k.keys - keysDropped_);
    replay_ = keys_.mid(keep) + replay_;
    keys_.resize(keep);

    journal_.undoWrites(k.writes, m_.mem());
    journal_.dropInstructionsFrom(k.position);
    Devices &d = m_.devices;
    m_.cpu.setRegisters(k.registers);
    m_.cpu.setInstructions(k.instructions);
    d.clock.setElapsed(k.clock);
    d.pic = k.pic;
    d.slave = k.slave;
    d.pit = k.pit;
    d.cmos = k.cmos;
    d.keyboard = k.keyboard;
    d.systemControl = k.systemControl;
    d.refreshReads = k.refreshReads;
    d.crtcIndex = k.crtcIndex;
    d.crtc = k.crtc;
    d.lastTick = k.lastTick;
    d.speakerHz = k.speakerHz;
    m_.video = *k.video;
    m_.idle = k.idle;
    m_.lineSoFar = k.lineSoFar;
    m_.retryAt = k.retryAt;
    m_.psp = k.psp;
    m_.dtaSegment = k.dtaSegment;
    m_.dtaOffset = k.dtaOffset;
    m_.lastExitCode = k.lastExitCode;
    m_.searchFolders = k.searchFolders;
    m_.stop = k.stop;
    putBackHandles(k);
    const quint64 again = position - k.position;
    marks_.erase(at + 1, marks_.end());
    // Code translated from bytes now put back is stale.
    m_.cpu.flushCode(0, Cpu::memorySize + 0x10000);
    m_.cpu.runAgain(again);
    return r;
}

void MachineRecord::putBackHandles(const Mark &k)
{
    std::array<OpenFiles::Shared, OpenFiles::handleCount> made;
    for (size_t i = 0; i < k.handles.size(); ++i) {
        const Mark::Handle &h = k.handles[i];
        OpenFiles::Shared e = h.entry.lock();
        if (h.open && !e && h.kind != OpenFiles::Kind::File) {
            // The same device on several handles (CON on 0 to 2) stays one.
            for (size_t j = 0; j < i && !e; ++j)
                if (made[j] && !k.handles[j].entry.owner_before(h.entry) &&
                    !h.entry.owner_before(k.handles[j].entry))
                    e = made[j];
            if (!e) {
                e = OpenFiles::device(h.kind);
                e->writable = h.writable;
                e->readable = h.readable;
            }
            made[i] = e;
        }
        m_.files.setStandard(int(i), e);
    }
}

void MachineRecord::noteKey(quint16 key)
{
    keys_.append({journal_.end(), key});
}

QList<quint16> MachineRecord::dueKeys()
{
    QList<quint16> due;
    while (!replay_.isEmpty() && replay_.front().position <= journal_.end())
        due.append(replay_.takeFirst().key);
    return due;
}

bool MachineRecord::nextKey(quint16 *key)
{
    if (replay_.isEmpty())
        return false;
    *key = replay_.takeFirst().key;
    return true;
}

quint64 MachineRecord::bytes() const
{
    return journal_.bytes() + marks_.capacity() * sizeof(Mark) +
           quint64(keys_.size() + replay_.size()) * sizeof(Key);
}
