#include "editing/frmfind.h"

#include "workbench/workbench.h"
#include "editing/editingcontroller.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

Formfind::Formfind(Workbench &wb, const QString &findarea)
    : QDialog(wb.window()), wb_(wb), findarea_(findarea)
{
    setObjectName(QStringLiteral("Formfind"));
    setWindowTitle(QStringLiteral("查找"));

    Label1 = new QLabel(QStringLiteral("查找内容："), this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // A text field only: Enter must not grow a list.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setMinimumContentsLength(24);
    Label1->setBuddy(Combo1);

    Frame2 = new QGroupBox(this);
    OptionY = new QRadioButton(QStringLiteral("区分大小写"), Frame2);
    OptionN = new QRadioButton(QStringLiteral("不区分大小写"), Frame2);
    auto *caseBox = new QVBoxLayout(Frame2);
    caseBox->addWidget(OptionY);
    caseBox->addWidget(OptionN);

    Frame1 = new QGroupBox(this);
    Label2 = new QLabel(QStringLiteral(" 方 向 ："), Frame1);
    Option1 = new QRadioButton(QStringLiteral("向   上"), Frame1);
    Option2 = new QRadioButton(QStringLiteral("向   下"), Frame1);
    auto *directionBox = new QHBoxLayout(Frame1);
    directionBox->addWidget(Label2);
    directionBox->addWidget(Option1);
    directionBox->addWidget(Option2);

    find = new QPushButton(QStringLiteral("查 找 下 一 个"), this);
    find->setObjectName(QStringLiteral("find"));
    // Enter in the dialog finds the next hit.
    find->setDefault(true);
    find->setAutoDefault(true);
    cancel = new QPushButton(QStringLiteral(" 取     消"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Combo1, 0, 1, 1, 2);
    grid->addWidget(find, 0, 3);
    grid->addWidget(Frame2, 1, 0, 1, 2);
    grid->addWidget(Frame1, 1, 2);
    grid->addWidget(cancel, 1, 3, Qt::AlignTop);
    setLayout(grid);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(find, &QPushButton::clicked, this, &Formfind::find_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    Form_Load();
}

void Formfind::Form_Load()
{
    OptionY->setChecked(true);
    Option2->setChecked(true);
    Combo1->setEditText(state.Lastfind);
    Combo1->setFocus();
}

void Formfind::find_Click()
{
    const QString W = Combo1->currentText();
    if (W.isEmpty()) {
        wb_.dialogs().msgBox(this, QStringLiteral("请输入要查找的字符串。"), Dialogs::OkOnly,
                                Dialogs::NoIcon, QStringLiteral("Korvane"));
        return;
    }
    frmDocument *doc = wb_.activeDocument();
    if (!doc) {
        // Nothing to search in: the click counts for nothing.
        wb_.dialogs().msgBox(this, QStringLiteral("没有查找对象!"), Dialogs::OkOnly,
                                Dialogs::NoIcon, QStringLiteral("Having no find object"));
        return;
    }

    // The document comes forward so that the hit shows, while the keyboard
    // stays here and Enter finds the next one.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(doc->parentWidget())) {
        if (sub->isMinimized())
            sub->showNormal();
        sub->raise();
    }
    wb_.window()->raise();
    raise();
    activateWindow();

    const QPointer<RichText> Text1 = doc->Text1;
    const FindRequest request{W, OptionY->isChecked(), Option2->isChecked()};
    const FindStep step = findNext(state, findarea_, request, Text1->selStart());
    state = step.state;
    if (step.outcome == FindOutcome::Found) {
        Text1->setSelStart(step.selStart);
        Text1->setSelLength(step.selLength);
        Text1->ensureCursorVisible();
        return;
    }
    wb_.dialogs().msgBox(this,
                            step.outcome == FindOutcome::ReachedEnd
                                ? QStringLiteral("已搜索到文见尾！")
                                : QStringLiteral("已搜索到文见头！"),
                            Dialogs::OkOnly, Dialogs::NoIcon, QStringLiteral("Korvane"));
    // The document may have been closed while the message was up.
    if (Text1)
        Text1->setSelLength(step.selLength);
}

void EditingController::menufind()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc) {
        wb_.dialogs().msgBox(wb_.window(), QStringLiteral("没有查找对象!"), Dialogs::OkOnly, Dialogs::NoIcon,
                         QStringLiteral("Having no find object"));
        return;
    }
    Findarea = doc->Text1->text();
    if (!findDialog)
        findDialog = new Formfind(wb_, Findarea);
    else if (!findDialog->isVisible())
        findDialog->Form_Load();
    findDialog->show();
    findDialog->raise();
    findDialog->activateWindow();
}
