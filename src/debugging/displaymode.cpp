// 运行 → 显示方式: 中文 GBK or 西文 437 for the bytes 80h-FFh on the
// program's screen, in F5's window and the 屏幕 panel.
#include "workbench/workbench.h"
#include "debugging/debugcontroller.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "debugging/debugstate.h"
#include "debugging/screenview.h"
#include "documents/frmdocument.h"

#include <QAction>
#include <QMainWindow>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>

namespace {

// The files shown as 西文 437, remembered by their path; GBK is the default
// and is not stored.
QSettings remembered()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                         QStringLiteral("/displaymodes.ini"),
                     QSettings::IniFormat);
}

// A key for a saved document's file; empty for a new one.
QString keyOf(const frmDocument *doc)
{
    const QFileInfo file(doc->caption());
    if (!file.isAbsolute() || !file.exists())
        return {};
    // Hex, so that the path's slashes are not taken for groups.
    return QStringLiteral("437/") +
           QString::fromLatin1(file.canonicalFilePath().toUtf8().toHex());
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
