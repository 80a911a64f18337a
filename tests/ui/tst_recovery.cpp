#include "documents/documentscontroller.h"
#include "app/module1.h"
#include "documents/recoverycopies.h"
#include "mainfixture.h"
#include "platform/qtdialogs.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>
#include <utime.h>

// The recovery copies of unsaved documents across runs: what a run that
// ended leaves is offered, never lost by accident, never mixed up with the
// work of the new run or of another one still running.
class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void questionAnswered_data();
    void questionAnswered();
    void questionLeftUnanswered_data();
    void questionLeftUnanswered();
    void restoredNamesAreNotShared_data();
    void restoredNamesAreNotShared();
    void damagedCopiesAreKeptAndTold_data();
    void damagedCopiesAreKeptAndTold();
    void folderThatCannotBeMadeIsToldOnce();
    void steadyTypingIsKept_data();
    void steadyTypingIsKept();
    void savedWorkIsNotOffered_data();
    void savedWorkIsNotOffered();
    void secondRunLeavesTheFirstAlone();
};

namespace {

const char kChild[] = "KORVANE_RECOVERY_CHILD";

// A start of the program in the given tool folder, keeping its recovery
// copies in state: runs that share both meet each other's copies.
struct Run : MainFixture
{
    Run(const QString &folder, const QString &state) : MainFixture(false)
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        QDir::setCurrent(folder);
    }
    void start()
    {
        main->Show();
        // The offer comes once the window is up.
        QCoreApplication::processEvents();
    }
    // Types into a new document of its own and writes its copy at once.
    frmDocument *type(const QString &keys)
    {
        main->Newdocument();
        QTest::keyClicks(text(), keys);
        main->documentsControl().recovery().update(doc());
        return doc();
    }
    QStringList questions() const
    {
        QStringList texts;
        for (const FakeDialogs::Call &call : dialogs.callsOf(QStringLiteral("msgBox")))
            texts << call.text;
        return texts;
    }
};

// The copies in the state folder, wherever they are.
QStringList copiesIn(const QString &state)
{
    QStringList found;
    QDirIterator it(state, {QStringLiteral("*.copy")}, QDir::AllEntries | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

// A run that ends with unsaved work (the fixture goes without closing its
// windows, as a crash ends it): the text typed is in its copy.
void endedRun(const QString &folder, const QString &state, const QString &typed,
              int newDocuments = 0)
{
    Run run(folder, state);
    run.dialogs.answerMsgBox(Dialogs::Cancel); // in case an earlier run is offered
    run.start();
    for (int i = 0; i < newDocuments; ++i)
        run.main->Newdocument();
    QTest::keyClicks(run.text(), typed);
    run.main->documentsControl().recovery().update(run.doc());
}

// What this process has read from files so far.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return 0;
}

bool restoredWith(const Run &run, const QString &typed)
{
    for (frmDocument *doc : run.main->documents())
        if (doc->Text1->text().contains(typed))
            return true;
    return false;
}

} // namespace

void TestRecovery::questionAnswered_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("kept"); // offered again at the next start
    using D = Dialogs;
    QTest::newRow("是 restores") << QList<int>{D::Yes} << true << false;
    QTest::newRow("否, and 是 to the second question, discards")
        << QList<int>{D::No, D::Yes} << false << false;
    QTest::newRow("否, and 否 to the second question, keeps")
        << QList<int>{D::No, D::No} << false << true;
    QTest::newRow("取消 keeps") << QList<int>{D::Cancel} << false << true;
}

void TestRecovery::questionAnswered()
{
    QFETCH(QList<int>, answers);
    QFETCH(bool, restored);
    QFETCH(bool, kept);
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    endedRun(home.path(), state, QStringLiteral("MOV AX,1234h"));
    {
        Run run(home.path(), state);
        for (int a : answers)
            run.dialogs.answerMsgBox(Dialogs::Answer(a));
        run.start();
        const QStringList asked = run.questions();
        QCOMPARE(asked.size(), answers.size());
        QVERIFY(asked[0].startsWith(QStringLiteral("恢复未保存的文档？")));
        QVERIFY(run.dialogs.calls[0].buttons == Dialogs::YesNoCancel);
        // The second question says what would be lost.
        QVERIFY(answers.size() == 1 || (asked[1].contains(QStringLiteral("VaDid1.asm（")) &&
                                        asked[1].contains(QStringLiteral("永久丢失"))));
        QCOMPARE(restoredWith(run, QStringLiteral("MOV AX,1234h")), restored);
    }
    Run next(home.path(), state);
    next.dialogs.answerMsgBox(Dialogs::Cancel);
    next.start();
    // A restored document's copy is the new run's, which ended with it.
    QCOMPARE(next.questions().size(), kept || restored ? 1 : 0);
}

void TestRecovery::questionLeftUnanswered_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape") << "escape";
    QTest::newRow("closing the box (Alt+F4)") << "close";
    QTest::newRow("log-out while it is asked") << "log-out";
}

// The real question box, in a run of its own: what it answers when it is
// left without a choice is the toolkit's.
void TestRecovery::questionLeftUnanswered()
{
    QFETCH(QString, how);
    if (qEnvironmentVariableIsSet(kChild)) {
        // The question left as the row says; then the program closed, its
        // own closing question answered 否.
        QTimer poll;
        bool done = false, closing = false;
        QStringList more;
        QPointer<QMessageBox> question;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            // The signal is taken in the event loop: the question may stand a
            // little longer.
            if (box && box == question)
                return;
            if (box && !done) {
                done = true;
                question = box;
                if (how == u"escape")
                    QTest::keyClick(box, Qt::Key_Escape);
                else if (how == u"close")
                    box->close();
                else
                    ::raise(SIGTERM);
            } else if (box && closing) {
                box->button(QMessageBox::No)->click();
            } else if (box) {
                // Nothing more is asked; a question that comes is answered
                // as a hurried user does, with Enter.
                more << box->text();
                QTest::keyClick(box, Qt::Key_Return);
            } else if (!box && done && !closing && Mainform) {
                closing = true;
                // Not from inside this timer, which is not run again while
                // its own handler waits for the closing question.
                QTimer::singleShot(0, Mainform, [] { Mainform->close(); });
            }
        });
        poll.start(100);
        QtDialogs dialogs;
        Services services;
        services.dialogs = &dialogs;
        FakeLauncher launcher;
        services.launcher = &launcher;
        QCOMPARE(Module1(*qApp, services), 0);
        QVERIFY(done);
        QCOMPARE(more, QStringList());
        return;
    }
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    endedRun(home.path(), state, QStringLiteral("MOV AX,1234h"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChild), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), state);
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home.path());
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("questionLeftUnanswered:") + QTest::currentDataTag()});
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);

    Run next(home.path(), state);
    next.dialogs.answerMsgBox(Dialogs::Yes);
    next.start();
    QCOMPARE(next.questions().size(), 1);
    QVERIFY(restoredWith(next, QStringLiteral("MOV AX,1234h")));
}

void TestRecovery::restoredNamesAreNotShared_data()
{
    QTest::addColumn<int>("endedRuns");
    QTest::addColumn<int>("number"); // of the restored VaDid*.asm
    QTest::newRow("a restored new document and the new run's first") << 1 << 1;
    QTest::newRow("two ended runs that both had VaDid1.asm") << 2 << 1;
    QTest::newRow("a restored VaDid3.asm, ahead of the new run's count") << 1 << 3;
}

void TestRecovery::restoredNamesAreNotShared()
{
    QFETCH(int, endedRuns);
    QFETCH(int, number);
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    QStringList typed;
    for (int i = 0; i < endedRuns; ++i) {
        typed << QStringLiteral("MOV AX,%1").arg(i + 10);
        endedRun(home.path(), state, typed.last(), number - 1);
    }
    Run run(home.path(), state);
    run.dialogs.answerMsgBox(Dialogs::Yes);
    run.start();
    for (int i = 0; i < 3; ++i)
        run.main->Newdocument();
    QStringList names, lower;
    for (frmDocument *doc : run.main->documents()) {
        names << doc->caption();
        lower << doc->caption().toLower();
    }
    QCOMPARE(names.size(), endedRuns + 4);
    QCOMPARE(QSet<QString>(lower.begin(), lower.end()).size(), names.size());
    // The first restored copy keeps its name; saving every window loses nothing.
    QVERIFY(run.main->documentsControl().documentNamed(home.filePath(QStringLiteral("VaDid%1.asm").arg(number)))
                ->Text1->text()
                .contains(typed[0]));
    for (frmDocument *doc : run.main->documents())
        QVERIFY(doc->SavefileMe(doc->caption()));
    for (const QString &t : typed) {
        int holding = 0;
        for (const QString &name : names)
            holding += fileBytes(name).contains(t.toLatin1());
        QCOMPARE(holding, 1);
    }
}

void TestRecovery::damagedCopiesAreKeptAndTold_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut short") << "cut"
                               << "内容不完整";
    QTest::newRow("garbage") << "garbage"
                             << "不是 Korvane 的恢复副本";
    QTest::newRow("unreadable (a folder)") << "folder"
                                           << "无法读取";
    QTest::newRow("1 GB, not read") << "huge"
                                    << "太大";
}

void TestRecovery::damagedCopiesAreKeptAndTold()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    {
        // The damaged copy beside a sound one of the same run.
        Run run(home.path(), state);
        run.start();
        run.type(QStringLiteral("MOV AX,1"));
        run.type(QStringLiteral("MOV BX,2"));
    }
    const QStringList copies = copiesIn(state);
    QCOMPARE(copies.size(), 2);
    const QString bad = copies.last();
    const QByteArray sound = fileBytes(bad);
    QFile::remove(bad);
    if (damage == u"folder") {
        QVERIFY(QDir().mkdir(bad));
    } else {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (damage == u"cut")
            file.write(sound.left(sound.size() - 3));
        else if (damage == u"garbage")
            file.write(QByteArray("\xff\xff\xff\x7fnot a copy at all", 21));
        else
            QVERIFY(file.resize(qint64(1) << 30)); // sparse: no room taken
    }
    const qint64 size = QFileInfo(bad).size();

    Run run(home.path(), state);
    run.dialogs.answerMsgBox(Dialogs::Yes);
    run.dialogs.answerMsgBox(Dialogs::Ok);
    const qint64 readBefore = bytesRead();
    run.start();
    // The start reads what a document could hold, never the whole gigabyte.
    QVERIFY(bytesRead() - readBefore < qint64(64) << 20);
    const QStringList told = run.questions();
    QCOMPARE(told.size(), 2);
    QVERIFY(restoredWith(run, QStringLiteral("MOV AX,1")));
    QVERIFY2(told[1].contains(QStringLiteral("已损坏")) && told[1].contains(reason),
             qPrintable(told[1]));
    // Kept where the message says, out of the next start's way.
    const QString kept = told[1].section(u'\n', 2, 2).section(QStringLiteral("："), 0, 0).trimmed();
    QVERIFY2(QFileInfo::exists(kept) && !QFileInfo::exists(bad), qPrintable(kept));
    QCOMPARE(QFileInfo(kept).size(), size);
    Run next(home.path(), state);
    next.start();
    QVERIFY(next.questions().isEmpty());
}

// A state folder under a regular file: the copies cannot be written, which is
// told once, naming the folder, however often they are due.
void TestRecovery::folderThatCannotBeMadeIsToldOnce()
{
    QTemporaryDir home;
    const QString blocked = home.filePath(QStringLiteral("file"));
    QVERIFY(writeFile(blocked, "x"));
    Run run(home.path(), blocked + QStringLiteral("/state"));
    run.dialogs.answerMsgBox(Dialogs::Ok);
    run.start();
    run.type(QStringLiteral("MOV AX,1"));
    run.type(QStringLiteral("MOV BX,2"));
    QTest::keyClicks(run.text(), QStringLiteral("NOP"));
    run.main->documentsControl().recovery().update(run.doc());
    const QStringList told = run.questions();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(blocked + QStringLiteral("/state/korvane/recovery")),
             qPrintable(told[0]));
}

void TestRecovery::steadyTypingIsKept_data()
{
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<int>("longestMs");
    QTest::addColumn<bool>("written"); // a copy exists before the typing starts
    QTest::addColumn<bool>("pause");
    const int never = 3600 * 1000;
    QTest::newRow("the first change, typing on") << 300 << never << never << false << false;
    QTest::newRow("after a copy, typing on") << never << never << 300 << true << false;
    QTest::newRow("a pause") << never << 300 << never << true << true;
}

// Keys come faster than any pause the copies wait for: they are written
// all the same while the typing goes on.
void TestRecovery::steadyTypingIsKept()
{
    QFETCH(int, firstMs);
    QFETCH(int, idleMs);
    QFETCH(int, longestMs);
    QFETCH(bool, written);
    QFETCH(bool, pause);
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    Run run(home.path(), state);
    run.start();
    if (written)
        run.type(QStringLiteral("MOV AX,1"));
    RecoveryCopies *copies = &run.main->documentsControl().recovery();
    copies->firstMs = firstMs;
    copies->idleMs = idleMs;
    copies->longestMs = longestMs;
    const QByteArray before = fileBytes(copiesIn(state).value(0));
    QTimer keys;
    int typed = 0;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        if (!pause || typed == 0)
            QTest::keyClick(run.text(), Qt::Key_X);
        ++typed;
    });
    keys.start(50);
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QStringList now = copiesIn(state);
            return !now.isEmpty() && fileBytes(now[0]) != before;
        },
        30000));
    // Written while the keys still came, not after they stopped.
    QVERIFY(keys.isActive());
}

void TestRecovery::savedWorkIsNotOffered_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("saved") << "save";
    QTest::newRow("saved under another name") << "save as";
    QTest::newRow("typed on, then taken back to the saved text") << "undo";
    QTest::newRow("closed without saving") << "close";
}

// Each run ends with its copies written and its windows left open, as a
// crash leaves them.
void TestRecovery::savedWorkIsNotOffered()
{
    QFETCH(QString, how);
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    {
        Run run(home.path(), state);
        run.start();
        frmDocument *doc = run.type(QStringLiteral("MOV AX,1"));
        QCOMPARE(copiesIn(state).size(), 1);
        if (how == u"save as") {
            run.dialogs.answerSave(run.path(QStringLiteral("b.asm")));
            run.main->mnuFileSaveAs();
        } else if (how == u"close") {
            run.dialogs.answerMsgBox(Dialogs::No);
            run.main->mnuFileClose();
        } else {
            run.main->mnuFileSave();
        }
        if (how == u"undo") {
            const QString saved = run.text()->text();
            QTest::keyClicks(run.text(), QStringLiteral("NOP"));
            run.main->documentsControl().recovery().update(doc);
            QCOMPARE(copiesIn(state).size(), 1);
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(run.text(), Qt::Key_Backspace);
            QCOMPARE(run.text()->text(), saved);
            run.main->documentsControl().recovery().update(doc);
        }
        QVERIFY(run.dialogs.unexpected.isEmpty());
    }
    QVERIFY(copiesIn(state).isEmpty());
    Run next(home.path(), state);
    next.start();
    QVERIFY(next.questions().isEmpty());
}

// A second start while the first runs with unsaved work: the first's copies
// are neither offered nor deleted, however long it has run; once it is dead
// they are.
void TestRecovery::secondRunLeavesTheFirstAlone()
{
    if (qEnvironmentVariableIsSet(kChild)) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&poll] {
            if (!Mainform || !Mainform->activeDocument())
                return;
            poll.stop();
            QTest::keyClicks(Mainform->activeDocument()->Text1, QStringLiteral("MOV AX,1234h"));
            Mainform->documentsControl().recovery().update(Mainform->activeDocument());
            std::puts("ready");
            std::fflush(stdout);
        });
        poll.start(100);
        FakeDialogs dialogs;
        Services services;
        services.dialogs = &dialogs;
        FakeLauncher launcher;
        services.launcher = &launcher;
        Module1(*qApp, services);
        return;
    }
    QTemporaryDir home;
    const QString state = home.filePath(QStringLiteral("state"));
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChild), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), state);
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(home.path());
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("secondRunLeavesTheFirstAlone")});
    const auto end = qScopeGuard([&first] {
        first.kill();
        first.waitForFinished();
    });
    QByteArray printed;
    while (!printed.contains("ready\n") && first.waitForReadyRead(60000))
        printed += first.readAllStandardOutput();
    QVERIFY2(printed.contains("ready\n"), printed.constData());
    const QStringList copies = copiesIn(state);
    QCOMPARE(copies.size(), 1);
    // As if the first had run for an hour.
    const QString lock = QFileInfo(copies[0]).path() + QStringLiteral("/lock");
    const struct utimbuf hourAgo = {::time(nullptr) - 3600, ::time(nullptr) - 3600};
    QCOMPARE(::utime(QFile::encodeName(lock).constData(), &hourAgo), 0);
    {
        Run second(home.path(), state);
        second.start();
        QVERIFY(second.questions().isEmpty());
    }
    QCOMPARE(copiesIn(state), copies);

    first.kill();
    QVERIFY(first.waitForFinished());
    Run third(home.path(), state);
    third.dialogs.answerMsgBox(Dialogs::Yes);
    third.start();
    QCOMPARE(third.questions().size(), 1);
    QVERIFY(restoredWith(third, QStringLiteral("MOV AX,1234h")));
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
