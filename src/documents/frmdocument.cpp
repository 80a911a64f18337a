#include "documents/frmdocument.h"

#include "platform/colors.h"
#include "workbench/workbench.h"
#include "documents/diagnosticstrip.h"
#include "documents/linebreaks.h"
#include "documents/markaccessibility.h"
#include "documents/textfile.h"
#include "rules/textrules.h"
#include "platform/richtext.h"
#include "platform/twips.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>

frmDocument::frmDocument(Workbench &wb, QWidget *parent)
    : QWidget(parent), encoding(Codepage::forNewDocuments()), wb_(wb)
{
    setObjectName(QStringLiteral("frmDocument"));
    setAutoFillBackground(true);
    // The window's own lavender, with its own dark text on it, whatever the
    // desktop's theme.
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 192, 255));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);

    Text1 = new RichText(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    Text1->setFont(font);
    Text1->document()->setDefaultFont(font);
    // DOS and the assembler count a tab as 8 columns.
    Text1->setTabStopDistance(8 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
    Text1->setForeColor(toQColor(wb.colours().Fcolor));
    Text1->setAccessibleName(QStringLiteral("源程序"));

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setAccessibleName(QStringLiteral("文档状态栏"));
    statusLine_ = new QLabel(StatusBar);
    StatusBar->addWidget(statusLine_, 1);
    statusLine_->setAccessibleName(QStringLiteral("光标位置"));
    Strip = new DiagnosticStrip(Text1, StatusBar, this);
    // A listing or a map is no source to check as it is typed.
    Strip->setSourceChecked([this] { return kind == Kind::Source; });
    installMarkAccessibility();
    // The context menu from the keyboard, at the caret.
    for (const QKeySequence &keys :
         {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)})
        new QShortcut(keys, Text1, this, &frmDocument::showContextMenuAtCaret, Qt::WidgetShortcut);

    Text1->installEventFilter(this);
    connect(Text1, &RichText::keyPress, this, &frmDocument::Text1_KeyPress);
    connect(Text1, &RichText::selChange, this, &frmDocument::Text1_SelChange);
    connect(Text1, &RichText::mouseUp, this, &frmDocument::Text1_MouseUp);
    layoutControls();
}

void frmDocument::setCaption(const QString &path)
{
    setWindowTitle(path);
    Text1->setAccessibleDescription(path);
}

QString frmDocument::statusText() const
{
    return statusLine_->text();
}

void frmDocument::setStatusText(const QString &text)
{
    statusLine_->setText(text);
    statusLine_->setAccessibleDescription(text);
}

QSize frmDocument::sizeHint() const
{
    return {twipsX(this, 9600), twipsY(this, 6000)};
}

void frmDocument::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmDocument::layoutControls()
{
    const int h = StatusBar->sizeHint().height();
    StatusBar->setGeometry(0, height() - h, width(), h);
    const int strip = twipsX(this, 240);
    const int w = width() - strip;
    const int textHeight = height() - h;
    // Too small a window: the text keeps its last size.
    if (w < 0 || textHeight < 0)
        return;
    Text1->setGeometry(strip, 0, w, textHeight);
    Strip->setGeometry(0, 0, strip, textHeight);
}

void frmDocument::showPosition(const QString &prefix)
{
    // The figures come from the caret's block, never from a copy of the text,
    // so a caret move costs the same on a long text as on a short one.
    const bool empty = Text1->document()->isEmpty();
    const QString line = empty ? QStringLiteral("1") : positionNumber(Text1->caretLine());
    const QString column = empty ? QStringLiteral("1") : positionNumber(Text1->caretColumn());
    setStatusText(prefix + line + QStringLiteral("，") + QStringLiteral(" 列 ") + column);
}

void frmDocument::Text1_SelChange()
{
    showPosition(QStringLiteral("当前位置 ：     行 "));
    emit selectionChanged(this);
}

void frmDocument::Text1_MouseUp(Qt::MouseButton button, const QPoint &globalPos)
{
    if (button != Qt::RightButton)
        return;
    contextMenuPosition =
        Text1->cursorForPosition(Text1->viewport()->mapFromGlobal(globalPos)).position();
    emit contextMenuRequested(globalPos);
}

void frmDocument::showContextMenuAtCaret()
{
    contextMenuPosition = Text1->textCursor().position();
    const QRect caret = Text1->cursorRect();
    emit contextMenuRequested(Text1->viewport()->mapToGlobal(caret.bottomLeft()));
}

QString frmDocument::fileText() const
{
    return ::fileText(Text1->document(), finalLineBreak);
}

bool frmDocument::SavefileMe(const QString &filestr)
{
    if (filestr == caption() && !checkDisk())
        return false;
    if (!writeTextFile(wb_.dialogs(), this, filestr, fileText(), encoding, false))
        return false;
    if (filestr == caption())
        markSaved();
    return true;
}

bool frmDocument::askToSave()
{
    // The question names this window: it comes to the front first, even when
    // the program's exit asks the windows behind the active one.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        if (sub->isMinimized())
            sub->showNormal();
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
    }
    Dialogs &dialogs = wb_.dialogs();
    const Dialogs::Answer answer =
        dialogs.msgBox(this, QStringLiteral("是否保存文件:") + caption(), Dialogs::YesNoCancel,
                       Dialogs::NoIcon, QStringLiteral("是否保存"));
    if (answer == Dialogs::Cancel)
        return false;
    if (answer == Dialogs::Yes) {
        CommonDialog1.title = QStringLiteral("保存");
        CommonDialog1.filter = sourceFileFilter();
        CommonDialog1.fileName = caption();
        const QString chosen = dialogs.showSave(this, CommonDialog1);
        // A cancelled dialog or a failed write keeps the window open.
        if (chosen.isEmpty() || !SavefileMe(chosen))
            return false;
    }
    return true;
}

void frmDocument::closeEvent(QCloseEvent *event)
{
    if (!askToSave()) {
        event->ignore();
        return;
    }
    // Saved, or closed without saving: either way no copy is wanted.
    emit discarded(this);
    event->accept();
}
