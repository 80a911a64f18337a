#include "debugging/memorypanel.h"

#include "debugging/addresstext.h"
#include "debugging/changemark.h"
#include "debugging/dostext.h"
#include "debugging/memoryedit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <utility>

namespace {

const QString followText = QStringLiteral("DS:0");

QString labelText(const DataLabel &l)
{
    return QStringLiteral("%1 (%2:%3)").arg(l.name, hex4(l.segment), hex4(l.offset));
}

} // namespace

MemoryPanel::MemoryPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MemoryPanel"));
    setAccessibleName(QStringLiteral("内存"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    auto *top = new QHBoxLayout;
    auto *caption = new QLabel(QStringLiteral("地址(&A)："), this);
    place_ = new QComboBox(this);
    place_->setObjectName(QStringLiteral("address"));
    place_->setEditable(true);
    // The list holds DS:0 and the data labels; typed places must not pile up.
    place_->setInsertPolicy(QComboBox::NoInsert);
    place_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    place_->setMinimumContentsLength(16);
    place_->setAccessibleName(QStringLiteral("内存地址"));
    place_->setToolTip(QStringLiteral(
        "段:偏移（十六进制，如 075A:0010 或 DS:10），或选一个数据标号；选 DS:0 则跟随 DS"));
    place_->addItem(followText);
    caption->setBuddy(place_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("addressProblem"));
    problem_->hide();
    top->addWidget(caption);
    top->addWidget(place_);
    top->addWidget(problem_, 1);
    column->addLayout(top);
    dump_ = new QPlainTextEdit(this);
    dump_->setObjectName(QStringLiteral("dump"));
    dump_->setReadOnly(true);
    dump_->setLineWrapMode(QPlainTextEdit::NoWrap);
    dump_->setFont(DosText::fixedFont());
    dump_->setAccessibleName(QStringLiteral("内存内容"));
    // A whole row in view: address, 16 bytes, 16 characters.
    dump_->setMinimumWidth(dump_->fontMetrics().horizontalAdvance(QString(78, u'0')) +
                           dump_->verticalScrollBar()->sizeHint().width() +
                           2 * dump_->frameWidth() + 8);
    column->addWidget(dump_, 1);
    auto *bottom = new QHBoxLayout;
    auto *editCaption = new QLabel(QStringLiteral("修改(&E)："), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("memoryEdit"));
    edit_->setPlaceholderText(QStringLiteral("DS:10 41 42 'OK'　或　F DS:0 L 20 0"));
    edit_->setAccessibleName(QStringLiteral("修改内存"));
    edit_->setToolTip(QStringLiteral(
        "地址和要写入的值：十六进制字节或引号里的文字（中文按 GBK），如 DS:10 41 42 'OK'；"
        "以 F 开头则填充一段，如 F DS:0 L 20 0 或 F DS:0 1F 0"));
    editCaption->setBuddy(edit_);
    bottom->addWidget(editCaption);
    bottom->addWidget(edit_, 1);
    column->addLayout(bottom);
    connect(edit_, &QLineEdit::returnPressed, this, &MemoryPanel::editTyped);
    connect(place_, &QComboBox::activated, this, &MemoryPanel::choose);
    connect(place_->lineEdit(), &QLineEdit::returnPressed, this, &MemoryPanel::typed);
}

void MemoryPanel::showView(const DebugView &v)
{
    view_ = v;
    hasView_ = true;
    updateLabels(v.dataLabels);
    if (std::exchange(startOver_, false)) {
        if (place_->count() > 1)
            return choose(1);
        return showPlace(true, 0, 0);
    }
    render();
}

void MemoryPanel::startOver()
{
    clearView();
    startOver_ = true;
}

void MemoryPanel::clearView()
{
    view_ = DebugView();
    hasView_ = false;
    dump_->clear();
}

void MemoryPanel::updateLabels(const QList<DataLabel> &labels)
{
    QStringList texts;
    for (const DataLabel &l : labels)
        texts << labelText(l);
    QStringList now;
    for (int i = 1; i < place_->count(); ++i)
        now << place_->itemText(i);
    if (texts == now)
        return;
    const QString edited = place_->currentText();
    while (place_->count() > 1)
        place_->removeItem(1);
    for (int i = 0; i < labels.size(); ++i)
        place_->addItem(texts[i], QVariantList{labels[i].segment, labels[i].offset});
    place_->setEditText(edited);
}

void MemoryPanel::choose(int index)
{
    if (index <= 0)
        return showPlace(true, 0, 0);
    const QVariantList at = place_->itemData(index).toList();
    if (at.size() == 2)
        showPlace(false, quint16(at[0].toUInt()), quint16(at[1].toUInt()), place_->itemText(index));
}

void MemoryPanel::typed()
{
    const QString text = place_->currentText().trimmed();
    const int item = place_->findText(text, Qt::MatchFixedString);
    if (item >= 0)
        return choose(item);
    // A label's name typed on its own.
    for (int i = 1; i < place_->count(); ++i)
        if (place_->itemText(i).section(u' ', 0, 0).compare(text, Qt::CaseInsensitive) == 0)
            return choose(i);
    quint16 segment, offset;
    if (!parseAddress(text, view_.registers, view_.registers.ds, &segment, &offset)) {
        problem_->setText(QStringLiteral("地址无效：请写 段:偏移（十六进制）"));
        problem_->show();
        return;
    }
    showPlace(false, segment, offset);
}

void MemoryPanel::showPlace(bool follow, quint16 segment, quint16 offset, const QString &shown)
{
    problem_->hide();
    following_ = follow;
    segment_ = segment;
    offset_ = offset;
    place_->setEditText(follow            ? followText
                        : shown.isEmpty() ? hex4(segment) + u':' + hex4(offset)
                                          : shown);
    render();
}

void MemoryPanel::editTyped()
{
    if (!hasView_)
        return;
    QString why;
    const quint16 bare = following_ ? view_.registers.ds : segment_;
    const std::optional<MemoryEdit> edit =
        parseMemoryEdit(edit_->text(), view_.registers, bare, &why);
    if (!edit) {
        problem_->setText(why);
        problem_->show();
        return;
    }
    problem_->hide();
    edit_->clear();
    emit memoryEdited(edit->address, edit->bytes);
}

void MemoryPanel::render()
{
    if (!hasView_)
        return;
    const quint16 segment = following_ ? view_.registers.ds : segment_;
    const quint16 start = following_ ? 0 : offset_;
    const QByteArray &memory = view_.memory;
    QStringList lines;
    for (int row = 0; row < rows; ++row) {
        const auto offset = quint16(start + row * 16);
        QByteArray bytes(16, 0);
        QString hexPart;
        for (int i = 0; i < 16; ++i) {
            const quint32 at = linear(segment, quint16(offset + i)) % Cpu::memorySize;
            bytes[i] = at < quint32(memory.size()) ? memory[at] : char(0);
            hexPart += QString::number(quint8(bytes[i]), 16).toUpper().rightJustified(2, u'0');
            hexPart += i == 7 ? QStringLiteral("  ") : QStringLiteral(" ");
        }
        lines << QStringLiteral("%1:%2  %3 %4")
                     .arg(hex4(segment), hex4(offset), hexPart,
                          DosText::rowText(bytes, u'.', false));
    }
    dump_->setPlainText(lines.join(u'\n'));
    // The bytes the last step (or the user) changed, marked as the
    // registers are.
    QList<QTextEdit::ExtraSelection> marks;
    const QByteArray &before = view_.previousMemory;
    for (int row = 0; row < rows; ++row) {
        const QTextBlock block = dump_->document()->findBlockByNumber(row);
        for (int i = 0; i < 16; ++i) {
            const quint32 at = linear(segment, quint16(start + row * 16 + i)) % Cpu::memorySize;
            if (at >= quint32(memory.size()) || at >= quint32(before.size()) ||
                memory[at] == before[at])
                continue;
            QTextEdit::ExtraSelection mark;
            mark.format = changedFormat();
            mark.cursor = QTextCursor(block);
            // "SSSS:OOOO  " then three columns a byte, two more after the eighth.
            mark.cursor.setPosition(block.position() + 11 + i * 3 + (i > 7 ? 1 : 0));
            mark.cursor.setPosition(mark.cursor.position() + 2, QTextCursor::KeepAnchor);
            marks << mark;
        }
    }
    dump_->setExtraSelections(marks);
    changedBytes_ = int(marks.size());
}
