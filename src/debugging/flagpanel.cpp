#include "debugging/flagpanel.h"

#include "debugging/changemark.h"
#include "debugging/dostext.h"
#include "debugging/flagletters.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

struct Flag
{
    const char *name;
    int bit;
    const char *meaning;
};

constexpr Flag flags[] = {
    {"OF", 11, "溢出标志"},    {"DF", 10, "方向标志"}, {"IF", 9, "中断允许标志"},
    {"TF", 8, "单步标志"},     {"SF", 7, "符号标志"},  {"ZF", 6, "零标志"},
    {"AF", 4, "辅助进位标志"}, {"PF", 2, "奇偶标志"},  {"CF", 0, "进位标志"},
};

// A screen reader reads the flag, what it means and its value: "CF 进位标志 1".
void showValue(QLabel *value, const QString &text)
{
    value->setText(text);
    value->setAccessibleName(value->objectName() + QLatin1Char(' ') + value->toolTip() +
                             QLatin1Char(' ') + text);
}

} // namespace

FlagPanel::FlagPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FlagPanel"));
    setAccessibleName(QStringLiteral("标志"));
    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    const QFont font = DosText::fixedFont();
    for (int i = 0; i < int(std::size(flags)); ++i) {
        const QString name = QLatin1String(flags[i].name);
        const QString meaning = QString::fromUtf8(flags[i].meaning);
        auto *caption = new QLabel(name, this);
        caption->setFont(font);
        caption->setToolTip(meaning);
        caption->setAlignment(Qt::AlignCenter);
        auto *value = new QLabel(this);
        value->setObjectName(name);
        value->setFont(font);
        value->setToolTip(meaning);
        value->setAlignment(Qt::AlignCenter);
        value->setMargin(1);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setFocusPolicy(Qt::StrongFocus);
        caption->setBuddy(value);
        value->installEventFilter(this);
        value->setCursor(Qt::PointingHandCursor);
        grid->addWidget(caption, 0, i);
        grid->addWidget(value, 1, i);
        values_.append(value);
    }
    letters_ = new QLabel(this);
    letters_->setObjectName(QStringLiteral("debugLetters"));
    letters_->setFont(font);
    letters_->setToolTip(QStringLiteral("DEBUG 的 R 命令这样显示标志"));
    letters_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(letters_, 2, 0, 1, int(std::size(flags)));
    grid->setColumnStretch(int(std::size(flags)), 1);
    grid->setRowStretch(3, 1);
    clearView();
}

bool FlagPanel::eventFilter(QObject *watched, QEvent *event)
{
    const int i = int(values_.indexOf(static_cast<QLabel *>(watched)));
    if (i < 0 || !hasView_)
        return QWidget::eventFilter(watched, event);
    const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                         static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    const bool space = event->type() == QEvent::KeyPress &&
                       static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space;
    if (!clicked && !space)
        return QWidget::eventFilter(watched, event);
    emit flagsEdited(quint16(shown_ ^ (1u << flags[i].bit)));
    return true;
}

void FlagPanel::showView(const DebugView &v)
{
    shown_ = v.registers.flags;
    hasView_ = true;
    for (int i = 0; i < values_.size(); ++i) {
        const int now = (v.registers.flags >> flags[i].bit) & 1;
        const int before = (v.previous.flags >> flags[i].bit) & 1;
        showValue(values_[i], QString::number(now));
        markChanged(values_[i], now != before);
    }
    letters_->setText(debugFlagLetters(v.registers.flags));
}

void FlagPanel::clearView()
{
    hasView_ = false;
    letters_->clear();
    for (QLabel *value : values_) {
        showValue(value, QStringLiteral("-"));
        markChanged(value, false);
    }
}
