#include "documents/documentscontroller.h"
#include "platform/colors.h"
#include "documents/skeleton.h"
#include "mainfixture.h"
#include "smalldisk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Open and save on real files: bytes the user did not edit never
// change, and every failed write is told.
class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void saveNewDocument_data();
    void saveNewDocument();
    void openColoursCommentsOnly();
    void openThenSaveKeepsEveryByte_data();
    void openThenSaveKeepsEveryByte();
    void lineBreaksAsEdited_data();
    void lineBreaksAsEdited();
    void saveToEveryKindOfFile_data();
    void saveToEveryKindOfFile();
    void asAnOrdinaryUser();
    void changedOnDisk_data();
    void changedOnDisk();
    void newAndOpenReplaceNothingUnasked();
    void longLineWithoutBlanks();
    void printSelectionOrWhole_data();
    void printSelectionOrWhole();
};

namespace {

// One message was shown, and it names the file.
void toldOnce(const MainFixture &f, const QString &path)
{
    const auto shown = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(path), qPrintable(shown[0].text));
}

void mkfifo(const QString &path)
{
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
}

} // namespace

void TestFileCommands::saveNewDocument_data()
{
    QTest::addColumn<QString>("caption"); // the new document's, when not its own
    QTest::addColumn<QString>("answer");  // to the save dialog; none when empty
    QTest::addColumn<QString>("saved");   // where the text is after the command
    const auto row = [](const char *name, const char *caption, const char *answer,
                        const char *saved) {
        QTest::newRow(name) << QString(caption) << QString(answer) << QString(saved);
    };
    row("Save, named in the tool folder: no dialog", "", "", "VaDid1.asm");
    row("Save of a bare name asks", "VaDid1.asm", "b.asm", "b.asm");
    row("Save As", "as", "b.asm", "b.asm");
    row("Save As cancelled", "as", "-", "");
    // Told, and counted as a cancel; the caption stays on the file that holds the text.
    row("Save As failing", "as", "none/b.asm", "");
}

void TestFileCommands::saveNewDocument()
{
    QFETCH(QString, caption);
    QFETCH(QString, answer);
    QFETCH(QString, saved);
    MainFixture f;
    const QString name = f.doc()->caption();
    // Left from an earlier run, longer than the new text.
    QVERIFY(writeFile(f.path(QStringLiteral("VaDid1.asm")), QByteArray(2000, 'x')));
    f.dialogs.answerSave(answer == u"-" ? QString() : f.path(answer));
    f.dialogs.answerMsgBox(Dialogs::Ok);
    if (caption == u"as") {
        f.main->mnuFileSaveAs();
        QCOMPARE(f.main->documentsControl().Saveascancel, saved.isEmpty());
    } else {
        if (!caption.isEmpty())
            f.doc()->setCaption(caption);
        f.main->mnuFileSave();
    }
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("save")).size(), answer.isEmpty() ? 0 : 1);
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("msgBox")).size(), answer.contains(u'/') ? 1 : 0);
    QCOMPARE(f.main->documentsControl().Lastsaved, saved.isEmpty() ? QString() : f.path(saved));
    if (saved.isEmpty())
        QCOMPARE(f.doc()->caption(), name);
    else
        QVERIFY(fileBytes(f.path(saved)) == (programSkeleton() + "\r\n").toUtf8() &&
                fileBytes(f.path(saved)).size() == 870);
}

void TestFileCommands::openColoursCommentsOnly()
{
    MainFixture f;
    f.main->colours().Currentfcolor = RGB(1, 2, 3);
    // A FIFO is refused, without waiting for a writer that never comes; a
    // cancelled dialog and a file that cannot be read leave the text alone.
    const QString path = f.path(QStringLiteral("prog.asm"));
    mkfifo(path);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    for (const QString &answer : {path, QString(), f.path(QStringLiteral("none/a.asm"))}) {
        f.dialogs.answerOpen(answer);
        f.main->mnuFileOpen();
    }
    toldOnce(f, path);
    QCOMPARE(f.text()->text(), programSkeleton());
    QFile::remove(path);
    QVERIFY(writeFile(path, "MOV AX,BX\r\nNOP ;last line, no break"));
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    QCOMPARE(f.doc()->caption(), path);
    // The comment of the last line, which has no line break, is coloured to its end.
    RichText *rt = f.text();
    QVERIFY(charColor(rt, 14) != toQColor(f.main->colours().Remcolor));
    QCOMPARE(charColor(rt, 15), toQColor(f.main->colours().Remcolor));
    QCOMPARE(charColor(rt, rt->textLength() - 1), toQColor(f.main->colours().Remcolor));
    QCOMPARE(f.main->colours().Currentfcolor, RGB(100, 0, 255));
    QCOMPARE(rt->selStart(), rt->textLength());
    QVERIFY(f.doc()->statusText().contains(QStringLiteral("行  2")));
}

void TestFileCommands::openThenSaveKeepsEveryByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // what the window shows; not checked when empty
    QTest::addColumn<bool>("told");    // a message says some bytes are not text
    const auto row = [](const char *name, const QByteArray &bytes, const QString &text,
                        bool told = false) { QTest::newRow(name) << bytes << text << told; };
    const QString hui = QStringLiteral("MOV AX,1 ;\u6C47\u7F16");
    const auto utf16 = [&](QStringEncoder::Encoding e, const QString &text) {
        return QByteArray(QStringEncoder(e, QStringEncoder::Flag::WriteBom).encode(text + "\r\n"));
    };
    // "汇编" in GBK is BB E3 B1 E0, in UTF-8 E6 B1 87 E7 BC 96.
    row("GBK, no line break at the end", "MOV AX,1 ;\xBB\xE3\xB1\xE0\r\nNOP", hui + "\r\nNOP");
    row("UTF-8, no line break at the end", "MOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\nNOP",
        hui + "\r\nNOP");
    row("empty", "", "");
    row("one line break alone", "\r\n", "");
    row("UTF-8 with a byte-order mark", "\xEF\xBB\xBFMOV AX,1 ;\xE6\xB1\x87\xE7\xBC\x96\r\n", hui);
    row("ASCII ending in two line breaks", "MOV ;plain\r\n\r\nEND\r\n\r\n",
        "MOV ;plain\r\n\r\nEND\r\n");
    row("UTF-16 little-endian", utf16(QStringEncoder::Utf16LE, hui), hui);
    row("UTF-16 big-endian", utf16(QStringEncoder::Utf16BE, hui), hui);
    // A pair whose low half lies in DC00-DCFF is a character all the same.
    const QString rat = QStringLiteral("; \U0001F400\U000100FF");
    row("UTF-16 beyond the first plane", utf16(QStringEncoder::Utf16LE, rat), rat);
    row("UTF-8 beyond the first plane", "; \xF0\x9F\x90\x80\xF0\x90\x83\xBF\r\n", rat);
    // GBK has neither the copyright sign nor the rat: GB18030 writes both in four bytes.
    row("GB18030 four-byte characters", "; \xBB\xE3\xB1\xE0\x81\x30\x84\x38\x94\x39\xC9\x34\r\n",
        QStringLiteral("; \u6C47\u7F16\u00A9\U0001F400"));
    row("lines ending in LF alone", "MOV AX,1\nNOP\n", "MOV AX,1\r\nNOP");
    row("Latin-1", "; caf\xE9\r\n", {}, true);
    // Each of CR LF, LF and CR ends a line, and keeps its own bytes.
    row("mixed line breaks", "A\r\nB\nC\rD\r\n", "A\r\nB\r\nC\r\nD");
    row("mostly LF, one CR LF, no break at the end", "A\nB\r\nC\nD", "A\r\nB\r\nC\r\nD");
    row("CR alone, the old Macintosh's", "A\rB\r", "A\r\nB");
    row("LF CR is two breaks", "A\n\rB\n", "A\r\n\r\nB");
    QByteArray binary(20000, '\0');
    QRandomGenerator random(20000);
    for (char &c : binary)
        c = char(random.bounded(256));
    row("a binary opened by mistake", binary, {}, true);
    // An odd number of bytes after a UTF-16 mark is no UTF-16 text: they
    // are kept as they are.
    row("UTF-16 mark, odd length", "\xFF\xFE\x41", {}, true);
}

void TestFileCommands::openThenSaveKeepsEveryByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, told);
    MainFixture f;
    const QString path = f.path(QStringLiteral("src.asm"));
    QVERIFY(writeFile(path, bytes));
    f.dialogs.answerOpen(path);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    f.main->mnuFileOpen();
    if (!text.isEmpty())
        QCOMPARE(f.text()->text(), text);
    if (told)
        toldOnce(f, path);
    // Saving again adds nothing, and tells nothing more.
    for (int save = 0; save < 2; ++save) {
        f.main->mnuFileSave();
        QCOMPARE(fileBytes(path), bytes);
    }
    QCOMPARE(f.dialogs.callsOf(QStringLiteral("msgBox")).size(), told ? 1 : 0);
}

void TestFileCommands::lineBreaksAsEdited_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("caret");    // where the keys go, -1 the end
    QTest::addColumn<QString>("keys"); // "\r" is Enter; "case" the case command
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("no break at the end, Enter typed there: saved with it")
        << QByteArray("A\r\nB") << -1 << "\r" << QByteArray("A\r\nB\r\n");
    QTest::newRow("no break at the end, a word typed: still none")
        << QByteArray("A\r\nB") << -1 << "C" << QByteArray("A\r\nBC");
    QTest::newRow("a line typed above an LF line in a CR LF file")
        << QByteArray("A\r\nB\nC\r\n") << 0 << "X\r" << QByteArray("X\r\nA\r\nB\nC\r\n");
    QTest::newRow("a line typed in an LF file gets LF")
        << QByteArray("A\nB\n") << 1 << "\rZ" << QByteArray("A\nZ\nB\n");
    QTest::newRow("the case command keeps every line's break")
        << QByteArray("MOV\rNOP\nINT 21H\r\n") << 0 << "case"
        << QByteArray("mov\rnop\nint 21h\r\n");
}

// Lines keep the breaks they came with; what the user types is saved as typed.
void TestFileCommands::lineBreaksAsEdited()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, caret);
    QFETCH(QString, keys);
    QFETCH(QByteArray, saved);
    MainFixture f;
    const QString path = f.path(QStringLiteral("src.asm"));
    QVERIFY(writeFile(path, bytes));
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    f.text()->setSelStart(caret < 0 ? f.text()->textLength() : caret);
    if (keys == u"case") {
        f.main->action(QStringLiteral("mnuUpLow"))->trigger();
    } else {
        for (const QChar key : keys) {
            if (key == u'\r')
                QTest::keyClick(f.text(), Qt::Key_Return);
            else
                QTest::keyClicks(f.text(), QString(key));
        }
    }
    f.main->mnuFileSave();
    QCOMPARE(fileBytes(path), saved);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestFileCommands::saveToEveryKindOfFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("written");
    QTest::newRow("folder that does not exist") << "missing" << false;
    QTest::newRow("file without write permission") << "read-only" << false;
    QTest::newRow("full disk") << "full" << false;
    // The whole text fits in the write buffer: the disk fills when it is flushed.
    QTest::newRow("nearly full disk, short text") << "nearly full" << false;
    QTest::newRow("FIFO") << "fifo" << false;
    QTest::newRow("symbolic link to a FIFO") << "link to fifo" << false;
    QTest::newRow("device node") << "device" << false;
    QTest::newRow("another user's file") << "owned by nobody" << true;
    QTest::newRow("a file with a second name") << "hard link" << true;
    // Rewritten in place, the write stopped part-way by the file size limit.
    QTest::newRow("a file with a second name, the write failing part-way")
        << "hard link, cut short" << false;
    QTest::newRow("a file of a group not the user's own") << "other group" << true;
    QTest::newRow("a writable file in a read-only folder") << "read-only folder" << true;
}

void TestFileCommands::saveToEveryKindOfFile()
{
    QFETCH(QString, target);
    QFETCH(bool, written);
    MainFixture f;
    QList<QByteArray> mounted; // undone last first, before the folder goes
    const auto unmount = qScopeGuard([&] {
        while (!mounted.isEmpty())
            ::umount2(mounted.takeLast().constData(), MNT_DETACH);
    });
    const QByteArray before = "the work as it was\r\n";
    QString path = f.path(QStringLiteral("prog.asm"));
    const QString other = f.path(QStringLiteral("other.asm")), disk = f.path(QStringLiteral("d"));
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(writeFile(path, before));
    const bool full = target.endsWith(u"full");
    if (full || target == u"read-only folder") {
        if (!cannotMount().isEmpty())
            QSKIP(qPrintable(cannotMount()));
        mounted << QFile::encodeName(disk);
        QVERIFY(QDir().mkdir(disk) && ::mount("tmpfs", mounted[0], "tmpfs", 0, "size=64k") == 0);
        QVERIFY(writeFile(disk + QStringLiteral("/prog.asm"), before));
        QVERIFY(target != u"nearly full" ||
                writeFile(disk + QStringLiteral("/filler"), QByteArray(60 * 1024, 'f')));
        // A read-only file system, with a writable file of another one bound
        // onto the name of the file in it.
        if (target == u"read-only folder") {
            mounted << mounted[0] + "/prog.asm";
            QVERIFY(::mount(name.constData(), mounted[1], nullptr, MS_BIND, nullptr) == 0);
            QVERIFY(::mount(nullptr, mounted[0], nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                            nullptr) == 0);
        }
        path = disk + QStringLiteral("/prog.asm");
    } else if (target == u"missing") {
        path = f.path(QStringLiteral("missing/prog.asm"));
    } else if (target == u"read-only") {
        // Refused even as root, who could write it.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (target == u"fifo" || target == u"link to fifo") {
        QFile::remove(path);
        mkfifo(target == u"fifo" ? path : other);
        QVERIFY(target == u"fifo" || QFile::link(other, path));
    } else if (target == u"device") {
        // A node of its own, as /dev/null is: never the system's.
        QFile::remove(path);
        if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    } else if (target == u"owned by nobody") {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        QVERIFY(::chown(name.constData(), 65534, 65534) == 0 &&
                ::chmod(name.constData(), 0664) == 0);
    } else if (target.startsWith(u"hard link")) {
        QCOMPARE(::link(name.constData(), QFile::encodeName(other).constData()), 0);
    } else if (target == u"other group") {
        // As root any group; else one the user belongs to besides the own.
        gid_t groups[64];
        const int n = ::getgroups(64, groups);
        const auto group =
            std::find_if(groups, groups + std::max(n, 0), [](gid_t g) { return g != ::getegid(); });
        if (::geteuid() != 0 && group == groups + std::max(n, 0))
            QSKIP("the user belongs to no group besides the own");
        QVERIFY(::chown(name.constData(), -1, ::geteuid() == 0 ? 65534 : *group) == 0);
    }
    struct stat old = {}, now = {};
    ::stat(QFile::encodeName(path).constData(), &old);
    f.doc()->setCaption(path);
    // More than the small disk holds.
    const QString text =
        QStringLiteral("NOP ;xxxxx\r\n").repeated(target == u"nearly full" ? 750 : 8000) + "END";
    f.text()->setText(text);
    f.dialogs.answerMsgBox(Dialogs::Ok);
    struct rlimit unlimited;
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    if (target.endsWith(u"cut short")) {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {32 * 1024, unlimited.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    f.main->mnuFileSave();
    ::setrlimit(RLIMIT_FSIZE, &unlimited);

    ::stat(QFile::encodeName(path).constData(), &now);
    QCOMPARE(f.doc()->caption(), path);
    QVERIFY(now.st_mode == old.st_mode && now.st_uid == old.st_uid && now.st_gid == old.st_gid);
    if (written) {
        QCOMPARE(fileBytes(path), text.toLatin1() + "\r\n");
        if (target == u"hard link")
            QVERIFY(now.st_ino == old.st_ino && fileBytes(other) == fileBytes(path));
        QVERIFY(f.dialogs.calls.isEmpty());
    } else {
        toldOnce(f, path);
        // The user is told why, not only that it failed.
        const QString told = f.dialogs.callsOf(QStringLiteral("msgBox"))[0].text;
        QVERIFY2(target != u"read-only" || told.contains(u"只读"), qPrintable(told));
        QVERIFY2(!full || told.contains(u"磁盘已满"), qPrintable(told));
        QVERIFY(f.main->documentsControl().Lastsaved.isEmpty());
        QVERIFY(!S_ISREG(old.st_mode) || fileBytes(path) == before);
    }
}

// The rows whose outcome hangs on permissions, again as an ordinary user
// (nobody, in one more group): root, as the suite runs, may write anything.
void TestFileCommands::asAnOrdinaryUser()
{
    if (::geteuid() != 0)
        QSKIP("already run as an ordinary user");
    QStringList rows;
    for (const char *row : {"file without write permission", "a file of a group not the user's own",
                            "a file with a second name, the write failing part-way"})
        rows << QStringLiteral("saveToEveryKindOfFile:") + row;
    QProcess child;
    child.setChildProcessModifier([] {
        const gid_t users = 100;
        if (::setgroups(1, &users) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(97);
    });
    child.setWorkingDirectory(QDir::tempPath());
    child.setProcessChannelMode(QProcess::MergedChannels);
    // Through the process's own link: the test program's folders may be closed to others.
    child.start(QStringLiteral("/proc/self/exe"), rows);
    const bool finished = child.waitForFinished(120000);
    if (child.exitCode() == 97)
        QSKIP("this system does not let the test become uid 65534");
    if (child.error() == QProcess::FailedToStart)
        QSKIP("uid 65534 may not start this test program: a folder on its path is closed");
    QVERIFY(finished);
    const QByteArray out = child.readAll();
    QVERIFY2(child.exitCode() == 0 && out.count("PASS   : TestFileCommands::save") == rows.size(),
             out.constData());
}

void TestFileCommands::changedOnDisk_data()
{
    QTest::addColumn<QByteArray>(
        "onDisk");                       // what another program leaves; none: it deletes the file
    QTest::addColumn<bool>("sameTime");  // it puts the file's time stamp back as it was
    QTest::addColumn<bool>("typed");     // the window's text has an unsaved edit
    QTest::addColumn<bool>("activated"); // told on activation, else before the save
    // Yes reloads, No keeps the window's text; over an unsaved edit Yes is asked again.
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QByteArray>("saved"); // the file after Save
    const QByteArray appended = "MOV AX,1\r\nNOP\r\n", typed = "MOV AX,1X\r\n",
                     opened = "MOV AX,1\r\n";
    const int yes = Dialogs::Yes, no = Dialogs::No;
    QTest::newRow("changed, told on activation, reloaded over the edit when asked again")
        << appended << false << true << true << QList<int>{yes, yes} << appended;
    QTest::newRow("changed, told on activation, asked again, the edit kept")
        << appended << false << true << true << QList<int>{yes, no} << typed;
    QTest::newRow("changed, nothing typed, reloaded at once")
        << appended << false << false << true << QList<int>{yes} << appended;
    QTest::newRow("changed, told before a save, kept")
        << appended << false << true << false << QList<int>{no} << typed;
    QTest::newRow("changed, told before a save, reloaded: no save")
        << appended << false << true << false << QList<int>{yes, yes} << appended;
    QTest::newRow("same size and time stamp, told before a save, kept")
        << QByteArray("MOV AX,2\r\n") << true << true << false << QList<int>{no} << typed;
    QTest::newRow("same size and time stamp, told on activation, reloaded")
        << QByteArray("MOV AX,2\r\n") << true << false << true << QList<int>{yes}
        << QByteArray("MOV AX,2\r\n");
    QTest::newRow("deleted, told on activation")
        << QByteArray() << false << true << true << QList<int>{Dialogs::Ok} << typed;
    QTest::newRow("unchanged, nothing told")
        << opened << true << true << true << QList<int>() << typed;
}

void TestFileCommands::changedOnDisk()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(bool, sameTime);
    QFETCH(bool, typed);
    QFETCH(bool, activated);
    QFETCH(QList<int>, answers);
    QFETCH(QByteArray, saved);
    MainFixture f;
    const QString path = f.path(QStringLiteral("prog.asm"));
    QVERIFY(writeFile(path, "MOV AX,1\r\n"));
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    if (typed)
        QTest::keyClicks(f.text(), QStringLiteral("X"));
    const QDateTime stamp = QFileInfo(path).lastModified();
    QVERIFY(onDisk.isEmpty() ? QFile::remove(path) : writeFile(path, onDisk));
    if (sameTime) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    for (const int answer : answers)
        f.dialogs.answerMsgBox(Dialogs::Answer(answer));
    if (activated) {
        QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(f.text(), &in);
        QTRY_COMPARE(f.dialogs.calls.size(), 1 + answers.size());
    }
    f.main->mnuFileSave();
    const auto told = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(told.size(), answers.size());
    for (const auto &question : told) {
        QVERIFY(question.text.contains(path));
        // Enter keeps the window's text.
        if (!onDisk.isEmpty())
            QCOMPARE(question.buttons, int(Dialogs::YesNoDefaultNo));
    }
    QCOMPARE(fileBytes(path), saved);
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

void TestFileCommands::newAndOpenReplaceNothingUnasked()
{
    MainFixture f;
    // Saved on an earlier run: a new document never takes its name.
    const QString earlier = f.path(QStringLiteral("VaDid2.asm"));
    QVERIFY(writeFile(earlier, "; earlier\r\n"));
    f.main->Newdocument();
    QCOMPARE(f.doc()->caption(), f.toolFolder() + QStringLiteral("VaDid3.asm"));
    // Open over unsaved edits asks as closing does: Cancel keeps them, No
    // lets the file replace them, and an unedited text is replaced unasked.
    QTest::keyClicks(f.text(), QStringLiteral("X"));
    const QString typed = f.text()->text();
    for (const auto answer : {Dialogs::Cancel, Dialogs::No}) {
        f.dialogs.answerOpen(earlier);
        f.dialogs.answerMsgBox(answer);
        f.main->mnuFileOpen();
        QCOMPARE(f.text()->text(), answer == Dialogs::Cancel ? typed : "; earlier");
    }
    f.dialogs.answerOpen(earlier);
    f.main->mnuFileOpen();
    const auto asked = f.dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].text, QStringLiteral("是否保存文件:") + f.toolFolder() + "VaDid3.asm");
}

void TestFileCommands::longLineWithoutBlanks()
{
    MainFixture f;
    const QString path = f.path(QStringLiteral("table.asm"));
    QVERIFY(writeFile(path, "DB " + QByteArray("'A',").repeated(512 * 1024) + "'A'"));
    QElapsedTimer clock;
    clock.start();
    f.dialogs.answerOpen(path);
    f.main->mnuFileOpen();
    RichText *rt = f.text();
    rt->setSelStart(rt->textLength());
    QTest::keyClicks(rt, QStringLiteral("B"));
    rt->viewport()->repaint();
    QVERIFY(rt->text().endsWith(QStringLiteral("'A'B")));
    // Seconds with a layout that does not look for blanks; hours without.
    QVERIFY2(clock.elapsed() < 120000, qPrintable(QString::number(clock.elapsed())));
}

void TestFileCommands::printSelectionOrWhole_data()
{
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QStringList>("printed"); // the words on paper, the page number last
    QTest::addColumn<QStringList>("left");    // words of the text not printed
    QTest::newRow("a selection: only it") << 11 << 17 << QStringList{"SECONDLINE", "THIRD", "1"}
                                          << QStringList{"FIRSTLINE", "THIRDLINE", "LASTLINE"};
    QTest::newRow("no selection: the whole text")
        << 11 << 0 << QStringList{"FIRSTLINE", "SECONDLINE", "THIRDLINE", "LASTLINE", "1"}
        << QStringList();
}

// Print goes to a PDF file as a user would choose it in the dialog; the
// file's words are read back with pdftotext.
void TestFileCommands::printSelectionOrWhole()
{
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, left);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed (Debian package poppler-utils)");
    MainFixture f;
    f.text()->setText(QStringLiteral("FIRSTLINE\r\nSECONDLINE\r\nTHIRDLINE\r\nLASTLINE"));
    f.text()->setSelStart(selStart);
    f.text()->setSelLength(selLength);
    const QString pdf = f.path(QStringLiteral("printed.pdf"));
    bool preset = false;
    f.dialogs.answerPrinter([&](QPrinter &printer, bool selectionPreset) {
        preset = selectionPreset;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    f.main->action(QStringLiteral("mnuFilePrint"))->trigger();
    QCOMPARE(preset, selLength > 0);
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(60000) && pdftotext.exitCode() == 0);
    const QStringList words = QString::fromUtf8(pdftotext.readAllStandardOutput())
                                  .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    QCOMPARE(words.join(u' '), printed.join(u' '));
    for (const QString &word : left)
        QVERIFY(!words.contains(word));
    QVERIFY(f.dialogs.unexpected.isEmpty());
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
