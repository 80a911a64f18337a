#include "debugging/disassembler.h"
#include "debugging/lineassembler.h"
#include "lineassemblerrows.h"

#include <QTest>

// Lines typed as DEBUG's A command takes them, turned into machine code.
class TestLineAssembler : public QObject
{
    Q_OBJECT
private slots:
    void assemble_data();
    void assemble();
};

void TestLineAssembler::assemble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // part of it; empty when the line assembles
    // What DEBUG itself made of each line.
    for (const AssemblerRow &row : kAssemblerRows)
        QTest::addRow("%s @%X", row.text, row.offset)
            << QString::fromUtf8(row.text) << uint(row.offset) << QByteArray::fromHex(row.hex)
            << QString::fromUtf8(row.error);
    // Where this DEBUG falls short, the line assembler goes MASM's way.
    const auto own = [](const char *name, const char *text, const char *hex, const char *error) {
        QTest::newRow(name) << QString::fromUtf8(text) << 0x100u << QByteArray::fromHex(hex)
                            << QString::fromUtf8(error);
    };
    own("SAL is SHL", "SAL AX,1", "D1E0", "");
    own("XLATB", "XLATB", "D7", "");
    own("RETN keeps its number", "RETN 4", "C20400", "");
    own("override in the operand", "MOV AX,ES:[BX]", "268B07", "");
    own("override in the destination", "MOV ES:[BX+2],AL", "26884702", "");
    own("override on a bare offset", "MOV AX,DS:[1234]", "3EA13412", "");
    own("DWORD PTR is far", "JMP DWORD PTR [BX]", "FF2F", "");
    own("Chinese text as GBK", "DB '中'", "D6D0", "");
    own("empty line", "   ", "", "");
    own("comment only", "; nothing", "", "");
    // This DEBUG quietly makes something else of these.
    own("SHORT out of reach", "JMP SHORT 200", "", "太远");
    own("no short call", "CALL SHORT 110", "", "操作数不对");
    own("three operands", "ADD AX,BX,CX", "", "太多");
    own("open bracket", "MOV AX,[BX", "", "方括号");
    own("POP CS", "POP CS", "", "操作数不对");
    own("MUL has one operand", "MUL AX,BX", "", "操作数不对");
    own("open quote", "DB 'AB", "", "引号");
    own("operand to a plain instruction", "NOP 1", "", "没有操作数");
}

void TestLineAssembler::assemble()
{
    QFETCH(QString, text);
    QFETCH(uint, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const AssembledLine line = assembleLine(text, kAssemblerRowSegment, quint16(offset));
    if (!error.isEmpty()) {
        QVERIFY2(line.error.contains(error), qPrintable(line.error));
        QVERIFY(line.bytes.isEmpty());
        return;
    }
    QVERIFY2(line.error.isEmpty(), qPrintable(line.error));
    QCOMPARE(line.bytes.toHex(' ').toUpper(), bytes.toHex(' ').toUpper());

    // The disassembly reads the bytes back as one instruction (data and a
    // prefix alone are none).
    const QString word = text.trimmed().section(u' ', 0, 0).toUpper();
    static const QByteArray prefixes = QByteArray::fromHex("262E363EF0F2F3");
    if (bytes.isEmpty() || word == u"DB" || word == u"DW" ||
        (bytes.size() == 1 && prefixes.contains(bytes[0])))
        return;
    static QByteArray memory(0x100000, '\0');
    const quint32 at = kAssemblerRowSegment * 16u + offset;
    memory.fill('\0');
    memory.replace(at, bytes.size(), bytes);
    const QList<Disassembled> back = disassemble(memory, kAssemblerRowSegment, offset, 1);
    QCOMPARE(back.size(), 1);
    QVERIFY2(back[0].bytes == bytes, qPrintable(back[0].text));
}

QTEST_GUILESS_MAIN(TestLineAssembler)
#include "tst_lineassembler.moc"
