#include "platform/richtext.h"

#include "platform/pastetext.h"

#include <QDataStream>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

// The clipboard format of this program's own copies: the characters with
// their formats, which another program neither writes nor reads.
static const QString kOwnFormat = QStringLiteral("application/x-korvane-text");

RichText::RichText(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    // The right button's menu is the program's own, shown on release.
    setContextMenuPolicy(Qt::NoContextMenu);
    setBackColor(Qt::white);
    setForeColor(Qt::black);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &RichText::noteSelection);
    connect(this, &QPlainTextEdit::selectionChanged, this, &RichText::noteSelection);
    connect(document(), &QTextDocument::contentsChange, this, &RichText::wrapLongLines);
}

// Beyond this length a line is shown wrapped: drawn on one line, it would cost
// its whole length on every repaint, the caret's blink included.
static constexpr int kLongestUnwrappedLine = 10000;

void RichText::wrapLongLines(int position, int, int charsAdded)
{
    if (lineWrapMode() != QPlainTextEdit::NoWrap)
        return;
    const QTextDocument *doc = document();
    for (QTextBlock b = doc->findBlock(position);
         b.isValid() && b.position() <= position + charsAdded; b = b.next()) {
        if (b.length() > kLongestUnwrappedLine) {
            // Anywhere, not at word boundaries first: looking for a boundary
            // on a line that has none costs the rest of the line at every
            // screen line, so a long line of DB 'A','A',... would take hours.
            setWordWrapMode(QTextOption::WrapAnywhere);
            setLineWrapMode(QPlainTextEdit::WidgetWidth);
            return;
        }
    }
}

QString RichText::text() const
{
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return raw;
}

void RichText::setText(QString crlfText)
{
    // In place: a text handed over is not copied, which matters for a large file.
    QString plain = std::move(crlfText);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // setPlainText hands the new text the caret's format; start from plain.
    setCurrentCharFormat(QTextCharFormat());
    QTextCursor cursor(document());
    cursor.setCharFormat(QTextCharFormat());
    setPlainText(plain);
}

static QString withLineFeeds(QString crlfText)
{
    crlfText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlfText.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return crlfText;
}

// Inserts text (LF line breaks) at the cursor in the plain default format, the
// stretches that colouredOnLine names on each line in the given colour. Each
// stretch goes in with its format, where colouring it afterwards would split
// the text again: this costs no more than inserting the text alone.
static void insertColoured(QTextCursor &c, const QString &text,
                           const RichText::LineRanges &colouredOnLine, const QColor &color)
{
    QList<TextRange> coloured;
    if (colouredOnLine) {
        for (qsizetype from = 0; from <= text.size();) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), from);
            end = end < 0 ? text.size() : end;
            for (TextRange r : colouredOnLine(QStringView(text).sliced(from, end - from))) {
                r.start += int(from);
                coloured.append(r);
            }
            from = end + 1;
        }
    }
    QTextCharFormat colourFormat;
    colourFormat.setForeground(color);
    qsizetype at = 0;
    for (const TextRange &r : std::as_const(coloured)) {
        if (r.start > at)
            c.insertText(text.sliced(at, r.start - at), QTextCharFormat());
        c.insertText(text.sliced(r.start, r.length), colourFormat);
        at = r.start + r.length;
    }
    if (at < text.size())
        c.insertText(text.sliced(at), QTextCharFormat());
}

void RichText::setText(QString crlfText, const LineRanges &colouredOnLine, const QColor &color)
{
    const QString plain = withLineFeeds(std::move(crlfText));
    setText(QString());
    QTextDocument *doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    c.beginEditBlock();
    insertColoured(c, plain, colouredOnLine, color);
    c.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

void RichText::replaceText(const QString &crlfText, const LineRanges &colouredOnLine,
                           const QColor &color)
{
    // What the lines carry (their own line breaks) stays with them when the
    // new text has as many lines: case and indent changes keep the lines.
    QList<int> states;
    states.reserve(document()->blockCount());
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        states << b.userState();
    beginEdit();
    QTextCursor c(document());
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    // The window's caret is left alone: inside an outer edit step the view has
    // not yet seen the new lines, and the caller places the caret afterwards.
    insertColoured(c, withLineFeeds(crlfText), colouredOnLine, color);
    if (document()->blockCount() == states.size()) {
        int line = 0;
        for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
            b.setUserState(states[line++]);
    }
    endEdit();
}

void RichText::noteSelection()
{
    // A move that also changes the selection raises both of the editor's
    // signals: tell the program once.
    const QTextCursor c = textCursor();
    const QPair<int, int> now(c.anchor(), c.position());
    if (now == lastSelection_ && document()->revision() == lastRevision_)
        return;
    lastSelection_ = now;
    lastRevision_ = document()->revision();
    // Outside a key press, the caret moved by itself: the typed run ends.
    if (batchDepth_ == 0)
        run_.caretMoved = true;
    emit selChange();
}

int RichText::textLength() const
{
    const QTextDocument *doc = document();
    return doc->characterCount() - 1 + (doc->blockCount() - 1);
}

int RichText::toPosition(int offset) const
{
    const QTextDocument *doc = document();
    if (offset <= 0)
        return 0;
    // The block that holds the offset is the last one whose first offset
    // (its position plus one extra character per earlier line break) is <= offset.
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const int inBlock = offset - (block.position() + lo);
    const int textLen = block.length() - 1;
    if (inBlock <= textLen)
        return block.position() + inBlock;
    // Between CR and LF, or past the end of the last line.
    return std::min(block.position() + textLen + 1, doc->characterCount() - 1);
}

int RichText::toOffset(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    return position + (block.isValid() ? block.blockNumber() : 0);
}

int RichText::selStart() const
{
    return toOffset(textCursor().selectionStart());
}

int RichText::selLength() const
{
    const QTextCursor c = textCursor();
    return toOffset(c.selectionEnd()) - toOffset(c.selectionStart());
}

void RichText::setSelStart(int offset)
{
    QTextCursor c = textCursor();
    c.setPosition(toPosition(offset));
    setTextCursor(c);
}

void RichText::setSelLength(int length)
{
    const int start = selStart();
    QTextCursor c = textCursor();
    const int anchor = toPosition(start);
    c.setPosition(anchor);
    c.setPosition(toPosition(start + std::max(0, length)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichText::selText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return s;
}

// The selection as runs of characters with one format each; a line break is
// a run of its own, "\n", carrying the format of the break.
static QByteArray ownCopy(const QTextCursor &selection)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    const QTextDocument *doc = selection.document();
    const int from = selection.selectionStart();
    const int to = selection.selectionEnd();
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        if (b.position() > from)
            out << QStringLiteral("\n") << QTextFormat(b.charFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int start = std::max(from, f.position());
            const int end = std::min(to, f.position() + f.length());
            if (start < end)
                out << f.text().mid(start - f.position(), end - start)
                    << QTextFormat(f.charFormat());
        }
    }
    return data;
}

void RichText::insertOwnCopy(const QByteArray &data)
{
    QDataStream in(data);
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    while (!in.atEnd()) {
        QString run;
        QTextFormat format;
        in >> run >> format;
        if (in.status() != QDataStream::Ok)
            break;
        c.insertText(shownCharacters(run), format.toCharFormat());
    }
    c.endEditBlock();
    setTextCursor(c);
}

QMimeData *RichText::selectionMimeData() const
{
    auto *data = new QMimeData;
    const QTextCursor c = textCursor();
    const QTextDocumentFragment fragment = c.selection();
    data->setHtml(fragment.toHtml());
    data->setText(fragment.toPlainText());
    data->setData(kOwnFormat, ownCopy(c));
    return data;
}

void RichText::insertPlain(const QString &text)
{
    QTextCursor c = textCursor();
    c.insertText(shownCharacters(text));
    setTextCursor(c);
}

void RichText::insertMimeData(const QMimeData *source)
{
    if (source->hasFormat(kOwnFormat))
        insertOwnCopy(source->data(kOwnFormat));
    else if (source->hasText())
        insertPlain(source->text());
    else if (source->hasHtml())
        insertPlain(QTextDocumentFragment::fromHtml(source->html()).toPlainText());
    ensureCursorVisible();
}

QMimeData *RichText::createMimeDataFromSelection() const
{
    return selectionMimeData();
}

bool RichText::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(kOwnFormat) || source->hasText() || source->hasHtml();
}

void RichText::insertFromMimeData(const QMimeData *source)
{
    insertMimeData(source);
}

void RichText::printSelection(QPrinter *printer) const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        document()->print(printer);
        return;
    }
    QTextDocument part;
    part.setDefaultFont(document()->defaultFont());
    QTextCursor(&part).insertFragment(c.selection());
    part.print(printer);
}

void RichText::paintEvent(QPaintEvent *event)
{
    // Long lines on screen keep their shaped glyphs: otherwise every blink of
    // the caret shapes the whole line again, however little of it shows.
    const int bottom = viewport()->height();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        if (b.length() > kLongestUnwrappedLine)
            b.layout()->setCacheEnabled(true);
        if (blockBoundingGeometry(b).translated(contentOffset()).bottom() > bottom)
            break;
    }
    QPlainTextEdit::paintEvent(event);
}

void RichText::resizeEvent(QResizeEvent *event)
{
    // Unwrapped lines keep their layout whatever the width: laying the text
    // out again would give every line of a long text a layout of its own, a
    // hundred megabytes for ten megabytes of text.
    if (lineWrapMode() == QPlainTextEdit::NoWrap) {
        QResizeEvent sameWidth(event->size(),
                               QSize(event->size().width(), event->oldSize().height()));
        QPlainTextEdit::resizeEvent(&sameWidth);
        return;
    }
    QPlainTextEdit::resizeEvent(event);
}

void RichText::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    emit mouseUp(event->button(), event->globalPosition().toPoint());
}

void RichText::setBackColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

QColor RichText::backColor() const
{
    return palette().color(QPalette::Base);
}

void RichText::setForeColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

void RichText::colorRanges(const QList<TextRange> &ranges, const QColor &color)
{
    if (ranges.isEmpty())
        return;
    QTextCharFormat f;
    f.setForeground(color);
    QTextDocument *doc = document();
    QTextCursor c(doc);
    c.beginEditBlock();
    // Ranges come in ascending order: walk the blocks alongside them instead
    // of searching for each one.
    QTextBlock block = doc->begin();
    int blockNumber = 0;
    auto position = [&](int offset) {
        while (block.next().isValid() && block.next().position() + blockNumber + 1 <= offset) {
            block = block.next();
            ++blockNumber;
        }
        const int inBlock = offset - (block.position() + blockNumber);
        const int textLen = block.length() - 1;
        if (inBlock <= textLen)
            return block.position() + inBlock;
        return std::min(block.position() + textLen + 1, doc->characterCount() - 1);
    };
    for (const TextRange &r : ranges) {
        const int from = position(r.start);
        const int to = position(r.start + r.length);
        if (to <= from)
            continue;
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        c.mergeCharFormat(f);
    }
    c.endEditBlock();
}

void RichText::beginEdit(bool joinPrevious)
{
    if (batchDepth_++ == 0) {
        // Undo puts the caret back where this cursor stands: the caret's place,
        // never the start of the text.
        batch_ = new QTextCursor(textCursor());
        if (joinPrevious)
            batch_->joinPreviousEditBlock();
        else
            batch_->beginEditBlock();
    }
}

void RichText::endEdit()
{
    if (batchDepth_ > 0 && --batchDepth_ == 0) {
        batch_->endEditBlock();
        delete batch_;
        batch_ = nullptr;
    }
}

int RichText::caretLine() const
{
    if (document()->isEmpty())
        return 1;
    return document()->findBlock(textCursor().selectionStart()).blockNumber() + 1;
}

int RichText::caretColumn() const
{
    if (document()->isEmpty())
        return 1;
    const QTextCursor c = textCursor();
    const int start = c.selectionStart();
    return start - document()->findBlock(start).position() + 1;
}

// The character code a key delivers, or 0 for a key that types nothing: bare
// modifiers and moves, and the shortcuts that the control carries out as
// commands (recolouring the selection first would copy or cut it in the
// typing colour).
static int characterCode(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    default:
        break;
    }
    for (QKeySequence::StandardKey command :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
          QKeySequence::Undo, QKeySequence::Redo}) {
        if (event->matches(command))
            return 0;
    }
    return event->text().isEmpty() ? 0 : event->text().front().unicode();
}

void RichText::keyPressEvent(QKeyEvent *event)
{
    const int code = characterCode(event);
    if (!code) {
        typeKey(event);
        return;
    }
    // What the handler colours and what the key inserts are laid out once, and
    // undone as one step: the layout re-flows every line below the change.
    // Characters typed on from where the last one went join its step, so that
    // Undo takes back a word at a time; a blank starts the next word, and a
    // move of the caret, Enter or any other edit ends the run.
    const RunKind kind = code == 8    ? RunKind::Erasing
                         : code >= 32 ? RunKind::Typing
                                      : RunKind::None;
    const bool joins = kind != RunKind::None && kind == run_.kind && !run_.caretMoved &&
                       run_.revision == document()->revision() &&
                       !(code == ' ' && run_.lastCode != ' ');
    beginEdit(joins);
    emit keyPress(code);
    typeKey(event);
    endEdit();
    run_ = {kind, code, document()->revision(), false};
    ensureCursorVisible();
}

void RichText::typeKey(QKeyEvent *event)
{
    // Shift+Enter would insert a line separator inside the paragraph, which is
    // no CR LF line break: treat it as a plain Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        QStringLiteral("\r"), event->isAutoRepeat(), event->count());
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void RichText::inputMethodEvent(QInputMethodEvent *event)
{
    // Chinese typed through an input method arrives here, not as key presses.
    if (!event->commitString().isEmpty())
        emit keyPress(event->commitString().front().unicode());
    QPlainTextEdit::inputMethodEvent(event);
}
