#include "debugging/breakpointpanel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Place, Condition, Target, Hits };

} // namespace

BreakpointPanel::BreakpointPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BreakpointPanel"));
    setAccessibleName(QStringLiteral("断点"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("breakpoints"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("断点"), QStringLiteral("条件"),
                            QStringLiteral("第几次停"), QStringLiteral("已到达")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // A condition is typed in its cell: room for one.
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(Condition, QHeaderView::Interactive);
    list_->header()->resizeSection(Condition, fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    list_->setToolTip(QStringLiteral("勾选启用断点；双击“条件”或“第几次停”修改，"
                                     "按 Delete 删除选中的断点"));
    list_->installEventFilter(this);
    column->addWidget(list_, 1);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("breakpointProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #a00000"));
    problem_->hide();
    column->addWidget(problem_);
    auto *caption = new QLabel(QStringLiteral("添加(&A)："), this);
    add_ = new QLineEdit(this);
    add_->setObjectName(QStringLiteral("breakpointAdd"));
    add_->setPlaceholderText(QStringLiteral("0000:0200、数据 COUNT、数据 DS:0100 8"));
    add_->setToolTip(QStringLiteral("段:偏移 在那条指令处停下（没有源程序的代码也可以）；"
                                    "“数据 变量名”或“数据 段:偏移 字节数”在程序改写那些字节后停下"));
    add_->setAccessibleName(QStringLiteral("添加断点"));
    caption->setBuddy(add_);
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(add_, 1);
    column->addLayout(row);
    connect(add_, &QLineEdit::returnPressed, this, [this] {
        const QString text = add_->text().simplified();
        if (text.isEmpty())
            return;
        emit addWanted(text);
    });
    connect(list_, &QTreeWidget::itemChanged, this, &BreakpointPanel::edited);
}

void BreakpointPanel::showBreakpoints(const QList<Breakpoint> &list,
                                      const std::function<QString(const Breakpoint &)> &placeText)
{
    const QSignalBlocker quiet(list_);
    const int current = list_->currentItem() ? list_->currentItem()->data(Place, Qt::UserRole).toInt() : 0;
    // A breakpoint the user added has arrived: the line is free again.
    if (list.size() > shown_.size())
        add_->clear();
    // The same breakpoints: their rows are updated in place, so that an
    // edit of a row that changes the breakpoint does not take the row away
    // from under its own edit.
    bool same = list_->topLevelItemCount() == list.size();
    for (int i = 0; same && i < list.size(); ++i)
        same = list_->topLevelItem(i)->data(Place, Qt::UserRole).toInt() == list.at(i).id;
    shown_ = list;
    if (!same)
        list_->clear();
    for (int i = 0; i < list.size(); ++i) {
        const Breakpoint &b = list.at(i);
        QTreeWidgetItem *item = same ? list_->topLevelItem(i) : new QTreeWidgetItem(list_);
        item->setData(Place, Qt::UserRole, b.id);
        item->setText(Place, placeText(b));
        item->setText(Condition, b.condition);
        item->setText(Target, b.hitTarget > 0 ? QString::number(b.hitTarget) : QString());
        item->setText(Hits, QString::number(b.hits));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                       Qt::ItemIsEditable);
        item->setCheckState(Place, b.enabled ? Qt::Checked : Qt::Unchecked);
        const QColor text = palette().color(b.enabled ? QPalette::Active : QPalette::Disabled,
                                            QPalette::Text);
        for (int c = Place; c <= Hits; ++c)
            item->setForeground(c, text);
        if (!same && b.id == current)
            list_->setCurrentItem(item);
    }
    // The list's own view learns of changes made with its signals blocked.
    list_->viewport()->update();
}

void BreakpointPanel::tell(const QString &problem)
{
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
}

void BreakpointPanel::edited(QTreeWidgetItem *item, int column)
{
    const int id = item->data(Place, Qt::UserRole).toInt();
    const auto b = std::find_if(shown_.begin(), shown_.end(),
                                [id](const Breakpoint &x) { return x.id == id; });
    if (b == shown_.end())
        return;
    switch (column) {
    case Place:
        if ((item->checkState(Place) == Qt::Checked) != b->enabled)
            emit enabledChanged(id, item->checkState(Place) == Qt::Checked);
        break;
    case Condition:
        if (item->text(Condition).simplified() != b->condition)
            emit conditionEdited(id, item->text(Condition).simplified());
        break;
    case Target: {
        bool ok = false;
        const QString text = item->text(Target).trimmed();
        const int target = text.isEmpty() ? 0 : text.toInt(&ok);
        if (!text.isEmpty() && (!ok || target < 0)) {
            tell(QStringLiteral("“第几次停”应是一个正整数（空着：每次都停）。"));
            const QSignalBlocker quiet(list_);
            item->setText(Target, b->hitTarget > 0 ? QString::number(b->hitTarget) : QString());
            return;
        }
        if (target != b->hitTarget)
            emit hitTargetEdited(id, target);
        break;
    }
    default: {
        // The hits are the program's, not the user's.
        const QSignalBlocker quiet(list_);
        item->setText(Hits, QString::number(b->hits));
        break;
    }
    }
}

bool BreakpointPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        QList<int> ids;
        for (QTreeWidgetItem *item : list_->selectedItems())
            ids << item->data(Place, Qt::UserRole).toInt();
        if (!ids.isEmpty())
            emit removeWanted(ids);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
