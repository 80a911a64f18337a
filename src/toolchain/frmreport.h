#pragma once

#include "rules/messageexplanations.h"

#include <QDialog>

class QFrame;
class QPushButton;
class RichText;

// The report window: one instance for the whole run, owned by the main window
// so that it stays above it. The assembling report and the usage text are
// both shown here; a new text replaces the old one.
class FrmReport : public QDialog
{
    Q_OBJECT
public:
    explicit FrmReport(QWidget *owner);

    QFrame *Frame1 = nullptr;
    ::RichText *RichText = nullptr;
    QPushButton *Command1 = nullptr;

    // Puts the text in blue with the caret at its start and shows the window
    // without making it modal. Under each message of a tool its explanation
    // follows in green; the message's code is underlined and opens the
    // messages' help page at its entry.
    void showText(const QString &caption, const QString &text);
    // Puts plain text in the window and shows it modally: nothing else of the
    // program takes input until it is closed.
    void showModal(const QString &caption, const QString &text);
    // The text the latest showText put here.
    const QString &shownText() const { return shownText_; }

    // Where the codes stand in the shown text.
    const QList<ExplainedText::Span> &codeSpans() const { return codes_; }

signals:
    // A line of the text was double-clicked; lineText is that whole line.
    void lineActivated(const QString &lineText);
    // A message's code was clicked.
    void codeActivated(const QString &code);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The code at a point of the viewport, or empty.
    QString codeAt(const QPoint &pos) const;

    QString shownText_;
    QList<ExplainedText::Span> codes_;
};
