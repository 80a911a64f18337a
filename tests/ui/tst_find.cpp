#include "editing/frmfind.h"
#include "mainfixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

// The find dialog over the active document, driven by clicks and keys. The
// scan itself has its own unit tests.
class TestFind : public QObject
{
    Q_OBJECT
private slots:
    void dialogAndItsEntries();
    void steps_data();
    void steps();
    void reopenedDialogRemembersAndEnterFindsNext();
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

// What one click did: the message shown, if any, as "text|title|", then the
// selection as "start+length". Every message of the dialog is answered OK.
QString click(MainFixture &f, Formfind *dialog)
{
    const qsizetype before = f.dialogs.calls.size();
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::mouseClick(dialog->find, Qt::LeftButton);
    QString seen;
    if (f.dialogs.calls.size() > before)
        seen = f.dialogs.calls.last().text + u'|' + f.dialogs.calls.last().title + u'|';
    return seen + QString::number(f.text()->selStart()) + u'+' +
           QString::number(f.text()->selLength());
}

} // namespace

void TestFind::dialogAndItsEntries()
{
    MainFixture f;
    Formfind *d = openFind(f, QStringLiteral("MOV AX,1"));
    QVERIFY(d && d->isVisible() && !d->isModal());
    QCOMPARE(d->parentWidget(), f.main.get());
    const QStringList texts{d->windowTitle(),   d->Label1->text(), d->OptionY->text(),
                            d->OptionN->text(), d->Label2->text(), d->Option1->text(),
                            d->Option2->text(), d->find->text(),   d->cancel->text()};
    QCOMPARE(texts, QStringList({"查找", "查找内容：", "区分大小写", "不区分大小写", " 方 向 ：",
                                 "向   上", "向   下", "查 找 下 一 个", " 取     消"}));
    QVERIFY(d->OptionY->isChecked() && !d->OptionN->isChecked());
    QVERIFY(d->Option2->isChecked() && !d->Option1->isChecked());
    QCOMPARE(d->Combo1->currentText(), QString());
    QCOMPARE(f.main->Findarea, QStringLiteral("MOV AX,1"));
    QVERIFY(f.dialogs.calls.isEmpty());

    // Every other entry brings the same dialog forward with what it holds,
    // and takes Findarea afresh.
    QTest::keyClicks(d->Combo1->lineEdit(), QStringLiteral("on"));
    for (const QString entry : {"popfind", "toolbar", "Ctrl+F"}) {
        f.text()->setText(entry);
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
        if (entry == "toolbar")
            QTest::mouseClick(
                f.main->tbToolBar->widgetForAction(f.main->button(QStringLiteral("查找"))),
                Qt::LeftButton);
        else if (entry == "Ctrl+F")
            QTest::keyClick(f.text(), Qt::Key_F, Qt::ControlModifier);
        else
            f.main->action(entry)->trigger();
        QCOMPARE(f.main->Findarea, entry);
        QCOMPARE(f.main->findChildren<Formfind *>(), QList<Formfind *>{d});
        QCOMPARE(d->Combo1->currentText(), QStringLiteral("on"));
    }
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
    QTest::newRow("hits across lines count the line break as two")
        << "A\r\nA\r\nA"
        << "A" << true << true << QStringList{"0+1", "3+1", "6+1", end + "6+1"};
    QTest::newRow("empty search text")
        << "MOV"
        << "" << true << true << QStringList{"请输入要查找的字符串。|Korvane|0+0"};
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
    QTest::keyClicks(d->Combo1->lineEdit(), what);
    QTest::mouseClick(matchCase ? d->OptionY : d->OptionN, Qt::LeftButton);
    QTest::mouseClick(downward ? d->Option2 : d->Option1, Qt::LeftButton);

    QStringList seen;
    for (qsizetype i = 0; i < clicks.size(); ++i)
        seen << click(f, d);
    QCOMPARE(seen, clicks);
    QCOMPARE(d->state.Lastfind, what);
}

void TestFind::reopenedDialogRemembersAndEnterFindsNext()
{
    MainFixture f;
    f.main->activateWindow();
    Formfind *d = openFind(f, QStringLiteral("MOV MOV MOV"));
    QLineEdit *edit = d->Combo1->lineEdit();
    QTest::keyClicks(edit, QStringLiteral("MOV"));
    QTest::mouseClick(d->Option1, Qt::LeftButton);
    QTest::mouseClick(d->Option2, Qt::LeftButton);
    QCOMPARE(click(f, d), QStringLiteral("0+3"));
    QTest::keyClicks(edit, QStringLiteral("X"));
    QTest::mouseClick(d->OptionN, Qt::LeftButton);
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    QVERIFY(!d->isVisible());

    // The last successful text and the options as the dialog starts.
    f.main->action(QStringLiteral("menufind"))->trigger();
    QVERIFY(d->isVisible());
    QCOMPARE(d->Combo1->currentText(), QStringLiteral("MOV"));
    QVERIFY(d->OptionY->isChecked() && d->Option2->isChecked());
    // Enter finds the next, from the selection rather than the top; the
    // keyboard stays in the dialog, and Enter grows no list.
    QTRY_VERIFY(d->isActiveWindow());
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.text()->selStart(), 4);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.text()->selStart(), 8);
    QCOMPARE(f.text()->selText(), QStringLiteral("MOV"));
    QVERIFY(d->isActiveWindow());
    QVERIFY(d->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(d->Combo1->count(), 0);
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
    f.text()->setText(QStringLiteral("abcdefgh"));
    f.text()->setSelStart(0);
    QCOMPARE(click(f, d), QStringLiteral("2+3"));
    QVERIFY(f.text() != first);
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

    // A click with nothing to search in says so and counts for nothing; so
    // does the Find command itself, which leaves the copy as it was.
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::mouseClick(d->find, Qt::LeftButton);
    QCOMPARE(d->state.Findcount, 0);
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    f.main->Findarea = QStringLiteral("kept");
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->action(QStringLiteral("menufind"))->trigger();
    QCOMPARE(f.dialogs.calls.size(), 2);
    for (const FakeDialogs::Call &call : f.dialogs.calls) {
        QCOMPARE(call.text, QStringLiteral("没有查找对象!"));
        QCOMPARE(call.title, QStringLiteral("Having no find object"));
        QCOMPARE(call.buttons, int(Dialogs::OkOnly));
    }
    QCOMPARE(f.main->Findarea, QStringLiteral("kept"));
    QVERIFY(!d->isVisible());
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
