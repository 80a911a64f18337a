#include "realtools.h"
#include "rules/messageexplanations.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

// The shipped explanations of the tools' messages, against the tools themselves.
class TestMessageExplanations : public QObject
{
    Q_OBJECT
private slots:
    void everyMessageOfTheToolsHasAnEntry_data();
    void everyMessageOfTheToolsHasAnEntry();
    void printedLineIsExplained_data();
    void printedLineIsExplained();
    void unresolvedExternalsAreNamed();
    void explanationsFollowTheirLines();
    void everyNameHasWhatItStandsFor();
    void faultyDataIsRefused_data();
    void faultyDataIsRefused();
};

// MASM and LINK keep their messages in tables: "<<FMSG>>" or "<<NMSG>>",
// then per message a 16-bit number and the text ending in a zero byte.
static QList<std::pair<int, QString>> messageTable(const QByteArray &exe, const char *tag)
{
    QList<std::pair<int, QString>> out;
    qsizetype i = exe.indexOf(tag);
    if (i < 0)
        return out;
    i += qstrlen(tag);
    while (i + 2 < exe.size()) {
        const int number = quint8(exe[i]) | quint8(exe[i + 1]) << 8;
        const qsizetype end = exe.indexOf('\0', i + 2);
        if (number == 0 || number == 0xFFFF || end < 0 || end == i + 2)
            break;
        out << std::pair{number, QString::fromLatin1(exe.mid(i + 2, end - i - 2))};
        i = end + 1;
    }
    return out;
}

static QByteArray tool(const QString &name)
{
    QFile f(QDir(realToolsFolder()).filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What each tool can print, as its own bytes hold it: (code or empty, text).
static QList<std::pair<QString, QString>> toolMessages(const QString &which)
{
    QList<std::pair<QString, QString>> out;
    if (which == "MASM numbered") {
        // Its numbered messages come before the options of its usage text.
        for (const auto &[n, text] : messageTable(tool("MASM.EXE"), "<<FMSG>>"))
            if (n < 0x190)
                out << std::pair{QStringLiteral("A"), text};
    } else if (which == "MASM console") {
        // Its figures and banner are no messages.
        static const QRegularExpression figure(u"%\\d|Copyright|Errors$|symbol space| A%c"_qs);
        for (const auto &[n, text] : messageTable(tool("MASM.EXE"), "<<NMSG>>"))
            if (!text.contains(figure))
                out << std::pair{QString(), text.trimmed()};
    } else if (which == "LINK") {
        // Numbered L1001 to L4999; the lower numbers are its prompts.
        for (const auto &[n, text] : messageTable(tool("LINK.EXE"), "<<FMSG>>"))
            if (n >= 1000 && n < 5000)
                out << std::pair{QStringLiteral("L%1").arg(n), text.trimmed()};
    } else {
        // EXE2BIN keeps plain texts; a message is a capital word, a blank and
        // more words.
        static const QRegularExpression run(u"[\\x20-\\x7e\\r\\n]{10,}"_qs);
        static const QRegularExpression words(u"^[A-Z][a-z]*[A-Za-z -]* [a-z]"_qs);
        const QString exe = QString::fromLatin1(tool("EXE2BIN.EXE"));
        for (const QRegularExpressionMatch &m : run.globalMatch(exe))
            for (const QString &part : m.captured().split(QRegularExpression(u"[$\\r\\n]+"_qs)))
                if (part.trimmed().contains(words))
                    out << std::pair{QString(), part.trimmed()};
    }
    return out;
}

void TestMessageExplanations::everyMessageOfTheToolsHasAnEntry_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("least");
    QTest::newRow("MASM numbered") << "MASM numbered"
                                   << "MASM" << 100;
    QTest::newRow("MASM console") << "MASM console"
                                  << "MASM" << 20;
    QTest::newRow("LINK") << "LINK"
                          << "LINK" << 70;
    QTest::newRow("EXE2BIN") << "EXE2BIN"
                             << "EXE2BIN" << 9;
}

void TestMessageExplanations::everyMessageOfTheToolsHasAnEntry()
{
    REQUIRE_REAL_TOOLS();
    QFETCH(QString, tool);
    QFETCH(QString, name);
    QFETCH(int, least);
    const auto messages = toolMessages(tool);
    // A table not found would pass every check below.
    QVERIFY2(messages.size() >= least, qPrintable(QString::number(messages.size())));
    const MessageExplanations &shipped = MessageExplanations::shipped();
    for (const auto &[code, text] : messages) {
        const auto found = std::find_if(
            shipped.entries().begin(), shipped.entries().end(), [&](const MessageEntry &e) {
                return e.tool == name && e.text.split(u'\n').contains(text) &&
                       (code.size() > 1
                            ? e.code == code
                            : e.code.startsWith(code) && e.code.isEmpty() == code.isEmpty());
            });
        QVERIFY2(found != shipped.entries().end(), qPrintable(code + u' ' + text));
        QVERIFY(!found->causes.isEmpty() && !found->fix.isEmpty());
    }
}

void TestMessageExplanations::printedLineIsExplained_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("says");
    // Lines as the real tools print them.
    QTest::newRow("symbol named") << "ERRS.ASM(33): error A2009: Symbol not defined: CNTX"
                                  << "A2009"
                                  << "符号 CNTX 没有定义";
    QTest::newRow("warning digit") << "WARN.ASM(18): warning A4031: Operand types must match"
                                   << "A4031"
                                   << "长度";
    QTest::newRow("same number as error") << "W.ASM(10): error A2057: Illegal size for operand"
                                          << "A2057"
                                          << "长度不合适";
    QTest::newRow("count filled in") << "X.ASM(8): error A2053: Jump out of range by 73 byte(s)"
                                     << "A2053"
                                     << "超出了 73 个字节";
    QTest::newRow("expected what")
        << "Bad.asm(32): error A2105: Expected: instruction, directive, or label"
        << "A2105"
        << "应该是：instruction, directive, or label";
    QTest::newRow("file named") << "X.ASM(1): error A2116: Include file not found: NOFILE.INC"
                                << "A2116"
                                << "NOFILE.INC";
    QTest::newRow("linker warning") << "    LINK : warning L4021: no stack segment"
                                    << "L4021"
                                    << "堆栈段";
    QTest::newRow("linker fatal") << "BAD.OBJ : fatal error L1101: invalid object module"
                                  << "L1101"
                                  << "目标模块无效";
    QTest::newRow("linker names first")
        << "LINK : error L2025: CNTX : symbol defined more than once"
        << "L2025"
        << "符号 CNTX";
    QTest::newRow("open segment") << "Open segments: CODE"
                                  << ""
                                  << "段 CODE 还没有用 ENDS 结束";
    QTest::newRow("no end") << "End of file encountered on input file"
                            << ""
                            << "END";
    QTest::newRow("input file") << "Unable to open input file: ABC.ASM"
                                << ""
                                << "ABC.ASM";
    QTest::newRow("after our own colon")
        << "EXE2BIN 没有生成 T.COM，它的输出：File cannot be converted"
        << ""
        << "不能转换为 .COM";
    QTest::newRow("heading") << " Assembling Report:"
                             << "-"
                             << "";
    QTest::newRow("summary") << "      0 Warning Errors"
                             << "-"
                             << "";
    QTest::newRow("unknown code") << "X.ASM(1): error A2999: Made up"
                                  << "-"
                                  << "";
}

void TestMessageExplanations::printedLineIsExplained()
{
    QFETCH(QString, line);
    QFETCH(QString, code);
    QFETCH(QString, says);
    const std::optional<Explanation> e = MessageExplanations::shipped().explain(line);
    QCOMPARE(e.has_value(), code != "-");
    if (!e)
        return;
    QCOMPARE(e->code, code);
    QVERIFY2(e->meaning.contains(says) || e->fix.contains(says), qPrintable(e->meaning));
    QVERIFY2(!(e->meaning + e->causes + e->fix).contains(u'{'), qPrintable(e->meaning));
}

void TestMessageExplanations::unresolvedExternalsAreNamed()
{
    // LINK 3.65's own words for two externals nobody defines.
    const QString printed = "LINK : error L2029: Unresolved externals:\r\n\r\n\r\n\r\n"
                            "CNTX in file(s):\r\n E1.OBJ(E1.ASM)\r\nSUM in file(s):\r\n"
                            " E1.OBJ(E1.ASM)\r\n\r\nThere was 1 error detected\r\n";
    const ExplainedText shown = explainText(MessageExplanations::shipped(), printed);
    const QStringList lines = shown.text.split("\r\n");
    QCOMPARE(lines[0], "LINK : error L2029: Unresolved externals:");
    QVERIFY2(lines[1].contains("CNTX、SUM"), qPrintable(lines[1]));
    QCOMPARE(shown.codes.size(), 1);
    QCOMPARE(shown.codes[0].code, "L2029");
    QCOMPARE(lines[0].mid(shown.codes[0].start, shown.codes[0].length), "L2029");
}

// The report keeps every line the tool printed, in order, with the lines
// that explain right under their message.
void TestMessageExplanations::explanationsFollowTheirLines()
{
    const QString report = " Assembling Report:\r\n"
                           "    ERRS.ASM(33): error A2009: Symbol not defined: CNTX\r\n"
                           "    ERRS.ASM(35): error A2050: Value out of range\r\n"
                           " 汇编总结报告：\r\n";
    const ExplainedText shown = explainText(MessageExplanations::shipped(), report);
    QStringList lines = shown.text.split("\r\n");
    QVERIFY(shown.text.endsWith("\r\n"));
    lines.removeLast();
    QCOMPARE(lines[2].trimmed(), "→ 符号 CNTX 没有定义。");
    QVERIFY(lines[2].startsWith("      →"));
    QStringList kept = lines;
    for (qsizetype i = shown.explanationLines.size() - 1; i >= 0; --i)
        kept.removeAt(shown.explanationLines[i]);
    QCOMPARE(kept.join("\r\n") + "\r\n", report);
    QCOMPARE(shown.codes.size(), 2);
    QCOMPARE(lines[shown.codes[1].line].mid(shown.codes[1].start, 5), "A2050");
}

void TestMessageExplanations::everyNameHasWhatItStandsFor()
{
    static const QRegularExpression mark(u"\\{(\\d)\\}"_qs);
    for (const MessageEntry &e : MessageExplanations::shipped().entries()) {
        for (const QRegularExpressionMatch &m : mark.globalMatch(e.meaning + e.causes + e.fix))
            QVERIFY2(m.captured(1).toInt() <= e.names.size(), qPrintable(e.code + e.text));
        // The help page states each in general words.
        QVERIFY(!explanationOf(e, e.code, {}).meaning.contains(u'{'));
        QCOMPARE(e.wrong.isEmpty(), e.right.isEmpty());
    }
}

void TestMessageExplanations::faultyDataIsRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("fault");
    const QByteArray one =
        R"({"code":"A2009","tool":"MASM","text":"Symbol not defined","meaning":"m"})";
    QTest::newRow("code twice") << "{\"entries\":[" + one + "," + one + "]}"
                                << "A2009 is given twice";
    QTest::newRow("no meaning") << QByteArray(
                                       R"({"entries":[{"code":"A1","tool":"MASM","text":"t"}]})")
                                << "entry 1 lacks its text, meaning or tool";
    QTest::newRow("no entries") << QByteArray("{}") << "no entries";
}

void TestMessageExplanations::faultyDataIsRefused()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, fault);
    QString error;
    QVERIFY(MessageExplanations::fromJson(json, &error).entries().isEmpty());
    QCOMPARE(error, fault);
}

QTEST_GUILESS_MAIN(TestMessageExplanations)
#include "tst_messageexplanations.moc"
