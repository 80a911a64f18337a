#pragma once

#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "fakedialogs.h"
#include "fakelauncher.h"
#include "platform/pathregistry.h"
#include "platform/richtext.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

class FrmReport;
// A main window with scripted dialogs, started in a working directory of its
// own (the tool folder), as the start-up procedure would start it.
struct MainFixture
{
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    FakeDialogs dialogs;
    FakeLauncher launcher;
    // Knows no system-information program.
    PathRegistry registry{QStringList()};
    // Browser windows the main window asked for, by address; each is a plain
    // widget, so that window tests need no web engine.
    QStringList browserAddresses;
    std::unique_ptr<frmMain> main;

    // realLauncher replaces the fake, for runs of real processes.
    explicit MainFixture(bool load = true, Launcher *realLauncher = nullptr);
    ~MainFixture();

    // The folder with a trailing separator, as the main window names it.
    QString toolFolder() const;
    QString path(const QString &name) const { return dir.filePath(name); }
    frmDocument *doc() const { return main->activeDocument(); }
    RichText *text() const { return doc()->Text1; }
};

// Colour of the character at a CR LF offset, read without moving the caret.
QColor charColor(RichText *rt, int offset);
// The file's bytes, or an empty array when it cannot be read.
QByteArray fileBytes(const QString &path);
// Writes the file, and its folder when there is none yet.
bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false);
// The report window, while it is shown.
FrmReport *shownReport(const MainFixture &f);
// A key pressed in the active document, the main window brought to the front
// first, as the user does after a look at the report window.
void press(MainFixture &f, QKeyCombination key);
