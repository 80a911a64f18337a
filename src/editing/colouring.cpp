#include "app/colors.h"
#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "editing/textrules.h"
#include "platform/richtext.h"

// Where the caret goes after every whole-document operation: in the new
// program's data segment.
static constexpr int kTypingOffset = 272;

static int caretOf(const frmMain *main)
{
    // The caret of the active document, which normally owns the text; the
    // newest window while none is active yet.
    if (const frmDocument *doc = main->activeDocument())
        return doc->Text1->selStart();
    if (main->Newdoc)
        return main->Newdoc->Text1->selStart();
    return 0;
}

QString frmMain::RowCount(const QString &s) const
{
    return rowCount(s, s.isEmpty() ? 0 : caretOf(this));
}

QString frmMain::LineCount(const QString &s) const
{
    return lineCount(s, s.isEmpty() ? 0 : caretOf(this));
}

void frmMain::ColorComments(RichText *control)
{
    // Comments end at their line's break, so the rule runs line by line,
    // without a copy of the whole text.
    QList<TextRange> ranges;
    control->forEachLine([&ranges](int lineStart, const QString &line) {
        for (TextRange r : commentRanges(line)) {
            r.start += lineStart;
            ranges.append(r);
        }
    });
    control->colorRanges(ranges, toQColor(Remcolor));
}

void frmMain::ResetTyping(RichText *control)
{
    Currentfcolor = RGB(100, 0, 255);
    control->setSelStart(kTypingOffset);
    control->setSelColor(toQColor(Currentfcolor));
}

void frmMain::ShowPosition(frmDocument *doc)
{
    doc->showPosition(QStringLiteral("位置 ：     行 "));
}

void frmMain::refreshDocument(frmDocument *doc)
{
    if (!doc)
        return;
    RichText *control = doc->Text1;
    control->beginEdit();
    control->colorRanges({{0, control->textLength()}}, toQColor(Fcolor));
    ColorComments(control);
    control->endEdit();
    ResetTyping(control);
    ShowPosition(doc);
}

void frmMain::mnuRefresh()
{
    refreshDocument(activeDocument());
}
