#include "checking/resultjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

static const QLatin1String format("korvane-check-result");
static const int version = 1;

static QJsonArray textArray(const QStringList &texts)
{
    return QJsonArray::fromStringList(texts);
}

static QJsonObject caseJson(const CaseResult &c)
{
    return {{"name", c.name},
            {"verdict", verdictCode(c.verdict)},
            {"reason", c.reason},
            {"points", c.points},
            {"maxPoints", c.maxPoints},
            {"expected", c.expected},
            {"actual", c.actual},
            {"screen", c.screen},
            {"output", c.output},
            {"exitCode", c.exitCode},
            {"instructions", qint64(c.instructions)},
            {"milliseconds", c.milliseconds}};
}

static QJsonObject submissionJson(const SubmissionResult &s)
{
    QJsonArray cases;
    for (const CaseResult &c : s.cases)
        cases.append(caseJson(c));
    return {{"student", s.student},
            {"source", s.source},
            {"build", verdictCode(s.build)},
            {"buildReason", s.buildReason},
            {"assemblerSaid", s.assemblerSaid},
            {"linkerSaid", s.linkerSaid},
            {"milliseconds", s.milliseconds},
            {"cases", cases}};
}

static QJsonObject pairJson(const SimilarPair &p)
{
    QJsonArray runs;
    for (const SimilarPair::Lines &run : p.runs) {
        runs.append(QJsonObject{{"firstLine", run.firstLine},
                                {"secondLine", run.secondLine},
                                {"firstText", textArray(run.firstText)},
                                {"secondText", textArray(run.secondText)}});
    }
    return {{"first", p.first}, {"second", p.second}, {"overlap", p.overlap}, {"runs", runs}};
}

QByteArray resultToJson(const ClassResult &result)
{
    QJsonArray submissions, similar;
    for (const SubmissionResult &s : result.submissions)
        submissions.append(submissionJson(s));
    for (const SimilarPair &p : result.similar)
        similar.append(pairJson(p));
    const QJsonObject root{{"format", format},           {"version", version},
                           {"title", result.title},      {"caseNames", textArray(result.caseNames)},
                           {"submissions", submissions}, {"similarChecked", result.similarChecked},
                           {"similar", similar}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

// Reads values out of objects; the first value missing or of the wrong type
// is remembered, and from then on everything read is empty.
class Reader
{
public:
    QString error;

    // Where the object being read sits, for the message.
    QString where;

    QString text(const QJsonObject &o, const char *key, bool required = false)
    {
        const QJsonValue v = value(o, key, required, QJsonValue::String);
        return v.toString();
    }
    double number(const QJsonObject &o, const char *key)
    {
        return value(o, key, false, QJsonValue::Double).toDouble();
    }
    qint64 integer(const QJsonObject &o, const char *key, qint64 otherwise = 0,
                   qint64 least = std::numeric_limits<qint64>::min())
    {
        const QJsonValue v = value(o, key, false, QJsonValue::Double);
        if (v.isUndefined())
            return otherwise;
        const double d = v.toDouble();
        if (std::floor(d) != d || d < double(least) || d >= 0x1p63) {
            fail(key);
            return otherwise;
        }
        return v.toInteger();
    }
    bool flag(const QJsonObject &o, const char *key)
    {
        return value(o, key, false, QJsonValue::Bool).toBool();
    }
    QJsonArray array(const QJsonObject &o, const char *key, bool required = false)
    {
        return value(o, key, required, QJsonValue::Array).toArray();
    }
    QStringList texts(const QJsonObject &o, const char *key, bool required = false)
    {
        QStringList out;
        const QJsonArray a = array(o, key, required);
        for (const QJsonValue &v : a) {
            if (!v.isString()) {
                fail(key);
                return {};
            }
            out << v.toString();
        }
        return out;
    }
    // The objects of an array, each read with `where` naming it.
    template <typename Read>
    void objects(const QJsonObject &o, const char *key, bool required, Read read)
    {
        const QString outer = where;
        const QJsonArray a = array(o, key, required);
        for (qsizetype i = 0; i < a.size() && error.isEmpty(); ++i) {
            where = QStringLiteral("%1%2[%3]").arg(prefix(outer), QLatin1String(key)).arg(i);
            if (!a[i].isObject()) {
                fail(nullptr);
                break;
            }
            read(a[i].toObject());
        }
        where = outer;
    }
    template <typename Enum> Enum code(const QJsonObject &o, const char *key, Enum last)
    {
        const QString text = this->text(o, key, true);
        for (int i = 0; i <= int(last); ++i) {
            if (verdictCode(Enum(i)) == text)
                return Enum(i);
        }
        fail(key);
        return last;
    }
    void fail(const char *key)
    {
        if (!error.isEmpty())
            return;
        const QString name = key ? prefix(where) + QLatin1String(key) : where;
        error = QStringLiteral("结果文件中 %1 的值不对。")
                    .arg(name.isEmpty() ? QStringLiteral("?") : name);
    }

private:
    static QString prefix(const QString &where) { return where.isEmpty() ? where : where + u'.'; }
    QJsonValue value(const QJsonObject &o, const char *key, bool required, QJsonValue::Type type)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!error.isEmpty() || (v.isUndefined() && !required))
            return QJsonValue(QJsonValue::Undefined);
        if (v.type() != type) {
            fail(key);
            return QJsonValue(QJsonValue::Undefined);
        }
        return v;
    }
};

} // namespace

static CaseResult readCase(Reader &r, const QJsonObject &o)
{
    CaseResult c;
    c.name = r.text(o, "name", true);
    c.verdict = r.code(o, "verdict", CaseVerdict::NotRun);
    c.reason = r.text(o, "reason");
    c.points = r.number(o, "points");
    c.maxPoints = r.number(o, "maxPoints");
    c.expected = r.text(o, "expected");
    c.actual = r.text(o, "actual");
    c.screen = r.text(o, "screen");
    c.output = r.text(o, "output");
    c.exitCode = int(r.integer(o, "exitCode", -1, -1));
    c.instructions = quint64(r.integer(o, "instructions", 0, 0));
    c.milliseconds = r.integer(o, "milliseconds", 0, 0);
    return c;
}

static SubmissionResult readSubmission(Reader &r, const QJsonObject &o)
{
    SubmissionResult s;
    s.student = r.text(o, "student", true);
    s.source = r.text(o, "source");
    s.build = r.code(o, "build", BuildVerdict::ToolFailed);
    s.buildReason = r.text(o, "buildReason");
    s.assemblerSaid = r.text(o, "assemblerSaid");
    s.linkerSaid = r.text(o, "linkerSaid");
    s.milliseconds = r.integer(o, "milliseconds", 0, 0);
    r.objects(o, "cases", true, [&](const QJsonObject &c) { s.cases << readCase(r, c); });
    return s;
}

static SimilarPair readPair(Reader &r, const QJsonObject &o)
{
    SimilarPair p;
    p.first = r.text(o, "first", true);
    p.second = r.text(o, "second", true);
    p.overlap = r.number(o, "overlap");
    r.objects(o, "runs", false, [&](const QJsonObject &run) {
        p.runs << SimilarPair::Lines{int(r.integer(run, "firstLine", 0, 0)),
                                     int(r.integer(run, "secondLine", 0, 0)),
                                     r.texts(run, "firstText"), r.texts(run, "secondText")};
    });
    return p;
}

std::optional<ClassResult> resultFromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    const QJsonObject root = doc.object();
    QString fault;
    if (parseError.error != QJsonParseError::NoError) {
        fault = QStringLiteral("结果文件不是 JSON（第 %1 个字节处：%2）。")
                    .arg(QString::number(parseError.offset), parseError.errorString());
    } else if (root.value(QLatin1String("format")).toString() != format ||
               root.value(QLatin1String("version")).toInt() < 1) {
        fault = QStringLiteral("这不是检查结果文件。");
    } else if (root.value(QLatin1String("version")).toInt() > version) {
        fault = QStringLiteral("结果文件来自更新的 Korvane，请用新版本合并。");
    }
    if (!fault.isEmpty()) {
        if (error)
            *error = fault;
        return std::nullopt;
    }

    Reader r;
    ClassResult result;
    result.title = r.text(root, "title", true);
    result.caseNames = r.texts(root, "caseNames", true);
    r.objects(root, "submissions", true,
              [&](const QJsonObject &o) { result.submissions << readSubmission(r, o); });
    result.similarChecked = r.flag(root, "similarChecked");
    r.objects(root, "similar", false,
              [&](const QJsonObject &o) { result.similar << readPair(r, o); });
    if (!r.error.isEmpty()) {
        if (error)
            *error = r.error;
        return std::nullopt;
    }
    return result;
}
