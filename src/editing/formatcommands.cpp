#include "app/accesskeys.h"
#include "app/colors.h"
#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "editing/casetext.h"
#include "editing/indenttext.h"
#include "editing/numericinput.h"
#include "editing/textrules.h"
#include "platform/richtext.h"

#include <QAction>

void frmMain::connectEditingCommands()
{
    const std::pair<const char *, void (frmMain::*)()> commands[] = {
        {"mnucodecolor", &frmMain::mnucodecolor},
        {"mnudimcolor", &frmMain::mnudimcolor},
        {"mnucurrentcolor", &frmMain::mnucurrentcolor},
        {"mnubackcolor", &frmMain::mnubackcolor},
        {"mnufont", &frmMain::mnufont},
        {"mnufontsize", &frmMain::mnufontsize},
        {"mnuUpLow", &frmMain::mnuUpLow},
        {"mnurightgo", &frmMain::mnurightgo},
        {"mnuViewOptions", &frmMain::mnuViewOptions},
        {"menufind", &frmMain::menufind},
    };
    for (const auto &[name, slot] : commands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
}

// The colour dialog as every colour command opens it: titled by the command's
// caption and not preset with the colour in use. Nothing when cancelled.
static std::optional<qint32> chooseColor(frmMain *main, const QString &caption)
{
    const std::optional<QColor> chosen = main->dialogs().showColor(main, caption, Qt::black);
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

void frmMain::mnucodecolor()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    RichText *control = doc->Text1;
    const int c = control->selStart();
    selectAllWhenNothingSelected(control);
    const std::optional<qint32> color = chooseColor(this, QStringLiteral("代码颜色"));
    if (!color)
        return;
    Fcolor = *color;
    control->beginEdit();
    control->setSelColor(toQColor(Fcolor));
    // Comments inside the recoloured range get their colour back.
    ColorComments(control);
    control->endEdit();
    control->setSelStart(c);
    control->setSelColor(toQColor(Currentfcolor));
}

void frmMain::mnudimcolor()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    RichText *control = doc->Text1;
    const int c = control->selStart();
    const std::optional<qint32> color = chooseColor(this, QStringLiteral("注释颜色"));
    if (!color)
        return;
    Remcolor = *color;
    ColorComments(control);
    control->setSelStart(c);
    control->setSelColor(toQColor(Currentfcolor));
}

void frmMain::mnucurrentcolor()
{
    // The next key press hands the colour to the text typed after it.
    if (const std::optional<qint32> color = chooseColor(this, QStringLiteral("当前颜色")))
        Currentfcolor = *color;
}

void frmMain::mnubackcolor()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    if (const std::optional<qint32> color = chooseColor(this, QStringLiteral("背景颜色")))
        doc->Text1->setBackColor(toQColor(*color));
}

void frmMain::mnufont()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    const std::optional<QFont> font = dialogs().showFont(this, QFont());
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

void frmMain::mnufontsize()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    const QString answer = dialogs().inputBox(
        this, QStringLiteral("请输入您需要的字体大小：（一般为8--72，不填则为默认值）"),
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
static void replaceWholeText(frmMain *main, frmDocument *doc, const QString &text)
{
    RichText *control = doc->Text1;
    control->replaceText(text, commentRanges, toQColor(main->Remcolor));
    main->ResetTyping(control);
    main->ShowPosition(doc);
}

void frmMain::mnuUpLow()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    const CaseConversion step = convertCase(doc->Text1->text(), Lowerstyle);
    Lowerstyle = step.Lowerstyle;
    action(QStringLiteral("mnuUpLow"))
        ->setText(withAccessKey(QStringLiteral("mnuUpLow"), step.caption));
    replaceWholeText(this, doc, step.text);
}

void frmMain::Rightgo(bool b, qint16 Lenspace)
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    // A negative width or a result too large to hold leaves the text as it was.
    const std::optional<QString> result = indentText(doc->Text1->text(), b, Lenspace);
    if (!result)
        return;
    replaceWholeText(this, doc, *result);
}

void frmMain::mnurightgo()
{
    // A check item: choosing it has already flipped the mark.
    const bool on = action(QStringLiteral("mnurightgo"))->isChecked();
    Rightgo(on, Indentwidth);
    button(QStringLiteral("右缩进"))->setChecked(on);
}

void frmMain::rightIndentButton(QAction *b)
{
    const bool on = b->isChecked();
    action(QStringLiteral("mnurightgo"))->setChecked(on);
    Rightgo(on, Indentwidth);
}

void frmMain::mnuViewOptions()
{
    const QString answer = dialogs().inputBox(this, QStringLiteral("请输入内缩进字符数"),
                                              QStringLiteral("内缩进参数"), QString());
    // A word, an empty answer, Cancel or a negative width keep the old width.
    if (const std::optional<int> width = indentWidthFromAnswer(answer))
        Indentwidth = qint16(*width);
}
