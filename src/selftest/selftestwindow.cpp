#include "selftest/selftestwindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPlainTextEdit *textPane(const QString &name)
{
    auto *pane = new QPlainTextEdit;
    pane->setObjectName(name);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return pane;
}

QWidget *titled(const QString &title, QWidget *inside)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(title));
    layout->addWidget(inside);
    return box;
}

} // namespace

SelfTestWindow::SelfTestWindow(QWidget *parent)
    : QDialog(parent), summary_(new QLabel), cases_(new QTreeWidget),
      expected_(textPane(QStringLiteral("expected"))), actual_(textPane(QStringLiteral("actual"))),
      hint_(new QLabel(QStringLiteral("双击一个用例，用它的输入开始调试。")))
{
    setObjectName(QStringLiteral("frmSelfTest"));
    setWindowTitle(QStringLiteral("自测"));
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    cases_->setObjectName(QStringLiteral("cases"));
    cases_->setHeaderLabels(
        {QStringLiteral("用例"), QStringLiteral("结果"), QStringLiteral("原因")});
    cases_->setRootIsDecorated(false);
    cases_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    cases_->header()->setStretchLastSection(true);

    auto *sides = new QSplitter(Qt::Horizontal);
    sides->addWidget(titled(QStringLiteral("期望："), expected_));
    sides->addWidget(titled(QStringLiteral("实际："), actual_));
    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(cases_);
    split->addWidget(sides);
    split->setStretchFactor(1, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    again_ = buttons->addButton(QStringLiteral("重新测试(&R)"), QDialogButtonBox::ActionRole);
    again_->setObjectName(QStringLiteral("runAgain"));
    connect(again_, &QPushButton::clicked, this, &SelfTestWindow::runAgain);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(split, 1);
    layout->addWidget(hint_);
    layout->addWidget(buttons);
    resize(760, 520);

    connect(cases_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        showCase(item ? cases_->indexOfTopLevelItem(item) : -1);
    });
    connect(cases_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        const int index = cases_->indexOfTopLevelItem(item);
        if (index >= 0 && index < results_.size())
            emit debugCase(index);
    });
}

void SelfTestWindow::begin(const QString &source, const QString &testFile, const CheckSuite &suite)
{
    suite_ = suite;
    results_.clear();
    setWindowTitle(QStringLiteral("自测 - %1").arg(QFileInfo(source).fileName()));
    summary_->setText(QStringLiteral("正在汇编、连接并运行 %1 个用例（测试文件 %2）...")
                          .arg(suite.cases.size())
                          .arg(QFileInfo(testFile).fileName()));
    cases_->clear();
    for (const CheckCase &c : suite.cases)
        cases_->addTopLevelItem(new QTreeWidgetItem({c.name, QStringLiteral("..."), QString()}));
    expected_->clear();
    actual_->clear();
    again_->setEnabled(false);
}

void SelfTestWindow::notBuilt(const QString &why, const QString &toolsSaid)
{
    summary_->setText(QStringLiteral("程序没能生成，用例都没有运行：%1").arg(why));
    for (int i = 0; i < cases_->topLevelItemCount(); ++i)
        cases_->topLevelItem(i)->setText(1, QStringLiteral("未运行"));
    expected_->clear();
    actual_->setPlainText(toolsSaid);
    again_->setEnabled(true);
}

void SelfTestWindow::showResults(const QList<CaseResult> &results)
{
    results_ = results;
    int passed = 0;
    double points = 0, most = 0;
    for (int i = 0; i < results.size() && i < cases_->topLevelItemCount(); ++i) {
        const CaseResult &r = results.at(i);
        QTreeWidgetItem *item = cases_->topLevelItem(i);
        item->setText(1, verdictText(r.verdict));
        item->setText(2, r.reason);
        item->setForeground(1, r.passed() ? QColor(0x1B, 0x7F, 0x2A) : QColor(0xC0, 0x1C, 0x28));
        passed += r.passed();
        points += r.points;
        most += r.maxPoints;
    }
    summary_->setText(QStringLiteral("%1 个用例中通过 %2 个，得分 %3 / %4。")
                          .arg(results.size())
                          .arg(passed)
                          .arg(points)
                          .arg(most));
    again_->setEnabled(true);
    // The first failure is what the student wants to see.
    int first = 0;
    while (first < results.size() && results.at(first).passed())
        ++first;
    if (cases_->topLevelItemCount())
        cases_->setCurrentItem(cases_->topLevelItem(first < results.size() ? first : 0));
}

void SelfTestWindow::showCase(int index)
{
    if (index < 0 || index >= results_.size()) {
        expected_->clear();
        actual_->clear();
        return;
    }
    const CaseResult &r = results_.at(index);
    const CheckCase &c = suite_.cases.at(index);
    // What was compared where the case compared something; else what the
    // program printed.
    QString expected = r.expected, actual = r.actual;
    if (expected.isEmpty() && actual.isEmpty()) {
        expected = c.output ? c.output->text : c.screen ? c.screen->text : QString();
        actual = c.output ? r.output : r.screen;
    }
    expected_->setPlainText(expected);
    actual_->setPlainText(actual);
}
