#include "app/colors.h"
#include "app/frmmain.h"
#include "app/settingsfile.h"

#include <QFile>
#include <QSaveFile>

// The settings file is opened by its bare name: it follows the working directory.
static const char kSettingsFile[] = "cl.dll";

void frmMain::Loadsettings()
{
    std::optional<ColorSettings> stored;
    QFile file(QString::fromLatin1(kSettingsFile));
    if (file.open(QIODevice::ReadOnly))
        stored = decodeColorSettings(file.read(18));
    const ColorSettings s =
        stored.value_or(ColorSettings{RGB(0, 0, 0), RGB(50, 200, 150), RGB(0, 0, 255)});
    Fcolor = s.code;
    Remcolor = s.comment;
    Currentfcolor = s.typing;
}

void frmMain::Savesettings()
{
    // A failure is ignored: the program still ends.
    QSaveFile file(QString::fromLatin1(kSettingsFile));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(encodeColorSettings({Fcolor, Remcolor, Currentfcolor}));
    file.commit();
}
