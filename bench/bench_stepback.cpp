// Stepping back in the debugger, on the built-in PC: going back over a
// million instructions, what the record of a million instructions of a
// sorting program holds, and how fast a run goes with the record kept
// against without.
#include "machine/machine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

// A .COM that sorts a table of 200 words (in falling order) `sorts` times
// by bubble sort, about 140,000 instructions a sort:
//   mov bp, sorts / again: mov si, table / mov cx, 200 / fill: mov [si], cx
//   add si, 2 / loop fill / mov dx, 199 / outer: mov cx, dx / mov si, table
//   inner: mov ax, [si] / cmp ax, [si+2] / jbe inorder / xchg ax, [si+2]
//   mov [si], ax / inorder: add si, 2 / loop inner / dec dx / jnz outer
//   dec bp / jnz again / mov ax, 4C00h / int 21h / table:
QByteArray sorting(quint16 sorts)
{
    QByteArray code("\xbd\x3c\x00\xbe\x34\x01\xb9\xc8\x00\x89\x0c\x83\xc6\x02\xe2\xf9\xba\xc7"
                    "\x00\x89\xd1\xbe\x34\x01\x8b\x04\x3b\x44\x02\x76\x05\x87\x44\x02\x89\x04"
                    "\x83\xc6\x02\xe2\xef\x4a\x75\xe7\x4d\x75\xd4\xb8\x00\x4c\xcd\x21",
                    52);
    code[1] = char(sorts & 0xFF);
    code[2] = char(sorts >> 8);
    return code;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

struct Loaded
{
    std::unique_ptr<Machine> machine;
    bool ok = false;
};

Loaded load(const QTemporaryDir &dir, quint16 sorts, bool recording)
{
    const QString path = dir.filePath("SORT.COM");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(sorting(sorts)) != 52)
        return {};
    f.close();
    Machine::Setup setup;
    setup.toolFolder = dir.path();
    Loaded l;
    l.machine = std::make_unique<Machine>(setup);
    l.machine->setRecording(recording);
    QString error;
    l.ok = l.machine->load(path, {}, &error);
    return l;
}

// The whole program at full speed, as the debugger's continue runs it.
double runMs(const QTemporaryDir &dir, bool recording)
{
    Loaded l = load(dir, 300, recording);
    if (!l.ok)
        return -1;
    QElapsedTimer clock;
    clock.start();
    const MachineStop stop = l.machine->run({});
    return stop.reason == StopReason::Exited ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    QList<double> back, megabytes;
    for (int i = 0; i < 5; ++i) {
        Loaded l = load(dir, 30, true);
        if (!l.ok || l.machine->run({0, 1200000}).reason != StopReason::BudgetSpent) {
            std::printf("step back: the sort did not run\n");
            return 1;
        }
        const quint64 end = l.machine->recordEnd();
        megabytes << double(l.machine->recordBytes()) / (1024 * 1024) *
                         (1000000.0 / double(end - l.machine->recordStart()));
        QElapsedTimer clock;
        clock.start();
        const bool done = l.machine->rewindTo(end - 1000000).done;
        back << double(clock.nsecsElapsed()) / 1e6;
        if (!done || l.machine->recordEnd() != end - 1000000) {
            std::printf("step back: the record did not go back\n");
            return 1;
        }
    }
    std::printf("step back over 1,000,000 instructions: %.1f ms (target <= 100 ms)\n",
                median(back));
    std::printf("record of 1,000,000 instructions of a sort: %.1f MB (target <= 256 MB)\n",
                median(megabytes));

    QList<double> off, on;
    for (int i = 0; i < 3; ++i) {
        off << runMs(dir, false);
        on << runMs(dir, true);
    }
    if (off.contains(-1) || on.contains(-1)) {
        std::printf("continue with the record: the sort did not run\n");
        return 1;
    }
    std::printf("continue with the record on against off: %.0f ms against %.0f ms, ratio %.2f "
                "(target >= 0.5)\n",
                median(on), median(off), median(off) / median(on));
    return 0;
}
