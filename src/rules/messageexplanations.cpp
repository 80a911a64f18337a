#include "rules/messageexplanations.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

static QStringList stringList(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &item : v.toArray())
        out << item.toString();
    return out;
}

QString codeKey(QStringView code)
{
    if (code.size() == 5 && code[0].toUpper() == QLatin1Char('A'))
        return QStringLiteral("A") + code.sliced(2).toString();
    return code.toString().toUpper();
}

// The first line of the tool's text, its printf marks turned into captures;
// MASM adds ": name" after many of its texts, and a text that ends in a colon
// is followed by what it announces.
static QRegularExpression patternOf(const QString &text)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.endsWith(QLatin1Char(':')))
        line.chop(1);
    static const QRegularExpression mark(QStringLiteral("%(0?\\d*)(l?[dux]|c|s)"));
    QString pattern;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &m : mark.globalMatch(line)) {
        pattern += QRegularExpression::escape(line.sliced(from, m.capturedStart() - from));
        const QString kind = m.captured(2);
        pattern += kind == QLatin1String("s")   ? QStringLiteral("(.+?)")
                   : kind == QLatin1String("c") ? QStringLiteral("(\\S)")
                   : kind.endsWith(u'x')        ? QStringLiteral("([0-9A-Fa-f]+)")
                                                : QStringLiteral("(-?\\d+)");
        from = m.capturedEnd();
    }
    pattern += QRegularExpression::escape(line.sliced(from));
    return QRegularExpression(QStringLiteral("^") + pattern +
                              QStringLiteral("(?:\\s*:\\s*(.*?))?\\s*$"));
}

MessageExplanations MessageExplanations::fromJson(const QByteArray &json, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return MessageExplanations();
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull())
        return fail(parse.errorString() + QStringLiteral(" at ") + QString::number(parse.offset));
    MessageExplanations out;
    for (const QJsonValue &v : doc.object().value(QLatin1String("entries")).toArray()) {
        const QJsonObject o = v.toObject();
        MessageEntry e;
        e.code = o.value(QLatin1String("code")).toString();
        e.tool = o.value(QLatin1String("tool")).toString();
        e.text = o.value(QLatin1String("text")).toString();
        e.meaning = o.value(QLatin1String("meaning")).toString();
        e.causes = o.value(QLatin1String("causes")).toString();
        e.fix = o.value(QLatin1String("fix")).toString();
        e.wrong = stringList(o.value(QLatin1String("wrong")));
        e.right = stringList(o.value(QLatin1String("right")));
        e.names = stringList(o.value(QLatin1String("names")));
        if (e.text.isEmpty() || e.meaning.isEmpty() || e.tool.isEmpty())
            return fail(QStringLiteral("entry %1 lacks its text, meaning or tool")
                            .arg(out.entries_.size() + 1));
        if (!e.code.isEmpty()) {
            const QString key = codeKey(e.code);
            if (out.byCode_.contains(key))
                return fail(QStringLiteral("%1 is given twice").arg(e.code));
            out.byCode_.insert(key, out.entries_.size());
        }
        out.patterns_ << patternOf(e.text);
        out.entries_ << e;
    }
    if (out.entries_.isEmpty())
        return fail(QStringLiteral("no entries"));
    if (error)
        error->clear();
    return out;
}

// Q_INIT_RESOURCE cannot stand inside a namespace or a class.
static void initMessageResources()
{
    Q_INIT_RESOURCE(messages);
}

const MessageExplanations &MessageExplanations::shipped()
{
    static const MessageExplanations explanations = [] {
        // The data lives in a static library: nothing else pulls it in.
        initMessageResources();
        QFile file(QStringLiteral(":/messages/explanations.json"));
        file.open(QIODevice::ReadOnly);
        return fromJson(file.readAll());
    }();
    return explanations;
}

const MessageEntry *MessageExplanations::findCode(QStringView code) const
{
    const auto it = byCode_.constFind(codeKey(code));
    return it == byCode_.cend() ? nullptr : &entries_[*it];
}

// "{1}" ... with the values, or with what they stand for where the tool gave none.
static QString filledIn(QString text, const QStringList &values, const QStringList &names)
{
    for (int i = 0; i < 9; ++i) {
        const QString mark = QStringLiteral("{%1}").arg(i + 1);
        if (!text.contains(mark))
            continue;
        const QString value = i < values.size() ? values[i].trimmed() : QString();
        text.replace(mark, !value.isEmpty()   ? value
                           : i < names.size() ? QStringLiteral("〈%1〉").arg(names[i])
                                              : QStringLiteral("〈…〉"));
    }
    return text;
}

Explanation explanationOf(const MessageEntry &e, const QString &code, const QStringList &values)
{
    return Explanation{code, &e, filledIn(e.meaning, values, e.names),
                       filledIn(e.causes, values, e.names), filledIn(e.fix, values, e.names)};
}

// What the tool filled in, in order: its marks, then the name MASM adds.
static QStringList capturedValues(const QRegularExpression &pattern, QStringView message)
{
    const QRegularExpressionMatch m = pattern.match(message);
    QStringList values;
    if (!m.hasMatch())
        return values;
    for (int i = 1; i <= m.lastCapturedIndex(); ++i)
        values << m.captured(i);
    return values;
}

std::optional<Explanation> MessageExplanations::explain(QStringView line,
                                                        const QString &names) const
{
    // "error A2009: ...", "warning A4031: ...", "fatal error L1101: ...".
    static const QRegularExpression coded(
        QStringLiteral("\\b(?:error|warning)\\s+([AL]\\d{4})\\s*:\\s*(.*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = coded.match(line);
    if (m.hasMatch()) {
        const QString code = m.captured(1).toUpper();
        const MessageEntry *e = findCode(code);
        if (!e)
            return std::nullopt;
        QStringList values = capturedValues(patterns_[e - entries_.data()], m.capturedView(2));
        if (!names.isEmpty())
            values = QStringList{names};
        return explanationOf(*e, code, values);
    }
    // A message without a code stands alone on its line, or after a colon of
    // the program's own text ("……，它的输出：File cannot be converted").
    QStringView message = line.trimmed();
    if (const qsizetype colon = message.lastIndexOf(u'：'); colon >= 0)
        message = message.sliced(colon + 1).trimmed();
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].code.isEmpty() || !patterns_[i].match(message).hasMatch())
            continue;
        QStringList values = capturedValues(patterns_[i], message);
        if (!names.isEmpty())
            values = QStringList{names};
        return explanationOf(entries_[i], QString(), values);
    }
    return std::nullopt;
}

QStringList explanationLines(const Explanation &e, const QString &indent)
{
    QStringList lines;
    lines << indent + QStringLiteral("→ ") + e.meaning;
    if (!e.causes.isEmpty())
        lines << indent + QStringLiteral("  常见原因：") + e.causes;
    if (!e.fix.isEmpty())
        lines << indent + QStringLiteral("  怎么改：") + e.fix;
    if (!e.entry->wrong.isEmpty()) {
        lines << indent + QStringLiteral("  错误写法：") + e.entry->wrong.first();
        for (const QString &l : e.entry->wrong.sliced(1))
            lines << indent + QStringLiteral("            ") + l;
    }
    if (!e.entry->right.isEmpty()) {
        lines << indent + QStringLiteral("  改正写法：") + e.entry->right.first();
        for (const QString &l : e.entry->right.sliced(1))
            lines << indent + QStringLiteral("            ") + l;
    }
    return lines;
}

static QString codeBlock(const QStringList &lines)
{
    return QStringLiteral("<pre style='margin:0'>%1</pre>")
        .arg(lines.join(QLatin1Char('\n')).toHtmlEscaped());
}

QString explanationHtml(const Explanation &e)
{
    QString html =
        QStringLiteral("<p style='margin:2px 0'><b>%1</b></p>").arg(e.meaning.toHtmlEscaped());
    auto section = [&html](const QString &heading, const QString &body) {
        if (!body.isEmpty())
            html += QStringLiteral("<p style='margin:2px 0'>%1：%2</p>").arg(heading, body);
    };
    section(QStringLiteral("常见原因"), e.causes.toHtmlEscaped());
    section(QStringLiteral("怎么改"), e.fix.toHtmlEscaped());
    if (!e.entry->wrong.isEmpty())
        section(QStringLiteral("错误写法"), codeBlock(e.entry->wrong));
    if (!e.entry->right.isEmpty())
        section(QStringLiteral("改正写法"), codeBlock(e.entry->right));
    return html;
}

static QStringList linesOf(QStringView text)
{
    QString t = text.toString();
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// LINK names each unresolved external on a line of its own after the message.
static QString unresolvedNames(const QStringList &lines, qsizetype from)
{
    static const QRegularExpression external(QStringLiteral("^\\s*(\\S+) in file\\(s\\):\\s*$"));
    QStringList names;
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = external.match(lines[i]);
        if (m.hasMatch())
            names << m.captured(1);
        else if (lines[i].contains(QLatin1String("error")) ||
                 lines[i].contains(QLatin1String("There w")))
            break;
    }
    return names.join(QStringLiteral("、"));
}

ExplainedText explainText(const MessageExplanations &explanations, QStringView text)
{
    static const QRegularExpression codeWord(QStringLiteral("\\b[AL]\\d{4}\\b"));
    const QStringList lines = linesOf(text);
    ExplainedText out;
    QStringList shown;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        shown << line;
        const QString names =
            line.contains(QLatin1String("L2029")) ? unresolvedNames(lines, i + 1) : QString();
        const std::optional<Explanation> e = explanations.explain(line, names);
        if (!e)
            continue;
        if (!e->code.isEmpty()) {
            const QRegularExpressionMatch m = codeWord.match(line);
            if (m.hasMatch())
                out.codes << ExplainedText::Span{int(shown.size() - 1), int(m.capturedStart()),
                                                 int(m.capturedLength()), e->code};
        }
        qsizetype lead = 0;
        while (lead < line.size() && line[lead] == QLatin1Char(' '))
            ++lead;
        const QString indent(std::min<qsizetype>(lead, 8) + 2, QLatin1Char(' '));
        for (const QString &l : explanationLines(*e, indent)) {
            out.explanationLines << int(shown.size());
            shown << l;
        }
    }
    out.text = shown.join(QStringLiteral("\r\n"));
    if (!shown.isEmpty() && (text.endsWith(u'\n') || text.endsWith(u'\r')))
        out.text += QStringLiteral("\r\n");
    return out;
}
