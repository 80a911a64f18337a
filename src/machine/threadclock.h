#pragma once

#include <QtGlobal>

// The CPU time of the thread that made it, readable from any thread: the
// machine's own time, which a busy host does not age.
class ThreadClock
{
public:
    ThreadClock();
    ~ThreadClock();
    ThreadClock(const ThreadClock &) = delete;
    ThreadClock &operator=(const ThreadClock &) = delete;
    qint64 ms() const;

private:
    quintptr handle_ = 0;
};
