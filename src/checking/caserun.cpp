#include "checking/caserun.h"

#include "checking/builtprogram.h"
#include "checking/labelvalues.h"
#include "checking/textcompare.h"
#include "debugging/pckeys.h"
#include "machine/machine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Text the program wrote, for people: GBK, with CR LF as one line break.
QString gbk(const QByteArray &bytes)
{
    return QString(QStringDecoder("GB18030").decode(bytes))
        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QByteArray readFile(const QString &path, qint64 most)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(most) : QByteArray();
}

// The text screen at the end, a line a row, as the student saw it.
QString screenText(const Machine &machine)
{
    const ScreenPicture picture = machine.screenPicture();
    if (!picture.text)
        return {};
    QStringList rows;
    for (int r = 0; r < picture.rows; ++r) {
        QByteArray row;
        for (int c = 0; c < picture.columns; ++c) {
            const int at = (r * picture.columns + c) * 2;
            const char ch = at < picture.cells.size() ? picture.cells.at(at) : ' ';
            row.append(ch == 0 ? ' ' : ch);
        }
        rows << gbk(row);
    }
    return plainText(rows.join(QLatin1Char('\n')));
}

void fail(CaseResult &r, CaseVerdict verdict, const QString &reason)
{
    if (r.verdict != CaseVerdict::Passed)
        return;
    r.verdict = verdict;
    r.reason = reason;
}

// The end of the run: what the case asks of the program's own end.
void runEnded(CaseResult &r, const MachineStop &stop, quint64 bound)
{
    switch (stop.reason) {
    case StopReason::Exited:
        r.exitCode = stop.exitCode;
        return;
    case StopReason::BudgetSpent:
    case StopReason::Stalled:
        return fail(r, CaseVerdict::Hung, QStringLiteral("运行了 %1 条指令仍未结束").arg(bound));
    case StopReason::InputWanted:
        return fail(r, CaseVerdict::WaitedForKeys,
                    QStringLiteral("给它的按键已用完，程序仍在等待键盘输入"));
    case StopReason::OutputLimit:
        return fail(r, CaseVerdict::TooMuchOutput,
                    QStringLiteral("写出的内容超过了上限（%1 字节）").arg(stop.fileSize));
    case StopReason::Unsupported:
        return fail(r, CaseVerdict::NeedsDosbox,
                    QStringLiteral("用到了内置 8086 没有的功能：%1").arg(stop.detail));
    case StopReason::Fault:
        return fail(r, CaseVerdict::Fault, QStringLiteral("程序出错停止：%1").arg(stop.detail));
    default:
        return fail(r, CaseVerdict::Fault, QStringLiteral("程序意外停止：%1").arg(stop.detail));
    }
}

void compareText(CaseResult &r, CaseVerdict verdict, const QString &what,
                 const ExpectedText &expected, const QString &actual)
{
    if (r.verdict != CaseVerdict::Passed)
        return;
    r.expected = expected.text;
    r.actual = actual;
    if (!textMatches(expected, actual))
        fail(r, verdict,
             expected.match == ExpectedText::Match::Pattern
                 ? QStringLiteral("%1与正则表达式 %2 不符").arg(what, expected.text)
                 : QStringLiteral("%1与期望的不同").arg(what));
}

// The file named in C:, whatever case the program wrote its name in.
QString findFile(const QString &folder, const QString &name)
{
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(n);
    return {};
}

} // namespace

CaseResult runCase(const BuiltProgram &program, const CheckCase &test, const CheckSuite &suite,
                   const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    CaseResult r;
    r.name = test.name;
    r.maxPoints = test.points;
    r.verdict = CaseVerdict::Passed;

    // C: holds the program and what it writes; standard input and output
    // are kept beside it, out of the program's reach.
    const QDir base(folder);
    base.mkpath(QStringLiteral("C"));
    const QString drive = base.filePath(QStringLiteral("C"));
    const QString programName =
        program.com ? QStringLiteral("MAIN.COM") : QStringLiteral("MAIN.EXE");
    const QString hostProgram = QDir(drive).filePath(programName);
    QFile::copy(program.image, hostProgram);

    Machine::Setup setup;
    setup.toolFolder = drive;
    setup.clock = MachineClock::Kind::Instructions;
    setup.fileSizeLimit = suite.outputBytes;
    setup.writeLimit = suite.outputBytes;
    setup.toolFolderWrites = Drives::ToolFolderWrites::Any;
    if (test.output)
        setup.consoleFile = base.filePath(QStringLiteral("stdout.txt"));
    if (test.input) {
        setup.inputFile = base.filePath(QStringLiteral("stdin.txt"));
        QFile in(setup.inputFile);
        QString text = *test.input;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        if (!in.open(QIODevice::WriteOnly) || in.write(QStringEncoder("GB18030").encode(text)) < 0)
            fail(r, CaseVerdict::NotRun,
                 QStringLiteral("无法写出标准输入：%1").arg(in.errorString()));
    }

    Machine machine(setup);
    QString why;
    if (r.passed() && !machine.load(hostProgram, QStringEncoder("GB18030").encode(test.tail), &why))
        fail(r, CaseVerdict::Fault, QStringLiteral("程序无法装入：%1").arg(why));
    if (!r.passed()) {
        r.milliseconds = clock.elapsed();
        return r;
    }
    for (const quint16 key : PcKeys::fromTyped(test.keys))
        machine.pushKey(key);

    const quint64 bound = test.instructions ? test.instructions : suite.instructions;
    Machine::Bounds bounds;
    bounds.instructions = bound;
    const MachineStop stop = machine.run(bounds);
    r.instructions = machine.instructionsRun();
    runEnded(r, stop, bound);
    r.screen = screenText(machine);
    if (test.output)
        r.output = gbk(readFile(setup.consoleFile, suite.outputBytes));

    if (stop.reason == StopReason::Exited) {
        if (test.output)
            compareText(r, CaseVerdict::WrongOutput, QStringLiteral("标准输出"), *test.output,
                        r.output);
        if (test.screen)
            compareText(r, CaseVerdict::WrongScreen, QStringLiteral("屏幕"), *test.screen,
                        r.screen);
        if (test.exitCode && *test.exitCode != r.exitCode)
            fail(r, CaseVerdict::WrongExitCode,
                 QStringLiteral("返回码是 %1，应为 %2").arg(r.exitCode).arg(*test.exitCode));
        for (const ExpectedLabel &label : test.labels) {
            const LabelCheck c = checkLabel(machine, program, label);
            if (!c.found)
                fail(r, CaseVerdict::WrongLabel,
                     QStringLiteral("程序里没有数据标号 %1").arg(label.name));
            else if (!c.matches) {
                if (r.passed()) {
                    r.expected = c.expected;
                    r.actual = c.actual;
                }
                fail(r, CaseVerdict::WrongLabel,
                     QStringLiteral("%1：期望 %2，实际 %3").arg(label.name, c.expected, c.actual));
            }
        }
        for (const ExpectedFile &file : test.files) {
            const QString path = findFile(drive, file.name);
            if (path.isEmpty()) {
                fail(r, CaseVerdict::WrongFile,
                     QStringLiteral("程序没有写出文件 %1").arg(file.name));
                continue;
            }
            if (file.contents)
                compareText(r, CaseVerdict::WrongFile, QStringLiteral("文件 %1 ").arg(file.name),
                            *file.contents, gbk(readFile(path, suite.outputBytes)));
        }
    } else if (test.output && r.actual.isEmpty()) {
        r.expected = test.output->text;
        r.actual = r.output;
    }
    if (r.passed())
        r.points = test.points;
    r.milliseconds = clock.elapsed();
    return r;
}
