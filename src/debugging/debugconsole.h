#pragma once

#include "machine/cpu.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What DEBUG's commands act on: the debugged machine, stopped.
class DebugTarget
{
public:
    virtual ~DebugTarget() = default;
    virtual Registers registers() const = 0;
    virtual bool setRegisters(const Registers &registers) = 0;
    // The whole first megabyte.
    virtual QByteArray memory() const = 0;
    virtual bool write(quint32 linear, const QByteArray &bytes) = 0;
    // A port of the machine's devices; nothing where no device answers.
    virtual std::optional<quint8> portIn(quint16 port) = 0;
    virtual bool portOut(quint16 port, quint8 value) = 0;
};

// What a command asks the debugger to run; the console writes nothing of
// it until the run has stopped (registerDisplay then).
struct DebugRun
{
    enum Kind { None, Trace, Proceed, Go, Quit };
    Kind kind = None;
    int count = 1;
    // "=address": where the run begins.
    std::optional<std::pair<quint16, quint16>> start;
    // G's stops, as linear addresses.
    QList<quint32> stops;
};

// DEBUG's language, a line at a time: R, D, E, F, U, A, H, S, C, M, I, O
// answer at once in DEBUG's own words and formats; T, P and G are runs the
// debugger makes.
class DebugConsole
{
public:
    // The answer to a line (its lines end with '\n') and the run it asks for.
    struct Reply
    {
        QString text;
        DebugRun run;
    };
    Reply enter(const QString &line, DebugTarget &target);
    // What the next line is asked with: "-", ":" after R AX, the address
    // while assembling.
    QString prompt() const;
    // R's three lines for the machine as it is now.
    static QString registerDisplay(const Registers &registers, const QByteArray &memory);
    // Where P's step of the instruction at CS:IP ends when it is one that
    // runs whole (CALL, INT, LOOP, a repeated string): its next address.
    static std::optional<quint32> proceedTarget(const Registers &registers,
                                                const QByteArray &memory);
    // A new program: D and U start again from its start.
    void reset();

private:
    struct Cursor
    {
        bool set = false;
        quint16 segment = 0, offset = 0;
    };
    enum class Mode { Command, Register, Flags, Enter, Assemble };
    Reply command(const QString &line, DebugTarget &target);
    Reply answerRegister(const QString &line, DebugTarget &target);
    Reply answerFlags(const QString &line, DebugTarget &target);
    Reply answerEnter(const QString &line, DebugTarget &target);
    Reply answerAssemble(const QString &line, DebugTarget &target);

    Mode mode_ = Mode::Command;
    Reg register_ = Reg::AX;
    QString flagsPrompt_, enterPrompt_;
    Cursor dump_, unassemble_, assemble_, enter_;
};
