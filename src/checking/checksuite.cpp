#include "checking/checksuite.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <toml++/toml.h>

namespace {

// A fault in the file; readCheckSuite words it with its line.
struct Fault
{
    qint64 line = 0; // 0 where no line is known
    QString text;
};

[[noreturn]] void fail(const toml::source_region &at, const QString &text)
{
    throw Fault{qint64(at.begin.line), text};
}

[[noreturn]] void fail(const toml::node &at, const QString &text)
{
    fail(at.source(), text);
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString quoted(const QString &text)
{
    return QStringLiteral("“%1”").arg(text);
}

int editDistance(const QString &a, const QString &b)
{
    QList<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1,
                               diagonal + (a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A table's keys as written: toml++ keeps them sorted by name.
QList<std::pair<const toml::key *, const toml::node *>> inOrder(const toml::table &table)
{
    QList<std::pair<const toml::key *, const toml::node *>> entries;
    for (auto &&[key, node] : table)
        entries.append({&key, &node});
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        const toml::source_position &p = a.first->source().begin, &q = b.first->source().begin;
        return std::pair(p.line, p.column) < std::pair(q.line, q.column);
    });
    return entries;
}

// Keys are typed by hand: one the format lacks is most likely a misspelt one,
// and ignoring it would quietly drop what the teacher meant to check.
void onlyKnownKeys(const toml::table &table, const QStringList &known, const QString &where)
{
    for (const auto &[key, node] : inOrder(table)) {
        const QString name = fromUtf8(key->str());
        if (known.contains(name))
            continue;
        QString text = QStringLiteral("%1有不认识的键 %2").arg(where, name);
        int nearest = 3;
        QString guess;
        for (const QString &k : known) {
            if (const int d = editDistance(k, name); d < nearest) {
                nearest = d;
                guess = k;
            }
        }
        if (!guess.isEmpty())
            text += QStringLiteral("（是不是 %1？）").arg(guess);
        fail(key->source(), text);
    }
}

QString string(const toml::node &node, const QString &what)
{
    if (const auto *s = node.as_string())
        return fromUtf8(s->get());
    fail(node, QStringLiteral("%1 应是文本（用引号括起）").arg(what));
}

qint64 integer(const toml::node &node, const QString &what)
{
    if (const auto *i = node.as_integer())
        return i->get();
    fail(node, QStringLiteral("%1 应是整数").arg(what));
}

qint64 positive(const toml::node &node, const QString &what)
{
    const qint64 n = integer(node, what);
    if (n <= 0)
        fail(node, QStringLiteral("%1 应大于 0").arg(what));
    return n;
}

ExpectedText expectedText(const toml::node &node, const QString &what, bool pattern)
{
    ExpectedText expected;
    expected.text = string(node, what);
    if (pattern) {
        expected.match = ExpectedText::Match::Pattern;
        const QRegularExpression re(expected.text);
        if (!re.isValid())
            fail(node, QStringLiteral("%1 不是有效的正则表达式：%2（第 %3 个字符处）")
                           .arg(what, re.errorString())
                           .arg(re.patternErrorOffset() + 1));
    }
    return expected;
}

// output / output_regex, screen / screen_regex: one of the two at most.
std::optional<ExpectedText> textOrPattern(const toml::table &table, const char *exact,
                                          const char *pattern)
{
    const toml::node *text = table.get(exact), *regex = table.get(pattern);
    if (text && regex)
        fail(*regex, QStringLiteral("%1 与 %2 只能写一个")
                         .arg(QLatin1String(exact), QLatin1String(pattern)));
    if (text)
        return expectedText(*text, QLatin1String(exact), false);
    if (regex)
        return expectedText(*regex, QLatin1String(pattern), true);
    return std::nullopt;
}

struct NumberKind
{
    const char *key;
    ExpectedLabel::Kind kind;
    qint64 low, high;
    const char *unit;
};
const NumberKind kNumberKinds[] = {
    {"bytes", ExpectedLabel::Kind::Bytes, -128, 255, "一个字节"},
    {"words", ExpectedLabel::Kind::Words, -32768, 65535, "一个字"},
    {"dwords", ExpectedLabel::Kind::Dwords, -2147483648LL, 4294967295LL, "一个双字"},
};

qint64 inRange(const toml::node &node, const QString &what, const NumberKind &kind)
{
    const qint64 n = integer(node, what);
    if (n < kind.low || n > kind.high)
        fail(node, QStringLiteral("%1 的 %2 超出%3的范围（%4～%5）")
                       .arg(what)
                       .arg(n)
                       .arg(QString::fromUtf8(kind.unit))
                       .arg(kind.low)
                       .arg(kind.high));
    return n;
}

QList<qint64> numbers(const toml::node &node, const QString &what, const NumberKind &kind)
{
    const toml::array *list = node.as_array();
    if (!list)
        fail(node, QStringLiteral("%1 应是整数列表，如 [1, 2, 3]").arg(what));
    if (list->empty())
        fail(node, QStringLiteral("%1 是空列表").arg(what));
    QList<qint64> result;
    for (const toml::node &n : *list)
        result.append(inRange(n, what, kind));
    return result;
}

ExpectedLabel label(const QString &name, const toml::node &node)
{
    ExpectedLabel label;
    label.name = name;
    if (node.is_integer()) {
        label.numbers = {inRange(node, name, kNumberKinds[1])}; // one word
        return label;
    }
    if (node.is_string()) {
        label.kind = ExpectedLabel::Kind::Text;
        label.text = string(node, name);
        return label;
    }
    const toml::table *table = node.as_table();
    if (!table)
        fail(node,
             QStringLiteral("标号 %1 的值应是整数、文本，或 { words = [...] } 这样的表").arg(name));
    const QString where = QStringLiteral("标号 %1 ").arg(name);
    onlyKnownKeys(*table, {"bytes", "words", "dwords", "text"}, where);
    if (table->size() != 1)
        fail(node, QStringLiteral("%1应只写 bytes、words、dwords、text 中的一个").arg(where));
    const auto only = table->begin(); // what it points at lives in it
    const auto &[key, value] = *only;
    const QString what = QStringLiteral("%1.%2").arg(name, fromUtf8(key.str()));
    if (key.str() == "text") {
        label.kind = ExpectedLabel::Kind::Text;
        label.text = string(value, what);
        return label;
    }
    for (const NumberKind &kind : kNumberKinds) {
        if (key.str() == kind.key) {
            label.kind = kind.kind;
            label.numbers = numbers(value, what, kind);
        }
    }
    return label;
}

// What DOS can open: 8.3, in upper case. Empty when the name is none.
QString dosFileName(const QString &name)
{
    static const QRegularExpression dos(
        QStringLiteral("^[A-Z0-9_$~!#%&'(){}@^`-]{1,8}(\\.[A-Z0-9_$~!#%&'(){}@^`-]{1,3})?$"));
    const QString upper = name.toUpper();
    return dos.match(upper).hasMatch() ? upper : QString();
}

ExpectedFile file(const toml::key &key, const toml::node &node)
{
    ExpectedFile file;
    const QString name = fromUtf8(key.str());
    file.name = dosFileName(name);
    if (file.name.isEmpty())
        fail(key.source(),
             QStringLiteral("文件名 %1 不是 DOS 的 8.3 文件名（如 OUT.TXT）").arg(name));
    if (node.is_string()) {
        file.contents = expectedText(node, name, false);
        return file;
    }
    const toml::table *table = node.as_table();
    if (!table)
        fail(node, QStringLiteral("文件 %1 的值应是文本，或 { regex = \"...\" }、{ exists = true }")
                       .arg(name));
    const QString where = QStringLiteral("文件 %1 ").arg(name);
    onlyKnownKeys(*table, {"regex", "exists"}, where);
    if (table->size() != 1)
        fail(node, QStringLiteral("%1应只写 regex、exists 中的一个").arg(where));
    if (const toml::node *regex = table->get("regex")) {
        file.contents = expectedText(*regex, name + QStringLiteral(".regex"), true);
    } else {
        const toml::node &exists = *table->get("exists");
        // "Must not exist" is not a check this format has.
        if (exists.value<bool>() != true)
            fail(exists, QStringLiteral("%1.exists 只能是 true").arg(name));
    }
    return file;
}

const toml::table &subTable(const toml::node &node, const QString &key)
{
    if (const toml::table *table = node.as_table())
        return *table;
    fail(node, QStringLiteral("%1 应是表，写作 [case.%1]").arg(key));
}

CheckCase readCase(const toml::table &table, int number)
{
    CheckCase c;
    if (const toml::node *name = table.get("name"))
        c.name = string(*name, QStringLiteral("name")).trimmed();
    if (c.name.isEmpty())
        c.name = QStringLiteral("用例 %1").arg(number);
    onlyKnownKeys(table,
                  {"name", "keys", "input", "tail", "output", "output_regex", "screen",
                   "screen_regex", "exit", "points", "instructions", "labels", "files"},
                  QStringLiteral("用例%1中").arg(quoted(c.name)));

    if (const toml::node *keys = table.get("keys"))
        c.keys = string(*keys, QStringLiteral("keys"));
    if (const toml::node *input = table.get("input"))
        c.input = string(*input, QStringLiteral("input"));
    if (const toml::node *tail = table.get("tail"))
        c.tail = string(*tail, QStringLiteral("tail"));
    c.output = textOrPattern(table, "output", "output_regex");
    c.screen = textOrPattern(table, "screen", "screen_regex");
    if (const toml::node *exit = table.get("exit")) {
        const qint64 code = integer(*exit, QStringLiteral("exit"));
        if (code < 0 || code > 255)
            fail(*exit, QStringLiteral("exit 应在 0 到 255 之间"));
        c.exitCode = int(code);
    }
    if (const toml::node *points = table.get("points")) {
        if (const auto *i = points->as_integer())
            c.points = double(i->get());
        else if (const auto *f = points->as_floating_point(); f && std::isfinite(f->get()))
            c.points = f->get();
        else
            fail(*points, QStringLiteral("points 应是数"));
        if (c.points < 0)
            fail(*points, QStringLiteral("points 不能是负数"));
    }
    if (const toml::node *instructions = table.get("instructions"))
        c.instructions = quint64(positive(*instructions, QStringLiteral("instructions")));

    if (const toml::node *labels = table.get("labels")) {
        static const QRegularExpression identifier(
            QStringLiteral("^[A-Za-z_@$?][A-Za-z0-9_@$?]*$"));
        QSet<QString> seen; // MASM's names are matched in any case
        for (const auto &[key, value] : inOrder(subTable(*labels, QStringLiteral("labels")))) {
            const QString name = fromUtf8(key->str());
            if (!identifier.match(name).hasMatch())
                fail(key->source(), QStringLiteral("%1 不是标号名").arg(name));
            if (seen.contains(name.toUpper()))
                fail(key->source(), QStringLiteral("标号 %1 写了两次").arg(name));
            seen.insert(name.toUpper());
            c.labels.append(label(name, *value));
        }
    }
    if (const toml::node *files = table.get("files")) {
        QSet<QString> seen;
        for (const auto &[key, value] : inOrder(subTable(*files, QStringLiteral("files")))) {
            c.files.append(file(*key, *value));
            if (seen.contains(c.files.last().name))
                fail(key->source(), QStringLiteral("文件 %1 写了两次").arg(c.files.last().name));
            seen.insert(c.files.last().name);
        }
    }
    return c;
}

CheckSuite readSuite(const toml::table &root)
{
    onlyKnownKeys(root, {"title", "instructions", "output_bytes", "case"}, QString());
    CheckSuite suite;
    if (const toml::node *title = root.get("title"))
        suite.title = string(*title, QStringLiteral("title"));
    if (const toml::node *instructions = root.get("instructions"))
        suite.instructions = quint64(positive(*instructions, QStringLiteral("instructions")));
    if (const toml::node *bytes = root.get("output_bytes"))
        suite.outputBytes = positive(*bytes, QStringLiteral("output_bytes"));

    const toml::node *cases = root.get("case");
    if (!cases || (cases->is_array() && cases->as_array()->empty()))
        throw Fault{0, QStringLiteral("测试文件里没有用例（每个用例以 [[case]] 开头）")};
    if (!cases->is_array_of_tables())
        fail(*cases, QStringLiteral("用例应写作 [[case]]（两层方括号）"));
    QHash<QString, qint64> lines; // of each case's name
    for (const toml::node &node : *cases->as_array()) {
        const toml::table &table = *node.as_table();
        suite.cases.append(readCase(table, int(suite.cases.size()) + 1));
        const QString &name = suite.cases.last().name;
        if (lines.contains(name))
            fail(table, QStringLiteral("用例名%1与第 %2 行的用例重复")
                            .arg(quoted(name), QString::number(lines.value(name))));
        lines.insert(name, table.source().begin.line);
    }
    return suite;
}

// Notepad on a Chinese Windows saves GBK unless told otherwise: said plainly,
// rather than as the parser's complaint about one byte.
qint64 firstLineNotUtf8(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8.decode(lines[i]));
        if (utf8.hasError())
            return i + 1;
    }
    return 0;
}

} // namespace

std::optional<CheckSuite> readCheckSuite(const QByteArray &toml, QString *error)
{
    Fault fault;
    if (const qint64 line = firstLineNotUtf8(toml)) {
        fault = {line, QStringLiteral("测试文件应以 UTF-8 编码保存（这一行不是 UTF-8，"
                                      "可能是 GBK）")};
    } else {
        try {
            return readSuite(toml::parse(std::string_view(toml.constData(), toml.size())));
        } catch (const toml::parse_error &e) {
            fault = {qint64(e.source().begin.line),
                     QStringLiteral("TOML 写法有误：%1").arg(fromUtf8(e.description()))};
        } catch (const Fault &f) {
            fault = f;
        }
    }
    if (error)
        *error = fault.line > 0 ? QStringLiteral("第 %1 行：%2").arg(fault.line).arg(fault.text)
                                : fault.text;
    return std::nullopt;
}
