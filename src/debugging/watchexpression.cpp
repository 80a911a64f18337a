#include "debugging/watchexpression.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <functional>
#include <optional>

namespace {

// A value met while reading: a plain number, or a place in memory with the
// size of what is read there (0: not said yet).
struct Operand
{
    bool place = false;
    qint64 number = 0; // the value, or the offset of the place
    quint16 segment = 0;
    bool segmentGiven = false;
    int size = 0;
    int count = 1; // elements of a variable
    bool usesBp = false;
    int width = 0; // bytes of the register a plain number came from; 0: a constant
};

// The flags a condition names, as 0 or 1, by their bit.
constexpr std::pair<const char *, int> kFlagBits[] = {{"CF", 0}, {"PF", 2},  {"AF", 4},
                                                      {"ZF", 6}, {"SF", 7},  {"TF", 8},
                                                      {"IF", 9}, {"DF", 10}, {"OF", 11}};

class Reader
{
public:
    Reader(const QString &text, const Registers &r, const QList<WatchSymbol> &symbols,
           std::function<quint8(quint32)> byteAt = {})
        : r_(r), symbols_(symbols), byteAt_(std::move(byteAt))
    {
        static const QRegularExpression token(QStringLiteral(
            R"('[^']*'|"[^"]*"|[A-Za-z_@$?][A-Za-z0-9_@$?]*|[0-9][0-9A-Fa-f]*[HhBbOoQqDd]?|==|!=|<=|>=|&&|\|\||\S)"));
        for (auto it = token.globalMatch(text); it.hasNext();)
            tokens_ << it.next().captured();
    }

    std::optional<Operand> all(QString *error)
    {
        std::optional<Operand> v = sum(error);
        if (v && at_ < tokens_.size()) {
            *error = QStringLiteral("看不懂“%1”").arg(tokens_.at(at_));
            return std::nullopt;
        }
        return v;
    }

    // The whole text as a condition: comparisons, && || ! and parentheses
    // over operands; true is any value but 0.
    std::optional<qint64> test(QString *error)
    {
        if (tokens_.isEmpty()) {
            *error = QStringLiteral("条件是空的");
            return std::nullopt;
        }
        std::optional<qint64> v = either(error);
        if (v && at_ < tokens_.size()) {
            *error = QStringLiteral("看不懂“%1”").arg(tokens_.at(at_));
            return std::nullopt;
        }
        return v;
    }

private:
    std::optional<qint64> either(QString *error)
    {
        std::optional<qint64> left = both(error);
        while (left && peek() == u"||") {
            take();
            const std::optional<qint64> right = both(error);
            if (!right)
                return std::nullopt;
            left = (*left != 0 || *right != 0) ? 1 : 0;
        }
        return left;
    }

    std::optional<qint64> both(QString *error)
    {
        std::optional<qint64> left = negation(error);
        while (left && peek() == u"&&") {
            take();
            const std::optional<qint64> right = negation(error);
            if (!right)
                return std::nullopt;
            left = (*left != 0 && *right != 0) ? 1 : 0;
        }
        return left;
    }

    std::optional<qint64> negation(QString *error)
    {
        if (peek() == u"!") {
            take();
            const std::optional<qint64> v = negation(error);
            if (!v)
                return std::nullopt;
            return *v == 0 ? 1 : 0;
        }
        return comparison(error);
    }

    std::optional<qint64> comparison(QString *error)
    {
        // A parenthesis may hold a whole condition or only a sum: the sum is
        // tried first, as MASM reads (CX+1)*2.
        if (peek() == u"(") {
            const int start = at_;
            QString ignored;
            take();
            const std::optional<qint64> inner = either(&ignored);
            if (inner && take() == u")" && !isComparison(peek()) && peek() != u"+" &&
                peek() != u"-" && peek() != u"*")
                return inner;
            at_ = start;
        }
        std::optional<Operand> left = sum(error);
        if (!left)
            return std::nullopt;
        if (!isComparison(peek()))
            return valueOf(*left, 0);
        const QString op = take();
        std::optional<Operand> right = sum(error);
        if (!right)
            return std::nullopt;
        // A negative constant against a register or memory is its two's
        // complement there: AL == -1 is AL == 0FFH.
        const int width = std::max(widthOf(*left), widthOf(*right));
        const qint64 a = valueOf(*left, width), b = valueOf(*right, width);
        bool holds = false;
        if (op == u"==")
            holds = a == b;
        else if (op == u"!=")
            holds = a != b;
        else if (op == u"<")
            holds = a < b;
        else if (op == u"<=")
            holds = a <= b;
        else if (op == u">")
            holds = a > b;
        else
            holds = a >= b;
        return holds ? 1 : 0;
    }

    static bool isComparison(const QString &t)
    {
        return t == u"==" || t == u"!=" || t == u"<" || t == u"<=" || t == u">" || t == u">=";
    }

    static int widthOf(const Operand &v)
    {
        if (v.place)
            return v.size > 0 ? v.size : 2;
        return v.width;
    }

    // A place's value is what memory holds there (a word unless typed; a
    // variable's first element); a code label's is its offset.
    qint64 valueOf(const Operand &v, int width) const
    {
        qint64 n = v.number;
        if (v.place) {
            if (v.size < 0)
                return quint16(v.number);
            const quint16 segment = v.segmentGiven ? v.segment : v.usesBp ? r_.ss : r_.ds;
            const int size = v.size ? v.size : 2;
            quint64 raw = 0;
            for (int b = size - 1; b >= 0; --b)
                raw = raw << 8 | (byteAt_ ? byteAt_(linear(segment, quint16(v.number + b))) : 0);
            return qint64(raw);
        }
        if (n < 0 && width > 0 && width < 8)
            n += qint64(1) << (8 * width);
        return n;
    }

    QString peek() const { return at_ < tokens_.size() ? tokens_.at(at_).toUpper() : QString(); }
    QString take() { return at_ < tokens_.size() ? tokens_.at(at_++).toUpper() : QString(); }

    std::optional<Operand> sum(QString *error)
    {
        std::optional<Operand> left = product(error);
        while (left && (peek() == u"+" || peek() == u"-")) {
            const bool minus = take() == u"-";
            std::optional<Operand> right = product(error);
            if (!right)
                return std::nullopt;
            if (left->place && right->place) {
                *error = QStringLiteral("两个地址不能相加减");
                return std::nullopt;
            }
            if (right->place) {
                if (minus) {
                    *error = QStringLiteral("不能用数减去地址");
                    return std::nullopt;
                }
                right->number += left->number;
                right->count = 1;
                left = right;
            } else {
                left->number += minus ? -right->number : right->number;
                // ARR+2: one element there, as MASM reads the operand.
                if (left->place)
                    left->count = 1;
            }
        }
        return left;
    }

    std::optional<Operand> product(QString *error)
    {
        std::optional<Operand> left = unit(error);
        while (left && peek() == u"*") {
            take();
            std::optional<Operand> right = unit(error);
            if (!right)
                return std::nullopt;
            if (left->place || right->place) {
                *error = QStringLiteral("地址不能相乘");
                return std::nullopt;
            }
            left->number *= right->number;
        }
        return left;
    }

    std::optional<quint16> segmentRegister(const QString &name) const
    {
        if (name == u"CS")
            return r_.cs;
        if (name == u"DS")
            return r_.ds;
        if (name == u"ES")
            return r_.es;
        if (name == u"SS")
            return r_.ss;
        return std::nullopt;
    }

    std::optional<qint64> registerValue(const QString &name) const
    {
        const std::pair<const char *, quint16> words[] = {
            {"AX", r_.ax}, {"BX", r_.bx}, {"CX", r_.cx}, {"DX", r_.dx},      {"SI", r_.si},
            {"DI", r_.di}, {"BP", r_.bp}, {"SP", r_.sp}, {"IP", r_.ip},      {"CS", r_.cs},
            {"DS", r_.ds}, {"ES", r_.es}, {"SS", r_.ss}, {"FLAGS", r_.flags}};
        for (const auto &[n, v] : words)
            if (name == QLatin1String(n))
                return v;
        const std::pair<const char *, quint16> halves[] = {
            {"A", r_.ax}, {"B", r_.bx}, {"C", r_.cx}, {"D", r_.dx}};
        for (const auto &[n, v] : halves) {
            if (name == QLatin1String(n) + u'L')
                return v & 0xFF;
            if (name == QLatin1String(n) + u'H')
                return v >> 8;
        }
        return std::nullopt;
    }

    static std::optional<qint64> number(const QString &t)
    {
        if (t.size() >= 2 && (t.front() == u'\'' || t.front() == u'"')) {
            qint64 v = 0;
            for (const QChar c : t.mid(1, t.size() - 2))
                v = v << 8 | (c.unicode() & 0xFF);
            return v;
        }
        if (t.isEmpty() || !t.front().isDigit())
            return std::nullopt;
        int base = 10;
        QString digits = t;
        const QChar last = t.back();
        if (last == u'H')
            base = 16;
        else if (last == u'B' && t.size() > 1)
            base = 2;
        else if (last == u'O' || last == u'Q')
            base = 8;
        else if (last == u'D')
            base = 10;
        if (base != 10 || last == u'D')
            digits.chop(1);
        bool ok = false;
        const qint64 v = digits.toLongLong(&ok, base);
        return ok ? std::optional<qint64>(v) : std::nullopt;
    }

    std::optional<Operand> unit(QString *error)
    {
        const QString t = take();
        if (t.isEmpty()) {
            *error = QStringLiteral("表达式不完整");
            return std::nullopt;
        }
        if (t == u"-") {
            std::optional<Operand> v = unit(error);
            if (v && v->place) {
                *error = QStringLiteral("地址不能取负");
                return std::nullopt;
            }
            if (v)
                v->number = -v->number;
            return v;
        }
        if (t == u"(") {
            std::optional<Operand> v = sum(error);
            if (v && take() != u")") {
                *error = QStringLiteral("缺少右括号");
                return std::nullopt;
            }
            return v;
        }
        // BYTE PTR, WORD PTR, DWORD PTR: what is read at the place after it.
        const std::pair<const char *, int> sizes[] = {{"BYTE", 1}, {"WORD", 2}, {"DWORD", 4}};
        for (const auto &[word, size] : sizes) {
            if (t != QLatin1String(word))
                continue;
            if (take() != u"PTR") {
                *error = QStringLiteral("%1 后面应是 PTR").arg(t);
                return std::nullopt;
            }
            std::optional<Operand> v = unit(error);
            if (v && !v->place) {
                *error = QStringLiteral("%1 PTR 后面应是地址").arg(t);
                return std::nullopt;
            }
            if (v) {
                v->size = size;
                v->count = 1;
            }
            return v;
        }
        // ES:[DI], ES:ARR
        if (const std::optional<quint16> seg = segmentRegister(t); seg && peek() == u":") {
            take();
            std::optional<Operand> v = unit(error);
            if (v && !v->place) {
                v->place = true;
            }
            if (v) {
                v->segment = *seg;
                v->segmentGiven = true;
            }
            return v;
        }
        if (t == u"[") {
            std::optional<Operand> inside = sum(error);
            if (!inside)
                return std::nullopt;
            if (take() != u"]") {
                *error = QStringLiteral("缺少 ]");
                return std::nullopt;
            }
            if (inside->place)
                return inside;
            Operand v;
            v.place = true;
            v.number = inside->number;
            v.usesBp = inside->usesBp;
            return v;
        }
        if (const std::optional<qint64> r = registerValue(t)) {
            Operand v;
            v.number = *r;
            v.usesBp = t == u"BP";
            v.width = t.size() == 2 && (t.back() == u'L' || t.back() == u'H') ? 1 : 2;
            return v;
        }
        for (const WatchSymbol &s : symbols_) {
            if (s.name != t)
                continue;
            Operand v;
            if (s.kind == WatchSymbol::Kind::Number) {
                v.number = s.number;
                return v;
            }
            v.place = true;
            v.segment = s.segment;
            v.segmentGiven = true;
            v.number = s.offset;
            if (s.kind == WatchSymbol::Kind::Data) {
                v.size = s.size;
                v.count = std::max(1, s.length);
            } else {
                v.size = -1; // a code label: its address
            }
            return v;
        }
        // A flag by name, after the program's own names (MASM lets a
        // variable be called CF).
        for (const auto &[name, bit] : kFlagBits) {
            if (t == QLatin1String(name)) {
                Operand v;
                v.number = (r_.flags >> bit) & 1;
                v.width = 1;
                return v;
            }
        }
        if (const std::optional<qint64> n = number(t)) {
            Operand v;
            v.number = *n;
            return v;
        }
        *error = QStringLiteral("不认识“%1”").arg(t);
        return std::nullopt;
    }

    const Registers &r_;
    const QList<WatchSymbol> &symbols_;
    std::function<quint8(quint32)> byteAt_;
    QStringList tokens_;
    int at_ = 0;
};

QString hexOf(quint64 v, int bytes)
{
    return QString::number(v, 16).toUpper().rightJustified(bytes * 2, u'0') + u'H';
}

qint64 signedOf(quint64 v, int bytes)
{
    const int bits = bytes * 8;
    return (v >> (bits - 1)) & 1 ? qint64(v) - (qint64(1) << bits) : qint64(v);
}

} // namespace

WatchValue evaluateWatch(const QString &expression, const Registers &registers,
                         const QByteArray &memory, const QList<WatchSymbol> &symbols)
{
    WatchValue out;
    Reader reader(expression, registers, symbols);
    const std::optional<Operand> v = reader.all(&out.error);
    if (!v)
        return out;
    out.ok = true;
    if (!v->place) {
        const int bytes = v->number >= -0x8000 && v->number <= 0xFFFF ? 2 : 4;
        const quint64 raw = quint64(v->number) & (bytes == 2 ? 0xFFFF : 0xFFFFFFFF);
        out.hex = hexOf(raw, bytes);
        out.unsignedDecimal = QString::number(raw);
        out.signedDecimal = QString::number(signedOf(raw, bytes));
        return out;
    }
    const quint16 segment = v->segmentGiven ? v->segment : v->usesBp ? registers.ss : registers.ds;
    const auto offset = quint16(v->number);
    if (v->size < 0) {
        out.hex = QStringLiteral("%1:%2").arg(
            QString::number(segment, 16).toUpper().rightJustified(4, u'0'),
            QString::number(offset, 16).toUpper().rightJustified(4, u'0'));
        out.unsignedDecimal = out.signedDecimal = QString::number(offset);
        return out;
    }
    const int size = v->size ? v->size : 2;
    const int count = std::min(v->count, 32);
    QStringList hex, unsignedDec, signedDec;
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        quint64 raw = 0;
        for (int b = size - 1; b >= 0; --b) {
            const quint32 at = linear(segment, quint16(offset + i * size + b));
            raw = raw << 8 | (at < quint32(memory.size()) ? quint8(memory[at]) : 0);
        }
        for (int b = 0; b < size; ++b)
            bytes += char(raw >> (8 * b));
        hex << hexOf(raw, size);
        unsignedDec << QString::number(raw);
        signedDec << QString::number(signedOf(raw, size));
    }
    out.hex = hex.join(u' ');
    out.unsignedDecimal = unsignedDec.join(u' ');
    out.signedDecimal = signedDec.join(u' ');
    if (size == 1) {
        // The bytes as text: GBK, control characters as dots.
        QByteArray shown = bytes;
        for (char &c : shown)
            if (quint8(c) < 0x20)
                c = '.';
        out.text = QStringDecoder("GB18030").decode(shown);
    }
    if (v->count > 32)
        out.hex += QStringLiteral(" …");
    return out;
}

WatchCondition evaluateCondition(const QString &condition, const Registers &registers,
                                 const std::function<quint8(quint32)> &byteAt,
                                 const QList<WatchSymbol> &symbols)
{
    WatchCondition out;
    Reader reader(condition, registers, symbols, byteAt);
    const std::optional<qint64> v = reader.test(&out.error);
    out.ok = v.has_value();
    out.holds = v && *v != 0;
    return out;
}
