#include "debugging/disassemblypanel.h"

#include "debugging/addresstext.h"
#include "debugging/disassembler.h"
#include "debugging/dostext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

DisassemblyPanel::DisassemblyPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DisassemblyPanel"));
    setAccessibleName(QStringLiteral("反汇编"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    auto *top = new QHBoxLayout;
    auto *caption = new QLabel(QStringLiteral("地址(&D)："), this);
    place_ = new QLineEdit(this);
    place_->setObjectName(QStringLiteral("codeAddress"));
    place_->setPlaceholderText(QStringLiteral("CS:IP"));
    place_->setAccessibleName(QStringLiteral("反汇编地址"));
    place_->setToolTip(QStringLiteral(
        "段:偏移（十六进制，如 075A:0010 或 CS:10，只写偏移则在 CS 中）；留空则跟随 CS:IP"));
    place_->setMinimumWidth(place_->fontMetrics().horizontalAdvance(QString(16, u'0')));
    caption->setBuddy(place_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("codeAddressProblem"));
    problem_->hide();
    top->addWidget(caption);
    top->addWidget(place_);
    top->addWidget(problem_, 1);
    column->addLayout(top);
    code_ = new QPlainTextEdit(this);
    code_->setObjectName(QStringLiteral("code"));
    code_->setReadOnly(true);
    code_->setLineWrapMode(QPlainTextEdit::NoWrap);
    code_->setFont(DosText::fixedFont());
    code_->setAccessibleName(QStringLiteral("反汇编内容"));
    code_->setMinimumWidth(code_->fontMetrics().horizontalAdvance(QString(64, u'0')) +
                           code_->verticalScrollBar()->sizeHint().width() +
                           2 * code_->frameWidth() + 8);
    column->addWidget(code_, 1);
    connect(place_, &QLineEdit::returnPressed, this, &DisassemblyPanel::typed);
}

void DisassemblyPanel::showView(const DebugView &v)
{
    view_ = v;
    hasView_ = true;
    render();
}

void DisassemblyPanel::clearView()
{
    view_ = DebugView();
    hasView_ = false;
    code_->clear();
}

void DisassemblyPanel::startOver()
{
    clearView();
    following_ = true;
    place_->clear();
    problem_->hide();
}

void DisassemblyPanel::typed()
{
    const QString text = place_->text().trimmed();
    problem_->hide();
    if (text.isEmpty()) {
        following_ = true;
        return render();
    }
    quint16 segment, offset;
    if (!parseAddress(text, view_.registers, view_.registers.cs, &segment, &offset)) {
        problem_->setText(QStringLiteral("地址无效：请写 段:偏移（十六进制）"));
        problem_->show();
        return;
    }
    following_ = false;
    segment_ = segment;
    offset_ = offset;
    place_->setText(hex4(segment) + u':' + hex4(offset));
    render();
}

void DisassemblyPanel::render()
{
    if (!hasView_)
        return;
    const Registers &r = view_.registers;
    const quint16 segment = following_ ? r.cs : segment_;
    const quint16 start = following_ ? r.ip : offset_;
    QStringList lines;
    int currentRow = -1;
    SourceLine last;
    for (const Disassembled &d : disassemble(view_.memory, segment, start, rows)) {
        const quint32 at = linear(d.segment, d.offset);
        const bool current = at == linear(r.cs, r.ip);
        if (current)
            currentRow = int(lines.size());
        QString bytes = QString::fromLatin1(d.bytes.toHex().toUpper());
        QString line = QStringLiteral("%1%2:%3  %4  %5")
                           .arg(current ? QStringLiteral("► ") : QStringLiteral("  "),
                                hex4(d.segment), hex4(d.offset), bytes.leftJustified(12),
                                d.text.leftJustified(24));
        // The source line beside its first instruction.
        const SourceLine source = view_.sourceLineAt ? view_.sourceLineAt(at) : SourceLine{};
        if (source.valid() && source != last) {
            line += QStringLiteral("; ") + view_.sourceLineOf(at);
            if (sourceText_)
                line += QStringLiteral("  ") + sourceText_(source).trimmed();
        }
        last = source;
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
    }
    code_->setPlainText(lines.join(u'\n'));
    QList<QTextEdit::ExtraSelection> marks;
    if (currentRow >= 0) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(code_->document()->findBlockByNumber(currentRow));
        mark.format.setBackground(QColor(255, 236, 140));
        mark.format.setForeground(QColor(0, 0, 0));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << mark;
    }
    code_->setExtraSelections(marks);
}
