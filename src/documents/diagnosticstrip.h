#pragma once

#include "rules/sourcechecks.h"
#include "rules/diagnostics.h"

#include <QList>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <functional>

class BreakpointMarks;
class QLabel;
class QStatusBar;
class RichText;

// The strip on the left of a document window: after an assembly, a mark
// beside every line the assembler complained about (a red disc with a cross
// for an error, an amber triangle with "!" for a warning), its text as the
// mark's tooltip, and the counts in the window's status bar. Each mark holds
// a cursor at the start of its line, so it moves with the line while the
// text is edited; the next assembly replaces them all.
class DiagnosticStrip : public QWidget
{
    Q_OBJECT
public:
    DiagnosticStrip(RichText *text, QStatusBar *statusBar, QWidget *parent);

    // The debugger's breakpoints and current line, drawn in the same strip;
    // a click on a line without an assembler's mark toggles its breakpoint.
    BreakpointMarks *const breakpoints;

    // Replaces the marks with those of the latest assembly, and the status
    // with its outcome. A line past the end of the text is marked on the last line.
    void setDiagnostics(const QList<Diagnostic> &diagnostics, const QString &status);
    // No marks and no status: the text is another one now.
    void clear();

    // One marked line as it is now: where its line has moved, and the texts
    // of every diagnostic on it, numbered as the line is now.
    struct Mark
    {
        int line = 0;
        Diagnostic::Kind kind = Diagnostic::Error;
        QString text;
    };
    // In the order of the lines.
    QList<Mark> marks() const;
    // The outcome of the latest assembly, as the status bar tells it.
    QString countText() const;
    // What the status bar says of the caret's line when it has a mark (F6
    // goes there): the message's code and its meaning; empty elsewhere.
    QString markText() const;

    // Whether the text is checked while it is typed (a source; not a listing
    // or map view). Asked each time the typing pauses.
    void setSourceChecked(std::function<bool()> checked);
    // The hints of the typed text: each a blue mark of its own, drawn where
    // the assembler has no mark on the line; the tooltip tells both.
    const QList<SourceHint> &sourceHintMarks() const { return hints_; }

    // Puts the caret at the start of the next marked line after the caret's,
    // or of the first one when none follows. False when there are no marks.
    bool moveToNextMark();
    // Puts the caret at the start of the line the diagnostic with this text
    // (as the report shows it) is on now. False when it has no mark here.
    bool moveToDiagnostic(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Entry
    {
        // Where its line starts, kept by the strip itself: a cursor per mark
        // would make the document announce every mark after each key.
        int position = 0;
        // The line as of the last change, for when the whole text is replaced.
        int line = 0;
        Diagnostic diagnostic;
    };
    // The marks merged by line: an error outweighs a warning on the same line.
    struct Placed
    {
        int block = 0;
        int position = 0;
        Diagnostic::Kind kind = Diagnostic::Error;
        QStringList texts;
    };
    // Those of the lines from the document positions from to to.
    QList<Placed> placed(int from = 0, int to = INT_MAX) const;
    QList<Placed> visible() const;
    // The first entry at or after the document position (entries stay in
    // text order).
    qsizetype firstFrom(int position) const;
    // Entries from shiftFrom_ on are shift_ characters and lineShift_ lines
    // further on than they say.
    int positionOf(qsizetype i) const;
    void moveShiftTo(qsizetype index);
    void settleShift();
    // Where the line of the given document position shows in the strip.
    QRect lineRect(int position) const;
    const Placed *markAt(const QPoint &pos, const QList<Placed> &marks) const;
    void moveCaretTo(int position);
    int lineStart(int line) const;
    void contentsChanged(int position, int charsRemoved, int charsAdded);
    void showCaretMark();
    void checkSource();
    // The hints of the visible lines that have no assembler's mark.
    QList<std::pair<int, const SourceHint *>> visibleHints(const QList<Placed> &marks) const;

    RichText *text_;
    QLabel *counts_;
    QLabel *markLine_;
    QList<Entry> entries_;
    int lastCharacterCount_ = 0;
    int lastBlockCount_ = 0;
    qsizetype shiftFrom_ = 0;
    int shift_ = 0;
    int lineShift_ = 0;
    bool restorePending_ = false;
    std::function<bool()> sourceChecked_;
    QTimer checkPause_;
    QList<SourceHint> hints_;
};
