// 运行 → 显示方式: 中文 GBK or 西文 437 for the bytes 80h-FFh on the
// program's screen, in F5's window and the 屏幕 panel.
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "debugging/filesettings.h"
#include "debugging/screenview.h"
#include "documents/documentscontroller.h"
#include "documents/frmdocument.h"
#include "toolchain/toolchaincontroller.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>

namespace {

// The files shown as 西文 437, remembered by their path; GBK is the default
// and is not stored.
QSettings remembered()
{
    return fileSettings(QStringLiteral("displaymodes.ini"));
}

QString keyOf(const frmDocument *doc)
{
    return fileKey(QStringLiteral("437"), doc);
}

} // namespace

void DebugController::setWestern(frmDocument *doc, bool on)
{
    if (doc) {
        doc->westernText = on;
        doc->displayModeRead = true;
        if (const QString key = keyOf(doc); !key.isEmpty()) {
            QSettings settings = remembered();
            if (on)
                settings.setValue(key, true);
            else
                settings.remove(key);
        }
    }
    wb_.command(Command::Display437)->setChecked(on);
    wb_.command(Command::DisplayGbk)->setChecked(!on);
    // The screens on view now: the 屏幕 panel and F5's windows.
    for (ScreenView *screen : wb_.window()->findChildren<ScreenView *>())
        screen->setWesternText(on);
}

void DebugController::mnudisplaygbk()
{
    setWestern(wb_.activeDocument(), false);
}

void DebugController::mnudisplay437()
{
    setWestern(wb_.activeDocument(), true);
}

void DebugController::showDisplayMode()
{
    frmDocument *doc = wb_.activeDocument();
    // A new document has no file to remember for: GBK until its file is
    // known.
    if (doc && !doc->displayModeRead) {
        if (const QString key = keyOf(doc); !key.isEmpty()) {
            doc->displayModeRead = true;
            doc->westernText = remembered().value(key, false).toBool();
        }
    }
    const bool western = doc && doc->westernText;
    wb_.command(Command::Display437)->setChecked(western);
    wb_.command(Command::DisplayGbk)->setChecked(!western);
    if (debugPanels_ && debugPanels_->screen)
        debugPanels_->screen->setWesternText(western);
}
