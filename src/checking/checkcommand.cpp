#include "checking/checkcommand.h"

#include "checking/checkoptions.h"
#include "checking/checkreports.h"
#include "checking/classcheck.h"
#include "checking/resultjson.h"
#include "checking/similarity.h"
#include "checking/submissions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int failed(const QString &why)
{
    print(stderr, QStringLiteral("korvane check：%1\n").arg(why));
    return 2;
}

bool onTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(fileno(stderr));
#else
    return false;
#endif
}

// A tool in the folder, whatever case its name has on disk.
QString toolIn(const QString &folder, const QString &name)
{
    for (const QString &n : QDir(folder).entryList(QDir::Files))
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).absoluteFilePath(n);
    return {};
}

bool writeReport(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return true;
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        print(stderr, QStringLiteral("korvane check：%1 不是普通文件，报告没有写出\n").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        print(stderr,
              QStringLiteral("korvane check：无法写出 %1：%2\n").arg(path, file.errorString()));
        return false;
    }
    return true;
}

// Every report asked for, the summary, and the exit status.
int report(const CheckArguments &a, const ClassResult &result)
{
    if (!a.quiet) {
        print(stdout, summaryTable(result));
        if (result.similarChecked) {
            QString pairs = result.similar.isEmpty() ? QStringLiteral("没有相似的程序。\n")
                                                     : QStringLiteral("相似的程序：\n");
            for (const SimilarPair &p : result.similar)
                pairs += QStringLiteral("  %1 — %2  %3%\n")
                             .arg(p.first, p.second)
                             .arg(qRound(p.overlap * 100));
            print(stdout, pairs);
        }
    }
    bool written = writeReport(a.csv, csvReport(result));
    written = writeReport(a.junit, junitReport(result)) && written;
    written = writeReport(a.html, htmlReport(result)) && written;
    written = writeReport(a.json, resultToJson(result)) && written;
    if (!written)
        return 2;
    return result.allPassed() ? 0 : 1;
}

int merge(const CheckArguments &a)
{
    QList<ClassResult> parts;
    for (const QString &input : a.inputs) {
        QFile f(input);
        if (!f.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("无法读取 %1：%2").arg(input, f.errorString()));
        QString why;
        const std::optional<ClassResult> part = resultFromJson(f.readAll(), &why);
        if (!part)
            return failed(QStringLiteral("%1：%2").arg(input, why));
        parts << *part;
    }
    QString why;
    const std::optional<ClassResult> all = mergeResults(parts, &why);
    if (!all)
        return failed(why);
    return report(a, *all);
}

QList<SimilarPair> similarPairs(const CheckArguments &a, const QList<Submission> &submissions)
{
    QList<SimilarSource> sources;
    for (const Submission &s : submissions) {
        QFile f(s.hostSource);
        if (f.open(QIODevice::ReadOnly))
            sources << SimilarSource{s.student, f.read(4 * 1024 * 1024)};
    }
    SimilarityOptions options;
    if (!a.templateSource.isEmpty()) {
        QFile t(a.templateSource);
        if (t.open(QIODevice::ReadOnly))
            options.templateText = t.readAll();
    }
    return findSimilar(sources, options);
}

} // namespace

QString checkUsage()
{
    return QStringLiteral(
        "用法：korvane check 程序.asm|班级文件夹|班级.zip --tests 测试文件.toml [选项]\n"
        "      korvane check merge 结果1.json 结果2.json ... [报告选项]\n"
        "\n"
        "用真正的 MASM 和 LINK 在内置的 8086 上汇编、连接每个学生的程序，\n"
        "按测试文件中的每个用例运行一次，并给出结果。不打开窗口；不加 --allow-dosbox 就不启动 "
        "DOSBox。\n"
        "班级文件夹里每个学生一个 .asm 文件，或每个学生一个子文件夹（含 INCLUDE 文件）。\n"
        "\n"
        "Options (选项):\n"
        "  --tests FILE      测试文件（TOML）\n"
        "  --tools DIR       masm.exe 和 link.exe "
        "所在的文件夹（默认：KORVANE_DOS_TOOLS，或当前文件夹）\n"
        "  --csv FILE        写出 CSV 报告（每个学生每个用例一行）\n"
        "  --junit FILE      写出 JUnit XML 报告（课程 CI、GitHub Classroom）\n"
        "  --html FILE       写出一页 HTML 报告（期望与实际输出并排）\n"
        "  --json FILE       写出结果，供 merge 合并\n"
        "  --jobs N          同时检查 N 个程序（默认：处理器核数）\n"
        "  --shard I/N       只检查 N 份中的第 I 份，再用 merge 合并各份结果\n"
        "  --similar         列出相似的程序（离线比较，程序不离开本机）\n"
        "  --template FILE   发给学生的程序框架，比较相似时不计在内\n"
        "  --allow-dosbox    内置 8086 运行不了的程序改在 DOSBox 中运行（只能检查标准输出和文件）\n"
        "  --quiet           不在终端显示进度和汇总表\n"
        "  --help            显示本说明\n"
        "\n"
        "退出码：0 表示所有程序的所有用例都通过，1 表示有未通过的，2 表示无法检查。\n");
}

int runCheckCommand(const QStringList &arguments)
{
    QString why;
    const std::optional<CheckArguments> read = readCheckArguments(arguments, &why);
    if (!read) {
        print(stderr,
              QStringLiteral("korvane check：%1\n用 korvane check --help 查看用法。\n").arg(why));
        return 2;
    }
    const CheckArguments a = *read;
    if (a.action == CheckArguments::Action::Help) {
        print(stdout, checkUsage());
        return 0;
    }
    if (a.action == CheckArguments::Action::Merge)
        return merge(a);

    QFile testFile(a.tests);
    if (!testFile.open(QIODevice::ReadOnly))
        return failed(
            QStringLiteral("无法读取测试文件 %1：%2").arg(a.tests, testFile.errorString()));
    const std::optional<CheckSuite> suite = readCheckSuite(testFile.readAll(), &why);
    if (!suite)
        return failed(QStringLiteral("测试文件 %1 有误：%2").arg(a.tests, why));

    QString tools = a.tools;
    if (tools.isEmpty())
        tools = qEnvironmentVariable("KORVANE_DOS_TOOLS", QDir::currentPath());
    CheckOptions options;
    options.masm = toolIn(tools, QStringLiteral("masm.exe"));
    options.link = toolIn(tools, QStringLiteral("link.exe"));
    if (options.masm.isEmpty() || options.link.isEmpty())
        return failed(
            QStringLiteral("在 %1 中找不到 masm.exe 和 link.exe：请用 --tools 指定它们所在的文件夹")
                .arg(QDir::toNativeSeparators(tools)));
    options.allowDosbox = a.allowDosbox;
    options.jobs = a.jobs ? a.jobs : std::max(1, QThread::idealThreadCount());
    QThreadPool::globalInstance()->setMaxThreadCount(std::max(options.jobs, 1));

    // A .zip is unpacked into a folder of the check's own.
    QTemporaryDir unpacked;
    QString classPath = a.path;
    if (QFileInfo(a.path).isFile() && a.path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) {
        if (!unpacked.isValid() || !unpackZip(a.path, unpacked.path(), &why))
            return failed(QStringLiteral("无法解开 %1：%2").arg(a.path, why));
        classPath = unpacked.path();
    }
    if (!QFileInfo::exists(classPath))
        return failed(QStringLiteral("找不到 %1").arg(a.path));
    QList<Submission> submissions = findSubmissions(classPath, &why);
    if (submissions.isEmpty())
        return failed(why.isEmpty() ? QStringLiteral("%1 中没有 .asm 程序").arg(a.path) : why);
    if (a.shards > 1) {
        QList<Submission> mine;
        for (int i = 0; i < submissions.size(); ++i)
            if (i % a.shards == a.shard - 1)
                mine << submissions.at(i);
        submissions = mine;
    }

    ClassCheck check(*suite, submissions, options);
    const bool live = !a.quiet && onTerminal();
    QObject::connect(&check, &ClassCheck::checked, &check,
                     [&check, live](int done, const SubmissionResult &r) {
                         if (live)
                             print(stderr, QStringLiteral("\r\x1b[K已检查 %1/%2：%3 %4/%5")
                                               .arg(done)
                                               .arg(check.total())
                                               .arg(r.student)
                                               .arg(r.passedCases())
                                               .arg(r.cases.size()));
                     });
    int status = 2;
    QObject::connect(&check, &ClassCheck::finished, &check, [&](const ClassResult &result) {
        if (live)
            print(stderr, QStringLiteral("\r\x1b[K"));
        ClassResult all = result;
        if (a.similar) {
            all.similarChecked = true;
            all.similar = similarPairs(a, submissions);
        }
        status = report(a, all);
        QCoreApplication::exit(status);
    });
    check.start();
    QCoreApplication::exec();
    return status;
}
