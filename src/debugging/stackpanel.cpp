#include "debugging/stackpanel.h"

#include "debugging/addresstext.h"
#include "debugging/dostext.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Whether the bytes before a return address end with an instruction that
// pushes one: a near or far CALL (direct or through memory or a register),
// or an INT whose handler is the program's own. Words that merely look like
// an offset in the program (zeros most of all) are no return addresses.
bool afterCall(const QByteArray &memory, quint32 at, bool far)
{
    auto byte = [&](int back) {
        const qint64 i = qint64(at) - back;
        return i >= 0 && i < memory.size() ? quint8(memory[i]) : quint8(0);
    };
    if (far ? byte(5) == 0x9A || byte(2) == 0xCD : byte(3) == 0xE8)
        return true;
    for (int length = 2; length <= 4; ++length) {
        const quint8 modrm = byte(length - 1);
        const int mod = modrm >> 6, rm = modrm & 7;
        const int disp = mod == 1 ? 1 : mod == 2 || (mod == 0 && rm == 6) ? 2 : 0;
        if (byte(length) == 0xFF && ((modrm >> 3) & 7) == (far ? 3 : 2) && length == 2 + disp)
            return true;
    }
    return false;
}

} // namespace

StackPanel::StackPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StackPanel"));
    setAccessibleName(QStringLiteral("堆栈"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    list_ = new QPlainTextEdit(this);
    list_->setObjectName(QStringLiteral("words"));
    list_->setReadOnly(true);
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setFont(DosText::fixedFont());
    list_->setAccessibleName(QStringLiteral("堆栈内容（自 SS:SP 向上）"));
    list_->setMinimumWidth(list_->fontMetrics().horizontalAdvance(
                               QStringLiteral("0000:0000  0000  返回到 第 0000 行（远返回）")) +
                           list_->verticalScrollBar()->sizeHint().width() +
                           2 * list_->frameWidth() + 8);
    column->addWidget(list_);
}

void StackPanel::showView(const DebugView &v)
{
    const Registers &r = v.registers;
    const QByteArray &memory = v.memory;
    auto word = [&](quint16 offset) {
        const quint32 at = linear(r.ss, offset) % Cpu::memorySize;
        if (at + 1 >= quint32(memory.size()))
            return quint16(0);
        return quint16(quint8(memory[at]) | quint8(memory[at + 1]) << 8);
    };
    auto lineOf = [&](quint16 segment, quint16 offset, bool far) {
        const quint32 at = linear(segment, offset) % Cpu::memorySize;
        return v.sourceLineOf && afterCall(memory, at, far) ? v.sourceLineOf(at) : QString();
    };
    // Only what was pushed: the words from SP up to where the stack began.
    // SP 0 below a top at the segment's end is that end: nothing pushed.
    const quint32 sp = r.sp == 0 && v.stackTop == 0x10000 ? 0x10000 : r.sp;
    const int count = std::clamp(int((qint64(v.stackTop) - sp) / 2), 0, words);
    QList<quint16> values;
    for (int i = 0; i < count; ++i)
        values << word(quint16(r.sp + 2 * i));
    QStringList lines;
    bool segmentOfFarReturn = false;
    for (int i = 0; i < count; ++i) {
        QString note;
        if (segmentOfFarReturn) {
            note = QStringLiteral("（上一个返回地址的段）");
            segmentOfFarReturn = false;
        } else if (const QString near = lineOf(r.cs, values[i], false); !near.isEmpty()) {
            note = QStringLiteral("返回到 %1").arg(near);
        } else if (i + 1 < count) {
            if (const QString far = lineOf(values[i + 1], values[i], true); !far.isEmpty()) {
                note = QStringLiteral("返回到 %1（远返回）").arg(far);
                segmentOfFarReturn = true;
            }
        }
        lines << QStringLiteral("%1:%2  %3  %4")
                     .arg(hex4(r.ss), hex4(quint16(r.sp + 2 * i)), hex4(values[i]), note)
                     .trimmed();
    }
    list_->setPlainText(lines.join(u'\n'));
}

void StackPanel::clearView()
{
    list_->clear();
}
