#include "app/commandline.h"
#include "app/frmmain.h"
#include "app/module1.h"
#include "checking/checkcommand.h"
#include "help/browser/browserwindow.h"
#include "rules/webaddresses.h"
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
#include <cstdio>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

// Prints to standard output or error as UTF-8, whatever the locale.
static int answer(const QString &text, FILE *stream, int code)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return code;
}

int main(int argc, char *argv[])
{
    // --help, --version and an option not understood answer without a window,
    // so without a display too.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    // `korvane check ...` checks programs against a test file, without a
    // window and so without a display.
    if (!raw.isEmpty() && raw.first() == QLatin1String("check")) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
        return runCheckCommand(raw.mid(1));
    }
    const CommandLine early = parseCommandLine(raw, true);
    if (early.action == CommandLine::Help)
        return answer(commandLineUsage(), stdout, 0);
    if (early.action == CommandLine::Version)
        return answer(commandLineVersion(), stdout, 0);
    if (early.action == CommandLine::Error)
        return answer(early.error, stderr, 2);

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
    // The toolkit has taken its own options (-platform, -style ...) by now.
    const CommandLine line = parseCommandLine(QApplication::arguments().mid(1));
    if (line.action == CommandLine::Error)
        return answer(line.error, stderr, 2);
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
    return Module1(app, services, line.files);
}
