#include "checking/checkreports.h"

#include "checking/reporttext.h"

// A text cell, quoted when it must be (RFC 4180).
static QString textCell(const QString &text)
{
    QString s = visibleText(text);
    // Excel and its kind run a cell beginning so as a formula.
    if (!s.isEmpty() && QStringView(u"=+-@").contains(s.front()))
        s.prepend(u'\'');
    if (!s.contains(u',') && !s.contains(u'"') && !s.contains(u'\n'))
        return s;
    s.replace(u'"', QLatin1String("\"\""));
    // Inside quotes a line end is CR LF too, as the rows end.
    s.replace(u'\n', QLatin1String("\r\n"));
    return u'"' + s + u'"';
}

static void appendRow(QString &out, const QStringList &cells)
{
    out += cells.join(u',');
    out += QLatin1String("\r\n");
}

QByteArray csvReport(const ClassResult &result)
{
    QString out;
    appendRow(out, {QStringLiteral("学生"), QStringLiteral("源程序"), QStringLiteral("生成"),
                    QStringLiteral("用例"), QStringLiteral("结果"), QStringLiteral("得分"),
                    QStringLiteral("满分"), QStringLiteral("原因"), QStringLiteral("指令数"),
                    QStringLiteral("毫秒")});
    for (const SubmissionResult &s : result.submissions) {
        const QString student = textCell(s.student);
        const QString source = textCell(s.source);
        const QString build = verdictCode(s.build);
        if (s.cases.isEmpty()) {
            appendRow(out, {student, source, build, QString(), verdictCode(CaseVerdict::NotRun),
                            pointsText(0), pointsText(0), textCell(s.buildReason),
                            QStringLiteral("0"), QString::number(s.milliseconds)});
            continue;
        }
        for (const CaseResult &c : s.cases) {
            const QString &reason =
                c.reason.isEmpty() && c.verdict == CaseVerdict::NotRun ? s.buildReason : c.reason;
            appendRow(out, {student, source, build, textCell(c.name), verdictCode(c.verdict),
                            pointsText(c.points), pointsText(c.maxPoints), textCell(reason),
                            QString::number(c.instructions), QString::number(c.milliseconds)});
        }
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}
