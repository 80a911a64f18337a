#include "toolchain/toolwait.h"

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
    clock_.start();
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
    if (run && !run->hasEnded()) {
        if (boundMs <= 0 || !clock_.hasExpired(boundMs))
            return;
        run->end();
        ending = std::move(expired);
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
