#include "debugging/disassembler.h"
#include "machine/cpu.h"

#include <QTest>

// Machine code as the disassembly shows it: MASM's words, in capitals, that
// MASM would take back (segments on bare addresses, far calls and jumps by
// name, string instructions without their implied operands).
class TestDisassembler : public QObject
{
    Q_OBJECT
private slots:
    void instruction_data();
    void instruction();
    void runsOn();
};

namespace {

// The first megabyte with bytes at 1000:offset.
QByteArray memoryWith(quint16 offset, const QByteArray &bytes)
{
    QByteArray memory(Cpu::memorySize, 0);
    for (int i = 0; i < bytes.size(); ++i)
        memory[linear(0x1000, quint16(offset + i))] = bytes[i];
    return memory;
}

} // namespace

void TestDisassembler::instruction_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("immediate") << QByteArray::fromHex("B8AD04") << 0 << "MOV AX,4ADH" << 3;
    QTest::newRow("a number that starts with a letter") << QByteArray::fromHex("B0FF") << 0
                                                       << "MOV AL,0FFH" << 2;
    QTest::newRow("based with a displacement")
        << QByteArray::fromHex("8B46FE") << 0 << "MOV AX,WORD PTR [BP-2]" << 3;
    QTest::newRow("a bare address names its segment")
        << QByteArray::fromHex("A00200") << 0 << "MOV AL,BYTE PTR DS:[2]" << 3;
    QTest::newRow("an indirect jump through a bare address")
        << QByteArray::fromHex("FF263412") << 0 << "JMP WORD PTR DS:[1234H]" << 4;
    QTest::newRow("segment override") << QByteArray::fromHex("26881D") << 0
                                      << "MOV BYTE PTR ES:[DI],BL" << 3;
    QTest::newRow("repeated string") << QByteArray::fromHex("F3A4") << 0 << "REP MOVSB" << 2;
    QTest::newRow("repeated store") << QByteArray::fromHex("F3AB") << 0 << "REP STOSW" << 2;
    QTest::newRow("string from another segment")
        << QByteArray::fromHex("2EA4") << 0 << "MOVSB BYTE PTR ES:[DI],BYTE PTR CS:[SI]" << 2;
    QTest::newRow("far call") << QByteArray::fromHex("9A00000050") << 0 << "CALL FAR PTR 5000H:0"
                              << 5;
    QTest::newRow("far jump") << QByteArray::fromHex("EA10000020") << 0 << "JMP FAR PTR 2000H:10H"
                              << 5;
    QTest::newRow("a jump's target is an offset in CS")
        << QByteArray::fromHex("74F0") << 0x110 << "JE 102H" << 2;
    QTest::newRow("service") << QByteArray::fromHex("CD21") << 0 << "INT 21H" << 2;
    QTest::newRow("return") << QByteArray::fromHex("C3") << 0 << "RET" << 1;
    QTest::newRow("no instruction starts so") << QByteArray::fromHex("FE38") << 0 << "DB 0FEH" << 1;
    // IP wraps within the segment: the bytes at FFFF and then at 0000.
    QTest::newRow("across the segment's end") << QByteArray::fromHex("B005") << 0xFFFF
                                              << "MOV AL,5" << 2;
}

void TestDisassembler::instruction()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(QString, text);
    QFETCH(int, length);
    const QByteArray memory = memoryWith(quint16(offset), bytes);
    const QList<Disassembled> got = disassemble(memory, 0x1000, quint16(offset), 1);
    QCOMPARE(got.size(), 1);
    QCOMPARE(got[0].text, text);
    QCOMPARE(got[0].bytes.size(), length);
    QCOMPARE(got[0].offset, quint16(offset));
}

// Each instruction starts where the last one ended.
void TestDisassembler::runsOn()
{
    const QByteArray memory = memoryWith(0x100, QByteArray::fromHex("B8AD048ED80F0405CD21"));
    const QList<Disassembled> got = disassemble(memory, 0x1000, 0x100, 4);
    QStringList texts;
    QList<quint16> offsets;
    for (const Disassembled &d : got) {
        texts << d.text;
        offsets << d.offset;
    }
    QCOMPARE(texts, (QStringList{"MOV AX,4ADH", "MOV DS,AX", "DB 0FH", "ADD AL,5"}));
    QCOMPARE(offsets, (QList<quint16>{0x100, 0x103, 0x105, 0x106}));
}

QTEST_APPLESS_MAIN(TestDisassembler)
#include "tst_disassembler.moc"
