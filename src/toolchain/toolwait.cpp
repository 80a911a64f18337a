#include "toolchain/toolwait.h"

#include <QFileInfo>

RunState checkRun(LaunchedRun &run, QElapsedTimer &idle, int boundMs, RunStop *stop)
{
    if (run.hasEnded()) {
        *stop = run.stop();
        return stop->reason == RunStop::None ? RunState::Ended : RunState::Stopped;
    }
    if (run.madeProgress() || !idle.isValid())
        idle.start();
    if (boundMs <= 0 || !idle.hasExpired(boundMs))
        return RunState::Going;
    run.end();
    *stop = {RunStop::Hung, {}, {}, 0};
    return RunState::Stopped;
}

QString runStopMessage(const QString &toolKind, const QString &program, const RunStop &stop)
{
    QString why;
    switch (stop.reason) {
    case RunStop::None:
        return QString();
    case RunStop::Hung:
        why = QStringLiteral("很长时间没有任何进展（没有写出任何内容，可能在等待输入，"
                             "或陷入了死循环）");
        break;
    case RunStop::InputWanted:
        why = QStringLiteral("在等待键盘输入（例如找不到某个文件时询问文件名），"
                             "而隐藏运行的程序无法回答");
        break;
    case RunStop::OutputLimit:
        why = QStringLiteral("一直在写文件 %1，它已有 %2 字节")
                  .arg(QFileInfo(stop.file).fileName())
                  .arg(stop.fileSize);
        break;
    case RunStop::Failed:
        why = QStringLiteral("无法正常运行：") + stop.detail;
        break;
    }
    return toolKind + why + QStringLiteral("，已将其终止：") + program;
}

ToolWait::ToolWait(QObject *owner) : QObject(owner)
{
    connect(&timer_, &QTimer::timeout, this, &ToolWait::check);
}

ToolWait::~ToolWait() = default;

void ToolWait::dependOn(QObject *object)
{
    connect(object, &QObject::destroyed, this, &ToolWait::cancel);
}

void ToolWait::start(int intervalMs)
{
    idle_.start();
    timer_.start(intervalMs);
    // A wait whose condition holds already ends at the next turn of the loop.
    QTimer::singleShot(0, this, &ToolWait::check);
}

void ToolWait::cancel()
{
    timer_.stop();
    run.reset();
    then = nullptr;
    expired = nullptr;
    deleteLater();
}

void ToolWait::check()
{
    if (!timer_.isActive())
        return;
    std::function<void()> ending;
    RunStop stop;
    const RunState state = run ? checkRun(*run, idle_, boundMs, &stop) : RunState::Ended;
    if (state == RunState::Going)
        return;
    if (state == RunState::Stopped) {
        ending = [expired = std::move(expired), stop] {
            if (expired)
                expired(stop);
        };
    } else if (!ready || ready()) {
        ending = std::move(then);
    } else {
        return;
    }
    // The ending may show a message, whose event loop must not come back
    // here; what it needs lives in its own copy of the callback.
    timer_.stop();
    run.reset();
    deleteLater();
    if (ending)
        ending();
}
