#pragma once

#include <QString>

class QWidget;

// Makes a browser window that loads startingAddress when it is first shown. The
// main window puts it into its frame; it reaches the web engine only through
// this function, so that nothing else needs to link it.
QWidget *createBrowserWindow(const QString &startingAddress, QWidget *parent = nullptr);
