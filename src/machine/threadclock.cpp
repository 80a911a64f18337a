#include "machine/threadclock.h"

#ifdef Q_OS_WIN
#include <windows.h>

ThreadClock::ThreadClock()
{
    HANDLE h = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &h, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    handle_ = quintptr(h);
}

ThreadClock::~ThreadClock()
{
    CloseHandle(HANDLE(handle_));
}

qint64 ThreadClock::ms() const
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(HANDLE(handle_), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](FILETIME t) {
        return (qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;
}
#else
#include <pthread.h>
#include <time.h>

ThreadClock::ThreadClock()
{
    clockid_t id;
    pthread_getcpuclockid(pthread_self(), &id);
    handle_ = quintptr(id);
}

ThreadClock::~ThreadClock() = default;

qint64 ThreadClock::ms() const
{
    timespec t{};
    clock_gettime(clockid_t(handle_), &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
#endif
