#include "app/colors.h"
#include "documents/skeleton.h"
#include "mainfixture.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void saveWritesNewDocumentWithoutDialog();
    void saveOfBareNewNameAsks();
    void openWithoutDocumentMakesOne();
    void openColoursCommentsOnly();
    void openFailuresKeepTheDocument_data();
    void openFailuresKeepTheDocument();
    void saveAsRecordsCancel();
    void closeWithNothingOpen();
    void encodingsSurviveOpenAndSave_data();
    void encodingsSurviveOpenAndSave();
    void unencodableTextFallsBackToUtf8();
    void printsSelectionOrWholeText_data();
    void printsSelectionOrWholeText();
    void pageSetupUsesNothing();
};

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void TestFileCommands::saveWritesNewDocumentWithoutDialog()
{
    MainFixture f;
    const QString target = f.path(QStringLiteral("VaDid1.asm"));
    writeFile(target, "left from an earlier run, longer than the new text will be......");
    f.main->mnuFileSave();
    const QByteArray bytes = fileBytes(target);
    QCOMPARE(bytes.size(), 870);
    QCOMPARE(QString::fromUtf8(bytes), programSkeleton() + QStringLiteral("\r\n"));
    QCOMPARE(f.main->Lastsaved, target);
    QVERIFY(f.dialogs.calls.isEmpty());
}

void TestFileCommands::saveOfBareNewNameAsks()
{
    MainFixture f;
    f.doc()->setCaption(QStringLiteral("VaDid1.asm"));
    const QString target = f.path(QStringLiteral("chosen.asm"));
    f.dialogs.answerSave(target);
    f.main->mnuFileSave();
    const auto saves = f.dialogs.callsOf(QStringLiteral("save"));
    QCOMPARE(saves.size(), 1);
    QCOMPARE(saves[0].title, QStringLiteral("保存"));
    QCOMPARE(saves[0].fileName, QStringLiteral("VaDid1.asm"));
    QCOMPARE(fileBytes(target).size(), 870);
    QCOMPARE(f.main->Lastsaved, target);
    QCOMPARE(f.doc()->caption(), QStringLiteral("VaDid1.asm"));
}

void TestFileCommands::openWithoutDocumentMakesOne()
{
    MainFixture f;
    f.dialogs.answerMsgBox(Dialogs::No);
    f.main->mnuFileClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.main->documents().isEmpty());

    const QString path = f.path(QStringLiteral("prog.asm"));
    writeFile(path, "MOV AX,BX\r\nNOP ;last line, no break");
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    QCOMPARE(f.main->Doccount, 2);
    QCOMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.doc()->caption(), path);
    QCOMPARE(f.text()->text(), QStringLiteral("MOV AX,BX\r\nNOP ;last line, no break"));
    const auto opens = f.dialogs.callsOf(QStringLiteral("open"));
    QCOMPARE(opens[0].title, QStringLiteral("打开"));
    QCOMPARE(opens[0].filter,
             QStringLiteral("汇编源程序(*.asm)|*.asm|文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*"));
    // The comment on the last line, which has no line break, is coloured too.
    const int semi = f.text()->text().indexOf(QLatin1Char(';'));
    QCOMPARE(charColor(f.text(), semi), toQColor(f.main->Remcolor));
    QCOMPARE(charColor(f.text(), f.text()->textLength() - 1), toQColor(f.main->Remcolor));
    QCOMPARE(f.text()->selStart(), f.text()->textLength());
    QVERIFY(f.doc()->statusText().startsWith(QStringLiteral("位置 ：     行  2")));
}

void TestFileCommands::openColoursCommentsOnly()
{
    MainFixture f;
    f.text()->setText(QStringLiteral("unsaved edits"));
    f.main->Fcolor = RGB(200, 0, 0);
    const QString path = f.path(QStringLiteral("a.asm"));
    writeFile(path, "MOV AX,1 ;one\r\n");
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    QCOMPARE(f.text()->text(), QStringLiteral("MOV AX,1 ;one\r\n"));
    // No code colour until the next recolouring.
    QVERIFY(charColor(f.text(), 0) != toQColor(RGB(200, 0, 0)));
    QCOMPARE(charColor(f.text(), 9), toQColor(f.main->Remcolor));
    QCOMPARE(f.main->Currentfcolor, RGB(100, 0, 255));
}

void TestFileCommands::openFailuresKeepTheDocument_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("dialog cancelled") << "";
    QTest::newRow("file cannot be read") << "missing/none.asm";
}

void TestFileCommands::openFailuresKeepTheDocument()
{
    QFETCH(QString, answer);
    MainFixture f;
    const QString caption = f.doc()->caption();
    f.dialogs.answerOpen(answer.isEmpty() ? answer : f.path(answer));
    f.main->mnuFileOpen();
    QCOMPARE(f.doc()->caption(), caption);
    QCOMPARE(f.text()->text(), programSkeleton());
    QVERIFY(f.dialogs.callsOf(QStringLiteral("msgBox")).isEmpty());
}

void TestFileCommands::saveAsRecordsCancel()
{
    MainFixture f;
    f.dialogs.answerSave(QString());
    f.main->mnuFileSaveAs();
    QVERIFY(f.main->Saveascancel);
    QCOMPARE(f.dialogs.calls.last().title, QStringLiteral("另存为"));

    const QString target = f.path(QStringLiteral("other.asm"));
    f.dialogs.answerSave(target);
    f.main->mnuFileSaveAs();
    QVERIFY(!f.main->Saveascancel);
    QCOMPARE(f.doc()->caption(), target);
    QCOMPARE(f.main->Lastsaved, target);
    QCOMPARE(fileBytes(target).size(), 870);

    // A failed write counts as a cancel; the caption has already changed.
    const QString bad = f.path(QStringLiteral("no-such-folder/x.asm"));
    f.dialogs.answerSave(bad);
    f.main->mnuFileSaveAs();
    QVERIFY(f.main->Saveascancel);
    QCOMPARE(f.doc()->caption(), bad);
    QCOMPARE(f.main->Lastsaved, target);
}

void TestFileCommands::closeWithNothingOpen()
{
    MainFixture f;
    f.dialogs.answerMsgBox(Dialogs::No);
    f.main->mnuFileClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileClose();
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[1].text, QStringLiteral("所有文件已关闭"));
    QCOMPARE(boxes[1].title, QStringLiteral("已关闭"));
    QCOMPARE(boxes[1].buttons, int(Dialogs::OkOnly));
    QCOMPARE(boxes[1].icon, int(Dialogs::NoIcon));
}

void TestFileCommands::encodingsSurviveOpenAndSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    // "汇编" in GBK is BB E3 B1 E0, in UTF-8 E6 B1 87 E7 BC 96.
    QTest::newRow("GBK") << QByteArray("MOV AX,1 ;\xBB\xE3\xB1\xE0\r\nNOP")
                         << QStringLiteral("MOV AX,1 ;\u6C47\u7F16\r\nNOP");
    QTest::newRow("UTF-8") << QByteArray("MOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\nNOP")
                           << QStringLiteral("MOV AX,1 ;\u6C47\u7F16\r\nNOP");
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBFMOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\n")
        << QStringLiteral("MOV AX,1 ;\u6C47\u7F16\r\n");
    QTest::newRow("ASCII") << QByteArray("MOV AX,1 ;plain\r\n\r\nEND\r\n")
                           << QStringLiteral("MOV AX,1 ;plain\r\n\r\nEND\r\n");
}

void TestFileCommands::encodingsSurviveOpenAndSave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    MainFixture f;
    const QString path = f.path(QStringLiteral("src.asm"));
    writeFile(path, bytes);
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    QCOMPARE(f.text()->text(), text);
    f.main->mnuFileSave();
    QCOMPARE(fileBytes(path), bytes + "\r\n");
    QVERIFY(f.dialogs.callsOf(QStringLiteral("msgBox")).isEmpty());
}

void TestFileCommands::unencodableTextFallsBackToUtf8()
{
    MainFixture f;
    const QString path = f.path(QStringLiteral("latin.asm"));
    f.doc()->encoding = {QStringLiteral("ISO-8859-1"), false};
    f.text()->setText(QStringLiteral("; \u6C47"));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    QVERIFY(f.main->Savefile(path));
    QCOMPARE(fileBytes(path), QByteArray("; \xE6\xB1\x87\r\n"));
    QCOMPARE(f.doc()->encoding.name, QStringLiteral("UTF-8"));
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].text.contains(QStringLiteral("UTF-8")));
    QVERIFY(boxes[0].text.contains(path));
}

void TestFileCommands::printsSelectionOrWholeText_data()
{
    QTest::addColumn<bool>("select");
    QTest::newRow("nothing selected: the whole text") << false;
    QTest::newRow("a selection: only the selection") << true;
}

void TestFileCommands::printsSelectionOrWholeText()
{
    QFETCH(bool, select);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    MainFixture f;
    f.text()->setText(QStringLiteral("FIRSTLINE ;one\r\nSECONDLINE\r\nTHIRDLINE\r\n"));
    if (select) {
        f.text()->setSelStart(16);
        f.text()->setSelLength(10);
    }
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    f.dialogs.answerPrint(true, [pdf](QPrinter &p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    });
    f.main->mnuFilePrint();
    const auto prints = f.dialogs.callsOf(QStringLiteral("print"));
    QCOMPARE(prints.size(), 1);
    QCOMPARE(prints[0].title, QStringLiteral("Print"));
    QCOMPARE(prints[0].selectionPreset, select);

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(30000));
    const QString printed = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY(printed.contains(QStringLiteral("SECONDLINE")));
    QCOMPARE(printed.contains(QStringLiteral("FIRSTLINE")), !select);
    QCOMPARE(printed.contains(QStringLiteral("THIRDLINE")), !select);
}

void TestFileCommands::pageSetupUsesNothing()
{
    MainFixture f;
    f.dialogs.answerPrint(true);
    f.main->mnuFilePageSetup();
    const auto prints = f.dialogs.callsOf(QStringLiteral("print"));
    QCOMPARE(prints.size(), 1);
    QCOMPARE(prints[0].title, QStringLiteral("页面设置"));
    QCOMPARE(f.text()->text(), programSkeleton());
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
