#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <functional>

class QMimeData;
class QPrinter;

// A contiguous run of characters, counted in the program's offsets.
struct TextRange
{
    int start = 0;
    int length = 0;
    friend bool operator==(const TextRange &, const TextRange &) = default;
};

// The rich-text control of a document window. It speaks in the program's own
// offsets: the text as a string whose line breaks are CR LF (two characters),
// a selection start and a selection length in that string. Offsets are mapped
// to the editor's positions through the block structure, never by copying the
// text, so a caret move costs the same on a large text as on a small one. The
// plain-text layout lays out only the lines on screen, so a key press costs
// the same too, while the document keeps per-character colours and fonts.
class RichText : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit RichText(QWidget *parent = nullptr);

    // Whole text with CR LF line breaks.
    QString text() const;
    // Replaces the whole text; the new text gets the control's plain default
    // format, not whatever format the caret happened to carry. Nothing is left
    // to undo afterwards.
    void setText(QString crlfText);
    // The same, with the stretches that colouredOnLine names on each line in
    // the given colour: what colorRanges after setText gives, in about the
    // time of setText alone.
    using LineRanges = std::function<QList<TextRange>(QStringView line)>;
    void setText(QString crlfText, const LineRanges &colouredOnLine, const QColor &color);
    // The same replacements as one step that Undo takes back, old colours and
    // fonts included; changes made up to the matching endEdit() join it.
    void replaceText(const QString &crlfText, const LineRanges &colouredOnLine = {},
                     const QColor &color = {});
    // Length of text(), without building it.
    int textLength() const;

    int selStart() const;
    int selLength() const;
    // Moves the caret to the offset and collapses the selection. An offset past
    // the end lands at the end; one between CR and LF lands after the break.
    void setSelStart(int offset);
    // Extends the selection from selStart() by length characters.
    void setSelLength(int length);
    QString selText() const;

    // Colour of the selection; with nothing selected, the colour that the next
    // typed characters take.
    QColor selColor() const;
    void setSelColor(const QColor &color);
    bool selBold() const;
    void setSelBold(bool on);
    bool selItalic() const;
    void setSelItalic(bool on);
    bool selUnderline() const;
    void setSelUnderline(bool on);
    bool selStrikethrough() const;
    void setSelStrikethrough(bool on);
    QString selFontName() const;
    void setSelFontName(const QString &family);
    qreal selFontSize() const;
    void setSelFontSize(qreal points);

    // The selection as markup with its colours and fonts, and its replacement
    // by markup.
    QString selMarkup() const;
    void setSelMarkup(const QString &html);
    // What Copy puts on the clipboard: the markup and the plain text for
    // other programs, and the characters with their formats in this
    // program's own format.
    QMimeData *selectionMimeData() const;
    // Pastes. A copy made by this program keeps its colours and fonts; any
    // other is pasted as its plain text, with only the characters it shows.
    void insertMimeData(const QMimeData *source);
    // Prints the selection if there is one, else the whole text.
    void printSelection(QPrinter *printer) const;

    // The control draws in its own colours whatever the desktop's palette:
    // the code's black must never land on a dark theme's grey.
    void setBackColor(const QColor &color);
    QColor backColor() const;
    // The colour of characters that carry none of their own.
    void setForeColor(const QColor &color);

    // Colours every range in one edit step. Ranges must be in ascending order.
    void colorRanges(const QList<TextRange> &ranges, const QColor &color);
    // Groups the changes made until endEdit() into one step, so that the text
    // is laid out once for all of them.
    void beginEdit(bool joinPrevious = false);
    void endEdit();
    // Calls f(offset, lineText) for every line, offset being where it starts.
    template <typename F> void forEachLine(F f) const;

    // 1-based line and column of the selection start, the same figures that the
    // text rules give on text(), but taken from the block the caret is in.
    int caretLine() const;
    int caretColumn() const;

    // Offset mapping between the CR LF text and the editor's positions.
    int toPosition(int offset) const;
    int toOffset(int position) const;

signals:
    // The caret moved or the selection changed.
    void selChange();
    // A mouse button was released over the text.
    void mouseUp(Qt::MouseButton button, const QPoint &globalPos);
    // A character code is about to reach the text: a key that types (Enter and
    // Backspace included, as 13 and 8) or text committed by an input method.
    void keyPress(int keyAscii);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // The control's own Ctrl+C, Ctrl+X and Ctrl+V follow the clipboard rule too.
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void mergeSelectionFormat(const QTextCharFormat &format);
    void wrapLongLines(int position, int charsRemoved, int charsAdded);
    void insertOwnCopy(const QByteArray &data);
    void noteSelection();
    QPair<int, int> lastSelection_{-1, -1};
    int lastRevision_ = -1;
    void typeKey(QKeyEvent *event);
    void insertPlain(const QString &text);
    QTextCursor *batch_ = nullptr;
    // The run of keys typed last, which the next key may join in one undo step.
    enum class RunKind { None, Typing, Erasing };
    struct TypedRun
    {
        RunKind kind = RunKind::None;
        int lastCode = 0;
        int revision = -1;
        bool caretMoved = true;
    } run_;
    int batchDepth_ = 0;
    QTextCharFormat selectionFormat() const;
};

template <typename F> void RichText::forEachLine(F f) const
{
    int lineBreaks = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next(), ++lineBreaks)
        f(b.position() + lineBreaks, b.text());
}
