#include "app/frmmain.h"
#include "app/module1.h"
#include "help/browser/browserwindow.h"
#include "help/webaddresses.h"
#include "platform/fonts.h"
#include "platform/processlauncher.h"
#include "platform/qtdialogs.h"
#include "platform/registry.h"
#include "toolchain/toollauncher.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

int main(int argc, char *argv[])
{
    // The web engine of the browser window wants this before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifdef Q_OS_LINUX
    // The engine's sandbox refuses to run as root and takes the whole program
    // down with it; as root, do without it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral("2.20"));
    // The desktop entry and the windows share one icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app/korvane.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
    reportGuideLocation();

    // The toolkit's own buttons and dialogs speak the program's language.
    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    installFontSubstitutions();

    QtDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    services.launcher = &launcher;
    const std::unique_ptr<Registry> registry = createSystemRegistry();
    services.registry = registry.get();
    services.createBrowser = [](const QString &address, QWidget *parent) {
        return createBrowserWindow(address, parent);
    };
    return Module1(app, services);
}
