#pragma once

#include <QSettings>
#include <QString>

class frmDocument;

// What the debugger remembers of a document's file from one run of the
// program to the next: a settings file of its own in the configuration
// folder ("displaymodes.ini"), and a key for the file under a group
// ("437/…"), empty for a document never saved.
QSettings fileSettings(const QString &fileName);
QString fileKey(const QString &group, const frmDocument *doc);
