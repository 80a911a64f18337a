#include "platform/colors.h"
#include "app/frmmain.h"
#include "app/settingsfile.h"
#include "platform/fso.h"
#include "platform/userfiles.h"

// The settings file is opened by its bare name: it follows the working directory.
static const char kSettingsFile[] = "cl.dll";

// The colours stored in the settings file. *foreign: a file of that name is
// there and is no settings file of this program (another size, another tag).
// A FIFO or a device of that name is never opened for reading, and of a file
// no more is read than tells whether it is ours.
static std::optional<ColorSettings> readSettingsFile(bool *foreign = nullptr)
{
    const auto bytes =
        readUserFile(QString::fromLatin1(kSettingsFile), nullptr, nullptr, kColorSettingsSize + 1);
    const auto stored = bytes ? decodeColorSettings(*bytes) : std::nullopt;
    if (foreign)
        *foreign = bytes && !stored;
    return stored;
}

void frmMain::Loadsettings()
{
    // Anything but a settings file of ours brings the defaults.
    const std::optional<ColorSettings> stored = readSettingsFile();
    const ColorSettings s =
        stored.value_or(ColorSettings{RGB(0, 0, 0), RGB(50, 200, 150), RGB(0, 0, 255)});
    colours_.Fcolor = s.code;
    colours_.Remcolor = s.comment;
    colours_.Currentfcolor = s.typing;
}

void frmMain::Savesettings(bool tellFailure)
{
    // The program ends either way; a failure is told, and a name that is not
    // a regular file is left alone.
    const QString name = QString::fromLatin1(kSettingsFile);
    bool foreign = false;
    readSettingsFile(&foreign);
    // A file of that name that is not ours belongs to someone else.
    const QString failure =
        foreign ? QStringLiteral("同名文件不是本程序的颜色设置文件，没有改动它。")
                : writeUserFile(name, encodeColorSettings(
                        {colours_.Fcolor, colours_.Remcolor, colours_.Currentfcolor}));
    if (!failure.isEmpty() && tellFailure)
        services_.dialogs->msgBox(this,
                         QStringLiteral("无法保存颜色设置文件：%1\n%2")
                             .arg(Fso->absolutePathName(name), failure),
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
}
