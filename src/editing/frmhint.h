#pragma once

#include <QPointer>
#include <QWidget>

class QTextBrowser;
class frmDocument;
class Workbench;

// "指令提示": a small window beside the caret with the hint for the word
// there. It stays open while the user goes on editing, follows the caret
// of the active document, and closes on Escape.
class frmHint : public QWidget
{
    Q_OBJECT
public:
    explicit frmHint(Workbench &wb);

    QTextBrowser *Hint = nullptr;
    // The word the window shows the hint for.
    const QString &word() const { return word_; }

    // Shows the hint for the word at a position of the document's text, or
    // at its caret when position is -1, and follows that document's caret.
    void showFor(frmDocument *doc, int position = -1);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(frmDocument *doc);
    void caretMoved();
    void showAt(int position);

    QPointer<frmDocument> doc_;
    QString word_;
    // The size the current hint asks for, before the screen has its say.
    QSize wanted_;
};
