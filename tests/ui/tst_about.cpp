#include "fakedialogs.h"
#include "fakeregistry.h"
#include "help/frmabout.h"
#include "help/webaddresses.h"
#include "platform/twips.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// What the box asked the launcher to start; each start answers as scripted.
struct FakeStarts
{
    QStringList commandLines;
    bool succeed = true;
    frmAbout::StartProgram callback()
    {
        return [this](const QString &commandLine) {
            commandLines << commandLine;
            return succeed;
        };
    }
};

enum Folder {
    NoFolder,
    EmptyFolder,
    FolderWithProgram,
    FolderWithLowerCaseProgram,
    FolderWithFolderNamedLikeProgram
};

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void elements_data();
    void elements();
    void captionAndWindow();
    void startSysInfo_data();
    void startSysInfo();
    void okCloses();
};

void TestAbout::elements_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");

    QTest::newRow("title") << "lblTitle"
                           << "  Korvane软件" << QRect(1320, 240, 2805, 480) << "楷体_GB2312"
                           << 15.75;
    QTest::newRow("version") << "lblVersion"
                             << "Version 2.20" << QRect(1965, 765, 1980, 315) << "宋体" << 15.75;
    QTest::newRow("email label") << "Label2"
                                 << "Email:" << QRect(405, 1320, 720, 240) << "宋体" << 12.0;
    QTest::newRow("email") << "Text3" << contactAddress() << QRect(1230, 1320, 3435, 330) << "宋体"
                           << 12.0;
    QTest::newRow("site label") << "Label4"
                                << "我们的站点：" << QRect(1035, 1800, 1440, 240) << "宋体" << 12.0;
    QTest::newRow("site is the product's web page")
        << "Text2" << productWebPage() << QRect(2565, 1770, 3210, 360) << "宋体" << 12.0;
    QTest::newRow("OK") << "cmdOK"
                        << "确 定" << QRect(600, 2625, 1500, 465) << "宋体" << 15.75;
    QTest::newRow("System Info") << "Command1"
                                 << "系统信息" << QRect(4560, 2640, 1500, 465) << "宋体" << 15.75;
}

void TestAbout::elements()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    QFETCH(QString, family);
    QFETCH(double, points);

    FakeRegistry registry;
    FakeDialogs dialogs;
    FakeStarts starts;
    frmAbout box(registry, dialogs, starts.callback());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QWidget *w = box.findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QString shown;
    if (auto *l = qobject_cast<QLabel *>(w))
        shown = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        shown = e->text();
    else if (auto *b = qobject_cast<QPushButton *>(w))
        shown = b->text();
    QCOMPARE(shown, text);
    QCOMPARE(w->geometry(), QRect(twipsX(&box, twips.x()), twipsY(&box, twips.y()),
                                  twipsX(&box, twips.width()), twipsY(&box, twips.height())));
    QCOMPARE(w->font().family(), family);
    QCOMPARE(w->font().pointSizeF(), points);
    QVERIFY(w->isVisible());
}

void TestAbout::captionAndWindow()
{
    FakeRegistry registry;
    FakeDialogs dialogs;
    FakeStarts starts;
    frmAbout box(registry, dialogs, starts.callback());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.windowTitle(), QStringLiteral("About My Software "));
    QCOMPARE(box.size(), QSize(twipsX(&box, 6420), twipsY(&box, 3450)));
    QCOMPARE(box.palette().color(QPalette::Window), QColor(192, 192, 255));
    QCOMPARE(box.lblTitle->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QCOMPARE(box.Text2->palette().color(QPalette::Text), QColor(192, 0, 0));
    QCOMPARE(box.Text2->palette().color(QPalette::Base), QColor(192, 192, 255));
    QCOMPARE(box.cmdOK->palette().color(QPalette::Button), QColor(192, 255, 192));
    QCOMPARE(box.Command1->palette().color(QPalette::Button), QColor(255, 192, 192));
    QVERIFY(!box.picIcon->pixmap().isNull());
    // Looking at the box asks nothing of the registry.
    QVERIFY(registry.reads.isEmpty());
    QVERIFY(dialogs.calls.isEmpty());
}

void TestAbout::startSysInfo_data()
{
    QTest::addColumn<QString>("location1"); // "-" for missing
    QTest::addColumn<int>("folder");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("started"); // "{folder}" stands for the temporary folder
    QTest::addColumn<int>("reads");
    QTest::addColumn<bool>("unavailable");

    QTest::newRow("location 1 is started, location 2 never read")
        << "/usr/bin/hardinfo" << int(FolderWithProgram) << true << "\"/usr/bin/hardinfo\"" << 1
        << false;
    QTest::newRow("a path with blanks stays one program name")
        << "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe"
        << int(NoFolder) << true
        << "\"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\"" << 1
        << false;
    QTest::newRow("location 1 that cannot be started")
        << "/nowhere/msinfo" << int(NoFolder) << false << "\"/nowhere/msinfo\"" << 1 << true;
    QTest::newRow("location 1 empty") << "" << int(NoFolder) << true << "" << 1 << true;
    QTest::newRow("location 2 folder without MSINFO32.EXE")
        << "-" << int(EmptyFolder) << true << "" << 2 << true;
    QTest::newRow("location 2 folder with MSINFO32.EXE")
        << "-" << int(FolderWithProgram) << true << "\"{folder}/MSINFO32.EXE\"" << 2 << false;
    QTest::newRow("location 2 program in lower case")
        << "-" << int(FolderWithLowerCaseProgram) << true << "\"{folder}/msinfo32.exe\"" << 2
        << false;
    QTest::newRow("location 2 names a folder MSINFO32.EXE, no program")
        << "-" << int(FolderWithFolderNamedLikeProgram) << true << "" << 2 << true;
    QTest::newRow("both missing") << "-" << int(NoFolder) << true << "" << 2 << true;
}

void TestAbout::startSysInfo()
{
    QFETCH(QString, location1);
    QFETCH(int, folder);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, started);
    QFETCH(int, reads);
    QFETCH(bool, unavailable);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeRegistry registry;
    if (location1 != QLatin1String("-"))
        registry.setString(kInfoKey, QStringLiteral("PATH"), location1);
    switch (Folder(folder)) {
    case NoFolder:
    case EmptyFolder:
        break;
    case FolderWithProgram:
    case FolderWithLowerCaseProgram: {
        QFile program(dir.filePath(folder == FolderWithProgram ? QStringLiteral("MSINFO32.EXE")
                                                               : QStringLiteral("msinfo32.exe")));
        QVERIFY(program.open(QIODevice::WriteOnly));
        break;
    }
    case FolderWithFolderNamedLikeProgram:
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("MSINFO32.EXE")));
        break;
    }
    if (folder != NoFolder)
        registry.setString(kFolderKey, QStringLiteral("MSINFO"),
                           QDir::toNativeSeparators(dir.path()));

    FakeDialogs dialogs;
    if (unavailable)
        dialogs.answerMsgBox(Dialogs::Ok);
    FakeStarts starts;
    starts.succeed = startSucceeds;
    frmAbout box(registry, dialogs, starts.callback());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.Command1, Qt::LeftButton);

    started.replace(QStringLiteral("{folder}"), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(starts.commandLines, started.isEmpty() ? QStringList() : QStringList{started});
    QStringList expectedReads{kInfoKey + QStringLiteral("|PATH")};
    if (reads == 2)
        expectedReads << kFolderKey + QStringLiteral("|MSINFO");
    QCOMPARE(registry.reads, expectedReads);

    const QList<FakeDialogs::Call> boxes = dialogs.callsOf(QStringLiteral("msgBox"));
    QCOMPARE(boxes.size(), unavailable ? 1 : 0);
    if (unavailable) {
        QCOMPARE(boxes.first().text, kUnavailable);
        QCOMPARE(boxes.first().buttons, int(Dialogs::OkOnly));
        QCOMPARE(boxes.first().icon, int(Dialogs::NoIcon));
        QCOMPARE(boxes.first().title, QStringLiteral("Korvane"));
    }
    QVERIFY2(dialogs.unexpected.isEmpty(), qPrintable(dialogs.unexpected.join('\n')));
    // The box stays open after System Info, whatever came of it.
    QVERIFY(box.isVisible());
}

void TestAbout::okCloses()
{
    FakeRegistry registry;
    FakeDialogs dialogs;
    FakeStarts starts;
    frmAbout box(registry, dialogs, starts.callback());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(starts.commandLines.isEmpty());
    QVERIFY(registry.reads.isEmpty());
    QVERIFY(dialogs.calls.isEmpty());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
