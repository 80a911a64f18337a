#include "app/colors.h"
#include "app/frmmain.h"
#include "app/settingsfile.h"
#include "platform/userfiles.h"

// The settings file is opened by its bare name: it follows the working directory.
static const char kSettingsFile[] = "cl.dll";

void frmMain::Loadsettings()
{
    // Anything but a readable regular file brings the defaults; a FIFO or a
    // device of that name is never opened for reading.
    std::optional<ColorSettings> stored;
    if (const auto bytes = readUserFile(QString::fromLatin1(kSettingsFile)))
        stored = decodeColorSettings(*bytes);
    const ColorSettings s =
        stored.value_or(ColorSettings{RGB(0, 0, 0), RGB(50, 200, 150), RGB(0, 0, 255)});
    Fcolor = s.code;
    Remcolor = s.comment;
    Currentfcolor = s.typing;
}

void frmMain::Savesettings(bool tellFailure)
{
    // The program ends either way; a failure is told, and a name that is not
    // a regular file is left alone.
    const QString name = QString::fromLatin1(kSettingsFile);
    const QString failure =
        writeUserFile(name, encodeColorSettings({Fcolor, Remcolor, Currentfcolor}));
    if (!failure.isEmpty() && tellFailure)
        dialogs().msgBox(this,
                         QStringLiteral("无法保存颜色设置文件：%1\n%2")
                             .arg(Fso ? Fso->absolutePathName(name) : name, failure),
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}
