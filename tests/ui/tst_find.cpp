#include "editing/frmfind.h"
#include "mainfixture.h"

#include <QAction>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

// The find dialog over the active document, driven by clicks and keys.
class TestFind : public QObject
{
    Q_OBJECT
private slots:
    void dialogAsItOpens();
    void steps_data();
    void steps();
    void emptySearchText();
    void everyEntryOpensTheSameDialog_data();
    void everyEntryOpensTheSameDialog();
    void reopenedDialogRemembers();
    void enterInTheDialogFindsNext();
    void searchRunsOverTheCopyTakenAtFind();
    void withoutDocument();
};

namespace {

Formfind *openFind(MainFixture &f, const QString &text)
{
    f.text()->setText(text);
    f.main->action(QStringLiteral("menufind"))->trigger();
    return f.main->findDialog;
}

// Types the search text: Latin letters as keys, Chinese through an input method.
void typeInto(Formfind *d, const QString &what)
{
    for (QChar ch : what) {
        if (ch.unicode() < 0x80) {
            QTest::keyClicks(d->Combo1->lineEdit(), QString(ch));
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(QString(ch));
        QCoreApplication::sendEvent(d->Combo1->lineEdit(), &commit);
    }
}

// What one click did: the selection as "start+length", or the message shown.
QString click(MainFixture &f, Formfind *dialog)
{
    const qsizetype before = f.dialogs.calls.size();
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::mouseClick(dialog->find, Qt::LeftButton);
    if (f.dialogs.calls.size() > before) {
        const FakeDialogs::Call call = f.dialogs.calls.last();
        return call.text + QLatin1Char('|') + call.title + QLatin1Char('|') +
               QString::number(f.text()->selStart()) + QLatin1Char('+') +
               QString::number(f.text()->selLength());
    }
    // No message: take back the answer scripted for one.
    f.dialogs.msgBox(nullptr, {}, Dialogs::OkOnly, Dialogs::NoIcon, {});
    f.dialogs.calls.removeLast();
    return QString::number(f.text()->selStart()) + QLatin1Char('+') +
           QString::number(f.text()->selLength());
}

} // namespace

void TestFind::dialogAsItOpens()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("MOV AX,1"));
    QVERIFY(d);
    QVERIFY(d->isVisible());
    QVERIFY(!d->isModal());
    QCOMPARE(d->parentWidget(), f.main.get());
    QCOMPARE(d->windowTitle(), QStringLiteral("查找"));
    QCOMPARE(d->Label1->text(), QStringLiteral("查找内容："));
    QCOMPARE(d->OptionY->text(), QStringLiteral("区分大小写"));
    QCOMPARE(d->OptionN->text(), QStringLiteral("不区分大小写"));
    QCOMPARE(d->Label2->text(), QStringLiteral(" 方 向 ："));
    QCOMPARE(d->Option1->text(), QStringLiteral("向   上"));
    QCOMPARE(d->Option2->text(), QStringLiteral("向   下"));
    QCOMPARE(d->find->text(), QStringLiteral("查 找 下 一 个"));
    QCOMPARE(d->cancel->text(), QStringLiteral(" 取     消"));
    QVERIFY(d->OptionY->isChecked());
    QVERIFY(!d->OptionN->isChecked());
    QVERIFY(!d->Option1->isChecked());
    QVERIFY(d->Option2->isChecked());
    QCOMPARE(d->Combo1->currentText(), QString());
    QCOMPARE(f.main->Findarea, QStringLiteral("MOV AX,1"));
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestFind::steps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("downward");
    QTest::addColumn<QStringList>("clicks");

    const QString end = QStringLiteral("已搜索到文见尾！|Korvane|");
    const QString start = QStringLiteral("已搜索到文见头！|Korvane|");
    QTest::newRow("downward twice, then the end")
        << "MOV MOV"
        << "MOV" << true << true << QStringList{"0+3", "4+3", end + "4+3", end + "4+3"};
    QTest::newRow("upward from the bottom, then the top")
        << "MOV MOV"
        << "MOV" << true << false << QStringList{"4+3", "0+3", start + "0+3"};
    QTest::newRow("match case passes over lower case")
        << "mov ax,1\r\nMOV BX,2"
        << "MOV" << true << true << QStringList{"10+3", end + "10+3"};
    QTest::newRow("ignore case finds lower case")
        << "mov ax,1\r\nMOV BX,2"
        << "MOV" << false << true << QStringList{"0+3", "10+3"};
    QTest::newRow("ignore case upward") << "mov ax,1\r\nMOV BX,2"
                                        << "Mov" << false << false << QStringList{"10+3", "0+3"};
    QTest::newRow("text longer than the document, downward")
        << "AB"
        << "ABC" << true << true << QStringList{end + "0+2"};
    QTest::newRow("text longer than the document, upward")
        << "AB"
        << "ABC" << true << false << QStringList{start + "0+2"};
    QTest::newRow("hits across lines count the line break as two")
        << "A\r\nA\r\nA"
        << "A" << true << true << QStringList{"0+1", "3+1", "6+1", end + "6+1"};
    QTest::newRow("Chinese text") << "DB '汇编',0 ;汇编"
                                  << "汇编" << true << true
                                  << QStringList{"4+2", "11+2", end + "11+2"};
}

void TestFind::steps()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(bool, matchCase);
    QFETCH(bool, downward);
    QFETCH(QStringList, clicks);

    MainFixture f;
    Formfind *d = openFind(f, text);
    typeInto(d, what);
    QTest::mouseClick(matchCase ? d->OptionY : d->OptionN, Qt::LeftButton);
    QTest::mouseClick(downward ? d->Option2 : d->Option1, Qt::LeftButton);
    QCOMPARE(d->OptionY->isChecked(), matchCase);
    QCOMPARE(d->Option2->isChecked(), downward);

    QStringList seen;
    for (qsizetype i = 0; i < clicks.size(); ++i)
        seen << click(f, d);
    QCOMPARE(seen, clicks);
    QCOMPARE(d->state.Findcount, int(clicks.size()));
    // Only a successful search is remembered.
    const bool anyHit = std::any_of(clicks.begin(), clicks.end(),
                                    [](const QString &c) { return !c.contains(QLatin1Char('|')); });
    QCOMPARE(d->state.Lastfind, anyHit ? what : QString());
}

void TestFind::emptySearchText()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("MOV"));
    QCOMPARE(click(f, d), QStringLiteral("请输入要查找的字符串。|Korvane|0+0"));
    QCOMPARE(d->state.Findcount, 0);
}

void TestFind::everyEntryOpensTheSameDialog_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("Edit menu") << "menufind";
    QTest::newRow("context menu") << "popfind";
    QTest::newRow("toolbar") << "查找";
    QTest::newRow("Ctrl+F") << "Ctrl+F";
}

void TestFind::everyEntryOpensTheSameDialog()
{
    QFETCH(QString, entry);
    MainFixture f;
    auto open = [&] {
        if (entry == QStringLiteral("查找"))
            QTest::mouseClick(f.main->tbToolBar->widgetForAction(f.main->button(entry)),
                              Qt::LeftButton);
        else if (entry == QStringLiteral("Ctrl+F"))
            QTest::keyClick(f.text(), Qt::Key_F, Qt::ControlModifier);
        else
            f.main->action(entry)->trigger();
    };
    f.text()->setText(QStringLiteral("one"));
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    open();
    Formfind *d = f.main->findDialog;
    QVERIFY(d);
    QVERIFY(d->isVisible());
    QCOMPARE(f.main->Findarea, QStringLiteral("one"));

    // Open again: the same dialog, brought forward with what it holds, and
    // Findarea taken afresh.
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("on"));
    f.text()->setText(QStringLiteral("two"));
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    open();
    QCOMPARE(f.main->findDialog, d);
    QCOMPARE(d->Combo1->currentText(), QStringLiteral("on"));
    QCOMPARE(f.main->Findarea, QStringLiteral("two"));
    QCOMPARE(f.main->findChildren<Formfind *>().size(), 1);
}

void TestFind::reopenedDialogRemembers()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("MOV MOV MOV"));
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("MOV"));
    QTest::mouseClick(d->Option1, Qt::LeftButton);
    QTest::mouseClick(d->Option2, Qt::LeftButton);
    QCOMPARE(click(f, d), QStringLiteral("0+3"));
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("X"));
    QTest::mouseClick(d->OptionN, Qt::LeftButton);
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    QVERIFY(!d->isVisible());

    f.main->action(QStringLiteral("menufind"))->trigger();
    QVERIFY(d->isVisible());
    // The last successful text, the options as the dialog starts, and the
    // next click continues from the selection instead of the top.
    QCOMPARE(d->Combo1->currentText(), QStringLiteral("MOV"));
    QVERIFY(d->OptionY->isChecked());
    QVERIFY(d->Option2->isChecked());
    QCOMPARE(click(f, d), QStringLiteral("4+3"));
    QCOMPARE(d->state.Findcount, 2);
}

void TestFind::enterInTheDialogFindsNext()
{
    MainFixture f;
    f.main->activateWindow();
    Formfind *d = openFind(f, QStringLiteral("AX BX AX"));
    QTRY_VERIFY(d->isActiveWindow());
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("AX"));
    QTest::keyClick(d->Combo1->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.text()->selStart(), 0);
    QCOMPARE(f.text()->selLength(), 2);
    QTest::keyClick(d->Combo1->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.text()->selStart(), 6);
    QCOMPARE(f.text()->selText(), QStringLiteral("AX"));
    // The keyboard stayed in the dialog, and Enter did not grow a list.
    QVERIFY(d->isActiveWindow());
    QVERIFY(d->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(d->Combo1->count(), 0);
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestFind::searchRunsOverTheCopyTakenAtFind()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("..MOV"));
    // An edit after Find was chosen is not seen: the hit is where it was.
    f.text()->setText(QStringLiteral("MOV.."));
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("MOV"));
    QCOMPARE(click(f, d), QStringLiteral("2+3"));

    // The selection goes to whichever document is active at the click, at the
    // place the hit has in the copy.
    RichText *first = f.text();
    f.main->Newdocument();
    QVERIFY(f.text() != first);
    f.text()->setText(QStringLiteral("abcdefgh"));
    f.text()->setSelStart(0);
    QCOMPARE(click(f, d), QStringLiteral("2+3"));
    QCOMPARE(f.text()->selText(), QStringLiteral("cde"));
    QCOMPARE(first->selStart(), 2);
    QCOMPARE(first->selLength(), 3);
}

void TestFind::withoutDocument()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("MOV"));
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("MOV"));
    f.dialogs.answerMsgBox(Dialogs::No);
    f.main->mnuFileClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.main->documents().isEmpty());
    f.dialogs.calls.clear();

    // A click with nothing to search in says so and counts for nothing.
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::mouseClick(d->find, Qt::LeftButton);
    QCOMPARE(f.dialogs.calls.size(), 1);
    QCOMPARE(f.dialogs.calls[0].text, QStringLiteral("没有查找对象!"));
    QCOMPARE(f.dialogs.calls[0].title, QStringLiteral("Having no find object"));
    QCOMPARE(d->state.Findcount, 0);

    // The Find command itself.
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    f.main->Findarea = QStringLiteral("kept");
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->action(QStringLiteral("menufind"))->trigger();
    QCOMPARE(f.dialogs.calls.size(), 2);
    QCOMPARE(f.dialogs.calls[1].text, QStringLiteral("没有查找对象!"));
    QCOMPARE(f.dialogs.calls[1].title, QStringLiteral("Having no find object"));
    QCOMPARE(f.dialogs.calls[1].buttons, int(Dialogs::OkOnly));
    QCOMPARE(f.main->Findarea, QStringLiteral("kept"));
    QVERIFY(!d->isVisible());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
