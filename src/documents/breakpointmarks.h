#pragma once

#include <QList>
#include <QObject>
#include <QTextCursor>
#include <functional>

class QPainter;
class QRect;
class QTextDocument;

// The debugger's marks of one document: the lines with a breakpoint (a dark
// red diamond in the strip, another shape than the assembler's marks) and
// the line the stopped program is on (a yellow arrow). Each breakpoint holds
// a cursor at the start of its line, so it moves with the line while the
// text is edited; there are few of them.
class BreakpointMarks : public QObject
{
    Q_OBJECT
public:
    explicit BreakpointMarks(QTextDocument *document, QObject *parent = nullptr);

    // 1-based lines, in order, as they are now.
    QList<int> lines() const;
    bool has(int line) const;
    // Sets or clears the breakpoint of a line; false when the line is not in the text.
    bool set(int line, bool on);
    bool toggle(int line) { return set(line, !has(line)); }
    void clearAll();

    // Lines whose breakpoint is turned off (the debugger's list): drawn
    // hollow. Set while debugging, when the lines stay where they are.
    void setDisabledLines(const QList<int> &lines);
    QList<int> disabledLines() const { return disabled_; }

    // The line the program stopped on, 0 for none.
    int current() const { return current_; }
    void setCurrent(int line);

    // Draws the marks of the lines shown, each in the rectangle lineRect gives
    // for the document position of its line's start.
    void paint(QPainter &painter, int width, const std::function<QRect(int position)> &lineRect,
               int firstPosition, int lastPosition) const;

signals:
    void changed();

private:
    QTextDocument *document_;
    QList<QTextCursor> breakpoints_;
    QList<int> disabled_;
    int current_ = 0;
};
