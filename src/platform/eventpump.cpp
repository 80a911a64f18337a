#include "platform/eventpump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void pumpEvents(int maxSleepMs)
{
    // The timer guarantees a wake-up; WaitForMoreEvents sleeps until then.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxSleepMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
