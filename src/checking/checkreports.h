#pragma once

#include "checking/checkresult.h"

#include <QByteArray>
#include <QString>

// The class checker's results written out for the teacher and for scripts.
// Every text that came from a student (names, paths, output) is untrusted:
// each report quotes or escapes it, and control characters show as their
// pictures (U+2400 ...), so that no report can be broken by them.

// A spreadsheet: UTF-8 with a BOM (Excel reads Chinese names right only so),
// RFC 4180 quoting, CR LF line ends. The first row names the columns:
//   学生, 源程序, 生成, 用例, 结果, 得分, 满分, 原因, 指令数, 毫秒
// then one row per case of each submission, in the submissions' order.
// 生成 holds the build's code ("built", "not-assembled" ...), 结果 the case's
// ("passed", "wrong-output" ...; "not-run" for a program not built), so that a
// filter on one column picks every row wanted. 原因 is the case's reason, or
// for a case not run the build's. A submission with no case at all (nothing
// to build, say) still has one row, its 用例 empty. A text cell beginning
// with = + - or @ gets a leading ' so that the spreadsheet never takes a
// student's name for a formula.
QByteArray csvReport(const ClassResult &result);

// JUnit XML, as CI servers and GitHub Classroom read it: <testsuites> named
// by the test file's title, one <testsuite> per submission (name = student),
// one <testcase> per case (classname = student). A case that ran and came out
// wrong has a <failure> (type = the verdict's code, message = the reason,
// the expected and actual text in it); one not run because the program was
// not built has an <error> (type = the build's code, message = its reason), so
// that the viewers count every case of the class for every student. A
// submission with no case gets one testcase "生成" for its build. A case that
// needs DOSBox is <skipped>: nobody judged it. <properties> hold the source,
// the build's code and the points; <system-out> the assembler's and linker's
// messages.
QByteArray junitReport(const ClassResult &result);

// One self-contained HTML page (zh-CN, UTF-8, inline CSS, no script and
// nothing fetched): a summary table with a coloured cell per case, a section
// per submission with its build, the tools' messages and each case's
// expected and actual text side by side, and the similar programs found.
QByteArray htmlReport(const ClassResult &result);

// A plain text table for the terminal, one line per submission: student,
// points, cases passed, and the first thing wrong. Columns are aligned by
// display width: CJK characters take two columns.
QString summaryTable(const ClassResult &result);
