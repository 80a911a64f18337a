#pragma once

// A test file is TOML, written by hand by the teacher; keys are English,
// texts may be Chinese:
//
//   title = "实验三：数组求和"
//   instructions = 20000000    # each case's bound, optional
//   output_bytes = 65536       # optional
//
//   [[case]]                   # one table per case, in the order run
//   name = "三个数"            # optional: "用例 N"
//   keys = "12 34\n"           # typed at the keyboard ("\n" is Enter)
//   input = "..."              # standard input, as PROG < FILE
//   tail = "/A"                # the command tail
//   output = "Sum: 46\n"       # or output_regex = "Sum: *46"
//   screen = "..."             # or screen_regex: the text screen at the end
//   exit = 0                   # the return code (0 to 255)
//   points = 2                 # 1 when left out; never negative
//   instructions = 1000000     # this case's bound
//   [case.labels]              # data labels' values at the end
//   ARR = { words = [1, 2, 3] }  # or bytes, dwords (lists), text = "..."
//   SUM = 46                   # one word
//   MSG = "hello"              # text
//   [case.files]               # files written in the program's folder
//   "OUT.TXT" = "expected"     # or { regex = "..." }, or { exists = true }
//
// Bytes hold -128 to 255, words -32768 to 65535, dwords 32 bits; file names
// are DOS 8.3 names. A key the format lacks is a fault, so a misspelt one is
// never ignored.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What a case expects of a text the program produced (the screen, standard
// output, a file): exact text, compared without trailing blanks on each line,
// trailing empty lines, and with CR/LF and LF taken as one; or a regular
// expression that must match somewhere in it.
struct ExpectedText
{
    enum class Match { Exact, Pattern };
    Match match = Match::Exact;
    QString text; // the text, or the pattern
};

// A data label's value at the program's end.
struct ExpectedLabel
{
    enum class Kind {
        Bytes, // numbers, one byte each (negative numbers as two's complement)
        Words, // numbers, two bytes each, low byte first
        Dwords,
        Text, // characters (GBK for Chinese), compared byte for byte
    };
    QString name; // as written in the source; matched without regard to case
    Kind kind = Kind::Words;
    QList<qint64> numbers;
    QString text;
};

// A file the program must have written in its folder (C:, its current one).
struct ExpectedFile
{
    QString name;                         // DOS name, e.g. "OUT.TXT"
    std::optional<ExpectedText> contents; // none: it must only exist
};

struct CheckCase
{
    QString name;
    // Typed at the keyboard, as a user would type them: "\n" is the Enter key.
    QString keys;
    // Given as standard input, as "PROG < FILE" gives it: the program reads
    // these bytes from handle 0 and then the end of the file.
    std::optional<QString> input;
    // The command tail, as typed after the program's name.
    QString tail;
    std::optional<ExpectedText> screen; // the text screen at the end
    std::optional<ExpectedText> output; // standard output
    std::optional<int> exitCode;        // what INT 21h 4Ch gave in AL
    QList<ExpectedLabel> labels;
    QList<ExpectedFile> files;
    double points = 1;
    // Bounds of this case; 0 takes the suite's.
    quint64 instructions = 0;
};

// A test file: the cases every submission of one task is run against.
struct CheckSuite
{
    QString title;
    // Instructions one case may run; output bytes (standard output and
    // files together) one case may write.
    quint64 instructions = 50'000'000;
    qint64 outputBytes = 1024 * 1024;
    QList<CheckCase> cases;
};

// Reads a test file (TOML). On a fault returns nothing and says where, in
// words for the teacher who wrote it ("第 12 行：…").
std::optional<CheckSuite> readCheckSuite(const QByteArray &toml, QString *error);
