#include "rules/sourcechecks.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

// One line without its comment, in upper case; strings blanked so that
// nothing in them counts as a word.
QString codeOf(QStringView line)
{
    QString out;
    out.reserve(line.size());
    QChar quote;
    for (const QChar c : line) {
        if (!quote.isNull()) {
            out += c == quote ? c : QLatin1Char(' ');
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
        } else if (c == QLatin1Char(';')) {
            break;
        } else {
            out += c.toUpper();
        }
    }
    return out;
}

QList<QStringView> linesOf(QStringView text)
{
    QList<QStringView> lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
            lines << text.sliced(from, i - from);
            if (text[i] == QLatin1Char('\r') && i + 1 < text.size() &&
                text[i + 1] == QLatin1Char('\n'))
                ++i;
            from = i + 1;
        }
    }
    if (from < text.size())
        lines << text.sliced(from);
    return lines;
}

const QString kName = QStringLiteral("([A-Z_@$?][A-Z0-9_@$?]*)");

} // namespace

QList<SourceHint> sourceHints(QStringView text)
{
    static const QRegularExpression segment(QStringLiteral("^\\s*") + kName +
                                            QStringLiteral("\\s+SEGMENT\\b(.*)$"));
    static const QRegularExpression data(QStringLiteral("^\\s*") + kName +
                                         QStringLiteral("\\s+(DB|DW|DD|DQ|DT)\\b"));
    static const QRegularExpression end(QStringLiteral("^\\s*(?:") + kName +
                                        QStringLiteral("\\s*:\\s*)?END\\b"));
    static const QRegularExpression org100(
        QStringLiteral("^\\s*ORG\\s+(100H|256|256D|0100H)\\s*$"));
    static const QRegularExpression moveToSegment(
        QStringLiteral("^\\s*(?:") + kName +
        QStringLiteral("\\s*:\\s*)?MOV\\s+(DS|ES|SS|CS)\\s*,\\s*(\\S+)\\s*$"));
    static const QRegularExpression number(QStringLiteral("^[0-9][0-9A-F]*[HBDOQ]?$"));
    static const QRegularExpression jump(
        QStringLiteral("^\\s*(?:") + kName +
        QStringLiteral(
            "\\s*:\\s*)?(J[A-Z]{1,4}|CALL|LOOP[A-Z]{0,2})\\s+(?:SHORT\\s+|NEAR\\s+PTR\\s+)?") +
        kName + QStringLiteral("\\s*$"));

    const QList<QStringView> lines = linesOf(text);
    QList<QString> code;
    code.reserve(lines.size());
    QSet<QString> segments;
    QHash<QString, int> variables;
    int orgLine = 0;
    int stackLine = 0;
    QString stackName;
    bool hasEnd = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        code << codeOf(lines[i]);
        const QString &c = code.last();
        if (const auto m = segment.match(c); m.hasMatch()) {
            segments.insert(m.captured(1));
            if (!stackLine &&
                m.captured(2).contains(QRegularExpression(QStringLiteral("\\bSTACK\\b")))) {
                stackLine = int(i) + 1;
                stackName = m.captured(1);
            }
        } else if (const auto d = data.match(c); d.hasMatch()) {
            variables.insert(d.captured(1), int(i) + 1);
        } else if (end.match(c).hasMatch()) {
            hasEnd = true;
        } else if (!orgLine && org100.match(c).hasMatch()) {
            orgLine = int(i) + 1;
        }
    }

    QList<SourceHint> hints;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const int line = int(i) + 1;
        if (const auto m = moveToSegment.match(code[i]); m.hasMatch()) {
            const QString source = m.captured(3);
            const QString reg = m.captured(2);
            if (segments.contains(source) || number.match(source).hasMatch())
                hints << SourceHint{
                    line,
                    QStringLiteral("%1 是%2，不能直接送入段寄存器 %3：先 MOV AX,%1，再 MOV %3,AX。")
                        .arg(lines[i].sliced(m.capturedStart(3), m.capturedLength(3)).toString(),
                             segments.contains(source) ? QStringLiteral("段名（段地址是立即数）")
                                                       : QStringLiteral("立即数"),
                             reg)};
        }
        if (const auto m = jump.match(code[i]); m.hasMatch() && variables.contains(m.captured(3))) {
            const QString name = m.captured(3);
            hints << SourceHint{
                line, QStringLiteral("%1 是第 %2 行用 %3 定义的变量，不能作为 %4 的目标："
                                     "跳转和调用要转到代码标号（标号后加冒号）或过程名。")
                          .arg(lines[i].sliced(m.capturedStart(3), m.capturedLength(3)).toString())
                          .arg(variables.value(name))
                          .arg(QRegularExpression(QStringLiteral("\\b(DB|DW|DD|DQ|DT)\\b"))
                                   .match(code[variables.value(name) - 1])
                                   .captured(1),
                               m.captured(2))};
        }
        if (line == stackLine && orgLine)
            hints << SourceHint{
                line, QStringLiteral("这是 .COM 程序（第 %1 行 ORG 100H），不能有堆栈段 %2："
                                     "EXE2BIN 无法转换。删去这个段，DOS 会把 SP 设在段的末尾。")
                          .arg(orgLine)
                          .arg(stackName)};
    }
    if (!hasEnd && std::any_of(code.begin(), code.end(),
                               [](const QString &c) { return !c.trimmed().isEmpty(); })) {
        int last = int(code.size());
        while (last > 1 && code[last - 1].trimmed().isEmpty())
            --last;
        hints << SourceHint{last, QStringLiteral("没有 END 伪指令：在文件最后加一行 END START"
                                                 "（START 换成程序第一条指令的标号）。")};
    }
    return hints;
}
