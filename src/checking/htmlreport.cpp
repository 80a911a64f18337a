#include "checking/checkreports.h"

#include "checking/reporttext.h"

#include <algorithm>

// No script may run and nothing may be fetched, whatever slips through.
static const char head[] = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
)";

static const char style[] = R"(<style>
body { font-family: "Microsoft YaHei", "PingFang SC", "Noto Sans CJK SC", sans-serif;
       margin: 1.5em; color: #222; }
table { border-collapse: collapse; margin: .5em 0; }
th, td { border: 1px solid #bbb; padding: .2em .6em; text-align: left; vertical-align: top; }
th { background: #eee; }
td.num { text-align: right; }
pre { font-family: Consolas, "Courier New", SimSun, monospace; background: #f5f5f5;
      padding: .4em; margin: .2em 0; white-space: pre-wrap; overflow-wrap: anywhere; }
.sides { display: grid; grid-template-columns: 1fr 1fr; gap: .8em; }
.sides h4 { margin: .3em 0 0; }
section { border-top: 2px solid #ccc; margin-top: 1.5em; }
details { margin: .4em 0; }
summary { cursor: pointer; }
.verdict { padding: 0 .4em; }
.v-passed, .b-built { background: #d4f0d4; }
.v-wrong-screen, .v-wrong-output, .v-wrong-exit-code, .v-wrong-label, .v-wrong-file,
.b-not-assembled, .b-not-linked, .b-no-source, .b-tool-failed { background: #f6cccc; }
.v-hung, .v-waited-for-keys, .v-too-much-output, .v-fault { background: #fbdcaa; }
.v-needs-dosbox { background: #d2e2f7; }
.v-not-run, .v-none { background: #e6e6e6; color: #666; }
</style>
</head>
<body>
)";

// Untrusted text, safe in an element or a double-quoted attribute.
static QString esc(const QString &text)
{
    return visibleText(text).toHtmlEscaped();
}

static QString verdictSpan(CaseVerdict v)
{
    return QStringLiteral("<span class=\"verdict v-%1\">%2</span>")
        .arg(verdictCode(v), verdictText(v));
}

static QString pre(const QString &text)
{
    return QStringLiteral("<pre>") + esc(text) + QStringLiteral("</pre>\n");
}

static QString sideBySide(const QString &leftHeading, const QString &left,
                          const QString &rightHeading, const QString &right)
{
    return QStringLiteral("<div class=\"sides\"><div><h4>") + leftHeading +
           QStringLiteral("</h4>") + pre(left) + QStringLiteral("</div><div><h4>") + rightHeading +
           QStringLiteral("</h4>") + pre(right) + QStringLiteral("</div></div>\n");
}

static const CaseResult *findCase(const SubmissionResult &s, const QString &name)
{
    for (const CaseResult &c : s.cases) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

static void writeSummary(const ClassResult &result, QString &out)
{
    out += QStringLiteral("<table class=\"summary\">\n<thead><tr><th>学生</th><th>得分</th>"
                          "<th>通过</th>");
    for (const QString &name : result.caseNames)
        out += QStringLiteral("<th>") + esc(name) + QStringLiteral("</th>");
    out += QStringLiteral("</tr></thead>\n<tbody>\n");
    for (int i = 0; i < result.submissions.size(); ++i) {
        const SubmissionResult &s = result.submissions[i];
        out += QStringLiteral("<tr><td><a href=\"#s%1\">%2</a></td><td class=\"num\">%3</td>"
                              "<td class=\"num\">%4/%5</td>")
                   .arg(QString::number(i), esc(s.student), pointsOutOf(s.points(), s.maxPoints()),
                        QString::number(s.passedCases()), QString::number(s.cases.size()));
        for (const QString &name : result.caseNames) {
            const CaseResult *c = findCase(s, name);
            if (c) {
                const QString title = c->reason.isEmpty()
                                          ? QString()
                                          : QStringLiteral(" title=\"%1\"").arg(esc(c->reason));
                out += QStringLiteral("<td class=\"v-%1\"%2>%3</td>")
                           .arg(verdictCode(c->verdict), title, verdictText(c->verdict));
            } else if (s.build != BuildVerdict::Built) {
                out += QStringLiteral("<td class=\"v-not-run\">%1</td>")
                           .arg(verdictText(CaseVerdict::NotRun));
            } else {
                out += QStringLiteral("<td class=\"v-none\">—</td>");
            }
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</tbody>\n</table>\n");
}

static void caseDetails(const CaseResult &c, QString &out)
{
    out += c.passed() ? QStringLiteral("<details>") : QStringLiteral("<details open>");
    out += QStringLiteral("<summary>用例 %1：%2　得分 %3</summary>\n")
               .arg(esc(c.name), verdictSpan(c.verdict), pointsOutOf(c.points, c.maxPoints));
    if (!c.reason.isEmpty())
        out += QStringLiteral("<p>原因：") + esc(c.reason) + QStringLiteral("</p>\n");
    QString facts = QStringLiteral("用时 %1 毫秒，执行 %2 条指令")
                        .arg(QString::number(c.milliseconds), QString::number(c.instructions));
    if (c.exitCode >= 0)
        facts += QStringLiteral("，返回码 %1").arg(c.exitCode);
    out += QStringLiteral("<p>") + facts + QStringLiteral("</p>\n");
    if (!c.expected.isEmpty() || !c.actual.isEmpty()) {
        out += sideBySide(QStringLiteral("期望"), c.expected, QStringLiteral("实际"), c.actual);
    } else if (!c.passed()) {
        // Nothing was compared (it hung, say): what it left shows why.
        if (!c.output.isEmpty())
            out += QStringLiteral("<h4>程序输出</h4>\n") + pre(c.output);
        if (!c.screen.isEmpty())
            out += QStringLiteral("<h4>屏幕</h4>\n") + pre(c.screen);
    }
    out += QStringLiteral("</details>\n");
}

static void submissionSection(const SubmissionResult &s, int index, QString &out)
{
    out += QStringLiteral("<section id=\"s%1\">\n<h2>%2</h2>\n")
               .arg(QString::number(index), esc(s.student));
    out += QStringLiteral("<p>源程序：%1　生成：<span class=\"verdict b-%2\">%3</span>"
                          "　得分 %4　用时 %5 毫秒</p>\n")
               .arg(esc(s.source), verdictCode(s.build), verdictText(s.build),
                    pointsOutOf(s.points(), s.maxPoints()), QString::number(s.milliseconds));
    if (!s.buildReason.isEmpty())
        out += QStringLiteral("<p>原因：") + esc(s.buildReason) + QStringLiteral("</p>\n");
    if (!s.assemblerSaid.isEmpty())
        out += QStringLiteral("<h3>汇编信息</h3>\n") + pre(s.assemblerSaid);
    if (!s.linkerSaid.isEmpty())
        out += QStringLiteral("<h3>连接信息</h3>\n") + pre(s.linkerSaid);
    if (s.build != BuildVerdict::Built) {
        out += QStringLiteral("<p>程序没有生成，用例都未运行。</p>\n");
    } else {
        for (const CaseResult &c : s.cases)
            caseDetails(c, out);
    }
    out += QStringLiteral("</section>\n");
}

static QString lineRange(int first, qsizetype count)
{
    if (count <= 1)
        return QStringLiteral("第 %1 行").arg(first);
    return QStringLiteral("第 %1–%2 行").arg(first).arg(first + count - 1);
}

static void similarSection(const ClassResult &result, QString &out)
{
    out += QStringLiteral("<section id=\"similar\">\n<h2>相似的程序</h2>\n");
    if (result.similar.isEmpty())
        out += QStringLiteral("<p>没有发现相似的程序。</p>\n");
    for (const SimilarPair &p : result.similar) {
        out += QStringLiteral("<details><summary>%1 与 %2：重合 %3%</summary>\n")
                   .arg(esc(p.first), esc(p.second), QString::number(qRound(p.overlap * 100)));
        for (const SimilarPair::Lines &run : p.runs) {
            out +=
                sideBySide(esc(p.first) + u' ' + lineRange(run.firstLine, run.firstText.size()),
                           run.firstText.join(u'\n'),
                           esc(p.second) + u' ' + lineRange(run.secondLine, run.secondText.size()),
                           run.secondText.join(u'\n'));
        }
        out += QStringLiteral("</details>\n");
    }
    out += QStringLiteral("</section>\n");
}

QByteArray htmlReport(const ClassResult &result)
{
    QString out = QString::fromUtf8(head);
    out += QStringLiteral("<title>检查结果：") + esc(result.title) + QStringLiteral("</title>\n");
    out += QString::fromUtf8(style);
    out += QStringLiteral("<h1>检查结果：") + esc(result.title) + QStringLiteral("</h1>\n");
    const auto allPassed = std::count_if(result.submissions.begin(), result.submissions.end(),
                                         [](const SubmissionResult &s) { return s.passed(); });
    out += QStringLiteral("<p>共 %1 份程序，全部用例通过的 %2 份。</p>\n")
               .arg(result.submissions.size())
               .arg(allPassed);
    writeSummary(result, out);
    for (int i = 0; i < result.submissions.size(); ++i)
        submissionSection(result.submissions[i], i, out);
    if (result.similarChecked)
        similarSection(result, out);
    out += QStringLiteral("</body>\n</html>\n");
    return out.toUtf8();
}
