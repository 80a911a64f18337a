#include "debugging/listing.h"

#include <QRegularExpression>
#include <QSet>

namespace {

// The listing's body: the echoed source starts at column 40, after the line
// counter (0-7), the offset (9-12), the bytes (15-35) and a mark at 36-39:
// C for a line of an include file, a digit for a line of a macro expansion.
constexpr int kTextColumn = 40;

struct Entry
{
    QByteArray prefix; // columns 0-39, tabs expanded
    QByteArray text;   // the source text, continuation lines joined
};

QByteArray trimmedRight(QByteArray s)
{
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.chop(1);
    return s;
}

bool numbered(const QByteArray &line)
{
    if (line.size() < 8)
        return false;
    int i = 0;
    while (i < 8 && line[i] == ' ')
        ++i;
    if (i == 8)
        return false;
    for (; i < 8; ++i)
        if (line[i] < '0' || line[i] > '9')
            return false;
    return line.size() == 8 || line[8] == ' ' || line[8] == '\t';
}

Entry entryOf(const QByteArray &line)
{
    Entry e;
    int i = 0;
    for (; i < line.size() && e.prefix.size() < kTextColumn; ++i) {
        if (line[i] == '\t')
            e.prefix.append(8 - e.prefix.size() % 8, ' ');
        else
            e.prefix.append(line[i]);
    }
    e.text = line.mid(i);
    e.prefix = e.prefix.leftJustified(kTextColumn, ' ', true);
    return e;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool isHex(const QByteArray &s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isHexDigit);
}

// Bytes the code field shows: "B8 ---- R" is three, "0080[" a DUP (unknown).
int byteCount(const QByteArray &field)
{
    int count = 0;
    for (QByteArray t : field.simplified().split(' ')) {
        if (t.contains('[') || t.contains(']'))
            return -1;
        while (t.endsWith(':') || t.endsWith('/'))
            t.chop(1);
        const bool bytes =
            !t.isEmpty() && t.size() % 2 == 0 && std::all_of(t.begin(), t.end(), [](char c) {
                return isHexDigit(c) || c == '?' || c == '-';
            });
        if (bytes)
            count += int(t.size() / 2);
    }
    return count;
}

// The words of a source line up to its comment, upper case.
QList<QByteArray> words(const QByteArray &text)
{
    QByteArray code = text;
    const qsizetype semicolon = code.indexOf(';');
    if (semicolon >= 0 && !code.left(semicolon).contains('\'') &&
        !code.left(semicolon).contains('"'))
        code.truncate(semicolon);
    QList<QByteArray> out;
    for (const QByteArray &w : code.toUpper().simplified().split(' '))
        if (!w.isEmpty())
            out << w;
    return out;
}

bool isDataLine(QList<QByteArray> w, const QSet<QByteArray> &types)
{
    static const QList<QByteArray> data = {"DB", "DW", "DD", "DQ", "DT", "DF"};
    if (!w.isEmpty() && w[0].contains(':')) {
        // "LABEL:MOV" or "LABEL: MOV"
        const QByteArray rest = w[0].mid(w[0].indexOf(':') + 1);
        w.removeFirst();
        if (!rest.isEmpty())
            w.prepend(rest);
    }
    // Structures and records are data too, named by their type.
    const auto isData = [&](const QByteArray &word) {
        return data.contains(word) || types.contains(word);
    };
    return (!w.isEmpty() && (isData(w[0]) || w[0].startsWith('.'))) ||
           (w.size() > 1 && isData(w[1]));
}

QList<QByteArray> sourceLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &l : lines)
        l = trimmedRight(l);
    return lines;
}

struct File
{
    QString path;
    QList<QByteArray> lines;
    int next = 0;

    // The first line from the cursor on with this text; a blank entry only
    // takes a blank line right at the cursor (DUP lines are blank too).
    int find(const QByteArray &text)
    {
        const QByteArray want = trimmedRight(text);
        const int last = want.trimmed().isEmpty() ? std::min<int>(next, lines.size() - 1)
                                                  : int(lines.size()) - 1;
        for (int i = next; i <= last; ++i) {
            if (lines[i] == want) {
                next = i + 1;
                return i + 1;
            }
        }
        return 0;
    }
};

class Reader
{
public:
    Reader(const QByteArray &source, const QString &path, const IncludeReader &include)
        : include_(include)
    {
        main_ = {path, sourceLines(source), 0};
    }

    void body(const Entry &e);
    void segmentTable(const QByteArray &line);
    void symbol(const QByteArray &line);
    ProgramListing out;

private:
    SourceLine place(const Entry &e, bool included);
    void directives(const QList<QByteArray> &w, quint16 offset, bool hasOffset);

    const IncludeReader &include_;
    File main_;
    QList<File> includes_;
    SourceLine call_;
    QStringList segments_; // open segments, innermost last
    QStringList known_;    // the segment table's names
    QHash<QString, ListedProc> openProcs_;
    QSet<QByteArray> types_; // STRUC and RECORD names
    // Open MACRO definitions and REPT, IRP, IRPC blocks (their lines), the
    // innermost last: a block's expansion follows its ENDM and belongs to
    // the block's first line.
    QList<std::pair<bool, SourceLine>> blocks_;
    bool lastHasCode_ = false;
};

SourceLine Reader::place(const Entry &e, bool included)
{
    if (!included) {
        includes_.clear();
        const int n = main_.find(e.text);
        return n ? SourceLine{main_.path, n} : SourceLine{};
    }
    while (!includes_.isEmpty()) {
        const int n = includes_.back().find(e.text);
        if (n)
            return {includes_.back().path, n};
        includes_.removeLast();
    }
    return {};
}

void Reader::directives(const QList<QByteArray> &w, quint16 offset, bool hasOffset)
{
    if (w.isEmpty())
        return;
    const QByteArray &first = w[0];
    static const QHash<QByteArray, QString> simplified = {
        {".DATA", "_DATA"},  {".DATA?", "_BSS"},       {".CONST", "CONST"},
        {".STACK", "STACK"}, {".FARDATA", "FAR_DATA"}, {".FARDATA?", "FAR_BSS"}};
    if (first == ".CODE") {
        QString code = w.size() > 1 ? QString::fromLatin1(w[1]) : QString();
        for (const QString &s : known_)
            if (code.isEmpty() && s.endsWith(QLatin1String("_TEXT")))
                code = s;
        segments_ = {code.isEmpty() ? QStringLiteral("_TEXT") : code};
    } else if (simplified.contains(first)) {
        segments_ = {simplified.value(first)};
    } else if (w.size() > 1 && w[1] == "RECORD") {
        types_.insert(first);
    } else if (w.size() > 1 && (w[1] == "SEGMENT" || w[1] == "STRUC")) {
        if (w[1] == "STRUC")
            types_.insert(first);
        segments_ << (w[1] == "STRUC" ? QStringLiteral("STRUC ") : QString()) +
                         QString::fromLatin1(first);
    } else if (w.size() > 1 && w[1] == "ENDS" && !segments_.isEmpty()) {
        segments_.removeLast();
    } else if (w.size() > 1 && w[1] == "PROC" && hasOffset && !segments_.isEmpty()) {
        openProcs_.insert(QString::fromLatin1(first), {segments_.back(), offset, offset});
    } else if (w.size() > 1 && w[1] == "ENDP" && hasOffset) {
        auto p = openProcs_.find(QString::fromLatin1(first));
        if (p != openProcs_.end()) {
            p->end = offset;
            out.procs << *p;
            openProcs_.erase(p);
        }
    }
}

void Reader::body(const Entry &e)
{
    const QByteArray mark = e.prefix.mid(36, 4);
    const bool expansion =
        std::any_of(mark.begin(), mark.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool included = mark.contains('C');
    const QByteArray offsetField = e.prefix.mid(9, 4);
    const bool hasOffset = isHex(offsetField) && e.prefix[9] != '=';
    const quint16 offset = hasOffset ? quint16(offsetField.toUInt(nullptr, 16)) : 0;
    const int bytes = e.prefix[9] == '=' ? 0 : byteCount(e.prefix.mid(15, 21));
    const QList<QByteArray> w = words(e.text);

    SourceLine line = call_;
    if (!expansion) {
        line = place(e, included);
        if (line.valid()) {
            call_ = line;
            const bool repeat = !w.isEmpty() && (w[0] == "REPT" || w[0] == "IRP" || w[0] == "IRPC");
            if (repeat || (w.size() > 1 && w[1] == "MACRO"))
                blocks_.append({repeat, line});
            else if (!w.isEmpty() && w[0] == "ENDM" && !blocks_.isEmpty()) {
                const auto [wasRepeat, opened] = blocks_.takeLast();
                if (wasRepeat && blocks_.isEmpty())
                    call_ = opened;
            }
            if (!w.isEmpty() && w[0] == "INCLUDE" && w.size() > 1 && include_) {
                if (const std::optional<IncludedFile> f = include_(w[1]))
                    includes_ << File{f->path, sourceLines(f->bytes), 0};
            }
        }
    }
    directives(w, offset, hasOffset);

    if (!hasOffset) {
        // Bytes that did not fit the line before: more of the same line.
        if (bytes != 0 && e.text.trimmed().isEmpty() && lastHasCode_ && !out.code.isEmpty()) {
            ListedCode &last = out.code.back();
            last.size = (bytes < 0 || last.size < 0) ? -1 : last.size + bytes;
        }
        return;
    }
    lastHasCode_ = false;
    if (bytes == 0 || segments_.isEmpty() || segments_.back().startsWith(QLatin1String("STRUC ")))
        return;
    ListedCode c;
    c.line = line;
    c.segment = segments_.back();
    c.offset = offset;
    c.size = bytes;
    c.instruction = !w.isEmpty() && !isDataLine(w, types_);
    out.code << c;
    lastHasCode_ = true;
}

void Reader::segmentTable(const QByteArray &line)
{
    const QByteArray name = line.trimmed().split(' ').value(0);
    if (!name.isEmpty() && line.contains('\t'))
        known_ << QString::fromLatin1(name.toUpper());
}

void Reader::symbol(const QByteArray &line)
{
    const QList<QByteArray> f = line.split('\t');
    if (f.size() < 4)
        return;
    static const QList<QByteArray> sizes = {"BYTE", "WORD", "DWORD", "QWORD", "TBYTE", "FWORD"};
    const QByteArray type = f[1].simplified();
    const QByteArray segment = f[3].trimmed();
    if (!type.startsWith("L ") || !sizes.contains(type.mid(2)) || segment.isEmpty() ||
        !isHex(f[2].trimmed()))
        return;
    out.data << ListedLabel{QString::fromLatin1(f[0].trimmed().split(' ').value(0)),
                            QString::fromLatin1(segment.toUpper()),
                            quint16(f[2].trimmed().toUInt(nullptr, 16))};
}

} // namespace

ProgramListing readListing(const QByteArray &listing, const QByteArray &source,
                           const QString &sourcePath, const IncludeReader &include)
{
    Reader reader(source, sourcePath, include);
    const QList<QByteArray> lines = listing.split('\n');
    // The segment table comes last but names the segments .CODE opens.
    enum Part { Body, Segments, Symbols, Other };
    Part part = Body;
    for (const QByteArray &raw : lines) {
        const QByteArray t = raw.trimmed();
        if (t == "Segments and Groups:")
            part = Segments;
        else if (t == "Symbols:")
            part = Symbols;
        else if (t == "Macros:" || t == "Structures and Records:")
            part = Other;
        else if (part == Segments)
            reader.segmentTable(trimmedRight(raw));
    }
    part = Body;
    QList<Entry> entries;
    bool heading = false;
    static const QRegularExpression severe(QStringLiteral("^(\\d+) Severe\\s+Errors"));
    for (const QByteArray &raw : lines) {
        // Blanks at the end may be the source's own, cut where a long line
        // wraps: only the line break goes.
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const QByteArray t = line.trimmed();
        if (t == "Segments and Groups:" || t == "Symbols:" || t == "Macros:" ||
            t == "Structures and Records:") {
            part = t == "Symbols:" ? Symbols : Other;
            continue;
        }
        if (part != Body) {
            if (part == Symbols)
                reader.symbol(trimmedRight(line));
            const QRegularExpressionMatch m = severe.match(QLatin1String(t));
            if (m.hasMatch())
                reader.out.severeErrors = m.captured(1).toInt();
            continue;
        }
        if (line.startsWith('\f')) {
            heading = true;
            continue;
        }
        if (heading) {
            heading = false;
            continue;
        }
        if (numbered(line))
            entries << entryOf(line);
        else if (line.startsWith("\t\t\t\t\t") && !entries.isEmpty())
            entries.back().text += line.mid(5);
    }
    for (const Entry &e : entries)
        reader.body(e);
    return reader.out;
}
