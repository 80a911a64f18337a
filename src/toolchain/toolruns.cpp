#include "app/frmmain.h"
#include "toolchain/commandlines.h"

#include <QFile>
#include <QTimer>

void frmMain::reportLaunchFailure(const LaunchResult &result)
{
    QString why;
    switch (result.failure) {
    case LaunchFailure::None:
        return;
    case LaunchFailure::ProgramNotFound:
        why = QStringLiteral("找不到这个程序。");
        break;
    case LaunchFailure::DosboxMissing:
        why = QStringLiteral("这是一个 DOS 程序，要在 DOSBox 中运行，但系统中没有找到 DOSBox。"
                             "请先安装 DOSBox。");
        break;
    case LaunchFailure::StartFailed:
        why = result.detail.isEmpty() ? QStringLiteral("它不是可以运行的程序。") : result.detail;
        break;
    }
    dialogs().msgBox(this,
                     QStringLiteral("无法启动“") + result.program + QStringLiteral("”：") + why,
                     Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}

bool frmMain::dosNameFits(const QString &baseName, const QString &fileName)
{
    if (fitsDosName(baseName) && !baseName.contains(QLatin1Char(' ')))
        return true;
    dialogs().msgBox(this,
                     QStringLiteral("文件名“") + fileName +
                         QStringLiteral("”的主名超过 8 个字符或含有空格，DOS 工具无法使用这个"
                                        "文件名。请把文件另存为一个不超过 8 个字符的名字后再试。"),
                     Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
    return false;
}

void frmMain::removeFile(const QString &path)
{
    // On a case-sensitive system both "Temp_F.lst" and "TEMP_F.LST" may lie
    // there; each found is removed. The bound keeps an undeletable file from
    // holding the command.
    for (int i = 0; i < 8 && Fso->fileExists(path); ++i)
        QFile::remove(Fso->actualPath(path));
}

void frmMain::watchRun(WatchedRun run)
{
    if (!runWatch_) {
        runWatch_ = new QTimer(this);
        runWatch_->setInterval(100);
        connect(runWatch_, &QTimer::timeout, this, &frmMain::checkWatchedRuns);
    }
    run.clock.start();
    watchedRuns_.push_back(std::move(run));
    runWatch_->start();
}

void frmMain::checkWatchedRuns()
{
    // The calls may show messages, whose event loops come back here: the runs
    // they belong to are out of the list before any of them is made.
    std::vector<std::function<void()>> calls;
    for (auto it = watchedRuns_.begin(); it != watchedRuns_.end();) {
        if (it->run->hasEnded()) {
            calls.push_back(std::move(it->ended));
            it = watchedRuns_.erase(it);
        } else if (it->clock.hasExpired(hiddenRunBoundMs)) {
            it->run->end();
            calls.push_back(std::move(it->hung));
            it = watchedRuns_.erase(it);
        } else {
            ++it;
        }
    }
    if (watchedRuns_.empty())
        runWatch_->stop();
    const QPointer<frmMain> self(this);
    for (const auto &call : calls) {
        if (!self || isClosing())
            return;
        if (call)
            call();
    }
}

bool frmMain::linkerRunning() const
{
    return std::any_of(watchedRuns_.begin(), watchedRuns_.end(),
                       [](const WatchedRun &r) { return r.linker; });
}
