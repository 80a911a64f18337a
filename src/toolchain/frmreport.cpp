#include "toolchain/frmreport.h"

#include "platform/richtext.h"
#include "platform/twips.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

FrmReport::FrmReport(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmReport"));
    setWindowTitle(QStringLiteral("Report"));
    setModal(false);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    RichText = new ::RichText(Frame1);
    RichText->setObjectName(QStringLiteral("RichText"));
    RichText->setReadOnly(true);
    RichText->setAccessibleName(QStringLiteral("报告"));
    // Report and usage lines are read, not edited: wrap them to the window.
    RichText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    RichText->viewport()->installEventFilter(this);
    // The pointer turns into a hand over a code.
    RichText->viewport()->setMouseTracking(true);
    auto *inner = new QVBoxLayout(Frame1);
    inner->addWidget(RichText);

    Command1 = new QPushButton(QStringLiteral("关   闭"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1, 1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    resize(twipsX(this, 8400), twipsY(this, 6000));
}

// A line longer than this comes from a tool gone wrong, not from a report:
// only its start is shown, so the window never lays out megabytes of one line.
static constexpr qsizetype kLongestShownLine = 1000;

static QString withLongLinesCut(const QString &text)
{
    QString shown;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        end = end < 0 ? text.size() : end;
        qsizetype lineEnd = end > from && text[end - 1] == QLatin1Char('\r') ? end - 1 : end;
        if (lineEnd - from > kLongestShownLine) {
            if (shown.isEmpty())
                shown = text.first(from);
            shown += QStringView(text).sliced(from, kLongestShownLine);
            shown += QStringLiteral("……（此行过长，其余部分未显示）");
            shown += QStringView(text).sliced(lineEnd, std::min(end + 1, text.size()) - lineEnd);
        } else if (!shown.isEmpty()) {
            shown += QStringView(text).sliced(from, std::min(end + 1, text.size()) - from);
        }
        from = end + 1;
    }
    return shown.isEmpty() ? text : shown;
}

void FrmReport::showText(const QString &caption, const QString &text)
{
    setWindowTitle(caption);
    shownText_ = text;
    const ExplainedText explained =
        explainText(MessageExplanations::shipped(), withLongLinesCut(text));
    codes_ = explained.codes;
    RichText->setText(explained.text);
    RichText->setSelStart(0);
    RichText->setSelLength(RichText->textLength());
    RichText->setSelColor(QColor(0, 0, 255));
    QTextDocument *doc = RichText->document();
    QTextCursor paint(doc);
    paint.beginEditBlock();
    QTextCharFormat explanation;
    explanation.setForeground(QColor(0, 110, 0));
    for (int line : explained.explanationLines) {
        const QTextBlock block = doc->findBlockByNumber(line);
        paint.setPosition(block.position());
        paint.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        paint.mergeCharFormat(explanation);
    }
    QTextCharFormat link;
    link.setFontUnderline(true);
    for (const ExplainedText::Span &span : codes_) {
        const int at = doc->findBlockByNumber(span.line).position() + span.start;
        paint.setPosition(at);
        paint.setPosition(at + span.length, QTextCursor::KeepAnchor);
        paint.mergeCharFormat(link);
    }
    paint.endEditBlock();
    RichText->setSelStart(0);
    RichText->setSelLength(0);
    show();
    raise();
    activateWindow();
}

void FrmReport::showModal(const QString &caption, const QString &text)
{
    // An assembling report may be on screen without being modal: take it down
    // so that the window comes back modal with the new text.
    if (isVisible())
        hide();
    setWindowTitle(caption);
    shownText_ = text;
    RichText->setText(withLongLinesCut(text));
    exec();
}

QString FrmReport::codeAt(const QPoint &pos) const
{
    const QTextCursor c = RichText->cursorForPosition(pos);
    const int line = c.blockNumber();
    const int column = c.positionInBlock();
    for (const ExplainedText::Span &span : codes_) {
        // The caret lands before or after the character hit.
        if (span.line == line && column >= span.start && column <= span.start + span.length)
            return span.code;
    }
    return QString();
}

bool FrmReport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichText->viewport() && event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        RichText->viewport()->setCursor(codeAt(mouse->position().toPoint()).isEmpty()
                                            ? Qt::IBeamCursor
                                            : Qt::PointingHandCursor);
    }
    if (watched == RichText->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QString code = codeAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && !code.isEmpty() &&
            !RichText->textCursor().hasSelection())
            emit codeActivated(code);
    }
    if (watched == RichText->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            emit lineActivated(
                RichText->cursorForPosition(mouse->position().toPoint()).block().text());
    }
    return QDialog::eventFilter(watched, event);
}
