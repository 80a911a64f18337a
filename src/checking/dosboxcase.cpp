#include "checking/dosboxcase.h"

#include "checking/textcompare.h"
#include "platform/launcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// Wall time a program may take in DOSBox, which counts no instructions.
constexpr int kBoundMs = 30000;
const QString kOutput = QStringLiteral("STDOUT.TXT");

QString fileText(const QString &path, qint64 most)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString(QStringDecoder("GB18030").decode(f.read(most)))
        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString findFile(const QString &folder, const QString &name)
{
    for (const QString &n : QDir(folder).entryList(QDir::Files))
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(n);
    return {};
}

} // namespace

QString DosboxCase::cannotJudge(const CheckCase &test)
{
    if (!test.keys.isEmpty() || test.input)
        return QStringLiteral("这个用例要给程序按键或标准输入，DOSBox 中无法给出");
    if (test.screen)
        return QStringLiteral("这个用例要看屏幕，DOSBox 中无法读出");
    if (!test.labels.isEmpty())
        return QStringLiteral("这个用例要看变量的值，DOSBox 中无法读出");
    if (test.exitCode)
        return QStringLiteral("这个用例要看返回码，DOSBox 不告诉返回码");
    return {};
}

DosboxCase::DosboxCase(Launcher &launcher, const QString &program, const CheckCase &test,
                       const CheckSuite &suite, const QString &folder, QObject *parent)
    : QObject(parent), launcher_(launcher), program_(program), test_(test), suite_(suite),
      folder_(folder)
{
    connect(&poll_, &QTimer::timeout, this, &DosboxCase::poll);
}

DosboxCase::~DosboxCase() = default;

void DosboxCase::start()
{
    clock_.start();
    QDir().mkpath(folder_);
    const QString name = program_.endsWith(QLatin1String(".COM"), Qt::CaseInsensitive)
                             ? QStringLiteral("MAIN.COM")
                             : QStringLiteral("MAIN.EXE");
    if (!QFile::copy(program_, QDir(folder_).filePath(name)))
        return end(CaseVerdict::NeedsDosbox, QStringLiteral("无法为 DOSBox 复制程序"));
    const QString line =
        test_.tail.isEmpty() ? name : name + QLatin1Char(' ') + test_.tail.trimmed();
    LaunchResult started = launcher_.start(line, folder_, WindowStyle::Hidden, kOutput);
    if (!started.started() || !started.run)
        return end(CaseVerdict::NeedsDosbox,
                   QStringLiteral("DOSBox 无法运行它：%1")
                       .arg(started.detail.isEmpty() ? started.program : started.detail));
    run_ = std::move(started.run);
    poll_.start(20);
}

void DosboxCase::poll()
{
    if (run_->hasEnded()) {
        const QString output = fileText(QDir(folder_).filePath(kOutput), suite_.outputBytes);
        if (QFileInfo(QDir(folder_).filePath(kOutput)).size() > suite_.outputBytes)
            return end(CaseVerdict::TooMuchOutput,
                       QStringLiteral("写出的内容超过了上限（%1 字节）").arg(suite_.outputBytes));
        if (test_.output && !textMatches(*test_.output, output))
            return end(CaseVerdict::WrongOutput, QStringLiteral("标准输出与期望的不同"));
        for (const ExpectedFile &file : test_.files) {
            const QString path = findFile(folder_, file.name);
            if (path.isEmpty())
                return end(CaseVerdict::WrongFile,
                           QStringLiteral("程序没有写出文件 %1").arg(file.name));
            if (file.contents && !textMatches(*file.contents, fileText(path, suite_.outputBytes)))
                return end(CaseVerdict::WrongFile,
                           QStringLiteral("文件 %1 与期望的不同").arg(file.name));
        }
        return end(CaseVerdict::Passed);
    }
    // DOSBox bounds nothing: what the program wrote is looked at as it grows.
    qint64 written = 0;
    for (const QFileInfo &f : QDir(folder_).entryInfoList(QDir::Files))
        written += f.size();
    if (written > suite_.outputBytes + QFileInfo(program_).size()) {
        run_->end();
        return end(CaseVerdict::TooMuchOutput,
                   QStringLiteral("写出的内容超过了上限（%1 字节）").arg(suite_.outputBytes));
    }
    if (clock_.hasExpired(kBoundMs)) {
        run_->end();
        end(CaseVerdict::Hung,
            QStringLiteral("在 DOSBox 中运行 %1 秒仍未结束").arg(kBoundMs / 1000));
    }
}

void DosboxCase::end(CaseVerdict verdict, const QString &reason)
{
    if (ended_)
        return;
    ended_ = true;
    poll_.stop();
    CaseResult r;
    r.name = test_.name;
    r.verdict = verdict;
    r.maxPoints = test_.points;
    r.points = verdict == CaseVerdict::Passed ? test_.points : 0;
    r.reason = reason.isEmpty() ? QString() : QStringLiteral("（在 DOSBox 中）") + reason;
    r.milliseconds = clock_.elapsed();
    if (test_.output) {
        r.expected = test_.output->text;
        r.output = r.actual = fileText(QDir(folder_).filePath(kOutput), suite_.outputBytes);
    }
    QMetaObject::invokeMethod(
        this, [this, r] { emit finished(r); }, Qt::QueuedConnection);
}
