#include "toolchain/linkmap.h"
#include "debugging/listing.h"
#include "debugging/sourcemap.h"
#include "rules/symboltable.h"
#include "mainfixture.h"

#include <QFileInfo>
#include <QTest>

// Listings written by the real MASM 5.10: each instruction found on the
// source line that produced it, though the listing numbers its own lines.
class TestListing : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void addresses();
    void symbols_data();
    void symbols();
    void elements_data();
    void elements();
};

static const QString kFixtures = QStringLiteral(KORVANE_FIXTURES);

void TestListing::lines_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("includes");
    // SEGMENT:OFFSET=LINE for an instruction, =LINEd for data, =FILE:LINE
    // for an include file's line; NAME=SEGMENT:OFFSET for a data label; errors=N.
    QTest::addColumn<QString>("expected");
    QTest::newRow("comments and blank lines between instructions")
        << "masm510/CLEAN.LST"
        << "masm510/CLEAN.ASM"
        << ""
        << "CODE:0000=22 CODE:0003=23 CODE:0008=25 CODE:000A=31 CODE:000C=32 errors=0";
    QTest::newRow("page breaks, DUP data, an error line")
        << "masm510/LONG.LST"
        << "masm510/LONG.ASM"
        << ""
        << "DATA:0000=12d CODE:0000=140 CODE:0005=142 CODE:01CC=298 CODE:01D2=301 errors=1";
    QTest::newRow("include, macro call, .XLIST, IF 0, a wrapped line with tabs")
        << "debugger/XLIST.LST"
        << "debugger/XLIST.ASM"
        << "debugger/inc"
        << "DATA:0000=4d DATA:0011=6d CODE:0005=14 CODE:000A=14 CODE:000D=22 CODE:0015=25 "
           "CODE:001B=29 MSG1=DATA:0000 BIG=DATA:0013 NUM=DATA:0011";
    QTest::newRow("nested macros, listing modes, REPT, long data, TITLE")
        << "debugger/MODES.LST"
        << "debugger/MODES.ASM"
        << "debugger/modes"
        << "DATA:0000=4d DATA:002D=5d CODE:0005=11 CODE:000B=12 CODE:0011=12 CODE:0012=14 "
           "CODE:001E=18 CODE:0020=21 CODE:0026=22 CODE:0029=29 errors=0";
    QTest::newRow(".MODEL, STRUC and RECORD data")
        << "debugger/STRUCTS.LST"
        << "corpus/STRUCTS.ASM"
        << ""
        << "_DATA:0000=13d _DATA:000D=14d _DATA:0041=16d _TEXT:0000=18 _TEXT:001C=29 "
           "FL=_DATA:0041";
    QTest::newRow("macros from an include file, REPT data")
        << "debugger/MACROS.LST"
        << "corpus/MACROS.ASM"
        << "corpus/inc"
        << "_DATA:0011=10d _TEXT:0005=20 _TEXT:000F=20 _TEXT:0010=21 _TEXT:001D=24 _TEXT:002D=27";
}

void TestListing::lines()
{
    QFETCH(QString, listing);
    QFETCH(QString, source);
    QFETCH(QString, includes);
    QFETCH(QString, expected);
    const QString folder = kFixtures + '/' + includes;
    const ProgramListing read =
        readListing(fileBytes(kFixtures + '/' + listing), fileBytes(kFixtures + '/' + source),
                    "MAIN", [&](const QByteArray &name) -> std::optional<IncludedFile> {
                        const QString path = folder + '/' + QString::fromLatin1(name).toUpper();
                        if (includes.isEmpty() || !QFileInfo::exists(path))
                            return std::nullopt;
                        return IncludedFile{path, fileBytes(path)};
                    });
    QStringList seen;
    const auto hex = [](quint16 v) {
        return QString::number(v, 16).toUpper().rightJustified(4, '0');
    };
    for (const QString &want : expected.split(' ')) {
        const QString key = want.section('=', 0, 0);
        if (key == "errors")
            seen << "errors=" + QString::number(read.severeErrors);
        for (const ListedLabel &l : read.data)
            if (l.name == key)
                seen << l.name + '=' + l.segment + ':' + hex(l.offset);
        for (const ListedCode &c : read.code) {
            if (c.segment + ':' + hex(c.offset) != key)
                continue;
            const QString file =
                c.line.file == "MAIN" ? QString() : QFileInfo(c.line.file).fileName() + ':';
            seen << key + '=' + file + QString::number(c.line.line) + (c.instruction ? "" : "d");
        }
    }
    QCOMPARE(seen.join(' '), expected);
}

// Through the map, from the load address: where a step stops, where lines
// are, and what the memory panel offers.
void TestListing::addresses()
{
    const QString name = kFixtures + "/debugger/XLIST";
    const ProgramListing listing =
        readListing(fileBytes(name + ".LST"), fileBytes(name + ".ASM"), "MAIN", {});
    LinkMap map;
    map.starts = {{"DATA", 0}, {"CODE", 0x20}};
    map.end = 0x3C;
    const SourceMap source(listing, map, 0x20000, "MAIN");
    QCOMPARE(source.lineAt(0x20020 + 0x0A).line, 14); // INT 21H of the macro call
    QVERIFY(source.isLineStart(0x20020 + 0x05));
    QVERIFY(!source.isLineStart(0x20020 + 0x08));
    QCOMPARE(source.lineWithCode({"MAIN", 15}), SourceLine({"MAIN", 22}));
    QCOMPARE(source.firstAddress({"MAIN", 20}), ~0u);
    QCOMPARE(source.lineText({"MAIN", 22}), QString("第 22 行"));
    QCOMPARE(source.lineText({"/x/MACS.INC", 3}), QString("MACS.INC 第 3 行"));
    QCOMPARE(source.dataLabels().value(3).name, QString("NUM"));
    QCOMPARE(source.dataLabels().value(3).segment, quint16(0x2000));
    QCOMPARE(readLinkMap(fileBytes(kFixtures + "/masm510/CLEAN.MAP")).starts.value("CODE"), 0x100u);
}

QTEST_GUILESS_MAIN(TestListing)

void TestListing::symbols_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<uint>("value");
    QTest::addColumn<QString>("segment");
    using K = ListedSymbol::Kind;
    QTest::newRow("word") << "masm510/ERRS" << "CNT" << int(K::Data) << 2 << 0x0Eu << "DATA";
    QTest::newRow("byte") << "masm510/ERRS" << "MSG" << int(K::Data) << 1 << 0u << "DATA";
    QTest::newRow("dword") << "debugger/XLIST" << "BIG" << int(K::Data) << 4 << 0x13u << "DATA";
    QTest::newRow("code label") << "debugger/XLIST" << "AGAIN" << int(K::Code) << 0 << 0x10u << "CODE";
    QTest::newRow("procedure") << "masm510/ERRS" << "MAIN" << int(K::Proc) << 0 << 0u << "CODE";
    QTest::newRow("constant") << "debugger/MACROS" << "N" << int(K::Number) << 0 << 9u << "";
    QTest::newRow("simplified segments") << "debugger/STRUCTS" << "FL" << int(K::Data) << 1 << 0x41u
                                         << "_DATA";
    QTest::newRow("text macro") << "masm510/CLEAN" << "@CPU" << int(K::Other) << 0 << 0x101u << "";
}

// The symbol table the real assembler wrote: what a label's value is read by.
void TestListing::symbols()
{
    QFETCH(QString, listing);
    QFETCH(QString, name);
    const QList<ListedSymbol> table = readSymbolTable(fileBytes(kFixtures + "/" + listing + ".LST"));
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const ListedSymbol &s) { return s.name == name; });
    QVERIFY2(found != table.end(), qPrintable(name));
    QTEST(int(found->kind), "kind");
    QTEST(found->size, "size");
    QTEST(uint(found->value), "value");
    if (found->kind != ListedSymbol::Kind::Other)
        QTEST(found->segment, "segment");
}

void TestListing::elements_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");
    QTest::newRow("a string up to the next name") << "masm510/ERRS" << "MSG" << 14;
    QTest::newRow("the last word of its segment") << "masm510/ERRS" << "CNT" << 1;
    QTest::newRow("bytes up to a word") << "debugger/XLIST" << "BUF" << 12;
    QTest::newRow("a word before a dword") << "debugger/XLIST" << "NUM" << 1;
}

// How many elements a variable shows: what lies before the next name.
void TestListing::elements()
{
    QFETCH(QString, listing);
    QFETCH(QString, name);
    const QByteArray bytes = fileBytes(kFixtures + "/" + listing + ".LST");
    const QList<ListedSymbol> table = readSymbolTable(bytes);
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const ListedSymbol &s) { return s.name == name; });
    QVERIFY(found != table.end());
    QTEST(elementCount(*found, table, readSegmentLengths(bytes)), "count");
}

#include "tst_listing.moc"
