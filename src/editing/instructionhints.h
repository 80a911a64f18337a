#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One hint of the shipped data: an instruction with its alternative
// mnemonics, a directive or operator, a register, or the DOS function table.
struct HintEntry
{
    // Upper case; the first is the one the hint is titled with.
    QStringList words;
    QString kind;
    QString name;
    QStringList forms;
    QString text;
    QString flags;
    // A table (the DOS functions): its column headings and rows.
    QStringList columns;
    QList<QStringList> rows;
};

// The hints, looked up by word without regard to case.
class InstructionHints
{
public:
    // Reads the data file's JSON. On a fault, returns no hints and says in
    // error what is wrong (a word given twice is a fault: one would hide
    // the other).
    static InstructionHints fromJson(const QByteArray &json, QString *error = nullptr);
    // The data the program ships, read once.
    static const InstructionHints &shipped();

    const HintEntry *find(QStringView word) const;
    const QList<HintEntry> &entries() const { return entries_; }

private:
    QList<HintEntry> entries_;
    QHash<QString, qsizetype> index_;
};

// The word a hint is asked for at a 0-based column of a line: the word the
// column is in or ends at, "=" on an equals sign, "INT 21H" on either half
// of that call; empty in a comment or on blanks.
QString hintWord(QStringView line, int column);

// The hint as rich text for the hint window; for a word without a hint, a
// text that says so.
QString hintHtml(const InstructionHints &hints, const QString &word);
