#include "debugging/stackpanel.h"

#include "debugging/dostext.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

QString hex4(quint16 v)
{
    return QString::number(v, 16).toUpper().rightJustified(4, u'0');
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
    auto lineOf = [&](quint16 segment, quint16 offset) {
        return v.sourceLineOf ? v.sourceLineOf(linear(segment, offset)) : QString();
    };
    // Only the words below the top of the stack segment.
    const int count = std::min(words, (0x10000 - r.sp) / 2);
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
        } else if (const QString near = lineOf(r.cs, values[i]); !near.isEmpty()) {
            note = QStringLiteral("返回到 %1").arg(near);
        } else if (i + 1 < count) {
            if (const QString far = lineOf(values[i + 1], values[i]); !far.isEmpty()) {
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
