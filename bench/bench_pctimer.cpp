// The built-in PC's timer and keyboard, as a program feels them: a busy
// loop's speed with the timer interrupting it against with the timer off,
// and how long a key typed takes to reach the program's own INT 9 handler.
#include "machine/machine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// A .COM that sets timer 0 (mode 3 at `reload`, or a one-shot that has
// fired at once when `off`), then counts CX down `outer` times 65,536.
QByteArray busyLoop(quint16 reload, bool off, quint16 outer)
{
    QByteArray code;
    code += off ? QByteArray("\xB0\x30\xE6\x43", 4) : QByteArray("\xB0\x36\xE6\x43", 4);
    code += char(0xB8);
    code += char(off ? 1 : reload & 0xFF);
    code += char(off ? 0 : reload >> 8);
    code += QByteArray("\xE6\x40\x88\xE0\xE6\x40\xFB", 7);
    code += char(0xBA);
    code += char(outer & 0xFF);
    code += char(outer >> 8);
    code += QByteArray("\xB9\x00\x00\xE2\xFE\x4A\x75\xF8", 8);
    code += QByteArray("\xB8\x00\x4C\xCD\x21", 5);
    return code;
}

// Puts its own routine in INT 9 and waits; the routine writes to a port
// the machine has no device for, which stops the run the moment it runs.
QByteArray keyWatcher()
{
    return QByteArray("\x31\xC0\x8E\xC0"          // xor ax,ax / mov es,ax
                      "\x26\xC7\x06\x24\x00\x13\x01" // mov word [es:24h],113h
                      "\x26\x8C\x0E\x26\x00"         // mov [es:26h],cs
                      "\xFB\xEB\xFE"                 // sti / jmp $
                      "\xBA\xF8\x03\xEE",            // 113h: mov dx,3F8h / out dx,al
                      23);
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

double loopMs(const QTemporaryDir &dir, const QByteArray &program)
{
    const QString path = dir.filePath("LOOP.COM");
    if (!write(path, program))
        return -1;
    Machine::Setup setup;
    setup.toolFolder = dir.path();
    Machine machine(setup);
    QString error;
    if (!machine.load(path, {}, &error))
        return -1;
    QElapsedTimer clock;
    clock.start();
    const MachineStop stop = machine.run({});
    return stop.reason == StopReason::Exited ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const quint16 outer = 3000; // about 200 million instructions
    QList<double> off, bios, fast;
    for (int i = 0; i < 3; ++i) {
        off << loopMs(dir, busyLoop(0, true, outer));
        bios << loopMs(dir, busyLoop(0, false, outer));
        fast << loopMs(dir, busyLoop(1193, false, outer));
    }
    if (off.contains(-1) || bios.contains(-1) || fast.contains(-1)) {
        std::printf("pc timer: the busy loop did not run\n");
        return 1;
    }
    std::printf("busy loop, timer off: %.0f ms; at the BIOS's 18.2 Hz: %.0f ms  ratio %.2f "
                "(target >= 0.8); at 1000 Hz: %.0f ms  ratio %.2f\n",
                median(off), median(bios), median(off) / median(bios), median(fast),
                median(off) / median(fast));

    const QString path = dir.filePath("KEYS.COM");
    if (!write(path, keyWatcher()))
        return 1;
    QList<double> latencies;
    for (int i = 0; i < 20; ++i) {
        Machine::Setup setup;
        setup.toolFolder = dir.path();
        Machine machine(setup);
        QString error;
        if (!machine.load(path, {}, &error))
            return 1;
        QElapsedTimer typed;
        std::thread typist([&] {
            // Typed once the program waits, as a user's key comes.
            std::this_thread::sleep_for(std::chrono::milliseconds(60 + 7 * i));
            typed.start();
            machine.pushKey(0x1E61);
        });
        const MachineStop stop = machine.run({});
        const double ms = double(typed.nsecsElapsed()) / 1e6;
        typist.join();
        if (stop.reason != StopReason::Unsupported) {
            std::printf("key to INT 9: the handler never ran\n");
            return 1;
        }
        latencies << ms;
    }
    std::printf("key typed to the program's INT 9 handler: median %.2f ms, slowest %.2f ms "
                "(target <= 20 ms)\n",
                median(latencies), *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
