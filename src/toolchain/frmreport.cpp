#include "toolchain/frmreport.h"

#include "platform/richtext.h"
#include "platform/twips.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
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
    // Report and usage lines are read, not edited: wrap them to the window.
    RichText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    RichText->viewport()->installEventFilter(this);
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

void FrmReport::showText(const QString &caption, const QString &text)
{
    setWindowTitle(caption);
    shownText_ = text;
    RichText->setText(text);
    RichText->setSelStart(0);
    RichText->setSelLength(RichText->textLength());
    RichText->setSelColor(QColor(0, 0, 255));
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
    RichText->setText(text);
    exec();
}

bool FrmReport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichText->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            emit lineActivated(
                RichText->cursorForPosition(mouse->position().toPoint()).block().text());
    }
    return QDialog::eventFilter(watched, event);
}
