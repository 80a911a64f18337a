#include "platform/colors.h"
#include "workbench/workbench.h"
#include "documents/frmdocument.h"
#include "rules/entercolouring.h"
#include "platform/richtext.h"

#include <QTextBlock>
#include <QTextCursor>

// Colours one stretch without touching the window's caret, so the caret and
// the status bar see no intermediate selections.
static void paint(RichText *control, TextRange range, qint32 color)
{
    if (range.length <= 0)
        return;
    QTextCursor c(control->document());
    c.setPosition(control->toPosition(range.start));
    c.setPosition(control->toPosition(range.start + range.length), QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setForeground(toQColor(color));
    c.mergeCharFormat(f);
}

void frmDocument::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13) {
        // Enter ends the caret's line: colour it from that line alone, so a key
        // costs the same in a long text as in a short one.
        const int c = Text1->selStart();
        const QTextBlock block = Text1->document()->findBlock(Text1->toPosition(c));
        const int lineStart = block.position() + block.blockNumber();
        const EnterColouring ranges = enterColouring(block.text(), lineStart, c);
        Text1->beginEdit();
        paint(Text1, ranges.comment, wb_.colours().Remcolor);
        paint(Text1, ranges.code, wb_.colours().Fcolor);
        Text1->endEdit();
        // A selection is not replaced by the line break: it moves down with it.
        if (Text1->selLength() != 0)
            Text1->setSelStart(c);
    }
    Text1->setSelColor(toQColor(wb_.colours().Currentfcolor));
}
