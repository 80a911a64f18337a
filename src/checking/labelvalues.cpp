#include "checking/labelvalues.h"

#include "checking/builtprogram.h"
#include "machine/machine.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

int elementBytes(ExpectedLabel::Kind kind)
{
    switch (kind) {
    case ExpectedLabel::Kind::Bytes:
    case ExpectedLabel::Kind::Text:
        return 1;
    case ExpectedLabel::Kind::Words:
        return 2;
    case ExpectedLabel::Kind::Dwords:
        return 4;
    }
    return 1;
}

QString numbersText(const QList<qint64> &numbers)
{
    QStringList words;
    for (const qint64 n : numbers)
        words << QString::number(n);
    return words.join(QLatin1Char(' '));
}

// A number as the bytes hold it: unsigned, or negative where the expected
// one is, so that -1 and 65535 in a word are both right.
qint64 asExpected(quint64 raw, int bytes, qint64 expected)
{
    const int bits = bytes * 8;
    if (expected < 0 && (raw >> (bits - 1)) & 1)
        return qint64(raw) - (qint64(1) << bits);
    return qint64(raw);
}

} // namespace

LabelCheck checkLabel(const Machine &machine, const BuiltProgram &program,
                      const ExpectedLabel &label)
{
    LabelCheck out;
    const QString name = label.name.toUpper();
    const ListedSymbol *symbol = nullptr;
    for (const ListedSymbol &s : program.symbols)
        if (s.name == name && s.kind == ListedSymbol::Kind::Data)
            symbol = &s;
    if (label.kind == ExpectedLabel::Kind::Text) {
        out.expected = label.text;
    } else {
        out.expected = numbersText(label.numbers);
    }
    if (!symbol || !program.map.starts.contains(symbol->segment))
        return out;
    out.found = true;
    const quint32 psp = quint32(machine.psp()) * 16;
    const quint32 base = program.com ? psp : psp + 0x100;
    const quint32 at = base + program.map.starts.value(symbol->segment) + symbol->value;
    const int size = elementBytes(label.kind);
    if (label.kind == ExpectedLabel::Kind::Text) {
        const QByteArray want = QStringEncoder("GB18030").encode(label.text);
        const QByteArray got = machine.readMemory(at, int(want.size()));
        out.actual = QStringDecoder("GB18030").decode(got);
        out.matches = got == want;
        return out;
    }
    const QByteArray got = machine.readMemory(at, size * int(label.numbers.size()));
    if (got.size() < size * label.numbers.size())
        return out;
    QList<qint64> actual;
    for (int i = 0; i < label.numbers.size(); ++i) {
        quint64 raw = 0;
        for (int b = size - 1; b >= 0; --b)
            raw = raw << 8 | quint8(got.at(i * size + b));
        actual << asExpected(raw, size, label.numbers.at(i));
    }
    out.actual = numbersText(actual);
    out.matches = true;
    for (int i = 0; i < actual.size(); ++i) {
        const quint64 mask = size == 4 ? 0xFFFFFFFFull : (quint64(1) << (size * 8)) - 1;
        if ((quint64(actual.at(i)) & mask) != (quint64(label.numbers.at(i)) & mask))
            out.matches = false;
    }
    return out;
}
