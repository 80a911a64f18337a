#include "checking/submissions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

// A class folder as students hand it in: their files and folders found, the
// links and hidden files among them left alone, zips unpacked with care.
class TestSubmissions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void find_data();
    void find();
    void copy_data();
    void copy();
    void refusedZips_data();
    void refusedZips();
    void classZip();

private:
    QTemporaryDir dir_;
    QString classFolder_;
    QList<Submission> found_;
};

static void write(const QString &path, const QByteArray &bytes = "END\n")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// entries: name -> contents; a name ending with '@' is a link to the contents.
static void makeZip(const QString &path, const QList<QPair<QByteArray, QByteArray>> &entries)
{
    int code = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    QVERIFY(zip);
    for (const auto &[name, bytes] : entries) {
        const bool link = name.endsWith('@');
        const QByteArray stored = link ? name.chopped(1) : name;
        zip_source_t *source = zip_source_buffer(zip, bytes.constData(), bytes.size(), 0);
        const zip_int64_t index = zip_file_add(zip, stored.constData(), source, ZIP_FL_ENC_GUESS);
        QVERIFY(index >= 0);
        if (link)
            zip_file_set_external_attributes(zip, index, 0, ZIP_OPSYS_UNIX, 0120777u << 16);
    }
    QCOMPARE(zip_close(zip), 0); // the buffers are read here
}

void TestSubmissions::initTestCase()
{
    classFolder_ = dir_.filePath(QStringLiteral("class"));
    const QString c = classFolder_ + QLatin1Char('/');
    for (const char *name : {"张三.asm", "li si.asm", "Wang.asm", "wang.ASM", ".hidden.asm"})
        write(c + QString::fromUtf8(name));
    write(c + QStringLiteral("readme.txt"));
    write(c + QStringLiteral("张三/张三.asm"));
    write(c + QStringLiteral("钱七/start.asm"), "INCLUDE IO.INC\nCODE ENDS\n  end  start ; go\n");
    write(c + QStringLiteral("钱七/main.asm"), "; END start\nPRINT MACRO\nENDM\n");
    write(c + QStringLiteral("钱七/io.inc"));
    write(c + QStringLiteral("钱七/宏 定义.inc"));
    write(c + QStringLiteral("孙八/作业.asm"));
    write(c + QStringLiteral("空/readme.txt"));
    write(dir_.filePath(QStringLiteral("outside/secret.asm")));
    QVERIFY(QFile::link(dir_.filePath(QStringLiteral("outside/secret.asm")), c + "link.asm"));
    QVERIFY(QFile::link(dir_.filePath(QStringLiteral("outside")), c + "外人"));
    QVERIFY(QFile::link(dir_.filePath(QStringLiteral("outside/secret.asm")), c + "钱七/s.inc"));
    QString error;
    found_ = findSubmissions(classFolder_, &error);
    QVERIFY2(!found_.isEmpty(), qPrintable(error));
}

void TestSubmissions::find_data()
{
    QTest::addColumn<QString>("student");
    QTest::addColumn<QString>("source");
    QTest::newRow("a Chinese name") << "张三"
                                    << "张三.asm";
    QTest::newRow("a blank in the name") << "li si"
                                         << "li si.asm";
    QTest::newRow("names alike but for case") << "wang"
                                              << "wang.ASM";
    QTest::newRow("the second of them") << "Wang (2)"
                                        << "Wang.asm";
    QTest::newRow("a folder of the same name") << "张三 (2)"
                                               << "张三/张三.asm";
    QTest::newRow("the .asm ending with END start") << "钱七"
                                                    << "钱七/start.asm";
    QTest::newRow("a folder's only .asm") << "孙八"
                                          << "孙八/作业.asm";
    QTest::newRow("a folder without any") << "空"
                                          << "";
}

void TestSubmissions::find()
{
    QFETCH(QString, student);
    QFETCH(QString, source);
    QStringList students;
    for (const Submission &s : found_)
        students.append(s.student);
    QCOMPARE(found_.size(), 8); // no link, hidden file or other file among them
    QVERIFY2(students.contains(student), qPrintable(students.join(',')));
    const Submission &s = found_[students.indexOf(student)];
    QCOMPARE(s.source, source);
    QCOMPARE(s.hostSource, source.isEmpty() ? QString() : classFolder_ + '/' + source);
    // Sorted as in Chinese: by pinyin.
    QVERIFY(students.indexOf("钱七") < students.indexOf("孙八"));
    QVERIFY(students.indexOf("孙八") < students.indexOf("张三"));
}

void TestSubmissions::copy_data()
{
    QTest::addColumn<QString>("student");
    QTest::addColumn<QStringList>("copied");
    QTest::addColumn<QStringList>("renamed");
    QTest::newRow("one file, without the others' files")
        << "张三" << QStringList{"MAIN.ASM"} << QStringList();
    QTest::newRow("a folder: the INCLUDE files, and names DOS has not")
        << "钱七" << QStringList{"F~001.ASM", "F~002.INC", "IO.INC", "MAIN.ASM"}
        << QStringList{"main.asm → F~001.ASM", "宏 定义.inc → F~002.INC"};
}

void TestSubmissions::copy()
{
    QFETCH(QString, student);
    QFETCH(QStringList, copied);
    QFETCH(QStringList, renamed);
    const auto s = std::find_if(found_.begin(), found_.end(),
                                [&](const Submission &s) { return s.student == student; });
    QVERIFY(s != found_.end());
    QTemporaryDir work;
    QString error;
    QStringList told;
    QCOMPARE(copyForTools(*s, work.path(), &error, &told), QStringLiteral("MAIN.ASM"));
    QCOMPARE(QDir(work.path()).entryList(QDir::Files, QDir::Name), copied);
    QCOMPARE(told, renamed);
    QFile main(work.filePath("MAIN.ASM")), source(s->hostSource);
    QVERIFY(main.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    QCOMPARE(main.readAll(), source.readAll());
}

void TestSubmissions::refusedZips_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("..") << QByteArray("a/../../evil") << "指向解压文件夹之外";
    QTest::newRow(".. with backslashes") << QByteArray("..\\evil") << "指向解压文件夹之外";
    QTest::newRow("an absolute path") << QByteArray("/tmp/evil") << "是绝对路径";
    QTest::newRow("a drive letter") << QByteArray("C:/evil") << "是绝对路径";
    QTest::newRow("a symbolic link") << QByteArray("evil@") << "是符号链接";
}

void TestSubmissions::refusedZips()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, reason);
    const QString zip = dir_.filePath(QStringLiteral("refused.zip"));
    makeZip(zip, {{"good.asm", "END\n"}, {name, "/etc/passwd"}});
    // Nested in the test's own folder, so that an escape lands there.
    const QString into =
        dir_.filePath(QStringLiteral("refused/%1/into").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(into));
    QString error;
    QVERIFY(!unpackZip(zip, into, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    // Refused before anything was written.
    QCOMPARE(QDir(into).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    QVERIFY(!QFile::exists(into + "/../evil"));
}

void TestSubmissions::classZip()
{
    const QString zip = dir_.filePath(QStringLiteral("class.zip"));
    makeZip(zip, {{"作业/张三/张三.asm", "INCLUDE IO.INC\nEND s\n"},
                  {"作业/张三/io.inc", ""},
                  {"作业/李四.asm", "END\n"},
                  {"\xd7\xf7\xd2\xb5/\xcd\xf5\xce\xe5.asm", "END\n"}, // GBK 作业/王五.asm
                  {"__MACOSX/._x", ""}});
    QTemporaryDir into;
    QString error;
    QVERIFY2(unpackZip(zip, into.path(), &error), qPrintable(error));
    QStringList sources;
    for (const Submission &s : findSubmissions(into.path(), &error))
        sources.append(s.student + ':' + s.source);
    QCOMPARE(sources, (QStringList{"李四:李四.asm", "王五:王五.asm", "张三:张三/张三.asm"}));
}

QTEST_GUILESS_MAIN(TestSubmissions)
#include "tst_submissions.moc"
