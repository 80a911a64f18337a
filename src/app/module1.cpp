#include "app/module1.h"

#include "app/endsignals.h"
#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "documents/documentscontroller.h"

#include <QApplication>
#include <QTimer>

int Module1(QApplication &app, const Services &services, const QStringList &files)
{
    frmMain main(services);
    Mainform = &main;
    // Log-out and shutdown end the program through the same path as a
    // crash would be recovered from: the unsaved work kept, not asked about.
    EndSignals ends;
    QObject::connect(&ends, &EndSignals::received, &main, &frmMain::endBySignal);

    frmSplash splash;
    // The splash alone neither keeps the program running nor ends it.
    splash.setAttribute(Qt::WA_QuitOnClose, false);
    splash.showCentred();

    // The times count from start-up on timers, not in a loop of our own: a
    // dialog opened meanwhile runs its own loop, and the splash still goes at
    // three seconds.
    QTimer::singleShot(500, &main, [&main, &splash, files] {
        main.Show();
        splash.showAgain();
        main.documentsControl().openFiles(files);
    });
    QTimer::singleShot(3000, &splash, [&splash] { splash.close(); });
    return app.exec();
}
