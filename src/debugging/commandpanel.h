#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// 命令: DEBUG's dialogue with the debugged program. What was typed and
// what came back scroll above; the line below takes the next command after
// its prompt ("-", or the address while assembling). Up and Down bring back
// earlier lines.
class CommandPanel : public QWidget
{
    Q_OBJECT
public:
    explicit CommandPanel(QWidget *parent = nullptr);
    // Text as DEBUG writes it (tabs to every eighth column).
    void append(const QString &text);
    void setPrompt(const QString &prompt);
    QString prompt() const;
    // Off while the program runs: the line waits for the stop.
    void setReady(bool ready);
    void clear();
    QString transcript() const;
    QLineEdit *input() const { return input_; }

signals:
    void lineEntered(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void enter();

    QPlainTextEdit *output_;
    QLabel *prompt_;
    QLineEdit *input_;
    QStringList history_;
    qsizetype historyAt_ = 0;
};
