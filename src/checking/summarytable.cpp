#include "checking/checkreports.h"

#include "checking/reporttext.h"

#include <algorithm>

static bool isWide(char32_t u)
{
    // East Asian Wide and Fullwidth: what terminals draw two columns wide.
    return (u >= 0x1100 && u <= 0x115f) || (u >= 0x2e80 && u <= 0x303e) ||
           (u >= 0x3041 && u <= 0x33ff) || (u >= 0x3400 && u <= 0x4dbf) ||
           (u >= 0x4e00 && u <= 0x9fff) || (u >= 0xa000 && u <= 0xa4cf) ||
           (u >= 0xac00 && u <= 0xd7a3) || (u >= 0xf900 && u <= 0xfaff) ||
           (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60) ||
           (u >= 0xffe0 && u <= 0xffe6) || (u >= 0x1f300 && u <= 0x1f64f) ||
           (u >= 0x1f900 && u <= 0x1f9ff) || (u >= 0x20000 && u <= 0x3fffd);
}

static int displayWidth(QStringView text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::category(u)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            break;
        default:
            width += isWide(u) ? 2 : 1;
        }
    }
    return width;
}

// One line of it: no line ends or tabs to break the columns.
static QString cellText(const QString &text)
{
    QString s = visibleText(text);
    s.replace(u'\n', u' ');
    s.replace(u'\t', u' ');
    return s;
}

static QString firstLine(const QString &text)
{
    return cellText(text.section(u'\n', 0, 0, QString::SectionSkipEmpty).trimmed());
}

// What a teacher reads first: why it did not build, or its first failed case.
static QString firstProblem(const SubmissionResult &s)
{
    if (s.build != BuildVerdict::Built) {
        const QString why = firstLine(s.buildReason);
        return verdictText(s.build) + (why.isEmpty() ? QString() : QStringLiteral("：") + why);
    }
    for (const CaseResult &c : s.cases) {
        if (c.passed())
            continue;
        const QString why = firstLine(c.reason);
        return cellText(c.name) + QStringLiteral("：") + verdictText(c.verdict) +
               (why.isEmpty() ? QString() : QStringLiteral("，") + why);
    }
    return {};
}

QString summaryTable(const ClassResult &result)
{
    QList<QStringList> rows{{QStringLiteral("学生"), QStringLiteral("得分"), QStringLiteral("通过"),
                             QStringLiteral("问题")}};
    for (const SubmissionResult &s : result.submissions) {
        rows << QStringList{cellText(s.student), pointsOutOf(s.points(), s.maxPoints()),
                            QStringLiteral("%1/%2").arg(s.passedCases()).arg(s.cases.size()),
                            firstProblem(s)};
    }
    int widths[3] = {};
    for (const QStringList &row : rows) {
        for (int i = 0; i < 3; ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    }

    QString out;
    for (const QStringList &row : rows) {
        QString line = row[0] + QString(widths[0] - displayWidth(row[0]), u' ');
        // Numbers right-aligned, so that their slashes line up.
        for (int i = 1; i < 3; ++i)
            line += QString(2 + widths[i] - displayWidth(row[i]), u' ') + row[i];
        line += QStringLiteral("  ") + row[3];
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + u'\n';
    }
    const auto passed = std::count_if(result.submissions.begin(), result.submissions.end(),
                                      [](const SubmissionResult &s) { return s.passed(); });
    out += QStringLiteral("共 %1 份程序，全部用例通过的 %2 份。\n")
               .arg(result.submissions.size())
               .arg(passed);
    return out;
}
