#include "toolchain/toollauncher.h"
#include "machine/toolrun.h"
#include "platform/dosrunner.h"
#include "platform/processlauncher.h"
#include "toolchain/commandlines.h"
#include "toolchain/dostools.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

struct ToolLauncher::Shared
{
    explicit Shared(Launcher &processes) : processes(processes) {}
    Launcher &processes;
    bool dosboxOnly = false;
    std::function<void(const QString &)> notice;
    // Programs that needed DOSBox once, by full path.
    QSet<QString> toDosbox;
    // The machine's own bound unless told otherwise.
    qint64 idleMs = ToolRunRequest().idleBoundMs;
    qint64 fileSizeLimit = qint64(64) * 1024 * 1024;
};

namespace {

// A hidden run of another launcher, watched through the files of its
// folder: a file that grows or changes is progress, and one that grows past
// the limit ends the run (a program writing without end fills the disk).
class FolderWatchedRun : public LaunchedRun
{
public:
    FolderWatchedRun(std::unique_ptr<LaunchedRun> inner, QString folder, qint64 limit)
        : inner_(std::move(inner)), folder_(std::move(folder)), limit_(limit)
    {
        // What lies there already is neither progress nor the run's to answer
        // for: an old file over the limit stops nothing.
        QDirIterator files(folder_, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        while (files.hasNext()) {
            files.next();
            const QFileInfo info = files.fileInfo();
            seen_.insert(info.fileName(), std::make_pair(info.size(), info.lastModified()));
        }
    }
    bool hasEnded() override { return stop_.reason != RunStop::None || inner_->hasEnded(); }
    void end() override { inner_->end(); }
    RunStop stop() const override { return stop_.reason != RunStop::None ? stop_ : inner_->stop(); }
    bool madeProgress() override
    {
        if (inner_->madeProgress())
            return true;
        // A look at the folder four times a second is plenty for a bound of seconds.
        if (sampled_.isValid() && !sampled_.hasExpired(250))
            return false;
        sampled_.start();
        bool progress = false;
        QDirIterator files(folder_, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        while (files.hasNext()) {
            files.next();
            const QFileInfo info = files.fileInfo();
            const auto now = std::make_pair(info.size(), info.lastModified());
            auto seen = seen_.find(info.fileName());
            const bool changed = seen == seen_.end() || *seen != now;
            if (changed) {
                progress = true;
                seen_.insert(info.fileName(), now);
                written_.insert(info.fileName());
            }
            if (info.size() > limit_ && written_.contains(info.fileName()) &&
                stop_.reason == RunStop::None && !inner_->hasEnded()) {
                inner_->end();
                stop_ = {RunStop::OutputLimit, QString(), info.absoluteFilePath(), info.size()};
            }
        }
        return progress;
    }

private:
    std::unique_ptr<LaunchedRun> inner_;
    QString folder_;
    qint64 limit_;
    RunStop stop_;
    QElapsedTimer sampled_;
    QHash<QString, std::pair<qint64, QDateTime>> seen_;
    // The files the run has changed.
    QSet<QString> written_;
};

// What a hidden start asked for, kept to start it again in DOSBox.
struct HiddenStart
{
    QString commandLine;
    QString workingDirectory;
    QString consoleOutputName;
    QString includeFolder;
};

LaunchResult startWatched(ToolLauncher::Shared &shared, const HiddenStart &s)
{
    LaunchResult result =
        shared.processes.start(s.commandLine, s.workingDirectory, WindowStyle::Hidden,
                               s.consoleOutputName, s.includeFolder);
    if (result.run)
        result.run = std::make_unique<FolderWatchedRun>(
            std::move(result.run),
            s.workingDirectory.isEmpty() ? QDir::currentPath() : s.workingDirectory,
            shared.fileSizeLimit);
    return result;
}

RunStop stopOf(const ToolRunOutcome &outcome)
{
    switch (outcome.end) {
    case ToolRunEnd::Stalled:
        return {RunStop::Hung, outcome.detail, {}, 0};
    case ToolRunEnd::InputWanted:
        return {RunStop::InputWanted, outcome.detail, {}, 0};
    case ToolRunEnd::OutputLimit:
        return {RunStop::OutputLimit, outcome.detail, outcome.file, outcome.fileSize};
    case ToolRunEnd::Fault:
        return {RunStop::Failed, outcome.detail, {}, 0};
    default:
        return {};
    }
}

// A hidden run on the emulated 8086, which moves to DOSBox when the program
// needs what the machine lacks.
class MachineRun : public LaunchedRun
{
public:
    MachineRun(std::shared_ptr<ToolLauncher::Shared> shared, HiddenStart start,
               const QString &program, const ToolRunRequest &request)
        : shared_(std::move(shared)), start_(std::move(start)), program_(program),
          machine_(std::make_unique<ToolRun>(request))
    {
    }
    bool hasEnded() override
    {
        if (dosbox_)
            return dosbox_->hasEnded();
        if (ended_ || !machine_->finished())
            return ended_;
        ended_ = true;
        const ToolRunOutcome outcome = machine_->outcome();
        // A tool that fails may no longer be the tool: a program of the
        // student's may have written over it before.
        if (outcome.end != ToolRunEnd::Exited && outcome.end != ToolRunEnd::Cancelled) {
            if (const QString damaged = damagedToolText(program_); !damaged.isEmpty()) {
                stop_ = {RunStop::Failed, damaged, {}, 0};
                return true;
            }
        }
        if (outcome.end == ToolRunEnd::Unsupported || outcome.end == ToolRunEnd::LoadFailed)
            return moveToDosbox(outcome.detail);
        stop_ = stopOf(outcome);
        return true;
    }
    void end() override
    {
        if (dosbox_)
            dosbox_->end();
        else
            machine_->cancel();
        ended_ = true;
    }
    bool madeProgress() override
    {
        // The machine bounds itself in its own time; the wall clock is no
        // measure of a program that shares the processor with others.
        return dosbox_ ? dosbox_->madeProgress() : !ended_;
    }
    RunStop stop() const override { return dosbox_ ? dosbox_->stop() : stop_; }

private:
    bool moveToDosbox(const QString &missing)
    {
        shared_->toDosbox.insert(program_);
        if (shared_->notice)
            shared_->notice(QStringLiteral("“") + QFileInfo(program_).fileName() +
                            QStringLiteral("”用到了内置 DOS 没有的功能（") + missing +
                            QStringLiteral("），这次和以后都改在 DOSBox 中运行。"));
        LaunchResult result = startWatched(*shared_, start_);
        if (!result.started() || !result.run) {
            stop_ = {RunStop::Failed,
                     result.failure == LaunchFailure::DosboxMissing
                         ? QStringLiteral("它要在 DOSBox 中运行，但系统中没有找到 DOSBox。")
                         : result.detail,
                     {},
                     0};
            return true;
        }
        dosbox_ = std::move(result.run);
        return dosbox_->hasEnded();
    }

    std::shared_ptr<ToolLauncher::Shared> shared_;
    HiddenStart start_;
    QString program_;
    std::unique_ptr<ToolRun> machine_;
    std::unique_ptr<LaunchedRun> dosbox_;
    RunStop stop_;
    bool ended_ = false;
};

bool isDosProgram(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && executableKind(path, file) == ExecutableKind::Dos;
}

} // namespace

ToolLauncher::ToolLauncher(Launcher &processes)
    : processes_(processes), shared_(std::make_shared<Shared>(processes))
{
}

ToolLauncher::~ToolLauncher() = default;

void ToolLauncher::setDosboxOnly(bool on)
{
    shared_->dosboxOnly = on;
}

void ToolLauncher::setNoticeHandler(std::function<void(const QString &)> handler)
{
    shared_->notice = std::move(handler);
}

void ToolLauncher::setBounds(qint64 idleMs, qint64 fileSizeLimit)
{
    shared_->idleMs = idleMs;
    shared_->fileSizeLimit = fileSizeLimit;
}

LaunchResult ToolLauncher::start(const QString &commandLine, const QString &workingDirectory,
                                 WindowStyle style, const QString &consoleOutputName,
                                 const QString &includeFolder)
{
    if (style != WindowStyle::Hidden)
        return processes_.start(commandLine, workingDirectory, style, consoleOutputName,
                                includeFolder);
    const HiddenStart start{commandLine, workingDirectory, consoleOutputName, includeFolder};
    const ProgramAndTail parts = splitProgram(commandLine);
    const QString folder = workingDirectory.isEmpty()
                               ? QDir::currentPath()
                               : QFileInfo(workingDirectory).absoluteFilePath();
    const QString program =
        parts.program.isEmpty() ? QString() : findProgram(parts.program, folder);
    if (program.isEmpty() || shared_->dosboxOnly || shared_->toDosbox.contains(program) ||
        isDosPrompt(parts.program) || !isDosProgram(program))
        return startWatched(*shared_, start);

    ToolRunRequest request;
    request.program = program;
    request.tail = parts.tail;
    request.toolFolder = folder;
    request.sourceFolder = includeFolder.isEmpty() ? QString() : QDir::cleanPath(includeFolder);
    // DOS writes every name upper-case, the redirected console's too.
    if (!consoleOutputName.isEmpty())
        request.consoleFile = QDir(folder).filePath(consoleOutputName.toUpper());
    request.idleBoundMs = shared_->idleMs;
    request.fileSizeLimit = shared_->fileSizeLimit;
    request.outputs = toolOutputNames(parts.tail, consoleOutputName);
    LaunchResult result;
    result.program = program;
    result.run = std::make_unique<MachineRun>(shared_, start, program, request);
    return result;
}
