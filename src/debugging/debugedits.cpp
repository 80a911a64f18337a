// The user's own changes to a stopped program: a register typed in the
// 寄存器 panel, a flag turned over in 标志, bytes written in 内存.
#include "debugging/addresstext.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugsession.h"
#include "debugging/debugstate.h"
#include "debugging/flagletters.h"
#include "debugging/flagpanel.h"
#include "debugging/memorypanel.h"
#include "debugging/registerpanel.h"
#include "workbench/workbench.h"

namespace {

QString registerName(Reg reg)
{
    static const char *const names[] = {"AX", "BX", "CX", "DX", "SI", "DI", "BP",
                                        "SP", "CS", "DS", "ES", "SS", "IP", "标志"};
    return QString::fromUtf8(names[int(reg)]);
}

} // namespace

void DebugController::connectEdits()
{
    DebugPanels &p = *debugPanels_;
    connect(p.registers, &RegisterPanel::registerEdited, this, [this](Reg reg, quint16 value) {
        userChange([reg, value](DebugSession &s) { return s.setRegister(reg, value); },
                   QStringLiteral("%1 改为 %2。").arg(registerName(reg), hex4(value)),
                   reg == Reg::CS || reg == Reg::IP);
    });
    connect(p.flags, &FlagPanel::flagsEdited, this, [this](quint16 flags) {
        userChange([flags](DebugSession &s) { return s.setRegister(Reg::Flags, flags); },
                   QStringLiteral("标志改为 %1。").arg(debugFlagLetters(flags)), false);
    });
    connect(p.memory, &MemoryPanel::memoryEdited, this,
            [this](quint32 address, const QByteArray &bytes) {
                userChange(
                    [address, bytes](DebugSession &s) { return s.writeMemory(address, bytes); },
                    QStringLiteral("从 %1:%2 起写入了 %3 个字节。")
                        .arg(hex4(quint16(address >> 4)), hex4(quint16(address & 0xF)))
                        .arg(bytes.size()),
                    true);
            });
}

void DebugController::userChange(const std::function<bool(DebugSession &)> &change,
                                 const QString &done, bool moves)
{
    DebugSession *s = debugSession();
    if (!s || s->running() || s->ended() || !change(*s)) {
        wb_.showStatusMessage(QStringLiteral("只有程序停下时才能修改寄存器、标志和内存。"), 5000);
        return;
    }
    // A new CS:IP, or new bytes under it, may put the program on another line.
    if (moves)
        showDebugLine(s->currentLine());
    updateDebugPanels(s->view());
    wb_.showStatusMessage(done, 5000);
}
