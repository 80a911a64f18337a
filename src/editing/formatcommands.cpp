#include "editing/accesskeys.h"
#include "platform/colors.h"
#include "workbench/workbench.h"
#include "editing/editingcontroller.h"
#include "documents/frmdocument.h"
#include "editing/casetext.h"
#include "editing/indenttext.h"
#include "editing/numericinput.h"
#include "rules/textrules.h"
#include "platform/richtext.h"

#include <QAction>

// The colour dialog as every colour command opens it: titled by the command's
// caption and not preset with the colour in use. Nothing when cancelled.
std::optional<qint32> EditingController::chooseColor(const QString &caption)
{
    const std::optional<QColor> chosen = wb_.dialogs().showColor(wb_.window(), caption, Qt::black);
    if (!chosen)
        return std::nullopt;
    return fromQColor(*chosen);
}

static void selectAllWhenNothingSelected(RichText *control)
{
    if (control->selLength() == 0) {
        control->setSelStart(0);
        control->setSelLength(control->textLength());
    }
}

void EditingController::mnucodecolor()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    RichText *control = doc->Text1;
    const int c = control->selStart();
    selectAllWhenNothingSelected(control);
    const std::optional<qint32> color = chooseColor(QStringLiteral("代码颜色"));
    if (!color)
        return;
    wb_.colours().Fcolor = *color;
    control->beginEdit();
    control->setSelColor(toQColor(wb_.colours().Fcolor));
    // Comments inside the recoloured range get their colour back.
    doc->colorComments();
    control->endEdit();
    control->setSelStart(c);
    control->setSelColor(toQColor(wb_.colours().Currentfcolor));
}

void EditingController::mnudimcolor()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    RichText *control = doc->Text1;
    const int c = control->selStart();
    const std::optional<qint32> color = chooseColor(QStringLiteral("注释颜色"));
    if (!color)
        return;
    wb_.colours().Remcolor = *color;
    doc->colorComments();
    control->setSelStart(c);
    control->setSelColor(toQColor(wb_.colours().Currentfcolor));
}

void EditingController::mnucurrentcolor()
{
    // The next key press hands the colour to the text typed after it.
    if (const std::optional<qint32> color = chooseColor(QStringLiteral("当前颜色")))
        wb_.colours().Currentfcolor = *color;
}

void EditingController::mnubackcolor()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    if (const std::optional<qint32> color = chooseColor(QStringLiteral("背景颜色")))
        doc->Text1->setBackColor(toQColor(*color));
}

void EditingController::mnufont()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    const std::optional<QFont> font = wb_.dialogs().showFont(wb_.window(), QFont());
    if (!font)
        return;
    RichText *control = doc->Text1;
    selectAllWhenNothingSelected(control);
    control->beginEdit();
    control->setSelFontSize(font->pointSizeF());
    control->setSelFontName(font->family());
    control->setSelBold(font->bold());
    control->setSelUnderline(font->underline());
    control->setSelItalic(font->italic());
    control->setSelStrikethrough(font->strikeOut());
    control->endEdit();
}

void EditingController::mnufontsize()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    const QString answer = wb_.dialogs().inputBox(
        wb_.window(), QStringLiteral("请输入您需要的字体大小：（一般为8--72，不填则为默认值）"),
        QStringLiteral("Font Size"), QString());
    const std::optional<double> size = fontSizeFromAnswer(answer);
    RichText *control = doc->Text1;
    selectAllWhenNothingSelected(control);
    // A size the control cannot take leaves the text as it was, silently.
    if (size)
        control->setSelFontSize(*size);
}

// Replaces the whole text, its comments coloured as they go in, as one step,
// so that Undo brings back the earlier text with its colours; then the
// closing steps.
void EditingController::replaceWholeText(frmDocument *doc, const QString &text)
{
    doc->Text1->replaceText(text, commentRanges, toQColor(wb_.colours().Remcolor));
    doc->resetTyping();
    doc->showPosition();
}

void EditingController::mnuUpLow()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || !doc->mayChange())
        return;
    const CaseConversion step = convertCase(doc->Text1->text(), Lowerstyle);
    Lowerstyle = step.Lowerstyle;
    wb_.command(Command::LowerStyle)
        ->setText(withAccessKey(QStringLiteral("mnuUpLow"), step.caption));
    replaceWholeText(doc, step.text);
}

void EditingController::Rightgo(bool b, qint16 Lenspace)
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || !doc->mayChange())
        return;
    // A negative width or a result too large to hold leaves the text as it was.
    const std::optional<QString> result = indentText(doc->Text1->text(), b, Lenspace);
    if (!result)
        return;
    replaceWholeText(doc, *result);
}

void EditingController::mnurightgo()
{
    // A check item: choosing it has already flipped the mark.
    const bool on = wb_.command(Command::RightIndent)->isChecked();
    Rightgo(on, Indentwidth);
    wb_.command(Command::ButtonRightIndent)->setChecked(on);
}

void EditingController::rightIndentButton(QAction *b)
{
    const bool on = b->isChecked();
    wb_.command(Command::RightIndent)->setChecked(on);
    Rightgo(on, Indentwidth);
}

void EditingController::mnuViewOptions()
{
    const QString answer = wb_.dialogs().inputBox(wb_.window(), QStringLiteral("请输入内缩进字符数"),
                                              QStringLiteral("内缩进参数"), QString());
    // A word, an empty answer, Cancel or a negative width keep the old width.
    if (const std::optional<int> width = indentWidthFromAnswer(answer))
        Indentwidth = qint16(*width);
}
