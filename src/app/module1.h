#pragma once

#include <QStringList>

class QApplication;
struct Services;

// The start-up procedure: creates the main window, shows the splash, waits
// half a second, shows the main window and the splash again, and closes the
// splash three seconds after start. Files named on the command line open
// once the main window has loaded. Returns the program's exit code.
int Module1(QApplication &app, const Services &services, const QStringList &files = {});
