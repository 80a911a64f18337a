#include "app/colors.h"
#include "documents/skeleton.h"
#include "mainfixture.h"
#include "scratchmounts.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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
    void openThenSaveKeepsEveryByte_data();
    void openThenSaveKeepsEveryByte();
    void randomBytesComeBackUnchanged();
    void failedSaveIsTold_data();
    void failedSaveIsTold();
    void saveKeepsTheFile_data();
    void saveKeepsTheFile();
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
    // The file's last line break is the one that saving adds back.
    QCOMPARE(f.text()->text(), QStringLiteral("MOV AX,1 ;one"));
    // No code colour until the next recolouring.
    QVERIFY(charColor(f.text(), 0) != toQColor(RGB(200, 0, 0)));
    QCOMPARE(charColor(f.text(), 9), toQColor(f.main->Remcolor));
    QCOMPARE(f.main->Currentfcolor, RGB(100, 0, 255));
}

void TestFileCommands::openFailuresKeepTheDocument_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("told");
    QTest::newRow("dialog cancelled") << "" << false;
    QTest::newRow("file cannot be read") << "missing/none.asm" << false;
    // Refused with a message, without waiting for a writer that never comes.
    QTest::newRow("a FIFO") << "pipe.asm" << true;
}

void TestFileCommands::openFailuresKeepTheDocument()
{
    QFETCH(QString, answer);
    QFETCH(bool, told);
    MainFixture f;
    const QString caption = f.doc()->caption();
    const QString path = answer.isEmpty() ? answer : f.path(answer);
    if (told)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    f.dialogs.answerOpen(path);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileOpen();
    QCOMPARE(f.doc()->caption(), caption);
    QCOMPARE(f.text()->text(), programSkeleton());
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), told ? 1 : 0);
    if (told)
        QVERIFY(boxes[0].text.contains(path));
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

    // A failed write counts as a cancel, is told, and leaves the caption on
    // the file that holds the text.
    const QString bad = f.path(QStringLiteral("no-such-folder/x.asm"));
    f.dialogs.answerSave(bad);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileSaveAs();
    QVERIFY(f.main->Saveascancel);
    QCOMPARE(f.doc()->caption(), target);
    QCOMPARE(f.main->Lastsaved, target);
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].text.contains(bad));
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

static QByteArray utf16(const QString &text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

void TestFileCommands::openThenSaveKeepsEveryByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // what the window shows; not checked when empty
    QTest::addColumn<bool>("told");    // a message says some bytes are not text
    QTest::addColumn<QByteArray>("added");
    const QString hui = QStringLiteral("MOV AX,1 ;\u6C47\u7F16");
    // "汇编" in GBK is BB E3 B1 E0, in UTF-8 E6 B1 87 E7 BC 96.
    QTest::newRow("GBK, no line break at the end")
        << QByteArray("MOV AX,1 ;\xBB\xE3\xB1\xE0\r\nNOP") << hui + QStringLiteral("\r\nNOP")
        << false << QByteArray("\r\n");
    QTest::newRow("UTF-8, no line break at the end")
        << QByteArray("MOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\nNOP")
        << hui + QStringLiteral("\r\nNOP") << false << QByteArray("\r\n");
    QTest::newRow("UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBFMOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\n") << hui << false
        << QByteArray();
    QTest::newRow("ASCII ending in two line breaks")
        << QByteArray("MOV AX,1 ;plain\r\n\r\nEND\r\n\r\n")
        << QStringLiteral("MOV AX,1 ;plain\r\n\r\nEND\r\n") << false << QByteArray();
    QTest::newRow("UTF-16 little-endian with its mark")
        << utf16(hui + QStringLiteral("\r\n"), QStringEncoder::Utf16LE) << hui << false
        << QByteArray();
    QTest::newRow("UTF-16 big-endian with its mark")
        << utf16(hui + QStringLiteral("\r\n"), QStringEncoder::Utf16BE) << hui << false
        << QByteArray();
    QTest::newRow("lines ending in LF alone")
        << QByteArray("MOV AX,1\nNOP\n") << QStringLiteral("MOV AX,1\r\nNOP") << false
        << QByteArray();
    QTest::newRow("Latin-1") << QByteArray("; caf\xE9\r\n") << QString() << true << QByteArray();
    QTest::newRow("mixed line breaks")
        << QByteArray("A\r\nB\nC\rD\r\n") << QString() << true << QByteArray();
    QByteArray binary(20000, '\0');
    QRandomGenerator random(20000);
    for (char &c : binary)
        c = char(random.bounded(256));
    binary += "\r\n";
    QTest::newRow("a binary opened by mistake") << binary << QString() << true << QByteArray();
}

void TestFileCommands::openThenSaveKeepsEveryByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, told);
    QFETCH(QByteArray, added);
    MainFixture f;
    const QString path = f.path(QStringLiteral("src.asm"));
    writeFile(path, bytes);
    f.dialogs.answerOpen(path);
    if (told)
        f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileOpen();
    if (!text.isEmpty())
        QCOMPARE(f.text()->text(), text);
    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), told ? 1 : 0);
    if (told)
        QVERIFY(boxes[0].text.contains(path));
    f.main->mnuFileSave();
    QCOMPARE(fileBytes(path), bytes + added);
    // Saving again adds nothing.
    f.main->mnuFileSave();
    QCOMPARE(fileBytes(path), bytes + added);
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("msgBox")).size(), told ? 1 : 0);
}

void TestFileCommands::randomBytesComeBackUnchanged()
{
    MainFixture f;
    // Each save waits for the disk; a memory file system, where there is one,
    // keeps the thousands of them quick.
    ScratchMounts mounts;
    const QString folder = f.path(QStringLiteral("memory"));
    QVERIFY(QDir().mkdir(folder));
    mounts.tmpfs(folder, QStringLiteral("size=1m"));
    const QString path = folder + QStringLiteral("/random.asm");
    QRandomGenerator random(1010);
    const QByteArray starts[] = {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
    for (int round = 0; round < 2000; ++round) {
        // Line breaks and high bytes are frequent, where the decoding is hard.
        QByteArray bytes = starts[random.bounded(8) < 5 ? 0 : random.bounded(4)];
        const int size = int(random.bounded(40));
        for (int i = 0; i < size; ++i) {
            const int kind = int(random.bounded(10));
            bytes += kind < 2   ? char("\r\n"[random.bounded(2)])
                     : kind < 5 ? char(0x20 + random.bounded(0x5F))
                                : char(random.bounded(256));
        }
        writeFile(path, bytes);
        f.dialogs.answerOpen(path);
        f.main->mnuFileOpen();
        f.main->mnuFileSave();
        const QByteArray saved = fileBytes(path);
        // At most the one line break that saving adds to a text without one.
        QVERIFY2(saved.startsWith(bytes) && saved.size() - bytes.size() <= 4,
                 bytes.toHex(' ').constData());
        // A UTF-16 mark followed by an odd number of bytes is not UTF-16 text;
        // the added line break can make it so, and the file then reads anew.
        const bool utf16Mark = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
        if (bytes.endsWith("\r\n") && !utf16Mark)
            QVERIFY2(saved == bytes, bytes.toHex(' ').constData());
        if (utf16Mark)
            continue;
        f.dialogs.answerOpen(path);
        f.main->mnuFileOpen();
        f.main->mnuFileSave();
        QVERIFY2(fileBytes(path) == saved, bytes.toHex(' ').constData());
    }
}

static QString kindOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("none");
    return S_ISREG(st.st_mode)    ? QStringLiteral("file")
           : S_ISFIFO(st.st_mode) ? QStringLiteral("fifo")
           : S_ISCHR(st.st_mode)  ? QStringLiteral("device")
                                  : QStringLiteral("other");
}

void TestFileCommands::failedSaveIsTold_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder that does not exist") << "missing";
    QTest::newRow("file without write permission") << "read-only";
    QTest::newRow("full disk") << "full";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("symbolic link to a FIFO") << "link to fifo";
    QTest::newRow("device node") << "device";
}

void TestFileCommands::failedSaveIsTold()
{
    QFETCH(QString, target);
    MainFixture f;
    ScratchMounts mounts;
    const QByteArray before = "the work as it was\r\n";
    QString path = f.path(QStringLiteral("prog.asm"));
    if (target == QLatin1String("missing")) {
        path = f.path(QStringLiteral("missing/prog.asm"));
    } else if (target == QLatin1String("read-only")) {
        // Refused even as root, who could write it.
        writeFile(path, before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (target == QLatin1String("full")) {
        if (!ScratchMounts::unavailable().isEmpty())
            QSKIP(qPrintable(ScratchMounts::unavailable()));
        const QString disk = f.path(QStringLiteral("disk"));
        QVERIFY(QDir().mkdir(disk) && mounts.tmpfs(disk, QStringLiteral("size=64k")));
        path = disk + QStringLiteral("/prog.asm");
        writeFile(path, before);
    } else if (target == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (target == QLatin1String("link to fifo")) {
        const QString fifo = f.path(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        QVERIFY(QFile::link(fifo, path));
    } else if (target == QLatin1String("device")) {
        // A node of its own, as /dev/null is: never the system's.
        if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    }
    const QString kind = kindOf(path);
    f.doc()->setCaption(path);
    // More than the small disk holds.
    f.text()->setText(QString(100000, QLatin1Char('x')));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileSave();

    const auto boxes = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].text.contains(path));
    QCOMPARE(boxes[0].icon, int(Dialogs::Exclamation));
    QCOMPARE(f.doc()->caption(), path);
    QVERIFY(f.main->Lastsaved.isEmpty());
    QCOMPARE(kindOf(path), kind);
    if (kind == QLatin1String("file"))
        QCOMPARE(fileBytes(path), before);
}

void TestFileCommands::saveKeepsTheFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("another user's file") << "owned by nobody";
    QTest::newRow("a file with a second name") << "hard link";
    QTest::newRow("a writable file in a read-only folder") << "read-only folder";
}

void TestFileCommands::saveKeepsTheFile()
{
    QFETCH(QString, file);
    MainFixture f;
    ScratchMounts mounts;
    QString path = f.path(QStringLiteral("prog.asm"));
    writeFile(path, "old\r\n");
    const QString other = f.path(QStringLiteral("other.asm"));
    if (file == QLatin1String("owned by nobody")) {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0664), 0);
    } else if (file == QLatin1String("hard link")) {
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()),
                 0);
    } else {
        // The folder is a read-only file system; the file in it is a writable
        // file of another one, bound onto its name.
        if (!ScratchMounts::unavailable().isEmpty())
            QSKIP(qPrintable(ScratchMounts::unavailable()));
        const QString folder = f.path(QStringLiteral("shared"));
        QVERIFY(QDir().mkdir(folder) && mounts.tmpfs(folder, QStringLiteral("size=64k")));
        const QString inFolder = folder + QStringLiteral("/prog.asm");
        writeFile(inFolder, "");
        QVERIFY(mounts.bind(path, inFolder));
        QVERIFY(mounts.makeReadOnly(folder));
        QVERIFY(!QFile(folder + QStringLiteral("/new.asm")).open(QIODevice::WriteOnly));
        path = inFolder;
    }
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    f.doc()->setCaption(path);
    f.text()->setText(QStringLiteral("new text"));
    f.main->mnuFileSave();

    QCOMPARE(fileBytes(path), QByteArray("new text\r\n"));
    QVERIFY(f.dialogs.calls.isEmpty());
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode, before.st_mode);
    if (file == QLatin1String("hard link")) {
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(fileBytes(other), QByteArray("new text\r\n"));
    }
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
        // A page range left in the printer is not used.
        p.setPrintRange(QPrinter::PageRange);
        p.setFromTo(2, 2);
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
