#include "app/module1.h"

#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "platform/eventpump.h"

#include <QApplication>
#include <QElapsedTimer>

// Delivers events until the given time has passed since start. The clock
// measures elapsed time, not the time of day.
static void waitUntil(const QElapsedTimer &start, qint64 ms)
{
    while (start.elapsed() < ms)
        pumpEvents(std::max<qint64>(1, std::min<qint64>(10, ms - start.elapsed())));
}

int Module1(QApplication &app, const Services &services)
{
    frmMain main(services);
    Mainform = &main;

    QElapsedTimer t;
    t.start();

    frmSplash splash;
    splash.showCentred();
    waitUntil(t, 500);

    Mainform->Show();
    splash.showCentred();
    waitUntil(t, 3000);
    splash.close();

    // The user may have closed the main window during the waits: quit() did
    // nothing then, since the event loop had not started.
    if (!Mainform || !Mainform->isVisible())
        return 0;
    return app.exec();
}
