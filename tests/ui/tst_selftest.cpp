#include "debugged.h"
#include "debugging/debugcontroller.h"
#include "realtools.h"
#include "selftest/selftestcontroller.h"
#include "selftest/selftestwindow.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

// 运行 → 自测 as a student meets it: first without a test file, then with
// one chosen, a failing case's difference, and its keys in the debugger.
class TestSelfTest : public QObject
{
    Q_OBJECT
private slots:
    void failingCaseToTheDebugger();
};

namespace {

// Reads a digit key and prints that many stars, less one: a student's slip.
const char kStars[] = "data segment\r\n"
                      "count dw 0\r\n"
                      "data ends\r\n"
                      "code segment\r\n"
                      "assume cs:code, ds:data\r\n"
                      "start: mov ax, data\r\n" // 6
                      "    mov ds, ax\r\n"
                      "    mov ah, 1\r\n"
                      "    int 21h\r\n"     // 9
                      "    sub al, '1'\r\n" // 10
                      "    mov ah, 0\r\n"
                      "    mov count, ax\r\n"
                      "    mov cx, ax\r\n"
                      "    mov dl, 13\r\n"
                      "    mov ah, 2\r\n"
                      "    int 21h\r\n"
                      "    mov dl, 10\r\n"
                      "    int 21h\r\n"
                      "    jcxz done\r\n"
                      "again: mov dl, '*'\r\n"
                      "    int 21h\r\n"
                      "    loop again\r\n"
                      "done: mov ax, 4c00h\r\n"
                      "    int 21h\r\n"
                      "code ends\r\n"
                      "end start\r\n";

const char kTests[] = "title = \"星号\"\n"
                      "[[case]]\nname = \"一颗\"\nkeys = \"1\"\noutput = \"1\\n\"\n"
                      "[[case]]\nname = \"三颗\"\nkeys = \"3\"\noutput = \"3\\n***\"\n";

} // namespace

void TestSelfTest::failingCaseToTheDebugger()
{
    REQUIRE_REAL_TOOLS();
    Debugged d(QString::fromLatin1(kStars));
    const QString tests = d.f.path("stars.toml");
    QVERIFY(writeFile(tests, kTests));
    QAction *selfTest = d.f.main->findChild<QAction *>("mnuselftest");
    QVERIFY(selfTest);

    // An unsaved document has no test file beside it: the student is told
    // where one belongs, and may choose one.
    d.f.dialogs.answerMsgBox(Dialogs::No);
    selfTest->trigger();
    QCOMPARE(d.f.dialogs.callsOf("msgBox").size(), 1);
    QVERIFY(d.f.dialogs.callsOf("msgBox").first().text.contains(".toml"));
    QVERIFY(!d.f.main->selfTest().window());

    d.f.dialogs.answerMsgBox(Dialogs::Yes);
    d.f.dialogs.answerOpen(tests);
    selfTest->trigger();
    QTRY_VERIFY(d.f.main->selfTest().window());
    SelfTestWindow *w = d.f.main->selfTest().window();
    auto *summary = w->findChild<QLabel *>("summary");
    QTRY_VERIFY_WITH_TIMEOUT(summary->text().contains("得分"), 60000);
    auto *cases = w->findChild<QTreeWidget *>("cases");
    QCOMPARE(cases->topLevelItem(0)->text(1), QStringLiteral("通过"));
    QCOMPARE(cases->topLevelItem(1)->text(1), QStringLiteral("输出不符"));
    // The failure is shown first, expected beside actual.
    QCOMPARE(cases->currentItem(), cases->topLevelItem(1));
    QCOMPARE(w->findChild<QPlainTextEdit *>("expected")->toPlainText(), QStringLiteral("3\n***"));
    QCOMPARE(w->findChild<QPlainTextEdit *>("actual")->toPlainText(), QStringLiteral("3\n**"));

    // Chosen once: the next run asks nothing.
    const int asked = d.f.dialogs.calls.size();
    w->findChild<QPushButton *>("runAgain")->click();
    QTRY_VERIFY_WITH_TIMEOUT(summary->text().contains("得分"), 60000);
    QCOMPARE(d.f.dialogs.calls.size(), asked);

    // The failing case to the debugger: its key is waiting for the program.
    emit cases->itemActivated(cases->topLevelItem(1), 0);
    QVERIFY(!w->isVisible()); // out of the way of the debugger's panels
    QTRY_VERIFY_WITH_TIMEOUT(d.session() && d.current() == 6, 60000);
    for (int i = 0; i < 4; ++i)
        QVERIFY(stepWith(d, Qt::Key_F10));
    QCOMPARE(d.current(), 10);
    QCOMPARE(d.registers().ax & 0xFF, '3');
    QVERIFY(d.f.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestSelfTest)
#include "tst_selftest.moc"
