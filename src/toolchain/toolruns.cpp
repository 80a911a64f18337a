#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "documents/textfile.h"
#include "toolchain/commandlines.h"
#include "toolchain/programbuilder.h"
#include "toolchain/toolwait.h"

#include <QFile>
#include <QTimer>

void ToolchainController::reportLaunchFailure(const LaunchResult &result)
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
    dialogs().msgBox(window(),
                     QStringLiteral("无法启动“") + result.program + QStringLiteral("”：") + why,
                     Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}

bool ToolchainController::dosNameFits(const QString &fileName)
{
    const DosNameCheck check = checkDosName(fileName);
    QString why;
    switch (check.rule) {
    case DosNameRule::Fits:
        return true;
    case DosNameRule::NotAscii:
        why = QStringLiteral("含有汉字或其他非英文字符“%1”").arg(check.character);
        break;
    case DosNameRule::Forbidden:
        why = check.character == QLatin1Char(' ')
                  ? QStringLiteral("含有空格")
                  : QStringLiteral("含有 DOS 文件名不能用的字符“%1”").arg(check.character);
        break;
    case DosNameRule::LeadingDash:
        why = QStringLiteral("以“-”开头");
        break;
    case DosNameRule::TwoDots:
        why = QStringLiteral("含有不止一个点");
        break;
    case DosNameRule::BaseLength:
        why = QStringLiteral("的主名不是 1 到 8 个字符");
        break;
    case DosNameRule::ExtensionLength:
        why = QStringLiteral("的扩展名超过 3 个字符");
        break;
    }
    dialogs().msgBox(window(),
                     QStringLiteral("文件名“") + fileName + QStringLiteral("”") + why +
                         QStringLiteral("，DOS 工具无法使用这个文件名。请把文件另存为一个符合 DOS "
                                        "规则的名字（主名 1 到 8 个字符，扩展名最多 3 个字符，"
                                        "只用英文字母、数字和下划线）后再试。"),
                     Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
    return false;
}

void ToolchainController::removeFile(const QString &path)
{
    // On a case-sensitive system both "Temp_F.lst" and "TEMP_F.LST" may lie
    // there; each found is removed. The bound keeps an undeletable file from
    // holding the command.
    for (int i = 0; i < 8 && Fso->fileExists(path); ++i)
        QFile::remove(Fso->actualPath(path));
}

void ToolchainController::watchRun(WatchedRun run)
{
    if (!runWatch_) {
        runWatch_ = new QTimer(this);
        runWatch_->setInterval(20);
        connect(runWatch_, &QTimer::timeout, this, &ToolchainController::checkWatchedRuns);
    }
    run.idle.start();
    watchedRuns_.push_back(std::move(run));
    runWatch_->start();
}

void ToolchainController::checkWatchedRuns()
{
    // The calls may show messages, whose event loops come back here: the runs
    // they belong to are out of the list before any of them is made.
    std::vector<std::function<void()>> calls;
    for (auto it = watchedRuns_.begin(); it != watchedRuns_.end();) {
        RunStop stop;
        const RunState state = checkRun(*it->run, it->idle, hiddenRunBoundMs, &stop);
        if (state == RunState::Going) {
            ++it;
            continue;
        }
        if (state == RunState::Ended)
            calls.push_back(std::move(it->ended));
        else if (it->stopped)
            calls.push_back([stopped = std::move(it->stopped), stop] { stopped(stop); });
        it = watchedRuns_.erase(it);
    }
    if (watchedRuns_.empty())
        runWatch_->stop();
    const QPointer<ToolchainController> self(this);
    for (const auto &call : calls) {
        if (!self || wb_.isClosing())
            return;
        if (call)
            call();
    }
}

bool ToolchainController::linkerRunning() const
{
    return builder_->linking();
}
