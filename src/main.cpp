#include "app/frmmain.h"
#include "app/module1.h"
#include "platform/fonts.h"
#include "platform/processlauncher.h"
#include "platform/qtdialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral("2.20"));

    // The toolkit's own buttons and dialogs speak the program's language.
    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    installFontSubstitutions();

    QtDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    ProcessLauncher launcher;
    services.launcher = &launcher;
    return Module1(app, services);
}
