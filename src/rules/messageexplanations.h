#pragma once

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// One message of MASM, LINK or EXE2BIN as the shipped data explains it.
struct MessageEntry
{
    // As the tool prints it ("A2009", "L4021"); empty for a message without one.
    QString code;
    QString tool;
    // The tool's own English text, with its printf marks ("%s", "%ld").
    QString text;
    // Chinese; "{1}", "{2}" stand for what the tool fills in, in order.
    QString meaning;
    QString causes;
    QString fix;
    // A mistake and its correction, a line each.
    QStringList wrong;
    QStringList right;
    // What each "{n}" is ("符号名"), for where no name is at hand.
    QStringList names;
};

// One printed message made concrete: the entry's texts with the student's
// own names put in.
struct Explanation
{
    // The code the tool printed (MASM's severity digit as printed: "A4057").
    QString code;
    const MessageEntry *entry = nullptr;
    QString meaning;
    QString causes;
    QString fix;
};

// The entry's texts with values for "{1}", "{2}" ...; where a value is
// missing, what it stands for ("〈符号名〉").
Explanation explanationOf(const MessageEntry &e, const QString &code, const QStringList &values);

class MessageExplanations
{
public:
    // Reads the data file's JSON. On a fault, returns no entries and says in
    // error what is wrong (a code given twice is a fault).
    static MessageExplanations fromJson(const QByteArray &json, QString *error = nullptr);
    // The data the program ships, read once.
    static const MessageExplanations &shipped();

    const QList<MessageEntry> &entries() const { return entries_; }
    // By code; MASM's severity digit does not count ("A4057" finds "A2057").
    const MessageEntry *findCode(QStringView code) const;

    // A line as a tool printed it, with anything in front of the message
    // ("ERRS.ASM(33): error A2009: Symbol not defined: CNTX",
    // "LINK : warning L4021: no stack segment", "Open segments: CODE").
    // names, when given, stand for "{1}" (the externals LINK lists under
    // "Unresolved externals:").
    std::optional<Explanation> explain(QStringView line, const QString &names = {}) const;

private:
    QList<MessageEntry> entries_;
    // The entry's text as a pattern that captures what the tool filled in.
    QList<QRegularExpression> patterns_;
    QHash<QString, qsizetype> byCode_;
};

// The code's key for look-ups: MASM's "A" and the three digits after the
// severity digit, LINK's code as it is.
QString codeKey(QStringView code);

// What a reader sees under a message: the meaning, the causes, the fix and
// the example, a line each (the example a line per source line), each
// starting with indent.
QStringList explanationLines(const Explanation &e, const QString &indent);

// The same as rich text, for a tooltip.
QString explanationHtml(const Explanation &e);

// A tool's output with each message's explanation under it. codes says where
// the codes stand in the new text, so that a click on one can open the page.
struct ExplainedText
{
    QString text;
    struct Span
    {
        int line = 0;
        int start = 0;
        int length = 0;
        QString code;
    };
    QList<Span> codes;
    // 0-based numbers of the lines that explain.
    QList<int> explanationLines;
};
// text's lines end in CR LF, LF or CR; the result's in CR LF.
ExplainedText explainText(const MessageExplanations &explanations, QStringView text);

// Every message by tool and code, as the help page shows it; each entry with
// an anchor named after its code (or "<tool>-<n>" where it has none).
QString messagesHelpHtml(const MessageExplanations &explanations);
QString helpAnchor(const MessageExplanations &explanations, const MessageEntry &entry);
