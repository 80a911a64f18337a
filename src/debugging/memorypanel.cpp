#include "debugging/memorypanel.h"

#include "debugging/addresstext.h"
#include "debugging/dostext.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
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
}
