#include "checking/checkreports.h"

#include "checking/reporttext.h"

#include <QXmlStreamWriter>

static QString seconds(qint64 milliseconds)
{
    return QString::number(double(milliseconds) / 1000, 'f', 3);
}

static void attribute(QXmlStreamWriter &xml, const QString &name, const QString &value)
{
    xml.writeAttribute(name, visibleText(value));
}

static void attribute(QXmlStreamWriter &xml, const QString &name, qint64 value)
{
    xml.writeAttribute(name, QString::number(value));
}

// The tools' messages, headed so that the two can be told apart.
static QString toolMessages(const SubmissionResult &s)
{
    QString out;
    if (!s.assemblerSaid.isEmpty())
        out += QStringLiteral("汇编信息：\n") + s.assemblerSaid + u'\n';
    if (!s.linkerSaid.isEmpty())
        out += QStringLiteral("连接信息：\n") + s.linkerSaid + u'\n';
    return out;
}

static QString withoutLineEnd(const QString &text)
{
    QString s = visibleText(text);
    if (s.endsWith(u'\n'))
        s.chop(1);
    return s;
}

// What was compared; or, where nothing was (it hung, say), what it left.
static QString failureText(const CaseResult &c)
{
    if (!c.expected.isEmpty() || !c.actual.isEmpty()) {
        return QStringLiteral("期望：\n") + withoutLineEnd(c.expected) +
               QStringLiteral("\n实际：\n") + withoutLineEnd(c.actual);
    }
    QString out;
    if (!c.output.isEmpty())
        out += QStringLiteral("程序输出：\n") + withoutLineEnd(c.output) + u'\n';
    if (!c.screen.isEmpty())
        out += QStringLiteral("屏幕：\n") + withoutLineEnd(c.screen);
    return out;
}

static QString notBuiltReason(const SubmissionResult &s)
{
    const QString text = verdictText(s.build);
    return s.buildReason.isEmpty() ? text : text + QStringLiteral("：") + s.buildReason;
}

struct Counts
{
    qint64 tests = 0, failures = 0, errors = 0, skipped = 0;
};

static Counts counts(const SubmissionResult &s)
{
    Counts n;
    n.tests = s.cases.isEmpty() && s.build != BuildVerdict::Built ? 1 : s.cases.size();
    if (s.cases.isEmpty())
        n.errors = n.tests;
    for (const CaseResult &c : s.cases) {
        if (c.verdict == CaseVerdict::NotRun)
            ++n.errors;
        else if (c.verdict == CaseVerdict::NeedsDosbox)
            ++n.skipped;
        else if (!c.passed())
            ++n.failures;
    }
    return n;
}

static void writeCase(QXmlStreamWriter &xml, const SubmissionResult &s, const CaseResult &c)
{
    xml.writeStartElement(QStringLiteral("testcase"));
    attribute(xml, QStringLiteral("name"), c.name);
    attribute(xml, QStringLiteral("classname"), s.student);
    xml.writeAttribute(QStringLiteral("time"), seconds(c.milliseconds));
    if (c.verdict == CaseVerdict::NotRun) {
        xml.writeStartElement(QStringLiteral("error"));
        const bool built = s.build == BuildVerdict::Built;
        attribute(xml, QStringLiteral("message"),
                  c.reason.isEmpty() && !built ? notBuiltReason(s) : c.reason);
        xml.writeAttribute(QStringLiteral("type"),
                           built ? verdictCode(c.verdict) : verdictCode(s.build));
        xml.writeEndElement();
    } else if (c.verdict == CaseVerdict::NeedsDosbox) {
        xml.writeStartElement(QStringLiteral("skipped"));
        attribute(xml, QStringLiteral("message"), c.reason);
        xml.writeAttribute(QStringLiteral("type"), verdictCode(c.verdict));
        xml.writeEndElement();
    } else if (!c.passed()) {
        xml.writeStartElement(QStringLiteral("failure"));
        attribute(xml, QStringLiteral("message"), c.reason);
        xml.writeAttribute(QStringLiteral("type"), verdictCode(c.verdict));
        xml.writeCharacters(failureText(c));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

static void writeProperty(QXmlStreamWriter &xml, const QString &name, const QString &value)
{
    xml.writeStartElement(QStringLiteral("property"));
    xml.writeAttribute(QStringLiteral("name"), name);
    attribute(xml, QStringLiteral("value"), value);
    xml.writeEndElement();
}

static void writeSuite(QXmlStreamWriter &xml, const SubmissionResult &s, int id)
{
    const Counts n = counts(s);
    xml.writeStartElement(QStringLiteral("testsuite"));
    attribute(xml, QStringLiteral("name"), s.student);
    attribute(xml, QStringLiteral("tests"), n.tests);
    attribute(xml, QStringLiteral("failures"), n.failures);
    attribute(xml, QStringLiteral("errors"), n.errors);
    attribute(xml, QStringLiteral("skipped"), n.skipped);
    xml.writeAttribute(QStringLiteral("time"), seconds(s.milliseconds));
    attribute(xml, QStringLiteral("id"), id);

    xml.writeStartElement(QStringLiteral("properties"));
    writeProperty(xml, QStringLiteral("source"), s.source);
    writeProperty(xml, QStringLiteral("build"), verdictCode(s.build));
    writeProperty(xml, QStringLiteral("points"), pointsText(s.points()));
    writeProperty(xml, QStringLiteral("max-points"), pointsText(s.maxPoints()));
    xml.writeEndElement();

    for (const CaseResult &c : s.cases)
        writeCase(xml, s, c);
    if (s.cases.isEmpty() && s.build != BuildVerdict::Built) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("生成"));
        attribute(xml, QStringLiteral("classname"), s.student);
        xml.writeAttribute(QStringLiteral("time"), seconds(s.milliseconds));
        xml.writeStartElement(QStringLiteral("error"));
        attribute(xml, QStringLiteral("message"), notBuiltReason(s));
        xml.writeAttribute(QStringLiteral("type"), verdictCode(s.build));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    const QString said = toolMessages(s);
    if (!said.isEmpty())
        xml.writeTextElement(QStringLiteral("system-out"), visibleText(said));
    xml.writeEndElement();
}

QByteArray junitReport(const ClassResult &result)
{
    Counts all;
    qint64 milliseconds = 0;
    for (const SubmissionResult &s : result.submissions) {
        const Counts n = counts(s);
        all.tests += n.tests;
        all.failures += n.failures;
        all.errors += n.errors;
        milliseconds += s.milliseconds;
    }

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    attribute(xml, QStringLiteral("name"), result.title);
    attribute(xml, QStringLiteral("tests"), all.tests);
    attribute(xml, QStringLiteral("failures"), all.failures);
    attribute(xml, QStringLiteral("errors"), all.errors);
    xml.writeAttribute(QStringLiteral("time"), seconds(milliseconds));
    for (int i = 0; i < result.submissions.size(); ++i)
        writeSuite(xml, result.submissions[i], i);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}
