#include "machine/drives.h"
#include "machine/memoryblocks.h"
#include "machine/openfiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <vector>

// The machine's plain parts: the door to guest memory, DOS's memory-block chain, the drives that
// keep a program inside its two folders, and the table of open files.
class TestMachineParts : public QObject
{
    Q_OBJECT
private slots:
    void guestMemory_data();
    void guestMemory();
    void memoryBlocks_data();
    void memoryBlocks();
    void drives_data();
    void drives();
    void openFiles();
    void hostNames_data();
    void hostNames();
};

// Four bytes written at segment:offset land at these linear addresses: past
// the megabyte they wrap to its start, and nothing reaches beyond it.
void TestMachineParts::guestMemory_data()
{
    QTest::addColumn<int>("segment");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QList<int>>("addresses");
    QTest::newRow("ordinary") << 0x1234 << 0x0010 << QList<int>{0x12350, 0x12351, 0x12352, 0x12353};
    QTest::newRow("the end of the megabyte")
        << 0xF000 << 0xFFFE << QList<int>{0xFFFFE, 0xFFFFF, 0x00000, 0x00001};
    QTest::newRow("FFFF:0010 is address 0") << 0xFFFF << 0x0010 << QList<int>{0, 1, 2, 3};
    QTest::newRow("FFFF:FFFE, the highest the 8086 forms")
        << 0xFFFF << 0xFFFE << QList<int>{0xFFEE, 0xFFEF, 0xFFF0, 0xFFF1};
}

void TestMachineParts::guestMemory()
{
    QFETCH(int, segment);
    QFETCH(int, offset);
    QFETCH(QList<int>, addresses);
    std::vector<quint8> bytes(GuestMemory::size);
    GuestMemory memory(bytes.data());
    memory.write(quint16(segment), quint16(offset), QByteArray("ABCD"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(bytes[addresses[i]], quint8('A' + i));
    QCOMPARE(memory.read(quint16(segment), quint16(offset), 4), QByteArray("ABCD"));
    QCOMPARE(memory.dword(quint16(segment), quint16(offset)), quint32(0x44434241));
    QCOMPARE(memory.asciiz(quint16(segment), quint16(offset), 3), QByteArray("ABC"));
    QCOMPARE(memory.read(quint16(segment), quint16(offset), -1), QByteArray());
    // A run longer than the megabyte goes round it and stops.
    memory.fill(quint16(segment), quint16(offset), 0x5A, GuestMemory::size + 16);
    QCOMPARE(bytes[addresses[3]], quint8(0x5A));
}

// A script of INT 21h memory calls on a chain from 1000h to 2000h, each
// "alloc N", "free SEG", "resize SEG N" with its expected answer: the
// segment (alloc), 0 for success, or "eE/L" for error E with L paragraphs
// the most that could be had.
void TestMachineParts::memoryBlocks_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("chain"); // segment:size:owner of every block after the script
    QTest::newRow("first fit, split, the rest free")
        << QStringList{"alloc 100=1001", "alloc 200=1102"} << "1001:100:7 1102:200:7 1303:cfd:0";
    QTest::newRow("too much: error 8 and the largest free block")
        << QStringList{"alloc 100=1001", "alloc ffff=e8/efe"} << "1001:100:7 1102:efe:0";
    QTest::newRow("a freed block is found again, joined with the free one after it")
        << QStringList{"alloc 100=1001", "alloc 100=1102", "free 1001=0", "free 1102=0",
                       "alloc 150=1001"}
        << "1001:150:7 1152:eae:0";
    QTest::newRow("growing the last block takes the free space after it")
        << QStringList{"alloc 400=1001", "resize 1001 600=0", "resize 1001 800=0", "alloc 10=1802"}
        << "1001:800:7 1802:10:7 1813:7ed:0";
    QTest::newRow("growing past the end: error 8, the block made as large as it can be")
        << QStringList{"alloc 400=1001", "alloc 10=1402", "resize 1402 ffff=e8/bfe"}
        << "1001:400:7 1402:bfe:7";
    QTest::newRow("growing into a taken block fails with room left for the next allocation")
        << QStringList{"alloc 100=1001", "alloc 100=1102", "resize 1001 200=e8/100",
                       "alloc 10=1203"}
        << "1001:100:7 1102:100:7 1203:10:7 1214:dec:0";
    QTest::newRow("shrinking frees the tail")
        << QStringList{"alloc 800=1001", "resize 1001 100=0"} << "1001:100:7 1102:efe:0";
    QTest::newRow("no such block: error 9")
        << QStringList{"free 1234=e9/0", "resize 1500 10=e9/0"} << "1001:fff:0";
}

void TestMachineParts::memoryBlocks()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, chain);
    std::vector<quint8> bytes(GuestMemory::size);
    GuestMemory memory(bytes.data());
    MemoryBlocks blocks(memory);
    blocks.reset(0x1000, 0x2000);
    for (const QString &step : steps) {
        const QStringList call = step.section('=', 0, 0).split(' ');
        const QString expected = step.section('=', 1);
        const auto arg = [&](int i) { return quint16(call[i].toUInt(nullptr, 16)); };
        MemoryBlocks::Result r;
        if (call[0] == "alloc")
            r = blocks.allocate(arg(1), 7);
        else if (call[0] == "free")
            r.error = blocks.release(arg(1));
        else
            r = blocks.resize(arg(1), arg(2));
        const QString got = r.error ? QStringLiteral("e%1/%2").arg(r.error).arg(r.largest, 0, 16)
                            : call[0] == "alloc" ? QString::number(r.segment, 16)
                                                 : QStringLiteral("0");
        QCOMPARE(got, expected);
    }
    QStringList shown;
    for (const MemoryBlocks::Block &b : blocks.blocks())
        shown << QStringLiteral("%1:%2:%3").arg(b.segment, 0, 16).arg(b.size, 0, 16).arg(b.owner);
    QCOMPARE(shown.join(' '), chain);
    // The chain stays walkable from memory alone, as DOS's own walkers read it.
    QCOMPARE(bytes[0x1000 * 16], quint8(shown.size() == 1 ? 'Z' : 'M'));
}

// C: holds Temp_F.asm and SUB/INNER.TXT, D: holds MYMACS.INC; beside them lie
// CANARY.TXT and a folder OUT; links inside C: lead to both.
void TestMachineParts::drives_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("host"); // relative to the folder holding C: and D:; "" when refused
    QTest::addColumn<bool>("exists");
    QTest::newRow("any case finds the host name")
        << QByteArray("temp_f.ASM") << 0 << "c/Temp_F.asm" << true;
    QTest::newRow("a new name is made upper case")
        << QByteArray("new.lst") << 0 << "c/NEW.LST" << false;
    QTest::newRow("long names are cut to 8.3")
        << QByteArray("verylongname.asmx") << 0 << "c/VERYLONG.ASM" << false;
    QTest::newRow("a folder and a file in it")
        << QByteArray("C:\\sub\\inner.txt") << 0 << "c/sub/INNER.TXT" << true;
    QTest::newRow("slashes as separators")
        << QByteArray("/SUB/INNER.TXT") << 0 << "c/sub/INNER.TXT" << true;
    QTest::newRow("D: is the source folder")
        << QByteArray("D:MYMACS.INC") << 0 << "d/MYMACS.INC" << true;
    QTest::newRow(".. inside the drive")
        << QByteArray("SUB\\..\\TEMP_F.ASM") << 0 << "c/Temp_F.asm" << true;
    QTest::newRow(".. above the root") << QByteArray("..\\CANARY.TXT") << 3 << "" << false;
    QTest::newRow(".. above the root after a folder")
        << QByteArray("SUB\\..\\..\\CANARY.TXT") << 3 << "" << false;
    QTest::newRow(".. above D:'s root") << QByteArray("D:\\..\\CANARY.TXT") << 3 << "" << false;
    QTest::newRow("another drive") << QByteArray("E:\\CANARY.TXT") << 3 << "" << false;
    QTest::newRow("drive A:") << QByteArray("A:CANARY.TXT") << 3 << "" << false;
    QTest::newRow("an absolute host path") << QByteArray("/tmp/CANARY.TXT") << 3 << "" << false;
    QTest::newRow("a missing folder") << QByteArray("NOSUCH\\X.TXT") << 3 << "" << false;
    QTest::newRow("a link to a folder outside") << QByteArray("OUTLINK\\X.TXT") << 5 << "" << false;
    QTest::newRow("a link to a file outside") << QByteArray("CANLINK.TXT") << 5 << "" << false;
    QTest::newRow("two dots in a name") << QByteArray("A.B.C") << 2 << "" << false;
    QTest::newRow("a wildcard is no name") << QByteArray("*.ASM") << 2 << "" << false;
}

void TestMachineParts::drives()
{
    QFETCH(QByteArray, path);
    QFETCH(int, error);
    QFETCH(QString, host);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString root = dir.path();
    for (const char *folder : {"/c/sub", "/d", "/out"})
        QVERIFY(QDir().mkpath(root + folder));
    for (const char *file : {"/c/Temp_F.asm", "/c/sub/INNER.TXT", "/d/MYMACS.INC", "/CANARY.TXT"}) {
        QFile f(root + file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(root + "/out", root + "/c/OUTLINK"));
    QVERIFY(QFile::link(root + "/CANARY.TXT", root + "/c/CANLINK.TXT"));
    const Drives drives(root + "/c", root + "/d");
    const Drives::Resolved r = drives.resolve(path);
    QCOMPARE(int(r.error), error);
    if (!error) {
        QCOMPARE(r.host, root + '/' + host);
        QCOMPARE(r.exists, exists);
    }
}

void TestMachineParts::openFiles()
{
    OpenFiles files;
    // Handles 0 to 4 are the inherited devices; the first file gets 5.
    QCOMPARE(files.at(1)->deviceInfo(), quint16(0x80D3));
    QCOMPARE(files.add(OpenFiles::device(OpenFiles::Kind::Nul)), 5);
    // A duplicate shares the open file; closing one leaves the other.
    const int copy = files.duplicate(5);
    QCOMPARE(copy, 6);
    QCOMPARE(files.at(copy), files.at(5));
    QVERIFY(files.close(5));
    QVERIFY(!files.close(5));
    QVERIFY(files.at(copy));
    QCOMPARE(files.add(OpenFiles::device(OpenFiles::Kind::Nul)), 5);
    // Twenty handles in all, as DOS gives a program.
    while (files.add(OpenFiles::device(OpenFiles::Kind::Nul)) >= 0) {
    }
    QVERIFY(files.at(OpenFiles::handleCount - 1));
    QVERIFY(!files.at(OpenFiles::handleCount));
    // Forcing a duplicate onto standard output redirects it.
    QVERIFY(files.duplicateOnto(7, 1));
    QCOMPARE(files.at(1), files.at(7));
}

QTEST_GUILESS_MAIN(TestMachineParts)
void TestMachineParts::hostNames_data()
{
    QTest::addColumn<QByteArray>("dos");
    QTest::addColumn<QString>("host");
    QTest::newRow("plain") << QByteArray("TEMP_F.ASM") << "TEMP_F.ASM";
    QTest::newRow("GBK") << QByteArray("\xB2\xE2\xCA\xD4.TXT") << "测试.TXT";
    QTest::newRow("GBK differing in the last byte")
        << QByteArray("\xB2\xE2\xCA\xD5.TXT") << "测收.TXT";
    QTest::newRow("a lead byte cut off by the dot")
        << QByteArray("AB\xB2.TXT") << QString("AB") + QChar(0xF7B2) + ".TXT";
    QTest::newRow("bytes GBK has no character for")
        << QByteArray("\x80\xFF") << QString(QChar(0xF780)) + QChar(0xF7FF);
}

// Every DOS name has one host name and comes back from it, so two names
// never share a file and a name opens what it created.
void TestMachineParts::hostNames()
{
    QFETCH(QByteArray, dos);
    QFETCH(QString, host);
    QCOMPARE(Drives::hostName(dos), host);
    QCOMPARE(Drives::dosBytes(host), dos);
}

#include "tst_machineparts.moc"
