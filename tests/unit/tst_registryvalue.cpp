#include "help/registryvalue.h"
#include "platform/pathregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<RegistryValue>)

namespace {

// UTF-16 little-endian bytes of a text, as the registry holds strings.
QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xff));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

std::optional<RegistryValue> read(quint32 type, const QByteArray &buffer, qsizetype length)
{
    return RegistryValue{type, buffer, length};
}

const QByteArray kNul(2, '\0');

} // namespace

class TestRegistryValue : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void otherTypesKeepTheCallersText();
    void standInAnswersTheInformationProgram();
    void standInKnowsNothingElse();
};

void TestRegistryValue::decode_data()
{
    QTest::addColumn<std::optional<RegistryValue>>("value");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");

    const QString path = QStringLiteral("C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe");
    const QByteArray bare = utf16le(path);
    const QByteArray terminated = bare + kNul;

    QTest::newRow("missing key: false and empty")
        << std::optional<RegistryValue>() << "left over" << false << "";
    QTest::newRow("string with its terminating NUL")
        << read(RegSz, terminated, terminated.size()) << "" << true << path;
    QTest::newRow("string without a terminating NUL")
        << read(RegSz, bare, bare.size()) << "" << true << path;
    QTest::newRow("string in a larger buffer is cut to the reported length")
        << read(RegSz, terminated + utf16le("garbage") + QByteArray(900, '\0'), terminated.size())
        << "" << true << path;
    QTest::newRow("only one terminating NUL is dropped")
        << read(RegSz, bare + kNul + kNul, bare.size() + 4) << "" << true << path + QChar(0);
    QTest::newRow("a zero byte inside a character is no NUL")
        << read(RegSz, utf16le(QStringLiteral("A\u0100")), 4) << "" << true
        << QStringLiteral("A\u0100");
    QTest::newRow("Chinese folder name")
        << read(RegSz, utf16le(QStringLiteral("D:\\工具\\系统信息")) + kNul, 22) << "" << true
        << QStringLiteral("D:\\工具\\系统信息");
    QTest::newRow("empty string") << read(RegSz, kNul, 2) << "x" << true << "";
    QTest::newRow("reported length beyond the buffer")
        << read(RegSz, terminated, terminated.size() + 50) << "" << true << path;

    QTest::newRow("number 1") << read(RegDword, QByteArray("\x01\x00\x00\x00", 4), 4) << "" << true
                              << "1";
    QTest::newRow("number with a zero high byte keeps its bytes")
        << read(RegDword, QByteArray("\x00\x01\x00\x00", 4), 4) << "" << true << "256";
    QTest::newRow("number is little-endian")
        << read(RegDword, QByteArray("\x78\x56\x34\x12", 4), 4) << "" << true << "305419896";
    QTest::newRow("number above the signed range")
        << read(RegDword, QByteArray("\xff\xff\xff\xff", 4), 4) << "" << true << "4294967295";
    QTest::newRow("number zero") << read(RegDword, QByteArray(4, '\0'), 4) << "old" << true << "0";
    QTest::newRow("number in a larger buffer")
        << read(RegDword, QByteArray("\x10\x27\x00\x00\x55\x55", 6), 4) << "" << true << "10000";
}

void TestRegistryValue::decode()
{
    QFETCH(std::optional<RegistryValue>, value);
    QFETCH(QString, before);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    QString KeyVal = before;
    QCOMPARE(decodeKeyValue(value, KeyVal), ok);
    QCOMPARE(KeyVal, expected);
}

void TestRegistryValue::otherTypesKeepTheCallersText()
{
    for (quint32 type : {quint32(RegNone), quint32(RegExpandSz), quint32(RegBinary), 7u}) {
        QString KeyVal = QStringLiteral("as passed");
        QVERIFY(decodeKeyValue(read(type, utf16le("C:\\x") + kNul, 8), KeyVal));
        QCOMPARE(KeyVal, QStringLiteral("as passed"));
    }
}

// The stand-in on systems without a registry: the first system-information
// program of its list that is on the search path.
void TestRegistryValue::standInAnswersTheInformationProgram()
{
    QTemporaryDir first;
    QTemporaryDir second;
    const auto makeProgram = [](const QTemporaryDir &dir, const QString &name) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeUser);
    };
    makeProgram(first, QStringLiteral("gnome-system-monitor"));
    makeProgram(second, QStringLiteral("hardinfo"));
    // Not executable: not a program to start.
    QFile plain(first.filePath(QStringLiteral("kinfocenter")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    PathRegistry registry({QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                           QStringLiteral("gnome-system-monitor")},
                          {first.path(), second.path()});
    QString KeyVal;
    QVERIFY(decodeKeyValue(registry.queryValue(RegistryRoot::LocalMachine,
                                               QStringLiteral("SOFTWARE\\Microsoft\\Shared "
                                                              "Tools\\MSINFO"),
                                               QStringLiteral("PATH")),
                           KeyVal));
    QCOMPARE(KeyVal, second.filePath(QStringLiteral("hardinfo")));

    // Registry names ignore case.
    QVERIFY(decodeKeyValue(registry.queryValue(RegistryRoot::LocalMachine,
                                               QStringLiteral("software\\microsoft\\shared "
                                                              "tools\\msinfo"),
                                               QStringLiteral("Path")),
                           KeyVal));
    QCOMPARE(KeyVal, second.filePath(QStringLiteral("hardinfo")));

    PathRegistry withoutHardinfo({QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                                  QStringLiteral("gnome-system-monitor")},
                                 {first.path()});
    QVERIFY(decodeKeyValue(
        withoutHardinfo.queryValue(RegistryRoot::LocalMachine,
                                   QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                   QStringLiteral("PATH")),
        KeyVal));
    QCOMPARE(KeyVal, first.filePath(QStringLiteral("gnome-system-monitor")));
}

void TestRegistryValue::standInKnowsNothingElse()
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("hardinfo")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeUser);
    PathRegistry registry({QStringLiteral("hardinfo")}, {dir.path()});

    QString KeyVal = QStringLiteral("left over");
    QVERIFY(!decodeKeyValue(
        registry.queryValue(RegistryRoot::LocalMachine,
                            QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                            QStringLiteral("MSINFO")),
        KeyVal));
    QCOMPARE(KeyVal, QString());
    QVERIFY(!registry.queryValue(RegistryRoot::CurrentUser,
                                 QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                 QStringLiteral("PATH")));

    PathRegistry empty({QStringLiteral("hardinfo")}, {dir.filePath(QStringLiteral("none"))});
    QVERIFY(!empty.queryValue(RegistryRoot::LocalMachine,
                              QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                              QStringLiteral("PATH")));
}

QTEST_APPLESS_MAIN(TestRegistryValue)
#include "tst_registryvalue.moc"
