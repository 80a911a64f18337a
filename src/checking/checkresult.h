#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How one case of one program came out. The codes are stable words for
// scripts (CSV, JUnit); the texts are for people.
enum class CaseVerdict {
    Passed,
    WrongScreen, // the screen at the end is not what was expected
    WrongOutput, // standard output differs
    WrongExitCode,
    WrongLabel,    // a data label's value at the end differs
    WrongFile,     // a file expected is missing or differs
    Hung,          // ran past its instruction bound
    WaitedForKeys, // read the keyboard after the keys given ran out
    TooMuchOutput, // wrote past the output bound
    Fault,         // the CPU stopped it (division overflow, invalid code ...)
    NeedsDosbox,   // uses what the built-in PC lacks (detail names it)
    NotRun,        // the program was not built
};

struct CaseResult
{
    QString name;
    CaseVerdict verdict = CaseVerdict::NotRun;
    // For people: what was wrong ("ARR: 期望 1 2 3，实际 1 2 4").
    QString reason;
    double points = 0, maxPoints = 0;
    // What was compared, for the side-by-side view; empty where nothing was.
    QString expected, actual;
    // The screen at the end and standard output, as the program left them.
    QString screen, output;
    int exitCode = -1; // -1 where the program did not end by itself
    quint64 instructions = 0;
    qint64 milliseconds = 0;

    bool passed() const { return verdict == CaseVerdict::Passed; }
};

enum class BuildVerdict {
    Built,
    NotAssembled, // the assembler reported errors (or wrote no object)
    NotLinked,    // the linker reported errors, or no program came
    NoSource,     // the submission holds no .asm file
    ToolFailed,   // a tool could not be run (reason)
};

struct SubmissionResult
{
    // The student's own name for it: the file's or the sub-folder's name.
    QString student;
    // The source checked, relative to the class folder.
    QString source;
    BuildVerdict build = BuildVerdict::ToolFailed;
    QString buildReason;
    // What the tools printed (the assembler's messages, the linker's).
    QString assemblerSaid, linkerSaid;
    QList<CaseResult> cases;
    qint64 milliseconds = 0;

    double points() const;
    double maxPoints() const;
    int passedCases() const;
    // Built and every case passed.
    bool passed() const;
};

// Two submissions much alike.
struct SimilarPair
{
    QString first, second; // students
    double overlap = 0;    // 0 to 1
    struct Lines
    {
        int firstLine = 0, secondLine = 0; // 1-based, the first line of the run
        QStringList firstText, secondText;
    };
    QList<Lines> runs; // the overlapping runs of lines, side by side
};

struct ClassResult
{
    QString title; // the test file's title
    QStringList caseNames;
    QList<SubmissionResult> submissions; // in the students' order
    bool similarChecked = false;
    QList<SimilarPair> similar;

    // Every case of every program passed.
    bool allPassed() const;
};

// "passed", "wrong-output" ...: the code scripts read.
QString verdictCode(CaseVerdict verdict);
QString verdictCode(BuildVerdict verdict);
// "通过", "输出不符" ...: the word people read.
QString verdictText(CaseVerdict verdict);
QString verdictText(BuildVerdict verdict);
