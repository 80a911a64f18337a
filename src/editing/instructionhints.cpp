#include "editing/instructionhints.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

static QStringList stringList(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &item : v.toArray())
        out << item.toString();
    return out;
}

InstructionHints InstructionHints::fromJson(const QByteArray &json, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return InstructionHints();
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull())
        return fail(parse.errorString() + QStringLiteral(" at ") + QString::number(parse.offset));

    InstructionHints hints;
    for (const QJsonValue &v : doc.object().value(QLatin1String("entries")).toArray()) {
        const QJsonObject o = v.toObject();
        HintEntry e;
        for (const QString &w : stringList(o.value(QLatin1String("words"))))
            e.words << w.toUpper();
        e.kind = o.value(QLatin1String("kind")).toString();
        e.name = o.value(QLatin1String("name")).toString();
        e.forms = stringList(o.value(QLatin1String("forms")));
        e.text = o.value(QLatin1String("text")).toString();
        e.flags = o.value(QLatin1String("flags")).toString();
        const QJsonObject table = o.value(QLatin1String("table")).toObject();
        e.columns = stringList(table.value(QLatin1String("columns")));
        for (const QJsonValue &row : table.value(QLatin1String("rows")).toArray())
            e.rows << stringList(row);
        if (e.words.isEmpty() || e.text.isEmpty())
            return fail(
                QStringLiteral("entry %1 has no words or no text").arg(hints.entries_.size() + 1));
        for (const QString &w : e.words) {
            if (hints.index_.contains(w))
                return fail(QStringLiteral("%1 is given twice").arg(w));
            hints.index_.insert(w, hints.entries_.size());
        }
        hints.entries_ << e;
    }
    if (hints.entries_.isEmpty())
        return fail(QStringLiteral("no entries"));
    if (error)
        error->clear();
    return hints;
}

// Q_INIT_RESOURCE cannot stand inside a namespace or a class.
static void initHintResources()
{
    Q_INIT_RESOURCE(hints);
}

const InstructionHints &InstructionHints::shipped()
{
    static const InstructionHints hints = [] {
        // The data lives in a static library: nothing else pulls it in.
        initHintResources();
        QFile file(QStringLiteral(":/hints/hints.json"));
        file.open(QIODevice::ReadOnly);
        return fromJson(file.readAll());
    }();
    return hints;
}

const HintEntry *InstructionHints::find(QStringView word) const
{
    const auto it = index_.constFind(word.toString().toUpper());
    return it == index_.cend() ? nullptr : &entries_[*it];
}

static bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('$') || c == QLatin1Char('?');
}

// Start and end of the word (or "=") at column, or an empty range.
static std::pair<int, int> wordAround(QStringView line, int column)
{
    const int n = int(line.size());
    auto at = [&](int i, auto test) { return i >= 0 && i < n && test(line[i]); };
    const auto isEquals = [](QChar c) { return c == QLatin1Char('='); };
    // The caret right behind a word asks for that word.
    int i = column;
    if (!at(i, isWordChar) && !at(i, isEquals) && (at(i - 1, isWordChar) || at(i - 1, isEquals)))
        --i;
    if (at(i, isEquals))
        return {i, i + 1};
    if (!at(i, isWordChar))
        return {0, 0};
    int b = i;
    int e = i;
    while (at(b - 1, isWordChar))
        --b;
    while (at(e, isWordChar))
        ++e;
    // Directives such as .MODEL begin with a dot.
    if (at(b - 1, [](QChar c) { return c == QLatin1Char('.'); }))
        --b;
    return {b, e};
}

static bool inComment(QStringView line, int column)
{
    QChar quote;
    for (int i = 0; i < column && i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            return true;
        }
    }
    return false;
}

// A number as MASM reads it (hexadecimal with H, binary with B, else
// decimal), written the way the hints name them: "1AH", "3C8H"; empty when
// the word is no number.
static QString hexName(QStringView word)
{
    if (word.isEmpty() || !word[0].isDigit())
        return QString();
    const QChar last = word.back().toUpper();
    bool ok = false;
    uint value = 0;
    if (last == QLatin1Char('H'))
        value = word.chopped(1).toUInt(&ok, 16);
    else if (last == QLatin1Char('B'))
        value = word.chopped(1).toUInt(&ok, 2);
    else
        value = (last == QLatin1Char('D') ? word.chopped(1) : word).toUInt(&ok, 10);
    if (!ok)
        return QString();
    return QStringLiteral("%1H").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// The instruction of a line (its first word after a label), upper case.
static QString mnemonicOf(QStringView line)
{
    static const QRegularExpression first(
        QStringLiteral("^\\s*(?:[\\w@$?]+\\s*:)?\\s*([A-Za-z]+)\\b(.*)$"));
    const QRegularExpressionMatch m = first.match(line);
    return m.hasMatch() ? m.captured(1).toUpper() : QString();
}

QString hintWord(QStringView line, int column)
{
    if (inComment(line, column))
        return QString();
    const auto [b, e] = wordAround(line, column);
    if (b == e)
        return QString();
    const QString word = line.sliced(b, e - b).toString().toUpper();
    // INT 21H, INT 10H ... have hints of their own: the services' tables,
    // on either half of the call.
    static const QRegularExpression intCall(
        QStringLiteral("\\bINT\\s+([0-9][0-9A-Fa-f]*[HhBbDd]?)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch call = intCall.match(line);
    if (call.hasMatch() && b >= call.capturedStart() && e <= call.capturedEnd())
        return QStringLiteral("INT ") + hexName(call.captured(1));
    // A port: the number of an IN or OUT, or one above 0FFH moved into DX
    // for them.
    const QString number = hexName(word);
    if (!number.isEmpty()) {
        const QString mnemonic = mnemonicOf(line);
        static const QRegularExpression intoDx(QStringLiteral("^\\s*DX\\s*,"),
                                               QRegularExpression::CaseInsensitiveOption);
        const qsizetype at = line.indexOf(QLatin1String("MOV"), 0, Qt::CaseInsensitive);
        if (mnemonic == QLatin1String("IN") || mnemonic == QLatin1String("OUT") ||
            (mnemonic == QLatin1String("MOV") && number.size() > 3 &&
             intoDx.match(line.sliced(at + 3)).hasMatch()))
            return QStringLiteral("PORT ") + number;
    }
    return word;
}

QString hintHtml(const InstructionHints &hints, const QString &word)
{
    if (word.isEmpty())
        return QStringLiteral("<p>请把光标放在指令、伪指令或寄存器上。</p>");
    const HintEntry *e = hints.find(word);
    // A software interrupt without a table of its own is still INT.
    if (!e && word.startsWith(QLatin1String("INT ")))
        e = hints.find(u"INT");
    if (!e)
        return QStringLiteral("<p>没有“%1”的提示。</p>").arg(word.toHtmlEscaped());

    QString html =
        QStringLiteral("<p style='font-size:large'><b>%1</b>　%2</p>")
            .arg(e->words.join(QStringLiteral(" / ")).toHtmlEscaped(), e->name.toHtmlEscaped());
    auto section = [&html](const QString &heading, const QString &body) {
        if (!body.isEmpty())
            html += QStringLiteral("<p><b>%1：</b>%2</p>").arg(heading, body);
    };
    section(QStringLiteral("类别"), e->kind.toHtmlEscaped());
    QStringList forms;
    for (const QString &f : e->forms)
        forms << QStringLiteral("<code>%1</code>").arg(f.toHtmlEscaped());
    if (!forms.isEmpty())
        section(QStringLiteral("格式"),
                QStringLiteral("<br>") + forms.join(QStringLiteral("<br>")));
    section(QStringLiteral("功能"), e->text.toHtmlEscaped());
    section(QStringLiteral("标志位"), e->flags.toHtmlEscaped());
    if (!e->rows.isEmpty()) {
        html += QStringLiteral("<table border='1' cellspacing='0' cellpadding='3'><tr>");
        for (const QString &c : e->columns)
            html += QStringLiteral("<th>%1</th>").arg(c.toHtmlEscaped());
        html += QStringLiteral("</tr>");
        for (const QStringList &row : e->rows) {
            html += QStringLiteral("<tr>");
            for (const QString &cell : row)
                html += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    return html;
}
