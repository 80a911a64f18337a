#include "machine/loader.h"

#include "machine/machinestate.h"

#include <QtEndian>

namespace {

quint16 word(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

// DOS's parse of one file name into an FCB (INT 21h 29h with leading
// separators skipped); returns where the parse stopped and sets the drive
// flag (0, or FFh for a drive that does not exist).
qsizetype parseFcb(MachineState &m, const QByteArray &text, qsizetype i, quint8 *fcb,
                   quint8 *driveFlag)
{
    static const QByteArray separators = ":.;,=+ \t";
    static const QByteArray terminators = ":.;,=+ \t\"/[]<>|\r";
    while (i < text.size() && separators.contains(text[i]) && text[i] != ':' && text[i] != '.')
        ++i;
    std::fill_n(fcb, 12, 0);
    std::fill_n(fcb + 1, 11, ' ');
    *driveFlag = 0;
    if (i + 1 < text.size() && text[i + 1] == ':') {
        const int drive = QChar::toUpper(text[i]) - 'A';
        if (m.drives.exists(drive))
            fcb[0] = quint8(drive + 1);
        else
            *driveFlag = 0xFF;
        i += 2;
    }
    auto field = [&](int start, int width) {
        for (int n = 0; i < text.size() && !terminators.contains(text[i]) && quint8(text[i]) > 32;
             ++i) {
            if (text[i] == '*') {
                while (n < width)
                    fcb[start + n++] = '?';
            } else if (n < width) {
                fcb[start + n++] = quint8(QChar::toUpper(text[i]));
            }
        }
    };
    field(1, 8);
    if (i < text.size() && text[i] == '.') {
        ++i;
        field(9, 3);
    }
    return i;
}

void buildPsp(MachineState &m, quint16 psp, quint16 environment, quint16 end,
              const QByteArray &tail)
{
    QByteArray block(0x100, '\0');
    auto *p = reinterpret_cast<quint8 *>(block.data());
    p[0] = 0xCD;
    p[1] = 0x20;
    qToLittleEndian<quint16>(end, p + 2);
    const quint8 farCall[] = {0xEA, 0xFF, 0xFF, 0xAD, 0xDE};
    std::copy_n(farCall, 5, p + 5);
    const QByteArray vectors = m.mem().read(0, 4 * 0x22, 12); // INT 22h, 23h, 24h
    std::copy_n(vectors.constData(), 12, p + 0x0A);
    qToLittleEndian<quint16>(DosLayout::parentPsp, p + 0x16);
    const quint8 handles[] = {1, 1, 1, 0, 2};
    std::fill_n(p + 0x18, 20, 0xFF);
    std::copy_n(handles, 5, p + 0x18);
    qToLittleEndian<quint16>(environment, p + 0x2C);
    qToLittleEndian<quint16>(20, p + 0x32);
    qToLittleEndian<quint16>(0x18, p + 0x34);
    qToLittleEndian<quint16>(psp, p + 0x36);
    qToLittleEndian<quint32>(0xFFFFFFFF, p + 0x38);
    p[0x40] = 5;
    p[0x50] = 0xCD;
    p[0x51] = 0x21;
    p[0x52] = 0xCB;
    const QByteArray text = tail.left(126);
    quint8 first = 0, second = 0;
    const qsizetype next = parseFcb(m, text, 0, p + 0x5C, &first);
    parseFcb(m, text, next, p + 0x6C, &second);
    p[0x80] = quint8(text.size());
    std::copy(text.begin(), text.end(), p + 0x81);
    p[0x81 + text.size()] = 0x0D;
    m.mem().write(psp, 0, block);
    m.set(Reg::AX, quint16((second << 8) | first));
}

quint16 buildEnvironment(MachineState &m, const QList<QByteArray> &strings,
                         const QByteArray &dosName, QString *error)
{
    QByteArray block;
    for (const QByteArray &s : strings)
        block += s + '\0';
    block += '\0';
    // DOS keeps room after the strings for the program's name (DOSBox: 83 bytes).
    const auto paragraphs = quint16((block.size() + 83 + 15) / 16);
    block += QByteArray("\x01\x00", 2) + dosName + '\0';
    const MemoryBlocks::Result r = m.blocks.allocate(paragraphs, 0x0008);
    if (r.error) {
        *error = QStringLiteral("no memory for the environment");
        return 0;
    }
    m.mem().write(r.segment, 0, block);
    return r.segment;
}

} // namespace

QString loadProgram(MachineState &m, const QByteArray &image, const QByteArray &dosName,
                    const QByteArray &tail, const QList<QByteArray> &environment)
{
    // DOS's own blocks before the program's, as DOSBox lays them out.
    m.blocks.reset(DosLayout::firstHeader, DosLayout::memoryEnd);
    m.blocks.allocate(1, 0x0008);
    const quint16 gap = m.blocks.allocate(4, 0x0008).segment;
    m.blocks.allocate(0x10, 0x0040);
    m.blocks.release(gap);

    QString error;
    const quint16 env = buildEnvironment(m, environment, dosName, &error);
    if (!error.isEmpty())
        return error;

    const bool exe = image.size() >= 0x1C && (image.startsWith("MZ") || image.startsWith("ZM"));
    if (image.startsWith("\x7f"
                         "ELF") ||
        image.startsWith("#!") ||
        (exe && image.size() >= 0x40 &&
         image.mid(qFromLittleEndian<quint32>(image.constData() + 0x3C), 4) ==
             QByteArray("PE\0\0", 4)))
        return QStringLiteral("not a DOS program");
    quint16 largest = m.blocks.allocate(0xFFFF, 0).largest;
    quint32 loadSize = 0;
    quint16 headerSize = 0;
    quint16 wanted = largest;
    if (exe) {
        headerSize = word(image, 0x08);
        const quint16 pages = word(image, 0x04), lastPage = word(image, 0x02);
        qint64 size = qint64(pages) * 512 - (lastPage ? 512 - lastPage : 0) - headerSize * 16;
        if (size <= 0 || headerSize * 16 > image.size())
            return QStringLiteral("the .EXE header is damaged");
        loadSize = quint32(std::min<qint64>(size, image.size() - headerSize * 16));
        const quint32 imageParagraphs = (loadSize + 15) / 16 + 0x10;
        const quint32 minimum = imageParagraphs + word(image, 0x0A);
        const quint32 maximum = imageParagraphs + word(image, 0x0C);
        if (minimum > largest)
            return QStringLiteral("not enough memory for the program");
        wanted = quint16(std::min<quint32>(largest, std::max(minimum, maximum)));
    } else {
        loadSize = quint32(image.size());
        if (loadSize > 0xFF00 - 2)
            return QStringLiteral("the .COM image is larger than 64 KB");
    }
    const quint16 psp = m.blocks.allocate(wanted, 0x0008).segment;
    if (psp == 0)
        return QStringLiteral("not enough memory for the program");
    // Both blocks belong to the program itself.
    m.mem().setWord(quint16(psp - 1), 1, psp);
    m.mem().setWord(quint16(env - 1), 1, psp);
    QByteArray name = dosName.mid(dosName.lastIndexOf('\\') + 1);
    m.blocks.setName(psp, name.left(name.indexOf('.')));
    m.psp = psp;
    m.dtaSegment = psp;
    m.dtaOffset = 0x80;
    buildPsp(m, psp, env, quint16(psp + wanted), tail);

    Registers r = m.cpu.registers();
    r.ax = m.r(Reg::AX);
    r.ds = r.es = psp;
    r.bx = 0;
    r.cx = 0x00FF;
    r.dx = psp;
    r.bp = 0x091C;
    r.flags = 0x7202;
    if (exe) {
        const auto start = quint16(psp + 0x10);
        m.mem().write(start, 0, image.constData() + headerSize * 16, int(loadSize));
        const quint16 count = word(image, 0x06), table = word(image, 0x18);
        for (quint16 i = 0; i < count; ++i) {
            const int at = table + 4 * i;
            if (at + 4 > image.size())
                return QStringLiteral("the .EXE relocation table is damaged");
            const auto segment = quint16(start + word(image, at + 2));
            const quint16 offset = word(image, at);
            m.mem().setWord(segment, offset, quint16(m.mem().word(segment, offset) + start));
        }
        r.ss = quint16(start + word(image, 0x0E));
        r.sp = word(image, 0x10);
        r.cs = quint16(start + word(image, 0x16));
        r.ip = word(image, 0x14);
    } else {
        m.mem().write(psp, 0x100, image.constData(), int(loadSize));
        r.cs = r.ss = psp;
        r.ip = 0x100;
        r.sp = 0xFFFE;
        m.mem().setWord(psp, 0xFFFE, 0);
    }
    r.si = r.ip;
    r.di = r.sp;
    m.cpu.setRegisters(r);
    m.imageFirst = linear(psp, 0x100);
    m.imageEnd = m.imageFirst + loadSize;
    m.stackSegment = r.ss;
    m.stackStart = r.sp;
    return {};
}
