#include "debugging/watchpanel.h"

#include "debugging/changemark.h"
#include "debugging/dostext.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

WatchPanel::WatchPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WatchPanel"));
    setAccessibleName(QStringLiteral("监视"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("watches"));
    list_->setRootIsDecorated(false);
    list_->setFont(DosText::fixedFont());
    list_->setHeaderLabels({QStringLiteral("表达式"), QStringLiteral("十六进制"),
                            QStringLiteral("无符号"), QStringLiteral("有符号"),
                            QStringLiteral("文字")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->installEventFilter(this);
    column->addWidget(list_, 1);
    auto *caption = new QLabel(QStringLiteral("添加(&W)："), this);
    add_ = new QLineEdit(this);
    add_->setObjectName(QStringLiteral("watchAdd"));
    add_->setPlaceholderText(QStringLiteral("ARR、[BX+SI+2]、WORD PTR ES:[DI]、AX+1"));
    add_->setToolTip(QStringLiteral("按汇编语言的写法：寄存器、变量和常量名、数（10、0AH）、"
                                    "[地址]；回车添加，在列表中按 Delete 删除"));
    add_->setAccessibleName(QStringLiteral("添加监视表达式"));
    caption->setBuddy(add_);
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(add_, 1);
    column->addLayout(row);
    connect(add_, &QLineEdit::returnPressed, this, &WatchPanel::add);
}

void WatchPanel::setExpressions(const std::optional<QStringList> &expressions)
{
    expressions_ = expressions.value_or(QStringList());
    fillWithVariables_ = !expressions;
    before_.clear();
    now_.clear();
    render();
}

void WatchPanel::add()
{
    const QString text = add_->text().simplified();
    if (text.isEmpty())
        return;
    add_->clear();
    if (!expressions_.contains(text, Qt::CaseInsensitive))
        expressions_ << text;
    fillWithVariables_ = false;
    render();
    emit expressionsChanged(expressions_);
}

bool WatchPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        for (QTreeWidgetItem *item : list_->selectedItems())
            expressions_.removeAll(item->text(0));
        fillWithVariables_ = false;
        render();
        emit expressionsChanged(expressions_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void WatchPanel::showView(const DebugView &v)
{
    view_ = v;
    hasView_ = true;
    if (fillWithVariables_) {
        fillWithVariables_ = false;
        for (const WatchSymbol &s : v.symbols)
            if (s.kind == WatchSymbol::Kind::Data && !expressions_.contains(s.name))
                expressions_ << s.name;
    }
    // What each showed before this view is what a change is told against.
    before_ = now_;
    now_.clear();
    render();
}

void WatchPanel::clearView()
{
    hasView_ = false;
    before_.clear();
    now_.clear();
    render();
}

void WatchPanel::render()
{
    list_->clear();
    for (const QString &e : std::as_const(expressions_)) {
        auto *item = new QTreeWidgetItem(list_, {e});
        if (!hasView_)
            continue;
        const WatchValue v = evaluateWatch(e, view_.registers, view_.memory, view_.symbols);
        if (!v.ok) {
            item->setText(1, v.error);
            continue;
        }
        item->setText(1, v.hex);
        item->setText(2, v.unsignedDecimal);
        item->setText(3, v.signedDecimal);
        item->setText(4, v.text);
        now_.insert(e, v.hex);
        if (before_.contains(e) && before_.value(e) != v.hex) {
            const QTextCharFormat f = changedFormat();
            for (int c = 1; c < 5; ++c) {
                item->setBackground(c, f.background());
                item->setForeground(c, f.foreground());
                QFont font = list_->font();
                font.setBold(true);
                item->setFont(c, font);
            }
            item->setData(0, Qt::AccessibleDescriptionRole, QStringLiteral("已改变"));
        }
    }
}
