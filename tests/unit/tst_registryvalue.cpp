#include "help/registryvalue.h"
#include "platform/pathregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<RegistryValue>)

namespace {

// UTF-16 little-endian bytes of a text, as the registry holds strings.
QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    return bytes;
}

void decodeRow(const char *name, quint32 type, const QByteArray &buffer, qsizetype length,
               const QString &expected, const char *before = "")
{
    QTest::newRow(name) << std::optional<RegistryValue>(RegistryValue{type, buffer, length})
                        << QString::fromUtf8(before) << expected;
}

const QByteArray kNul(2, '\0');
const QString kMsinfo = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");

} // namespace

class TestRegistryValue : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void standIn();
};

void TestRegistryValue::decode_data()
{
    QTest::addColumn<std::optional<RegistryValue>>("value");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("expected");

    const QString path = QStringLiteral("C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe");
    const QByteArray bare = utf16le(path);
    const QByteArray terminated = bare + kNul;

    QTest::newRow("missing key: false and empty")
        << std::optional<RegistryValue>() << "left over" << QString();
    decodeRow("string without a terminating NUL", RegSz, bare, bare.size(), path);
    decodeRow("string in a larger buffer is cut to the reported length", RegSz,
              terminated + utf16le("garbage") + QByteArray(900, '\0'), terminated.size(), path);
    decodeRow("string with its terminating NUL, reported length beyond the buffer", RegSz,
              terminated, terminated.size() + 50, path);
    decodeRow("only one terminating NUL is dropped", RegSz, terminated + kNul, bare.size() + 4,
              path + QChar(0));
    decodeRow("a zero byte inside a character is no NUL", RegSz, utf16le(u"A\u0100"_qs), 4,
              u"A\u0100"_qs);
    decodeRow("empty string", RegSz, kNul, 2, "", "x");

    decodeRow("number with a zero high byte keeps its bytes", RegDword, QByteArray("\0\1\0\0", 4),
              4, "256");
    decodeRow("number is little-endian, cut to the reported length", RegDword,
              "\x78\x56\x34\x12\x55\x55", 4, "305419896");
    decodeRow("number above the signed range", RegDword, "\xff\xff\xff\xff", 4, "4294967295");
    decodeRow("number zero replaces the text", RegDword, QByteArray(4, '\0'), 4, "0", "old");

    decodeRow("any other type is read but leaves the text as it was", RegExpandSz,
              utf16le("C:\\x") + kNul, 8, "kept", "kept");
}

void TestRegistryValue::decode()
{
    QFETCH(std::optional<RegistryValue>, value);
    QFETCH(QString, before);
    QFETCH(QString, expected);
    QString KeyVal = before;
    QCOMPARE(decodeKeyValue(value, KeyVal), value.has_value());
    QCOMPARE(KeyVal, expected);
}

// The stand-in on systems without a registry knows only the system-information program's path:
// the first program of its list found in the search folders.
void TestRegistryValue::standIn()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
    for (const char *name : {"a/gnome-system-monitor", "a/kinfocenter", "b/hardinfo"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        // kinfocenter is left without the right to run: no program to start.
        if (!f.fileName().endsWith("kinfocenter"))
            QVERIFY(f.setPermissions(f.permissions() | QFile::ExeUser));
    }
    const auto query = [&](const QStringList &folders, const QString &key, const QString &name,
                           RegistryRoot root = RegistryRoot::LocalMachine) {
        QStringList paths;
        for (const QString &folder : folders)
            paths << dir.filePath(folder);
        PathRegistry registry({"hardinfo", "kinfocenter", "gnome-system-monitor"}, paths);
        QString KeyVal;
        return decodeKeyValue(registry.queryValue(root, key, name), KeyVal) ? KeyVal : "missing";
    };

    QCOMPARE(query({"a", "b"}, kMsinfo, "PATH"), dir.filePath("b/hardinfo"));
    QCOMPARE(query({"a", "b"}, kMsinfo.toLower(), "Path"), dir.filePath("b/hardinfo")); // any case
    QCOMPARE(query({"a"}, kMsinfo, "PATH"), dir.filePath("a/gnome-system-monitor"));
    QCOMPARE(query({"none"}, kMsinfo, "PATH"), "missing");
    // Every other value is missing, the folder of MSINFO32.EXE included.
    QCOMPARE(query({"a", "b"}, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO"), "missing");
    QCOMPARE(query({"a", "b"}, kMsinfo, "PATH", RegistryRoot::CurrentUser), "missing");
}

QTEST_APPLESS_MAIN(TestRegistryValue)
#include "tst_registryvalue.moc"
