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
#include <memory>

namespace {

const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// The about box over a fake registry and dialogs, recording what it starts.
struct AboutBox
{
    FakeRegistry registry;
    FakeDialogs dialogs;
    QStringList started;
    bool startSucceeds = true;
    std::unique_ptr<frmAbout> box;

    frmAbout *show()
    {
        box = std::make_unique<frmAbout>(registry, dialogs, [this](const QString &commandLine) {
            started << commandLine;
            return startSucceeds;
        });
        box->show();
        return QTest::qWaitForWindowExposed(box.get()) ? box.get() : nullptr;
    }
};

enum Folder { NoFolder, EmptyFolder, FolderWithProgram, FolderWithFolderNamedLikeProgram };

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void elements_data();
    void elements();
    void boxAsShownThenOk();
    void startSysInfo_data();
    void startSysInfo();
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

    AboutBox about;
    frmAbout *box = about.show();
    QVERIFY(box);
    QWidget *w = box->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->property("text").toString(), text);
    QCOMPARE(w->geometry(), QRect(twipsX(box, twips.x()), twipsY(box, twips.y()),
                                  twipsX(box, twips.width()), twipsY(box, twips.height())));
    QCOMPARE(w->font().family(), family);
    QCOMPARE(w->font().pointSizeF(), points);
    QVERIFY(w->isVisible());
}

void TestAbout::boxAsShownThenOk()
{
    AboutBox about;
    frmAbout *box = about.show();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("About My Software "));
    QCOMPARE(box->size(), QSize(twipsX(box, 6420), twipsY(box, 3450)));
    QCOMPARE(box->palette().color(QPalette::Window), QColor(192, 192, 255));
    QCOMPARE(box->lblTitle->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QCOMPARE(box->Text2->palette().color(QPalette::Text), QColor(192, 0, 0));
    QCOMPARE(box->Text2->palette().color(QPalette::Base), QColor(192, 192, 255));
    QCOMPARE(box->cmdOK->palette().color(QPalette::Button), QColor(192, 255, 192));
    QCOMPARE(box->Command1->palette().color(QPalette::Button), QColor(255, 192, 192));
    QVERIFY(!box->picIcon->pixmap().isNull());

    QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    QVERIFY(!box->isVisible());
    QCOMPARE(box->result(), int(QDialog::Accepted));
    // Neither looking at the box nor OK asks anything of the registry.
    QVERIFY(about.started.isEmpty());
    QVERIFY(about.registry.reads.isEmpty());
    QVERIFY(about.dialogs.calls.isEmpty());
}

void TestAbout::startSysInfo_data()
{
    QTest::addColumn<QString>("location1"); // "-" for missing
    QTest::addColumn<int>("folder");        // location 2
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("started"); // "{folder}" stands for the temporary folder
    QTest::addColumn<bool>("unavailable");

    QTest::newRow("location 1 is started, location 2 never read")
        << "/usr/bin/hardinfo" << int(FolderWithProgram) << true << "\"/usr/bin/hardinfo\""
        << false;
    QTest::newRow("location 1 with blanks, quoted as one name, cannot be started")
        << "C:\\Program Files\\Microsoft Shared\\MSInfo\\msinfo32.exe" << int(NoFolder) << false
        << "\"C:\\Program Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\"" << true;
    QTest::newRow("location 1 empty") << "" << int(FolderWithProgram) << true << "" << true;
    QTest::newRow("location 2 folder without MSINFO32.EXE")
        << "-" << int(EmptyFolder) << true << "" << true;
    QTest::newRow("location 2 program found in any case")
        << "-" << int(FolderWithProgram) << true << "\"{folder}/msinfo32.exe\"" << false;
    QTest::newRow("location 2 names a folder MSINFO32.EXE, no program")
        << "-" << int(FolderWithFolderNamedLikeProgram) << true << "" << true;
    QTest::newRow("both missing") << "-" << int(NoFolder) << true << "" << true;
}

void TestAbout::startSysInfo()
{
    QFETCH(QString, location1);
    QFETCH(int, folder);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, started);
    QFETCH(bool, unavailable);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    AboutBox about;
    about.startSucceeds = startSucceeds;
    if (location1 != QLatin1String("-"))
        about.registry.setString(kInfoKey, QStringLiteral("PATH"), location1);
    if (folder == FolderWithProgram)
        QVERIFY(QFile(dir.filePath(QStringLiteral("msinfo32.exe"))).open(QIODevice::WriteOnly));
    if (folder == FolderWithFolderNamedLikeProgram)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("MSINFO32.EXE")));
    if (folder != NoFolder)
        about.registry.setString(kFolderKey, QStringLiteral("MSINFO"),
                                 QDir::toNativeSeparators(dir.path()));
    about.dialogs.answerMsgBox(Dialogs::Ok);
    frmAbout *box = about.show();
    QVERIFY(box);
    QTest::mouseClick(box->Command1, Qt::LeftButton);

    started.replace(QStringLiteral("{folder}"), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(about.started, started.isEmpty() ? QStringList() : QStringList{started});
    // Location 2 is read only when location 1 holds no value at all.
    QStringList reads{kInfoKey + QStringLiteral("|PATH")};
    if (location1 == QLatin1String("-"))
        reads << kFolderKey + QStringLiteral("|MSINFO");
    QCOMPARE(about.registry.reads, reads);

    QStringList said;
    for (const FakeDialogs::Call &c : about.dialogs.calls) {
        said << c.kind + u' ' + c.title + QStringLiteral(": ") + c.text;
        QVERIFY(c.buttons == int(Dialogs::OkOnly) && c.icon == int(Dialogs::NoIcon));
    }
    QCOMPARE(said, unavailable ? QStringList{"msgBox Korvane: System Information Is Unavailable "
                                             "At This Time"}
                               : QStringList());
    // The box stays open after System Info, whatever came of it.
    QVERIFY(box->isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
