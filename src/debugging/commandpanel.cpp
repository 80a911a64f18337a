#include "debugging/commandpanel.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

CommandPanel::CommandPanel(QWidget *parent)
    : QWidget(parent), output_(new QPlainTextEdit), prompt_(new QLabel), input_(new QLineEdit)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    output_->setReadOnly(true);
    output_->setFont(fixed);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    output_->setTabStopDistance(QFontMetricsF(fixed).horizontalAdvance(u' ') * 8);
    // A long session keeps its last lines.
    output_->setMaximumBlockCount(5000);
    output_->setFocusPolicy(Qt::ClickFocus);
    prompt_->setFont(fixed);
    input_->setFont(fixed);
    input_->setAccessibleName(QStringLiteral("DEBUG 命令"));
    input_->setPlaceholderText(QStringLiteral("R、D、U、E、A、T、P、G…（? 显示命令）"));
    input_->installEventFilter(this);
    auto *line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    line->addWidget(prompt_);
    line->addWidget(input_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(output_, 1);
    layout->addLayout(line);
    setPrompt(QStringLiteral("-"));
    connect(input_, &QLineEdit::returnPressed, this, &CommandPanel::enter);
}

void CommandPanel::append(const QString &text)
{
    if (text.isEmpty())
        return;
    QString lines = text;
    if (lines.endsWith(u'\n'))
        lines.chop(1);
    output_->appendPlainText(lines);
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void CommandPanel::setPrompt(const QString &prompt)
{
    prompt_->setText(prompt);
}

QString CommandPanel::prompt() const
{
    return prompt_->text();
}

void CommandPanel::setReady(bool ready)
{
    input_->setEnabled(ready);
}

void CommandPanel::clear()
{
    output_->clear();
    setPrompt(QStringLiteral("-"));
}

QString CommandPanel::transcript() const
{
    return output_->toPlainText();
}

void CommandPanel::enter()
{
    const QString line = input_->text();
    input_->clear();
    if (!line.trimmed().isEmpty() && (history_.isEmpty() || history_.last() != line))
        history_ << line;
    historyAt_ = history_.size();
    append(prompt_->text() + line);
    emit lineEntered(line);
}

bool CommandPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == input_ && event->type() == QEvent::KeyPress && !history_.isEmpty()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            historyAt_ = std::clamp<qsizetype>(historyAt_ + (key == Qt::Key_Up ? -1 : 1), 0,
                                               history_.size());
            input_->setText(historyAt_ < history_.size() ? history_[historyAt_] : QString());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
