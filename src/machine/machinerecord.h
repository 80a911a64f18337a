#pragma once

#include "machine/cpu.h"
#include "machine/journal.h"
#include "machine/machineclock.h"
#include "machine/machinestop.h"
#include "machine/video.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <memory>
#include <vector>

struct MachineState;

// What the machine ran, kept so that it can be put back as it was before
// any of the last instructions: the journal of instructions and of the bytes
// they replaced, and at the start of each of the machine's runs of the CPU
// the state outside memory (registers, devices, video, the services' own).
// Between two such marks the CPU ran on memory and registers alone, so a
// position inside is reached by putting back the mark before it and running
// the rest again.
class MachineRecord
{
public:
    // The record keeps at least this many instructions before it forgets
    // the oldest.
    static constexpr quint64 kept = 1500000;

    explicit MachineRecord(MachineState &m);
    ~MachineRecord();
    MachineRecord(const MachineRecord &) = delete;
    MachineRecord &operator=(const MachineRecord &) = delete;

    Journal &journal() { return journal_; }
    const Journal &journal() const { return journal_; }

    // Before each run of the CPU.
    void mark();
    // Where the record can go back to: its first position, and now.
    quint64 start() const;
    quint64 end() const { return journal_.end(); }

    struct Rewound
    {
        bool done = false;
        // The program wrote, made, deleted or renamed files in the span
        // gone back over: those stay as they are now.
        bool filesChanged = false;
    };
    // Puts the machine back to a position of the record; what came after it
    // is forgotten, but the keys the program was given after it are given
    // again as the program comes to them.
    Rewound rewindTo(quint64 position);

    // A key that reaches the keyboard.
    void noteKey(quint16 key);
    // Keys to give again that are due: the program has come to where it was
    // given them.
    QList<quint16> dueKeys();
    // The program waits for a key: the next one to give again, if any.
    bool nextKey(quint16 *key);
    bool replaying() const { return !replay_.isEmpty(); }

    // Bytes held, for the budget and the bench.
    quint64 bytes() const;

private:
    struct Mark;
    void trim();
    void putBackHandles(const Mark &k);
    std::shared_ptr<const VideoState> videoNow();

    MachineState &m_;
    Journal journal_;
    std::vector<Mark> marks_;
    std::shared_ptr<const VideoState> lastVideo_;
    struct Key
    {
        quint64 position;
        quint16 key;
    };
    // Keys given since the record's start, and those to give again.
    QList<Key> keys_;
    quint64 keysDropped_ = 0;
    QList<Key> replay_;
};
