#include "app/endsignals.h"

#include "app/frmmain.h"
#include "documents/documentscontroller.h"
#include "documents/recoverycopies.h"
#include "toolchain/toolchaincontroller.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

static int endPipe[2] = {-1, -1};
static const int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

static void onEndSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(endPipe[1], &number, 1);
    errno = saved;
}

EndSignals::EndSignals(QObject *parent) : QObject(parent)
{
    if (endPipe[0] < 0 && ::pipe2(endPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(endPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        while (::read(endPipe[0], &number, 1) == 1)
            emit received(number);
    });
    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
}

EndSignals::~EndSignals()
{
    if (!notifier_)
        return;
    for (int signal : kEndSignals)
        ::signal(signal, SIG_DFL);
}

#else

EndSignals::EndSignals(QObject *parent) : QObject(parent) {}
EndSignals::~EndSignals() = default;

#endif

void frmMain::endBySignal()
{
    if (closing_)
        return;
    // No question can be answered now: the unsaved texts go to their
    // recovery copies, offered at the next start, and the windows close as
    // they are.
    documents_->recovery().writeAll();
    Savesettings(false);
    closing_ = true;
    toolchain_->shutdown();
    QCoreApplication::exit(0);
}
