#include "workbench/workbench.h"
#include "documents/frmdocument.h"
#include "platform/colors.h"
#include "platform/richtext.h"
#include "rules/textrules.h"

// Where the caret goes after every whole-document operation: in the new
// program's data segment.
static constexpr int kTypingOffset = 272;

void frmDocument::colorComments()
{
    // Comments end at their line's break, so the rule runs line by line,
    // without a copy of the whole text.
    QList<TextRange> ranges;
    Text1->forEachLine([&ranges](int lineStart, const QString &line) {
        for (TextRange r : commentRanges(line)) {
            r.start += lineStart;
            ranges.append(r);
        }
    });
    Text1->colorRanges(ranges, toQColor(wb_.colours().Remcolor));
}

void frmDocument::resetTyping()
{
    wb_.colours().Currentfcolor = RGB(100, 0, 255);
    Text1->setSelStart(kTypingOffset);
    Text1->setSelColor(toQColor(wb_.colours().Currentfcolor));
}

void frmDocument::refresh()
{
    Text1->beginEdit();
    Text1->colorRanges({{0, Text1->textLength()}}, toQColor(wb_.colours().Fcolor));
    colorComments();
    Text1->endEdit();
    resetTyping();
    showPosition();
}
