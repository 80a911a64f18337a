#include "toolchain/toolchaincontroller.h"
#include "documents/documentscontroller.h"
#include "documents/diagnosticstrip.h"
#include "help/frmmessages.h"
#include "mainfixture.h"
#include "toolchain/frmreport.h"
#include "rules/messageexplanations.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolTip>

// Where the student meets the explanations of the tools' messages: the
// report, the marks' tooltips, the status line, the help page, the linker's
// message box; and the hints marked while typing.
class TestMessages : public QObject
{
    Q_OBJECT
private slots:
    void reportExplainsEachMessage();
    void markTellsItsExplanation();
    void helpPageFromTheMenu();
    void linkerMessageBoxExplains();
    void typedMistakesAreHinted_data();
    void typedMistakesAreHinted();
};

static void putTools(MainFixture &f)
{
    for (const char *tool : {"masm.exe", "link.exe"})
        QVERIFY(writeFile(f.path(tool), "tool"));
    f.main->documentsControl().Lastsaved = f.toolFolder() + "Temp_F.asm";
    f.main->toolchain().Basename = "Temp_F";
}

static FakeLauncher::Script writes(const QString &name, const QByteArray &bytes)
{
    FakeLauncher::Script s;
    s.files << std::make_pair(name, bytes);
    return s;
}

// An assembly whose listing holds the real MASM's words for these lines.
static void assemble(MainFixture &f, const QByteArray &diagnostics)
{
    putTools(f);
    f.launcher.setScript("masm.exe", writes("TEMP_F.LST", diagnostics));
    f.main->mnucompile();
    QTRY_VERIFY_WITH_TIMEOUT(f.main->findChildren<ToolWait *>().isEmpty(), 20000);
    QVERIFY(shownReport(f));
}

static const QByteArray kTwo = "Temp_F.asm(3): error A2009: Symbol not defined: CNTX\r\n"
                               "Temp_F.asm(5): warning A4031: Operand types must match\r\n";

static QString skeleton()
{
    return QString("DATA SEGMENT\r\nCOUNT DW 5\r\nDATA ENDS\r\nCODE SEGMENT\r\n"
                   "ASSUME CS:CODE,DS:DATA\r\nSTART: MOV CX,CNTX\r\nMOV AH,4CH\r\n"
                   "INT 21H\r\nCODE ENDS\r\nEND START");
}

void TestMessages::reportExplainsEachMessage()
{
    MainFixture f;
    f.text()->setText(skeleton());
    assemble(f, kTwo);
    FrmReport *report = shownReport(f);
    const QStringList lines = report->RichText->text().split("\r\n");
    // The tool's line as it printed it, its explanation under it, with the
    // student's own name.
    const qsizetype at = lines.indexOf("    Temp_F.asm(3): error A2009: Symbol not defined: CNTX");
    QVERIFY2(at > 0, qPrintable(lines.join('\n')));
    QCOMPARE(lines[at + 1], "      → 符号 CNTX 没有定义。");
    QVERIFY(
        lines[at + 3].contains("怎么改：符号 CNTX 没有定义：检查拼写，或者它是否定义在另一个段中"));
    QVERIFY(lines.contains("    Temp_F.asm(5): warning A4031: Operand types must match"));
    // Green under the blue of the tool's line.
    const int explained =
        int(report->RichText->document()->findBlockByNumber(int(at + 1)).position());
    QTextCursor c(report->RichText->document());
    c.setPosition(explained + 8);
    QCOMPARE(c.charFormat().foreground().color(), QColor(0, 110, 0));
    c.setPosition(report->RichText->document()->findBlockByNumber(int(at)).position() + 8);
    QCOMPARE(c.charFormat().foreground().color(), QColor(0, 0, 255));

    // A click on the code opens the page of all messages at its entry.
    const ExplainedText::Span span = report->codeSpans().value(1);
    QCOMPARE(span.code, "A4031");
    QTextCursor onCode(report->RichText->document()->findBlockByNumber(span.line));
    onCode.setPosition(onCode.position() + span.start + 2);
    QTest::mouseClick(report->RichText->viewport(), Qt::LeftButton, {},
                      report->RichText->cursorRect(onCode).center());
    auto *page = f.main->findChild<FrmMessages *>();
    QVERIFY(page && page->isVisible());
    QTRY_VERIFY(page->Browser->verticalScrollBar()->value() > 0);
    const QString top = page->Browser->cursorForPosition(QPoint(10, 10)).block().text();
    QVERIFY2(top.startsWith("A4031"), qPrintable(top));
}

// Sends a tooltip request to the strip beside a line, returns what it shows.
static QString tooltipBeside(MainFixture &f, int line)
{
    QTextCursor c(f.text()->document()->findBlockByNumber(line - 1));
    const QPoint inText = f.text()->cursorRect(c).center();
    DiagnosticStrip *strip = f.doc()->Strip;
    const QPoint pos(strip->width() / 2,
                     strip->mapFrom(f.doc(), f.text()->viewport()->mapTo(f.doc(), inText)).y());
    QHelpEvent help(QEvent::ToolTip, pos, strip->mapToGlobal(pos));
    QApplication::sendEvent(strip, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void TestMessages::markTellsItsExplanation()
{
    MainFixture f;
    f.text()->setText(skeleton());
    assemble(f, kTwo);
    const QString tip = tooltipBeside(f, 3);
    QVERIFY2(tip.contains("Temp_F.asm(3): error A2009: Symbol not defined: CNTX") &&
                 tip.contains("符号 CNTX 没有定义") && tip.contains("MOV CX,COUNT"),
             qPrintable(tip));
    // F6 goes to each mark; the status line says what it means.
    auto *shown = f.doc()->findChild<QLabel *>("MarkExplanation");
    QVERIFY(shown && f.doc()->Strip->markText().isEmpty());
    f.text()->setSelStart(0);
    press(f, Qt::Key_F6);
    QCOMPARE(f.text()->caretLine(), 3);
    QCOMPARE(f.doc()->Strip->markText(), "A2009：符号 CNTX 没有定义。");
    QVERIFY(shown->isVisible());
    press(f, Qt::Key_F6);
    QCOMPARE(f.doc()->Strip->markText(), "A4031：两个操作数的类型（长度）不一致。");
    // Off the marks it says nothing.
    f.text()->setSelStart(0);
    QVERIFY(f.doc()->Strip->markText().isEmpty() && !shown->isVisible());
}

void TestMessages::helpPageFromTheMenu()
{
    MainFixture f;
    // The Help menu keeps its items; the page comes last, after a separator.
    const QList<QAction *> items = f.main->findChild<QMenu *>("mnuHelp")->actions();
    QCOMPARE(items.last()->objectName(), "mnuHelpMessages");
    QCOMPARE(items.last()->text(), "汇编与连接信息说明(&M)");
    QVERIFY(items[items.size() - 2]->isSeparator());
    QCOMPARE(items[items.size() - 3]->objectName(), "mnuHelpGuide");
    items.last()->trigger();
    auto *page = f.main->findChild<FrmMessages *>();
    QVERIFY(page && page->isVisible() && !page->isModal());
    QCOMPARE(page->windowTitle(), "汇编与连接信息说明");
    QCOMPARE(page->Browser->verticalScrollBar()->value(), 0);
    // Every message is there by its code, its names said in general words.
    const QString text = page->Browser->toPlainText();
    for (const MessageEntry &e : MessageExplanations::shipped().entries())
        QVERIFY2(
            text.contains(e.code.isEmpty() ? e.text.section('\n', 0, 0) : "\n" + e.code + "  "),
            qPrintable(e.code + e.text));
    QVERIFY(text.contains("符号 〈符号名〉 没有定义。"));
}

void TestMessages::linkerMessageBoxExplains()
{
    MainFixture f;
    putTools(f);
    // After a failed assembly there is no object file to link.
    f.launcher.setScript("link.exe",
                         writes("LINKMSG.TXT",
                                "Microsoft (R) Overlay Linker  Version 3.65\r\n\r\n"
                                "LINK : fatal error L1093: TEMP_F.OBJ : object not found\r\n"));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnulink();
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.callsOf("msgBox").size(), 2, 20000);
    const QString said = f.dialogs.callsOf("msgBox").last().text;
    QVERIFY2(said.contains("LINK : fatal error L1093: TEMP_F.OBJ : object not found\r\n"
                           "  → 找不到目标文件 TEMP_F.OBJ。\r\n") &&
                 said.contains("先编译并确认"),
             qPrintable(said));
}

void TestMessages::typedMistakesAreHinted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("says");
    QTest::newRow("no END") << QString(skeleton()).remove("\r\nEND START") << 9
                            << "没有 END 伪指令";
    QTest::newRow("segment into DS")
        << QString(skeleton()).replace("START: MOV CX,CNTX", "START: MOV DS,DATA") << 6
        << "先 MOV AX,DATA，再 MOV DS,AX";
}

// While the student types: a blue mark of its own; an assembler's mark on the
// same line stays, and the tooltip tells both.
void TestMessages::typedMistakesAreHinted()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(QString, says);
    MainFixture f;
    f.main->Show();
    f.text()->setText(text);
    QTRY_COMPARE(f.doc()->Strip->sourceHintMarks().size(), 1);
    QCOMPARE(f.doc()->Strip->sourceHintMarks()[0].line, line);
    auto colourBeside = [&f](int at) {
        const QImage shown = f.doc()->Strip->grab().toImage();
        QTextCursor c(f.text()->document()->findBlockByNumber(at - 1));
        const int y =
            f.doc()
                ->Strip
                ->mapFrom(f.doc(),
                          f.text()->viewport()->mapTo(f.doc(), f.text()->cursorRect(c).center()))
                .y();
        return shown.pixelColor(shown.width() / 2 + 2, y);
    };
    QColor mark = colourBeside(line);
    QVERIFY2(mark.blue() > 150 && mark.red() < 120, qPrintable(mark.name()));
    QVERIFY(tooltipBeside(f, line).contains(says));

    f.doc()->Strip->setDiagnostics(
        {{line, Diagnostic::Error,
          QString("t.asm(%1): error A2056: Immediate mode illegal").arg(line), "t.asm"}},
        "编译失败（1 个错误，0 个警告）：没有生成目标文件");
    mark = colourBeside(line);
    QVERIFY2(mark.red() > 180 && mark.blue() < 120, qPrintable(mark.name()));
    QCOMPARE(f.doc()->Strip->marks().size(), 1);
    const QString tip = tooltipBeside(f, line);
    QVERIFY2(tip.contains("A2056") && tip.contains("提示：") && tip.contains(says),
             qPrintable(tip));
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
