#include "debugging/debugconsole.h"
#include "dosreference.h"
#include "realtools.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The 命令 panel's DEBUG and DEBUG.COM itself in DOSBox are given the same
// lines over the same bytes: what each writes back must be the same, line
// for line, blanks included. The bytes hold an instruction of every kind
// the 8086 has, one to a 16-byte slot, so that U is checked on them all.

namespace {

constexpr quint16 kFirstSlot = 0x1000;

// Every opcode with register and memory operands of each form, every
// member of the groups, and the prefixes before what they go with.
QList<QByteArray> instructionSlots()
{
    QList<QByteArray> cells;
    auto add = [&](std::initializer_list<int> bytes) {
        QByteArray b;
        for (int v : bytes)
            b += char(v);
        cells << b;
    };
    const QList<int> prefixes{0x26, 0x2E, 0x36, 0x3E, 0xF0, 0xF2, 0xF3};
    for (int op = 0; op < 256; ++op) {
        // DEBUG writes the 8087's own instructions (D8-DF), which no 8086
        // lab uses; the panel writes them as ESC, as the 8086 knows them.
        if (prefixes.contains(op) || (op >= 0xD8 && op <= 0xDF))
            continue;
        for (int modrm : {0xC1, 0x46, 0x06, 0x87})
            add({op, modrm, 0xFE, 0x34, 0x12, 0x78, 0x56});
    }
    for (int op : {0x80, 0x81, 0x83, 0x8F, 0xC6, 0xC7, 0xD0, 0xD1, 0xD2, 0xD3, 0xF6, 0xF7, 0xFE,
                   0xFF, 0x8C, 0x8E, 0xC4, 0xC5, 0x8D})
        for (int reg = 0; reg < 8; ++reg) {
            for (int mod : {0xC0, 0x40, 0x00})
                add({op, mod | reg << 3 | 3, 0x82, 0x34, 0x12, 0x78});
            add({op, reg << 3 | 6, 0x34, 0x12, 0x78, 0x56});
        }
    for (int p : {0x26, 0x2E, 0x36, 0x3E}) {
        add({p, 0x8B, 0x07});
        add({p, 0xA4});
        add({p, 0xA1, 0x34, 0x12});
    }
    for (int p : {0xF2, 0xF3})
        for (int s : {0xA4, 0xA5, 0xA6, 0xA7, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0x90})
            add({p, s});
    add({0xF0, 0x90});
    return cells;
}

QByteArray slotImage(const QList<QByteArray> &cells)
{
    QByteArray image;
    for (const QByteArray &s : cells)
        image += s + QByteArray(16 - s.size(), '\0');
    return image;
}

QString hex(int v)
{
    return QString::number(v, 16).toUpper();
}

// The lines typed: the registers, then every slot's U, then the other
// commands over the cells' bytes, wrong lines among them.
QStringList commandLines(int slotCount)
{
    QStringList lines{QStringLiteral("R IP"), QStringLiteral("1010"), QStringLiteral("R"),
                      QStringLiteral("U")};
    for (int i = 0; i < slotCount; ++i)
        lines << QStringLiteral("U %1 L1").arg(hex(kFirstSlot + 16 * i));
    lines << QStringList{
        QStringLiteral("D 1000 L40"),  QStringLiteral("D"),
        QStringLiteral("D 1005 L23"),  QStringLiteral("D 100F L3"),
        QStringLiteral("D 1000 100A"), QStringLiteral("D1030 L8"),
        QStringLiteral("D 1008 L4"),
        QStringLiteral("E 1000 41 \"BC\" 7F 80 FF"), QStringLiteral("D 1000 L8"),
        QStringLiteral("F 1010 L13 AA 55"), QStringLiteral("D 1010 L20"),
        QStringLiteral("S 1000 L40 AA 55"), QStringLiteral("S 1000 L40 \"BC\""),
        QStringLiteral("S 1000 L10 99"), QStringLiteral("S 1010 L4 AA 55"), QStringLiteral("C 1000 L8 1010"),
        QStringLiteral("C 1000 L4 1000"), QStringLiteral("M 1000 L4 1030"),
        QStringLiteral("D 1030 L8"),   QStringLiteral("H 5 3"),
        QStringLiteral("H 3 5"),       QStringLiteral("H FFFF 1"),
        QStringLiteral("RAX"),         QStringLiteral("1234"),
        QStringLiteral("R BX"),        QString(),
        QStringLiteral("RF"),          QStringLiteral("ZR CY NG"),
        QStringLiteral("R"),           QStringLiteral("RF"),
        QStringLiteral("XX"),          QStringLiteral("R ZZ"),
        QStringLiteral("XYZ"),         QStringLiteral("D 1000 L2 ZZ"),
        QStringLiteral("E 1000 ZZ"),   QStringLiteral("M 1000 L4"),
        QStringLiteral("U 1000,1005"), QStringLiteral("U 1010 L10"),
    };
    return lines;
}

// The memory and registers DEBUG.COM had: the cells' bytes where it
// loaded them.
class PlainTarget : public DebugTarget
{
public:
    Registers r;
    QByteArray bytes = QByteArray(Cpu::memorySize, '\0');
    Registers registers() const override { return r; }
    bool setRegisters(const Registers &registers) override
    {
        r = registers;
        return true;
    }
    QByteArray memory() const override { return bytes; }
    bool write(quint32 at, const QByteArray &data) override
    {
        bytes.replace(at, data.size(), data);
        return true;
    }
    std::optional<quint8> portIn(quint16) override { return std::nullopt; }
    bool portOut(quint16, quint8) override { return false; }
};

// DEBUG's output as lines: its CR LF ends lines, its echo of each typed CR
// leaves blank ones.
QStringList debugLines(const QByteArray &out)
{
    QStringList lines;
    for (QByteArray line : out.split('\r')) {
        line.replace('\n', "");
        if (!line.isEmpty())
            lines << QString::fromLatin1(line);
    }
    return lines;
}

} // namespace

class TestDebugConsoleDebug : public QObject
{
    Q_OBJECT
private slots:
    void sameAsDebug();
};

void TestDebugConsoleDebug::sameAsDebug()
{
    REQUIRE_REAL_TOOLS();
    REQUIRE_DOSBOX();
    const QString tools = realToolsFolder();
    if (!QFile::exists(tools + QStringLiteral("/DEBUG.COM")))
        QSKIP("real DOS tools unavailable: DEBUG.COM is not among them");
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString c = work.filePath(QStringLiteral("c"));
    QVERIFY(QDir().mkpath(c));
    QVERIFY(QFile::copy(tools + QStringLiteral("/DEBUG.COM"), c + QStringLiteral("/DEBUG.COM")));
    const QList<QByteArray> cells = instructionSlots();
    const QByteArray image = slotImage(cells);
    QFile bin(c + QStringLiteral("/BYTES.BIN"));
    QVERIFY(bin.open(QIODevice::WriteOnly) && bin.write(image) == image.size());
    bin.close();
    const QStringList lines = commandLines(int(cells.size()));
    QByteArray commands = "R\rN BYTES.BIN\rL 1000\r";
    for (const QString &line : lines)
        commands += line.toLatin1() + '\r';
    commands += "Q\r";
    QFile cmds(c + QStringLiteral("/CMDS.TXT"));
    QVERIFY(cmds.open(QIODevice::WriteOnly) && cmds.write(commands) == commands.size());
    cmds.close();
    QString why;
    QVERIFY2(runDosbox({DosboxJob{c, {}, {QStringLiteral("DEBUG < CMDS.TXT > OUT.TXT")}}},
                       work.path(), &why),
             qPrintable(why));
    QFile out(c + QStringLiteral("/OUT.TXT"));
    QVERIFY2(out.open(QIODevice::ReadOnly), "DEBUG wrote nothing");
    QStringList debug = debugLines(out.readAll());

    // DEBUG's first R gives the registers it started with; its N and L are
    // how the bytes got there, and the last line is its Q.
    QVERIFY2(debug.size() > 6 && debug[0] == QLatin1String("-R"), qPrintable(debug.join(u'\n')));
    PlainTarget target;
    static const QRegularExpression pair(QStringLiteral("([A-Z]{2})=([0-9A-F]{4})"));
    for (auto it = pair.globalMatch(debug[1] + u' ' + debug[2]); it.hasNext();) {
        const auto m = it.next();
        const quint16 v = quint16(m.captured(2).toUInt(nullptr, 16));
        const QString n = m.captured(1);
        quint16 *f = n == u"AX"   ? &target.r.ax
                     : n == u"BX" ? &target.r.bx
                     : n == u"CX" ? &target.r.cx
                     : n == u"DX" ? &target.r.dx
                     : n == u"SP" ? &target.r.sp
                     : n == u"BP" ? &target.r.bp
                     : n == u"SI" ? &target.r.si
                     : n == u"DI" ? &target.r.di
                     : n == u"DS" ? &target.r.ds
                     : n == u"ES" ? &target.r.es
                     : n == u"SS" ? &target.r.ss
                     : n == u"CS" ? &target.r.cs
                                  : &target.r.ip;
        *f = v;
    }
    // DOSBox starts DEBUG with interrupts off (DI); the flags word follows it.
    target.r.flags = debug[2].contains(QLatin1String(" EI ")) ? 0xF202 : 0xF002;
    target.write(linear(target.r.ds, kFirstSlot), image);
    // L leaves the file's size in BX:CX.
    target.r.bx = quint16(image.size() >> 16);
    target.r.cx = quint16(image.size());
    debug = debug.mid(6);
    QVERIFY(!debug.isEmpty() && debug.last() == QLatin1String("-Q"));
    debug.removeLast();

    DebugConsole console;
    QStringList ours;
    for (const QString &line : lines) {
        const QString prompt = console.prompt();
        // DEBUG echoes what was typed after its prompt.
        if (!(prompt + line).isEmpty())
            ours << prompt + line;
        const DebugConsole::Reply reply = console.enter(line, target);
        for (const QString &l : reply.text.split(u'\n'))
            if (!l.isEmpty())
                ours << l;
    }
    QStringList wrong;
    for (qsizetype i = 0; i < std::max(ours.size(), debug.size()) && wrong.size() < 20; ++i) {
        const QString a = i < ours.size() ? ours[i] : QStringLiteral("(nothing)");
        const QString b = i < debug.size() ? debug[i] : QStringLiteral("(nothing)");
        if (a != b)
            wrong << QStringLiteral("line %1:\n  ours  [%2]\n  DEBUG [%3]").arg(i).arg(a, b);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestDebugConsoleDebug)
#include "tst_debugconsole_debug.moc"
