#include "editing/editingcontroller.h"
#include "editing/frmfind.h"
#include "mainfixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The find dialog over the active document, driven by clicks and keys.
class TestFind : public QObject
{
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
    void openedAgain_data();
    void openedAgain();
};

namespace {

// What one click did: the selection as "start+length", after "!" when a
// message was shown (each answered OK).
QString click(MainFixture &f, Formfind *dialog)
{
    const qsizetype before = f.dialogs.calls.size();
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QTest::mouseClick(dialog->find, Qt::LeftButton);
    return (f.dialogs.calls.size() > before ? QStringLiteral("!") : QString()) +
           (f.main->documents().isEmpty()
                ? QString()
                : QStringLiteral("%1+%2").arg(f.text()->selStart()).arg(f.text()->selLength()));
}

} // namespace

void TestFind::steps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("downward");
    QTest::addColumn<QString>("clicks");
    const auto row = [](const char *name, const char *text, const char *what, bool matchCase,
                        bool downward, const char *clicks) {
        QTest::newRow(name) << QString(text) << QString(what) << matchCase << downward
                            << QString(clicks);
    };
    row("downward twice, then the end", "MOV MOV", "MOV", true, true, "0+3 4+3 !4+3 !4+3");
    row("upward from the bottom, then the top", "MOV MOV", "MOV", true, false, "4+3 0+3 !0+3");
    row("match case passes over lower case", "mov ax,1\r\nMOV BX,2", "MOV", true, true,
        "10+3 !10+3");
    row("ignore case finds lower case, upward too", "mov ax,1\r\nMOV BX,2", "Mov", false, false,
        "10+3 0+3");
    row("hits across lines count the line break as two", "A\r\nA\r\nA", "A", true, true,
        "0+1 3+1 6+1 !6+1");
    row("overlapping hits", "aaa", "aa", true, true, "0+2 1+2 !1+2");
    row("text longer than the document", "ab", "abc", true, false, "!0+2");
    row("empty search text", "MOV", "", true, true, "!0+0");
    // The commands on the text do nothing then.
    row("no document", "", "MOV", true, true, "! !");
}

void TestFind::steps()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(bool, matchCase);
    QFETCH(bool, downward);
    QFETCH(QString, clicks);
    MainFixture f;
    f.text()->setText(text);
    f.main->action(QStringLiteral("menufind"))->trigger();
    Formfind *d = f.main->editing().findDialog;
    QTest::keyClicks(d->Combo1->lineEdit(), what);
    QTest::mouseClick(matchCase ? d->OptionY : d->OptionN, Qt::LeftButton);
    QTest::mouseClick(downward ? d->Option2 : d->Option1, Qt::LeftButton);
    if (text.isEmpty()) {
        f.dialogs.answerMsgBox(Dialogs::No);
        f.main->mnuFileClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.dialogs.answerMsgBox(Dialogs::Ok);
        for (const QString name :
             {"menufind", "mnucodecolor", "mnudimcolor", "mnubackcolor", "mnufont", "mnufontsize",
              "mnuUpLow", "mnuselectAll", "mnudelete", "mnurightgo"})
            f.main->action(name)->trigger();
    }
    QStringList seen;
    for (qsizetype i = clicks.count(u' '); i >= 0; --i)
        seen << click(f, d);
    QCOMPARE(seen.join(u' '), clicks);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestFind::openedAgain_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("downward");
    QTest::newRow("after a hit downward") << "NOP" << true;
    QTest::newRow("after a hit upward") << "AX" << false;
}

// Closed and opened again, the dialog offers the text last searched for.
void TestFind::openedAgain()
{
    QFETCH(QString, what);
    QFETCH(bool, downward);
    MainFixture f;
    f.text()->setText(QStringLiteral("MOV AX,1\r\nNOP"));
    f.main->action(QStringLiteral("menufind"))->trigger();
    Formfind *d = f.main->editing().findDialog;
    QTest::keyClicks(d->Combo1->lineEdit(), what);
    QTest::mouseClick(downward ? d->Option2 : d->Option1, Qt::LeftButton);
    QVERIFY(!click(f, d).startsWith(u'!'));
    QTest::mouseClick(d->cancel, Qt::LeftButton);
    QVERIFY(!d->isVisible());
    f.main->action(QStringLiteral("menufind"))->trigger();
    QVERIFY(d->isVisible());
    QCOMPARE(d->Combo1->currentText(), what);
    // A click finds it again at once.
    f.text()->setSelStart(0);
    QVERIFY(!click(f, d).startsWith(u'!'));
    QCOMPARE(f.text()->selText(), what);
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
