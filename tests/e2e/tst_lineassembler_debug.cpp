// The line assembler against the real DEBUG.COM: every line of the table is
// assembled by DEBUG's A in DOSBox and dumped with D, and the line assembler
// must make the same bytes of it, or refuse it where DEBUG does.

#include "debugging/lineassembler.h"
#include "dosreference.h"
#include "lineassemblerrows.h"
#include "mainfixture.h"
#include "realtools.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestLineAssemblerDebug : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsDebug_data();
    void sameAsDebug();

private:
    struct Answer
    {
        bool refused = false;
        quint16 segment = 0;
        QByteArray bytes;
    };
    QList<Answer> answers; // one per row, in order
    QString failure;
};

void TestLineAssemblerDebug::initTestCase()
{
    REQUIRE_DOSBOX();
    REQUIRE_REAL_TOOLS();
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString c = work.filePath(QStringLiteral("c"));
    QVERIFY(QDir().mkpath(c));
    QVERIFY(QFile::copy(realToolsFolder() + QStringLiteral("/DEBUG.COM"),
                        c + QStringLiteral("/DEBUG.COM")));
    // Each line on its own: A, the line, an empty line to end A, then D of
    // what it made (kept inside the segment, which D will not leave).
    QByteArray commands;
    for (const AssemblerRow &row : kAssemblerRows) {
        const QByteArray at = QByteArray::number(row.offset, 16).toUpper();
        const int length = qMin(8, 0x10000 - row.offset);
        commands += "A " + at + '\r' + row.text + "\r\rD " + at + " L" +
                    QByteArray::number(length, 16) + '\r';
    }
    QVERIFY(writeFile(c + QStringLiteral("/CMDS.TXT"), commands + "Q\r"));
    if (!runDosbox({DosboxJob{c, {}, {QStringLiteral("DEBUG < CMDS.TXT > OUT.TXT")}}}, work.path(),
                   &failure))
        return;
    // DEBUG's answers, each after its "-" prompt: A's lines (an address
    // before each line it takes, "^ Error" under one it refuses), then D's.
    const QString out =
        QString::fromLatin1(fileBytes(c + QStringLiteral("/OUT.TXT"))).remove(u'\r');
    const QStringList blocks = (u'\n' + out).split(QStringLiteral("\n-"));
    static const QRegularExpression address(QStringLiteral("^([0-9A-F]{4}):([0-9A-F]{4})"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression hexByte(QStringLiteral("[0-9A-F]{2}"));
    for (qsizetype i = 0; i < qsizetype(std::size(kAssemblerRows)); ++i) {
        if (2 * i + 2 >= blocks.size()) {
            failure = QStringLiteral("DEBUG's output ends early:\n") + out.right(500);
            return;
        }
        const QString assembled = blocks[2 * i + 1], dumped = blocks[2 * i + 2];
        Answer answer;
        answer.refused = assembled.contains(QStringLiteral("Error"));
        QList<QRegularExpressionMatch> addresses;
        for (const QRegularExpressionMatch &m : address.globalMatch(assembled))
            addresses << m;
        if (addresses.isEmpty()) {
            failure = QStringLiteral("no address in DEBUG's A:\n") + assembled;
            return;
        }
        answer.segment = quint16(addresses.first().captured(1).toUInt(nullptr, 16));
        const int length = int(
            quint16(addresses.last().captured(2).toUInt(nullptr, 16) - kAssemblerRows[i].offset));
        QByteArray shown;
        for (const QString &line : dumped.split(u'\n').mid(1))
            for (const QRegularExpressionMatch &m : hexByte.globalMatch(line.mid(11, 48)))
                shown += char(m.captured().toUInt(nullptr, 16));
        answer.bytes = shown.left(length);
        answers << answer;
    }
}

void TestLineAssemblerDebug::sameAsDebug_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kAssemblerRows)); ++i)
        QTest::addRow("%s @%X", kAssemblerRows[i].text, kAssemblerRows[i].offset) << i;
}

void TestLineAssemblerDebug::sameAsDebug()
{
    QFETCH(int, index);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(index < answers.size());
    const AssemblerRow &row = kAssemblerRows[index];
    const Answer &debug = answers[index];
    const AssembledLine line = assembleLine(QString::fromUtf8(row.text), debug.segment, row.offset);
    if (debug.refused) {
        QVERIFY2(!line.error.isEmpty(), qPrintable(line.bytes.toHex(' ')));
        return;
    }
    QVERIFY2(line.error.isEmpty(), qPrintable(line.error));
    QCOMPARE(line.bytes.toHex(' ').toUpper(), debug.bytes.toHex(' ').toUpper());
}

QTEST_GUILESS_MAIN(TestLineAssemblerDebug)
#include "tst_lineassembler_debug.moc"
