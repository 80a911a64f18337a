// RichText's selection formats: colour, style, font and the selection as
// markup, each read from and applied to the selected characters.
#include "platform/richtext.h"

#include "platform/pastetext.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

QTextCharFormat RichText::selectionFormat() const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return currentCharFormat();
    // The format of the first selected character.
    QTextCursor first(document());
    first.setPosition(c.selectionStart());
    first.setPosition(c.selectionStart() + 1, QTextCursor::KeepAnchor);
    return first.charFormat();
}

void RichText::mergeSelectionFormat(const QTextCharFormat &format)
{
    QTextCursor c = textCursor();
    if (c.hasSelection())
        c.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

QColor RichText::selColor() const
{
    return selectionFormat().foreground().color();
}

void RichText::setSelColor(const QColor &color)
{
    QTextCharFormat f;
    f.setForeground(color);
    mergeSelectionFormat(f);
}

bool RichText::selBold() const
{
    return selectionFormat().fontWeight() >= QFont::Bold;
}

void RichText::setSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelectionFormat(f);
}

bool RichText::selItalic() const
{
    return selectionFormat().fontItalic();
}

void RichText::setSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeSelectionFormat(f);
}

bool RichText::selUnderline() const
{
    return selectionFormat().fontUnderline();
}

void RichText::setSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeSelectionFormat(f);
}

bool RichText::selStrikethrough() const
{
    return selectionFormat().fontStrikeOut();
}

void RichText::setSelStrikethrough(bool on)
{
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeSelectionFormat(f);
}

QString RichText::selFontName() const
{
    const QStringList families = selectionFormat().fontFamilies().toStringList();
    return families.isEmpty() ? font().family() : families.first();
}

void RichText::setSelFontName(const QString &family)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    mergeSelectionFormat(f);
}

qreal RichText::selFontSize() const
{
    const qreal size = selectionFormat().fontPointSize();
    return size > 0 ? size : font().pointSizeF();
}

void RichText::setSelFontSize(qreal points)
{
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeSelectionFormat(f);
}

QString RichText::selMarkup() const
{
    return textCursor().selection().toHtml();
}

void RichText::setSelMarkup(const QString &html)
{
    // Markup brings its characters with their formats, never its tables,
    // images or paragraph layout, which this control does not show.
    QTextDocument parsed;
    parsed.setHtml(html);
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    for (QTextBlock b = parsed.begin(); b.isValid(); b = b.next()) {
        if (b != parsed.begin())
            c.insertBlock(QTextBlockFormat(), c.charFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it)
            c.insertText(shownCharacters(it.fragment().text()), it.fragment().charFormat());
    }
    c.endEditBlock();
    setTextCursor(c);
}
