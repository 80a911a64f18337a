#include "app/commandline.h"

// The options QGuiApplication and QApplication take, with one dash or two;
// those of the first list are followed by a value.
static int toolkitOptionLength(const QString &arg)
{
    static const QStringList withValue = {QStringLiteral("platform"),
                                          QStringLiteral("platformpluginpath"),
                                          QStringLiteral("platformtheme"),
                                          QStringLiteral("plugin"),
                                          QStringLiteral("qwindowgeometry"),
                                          QStringLiteral("qwindowicon"),
                                          QStringLiteral("qwindowtitle"),
                                          QStringLiteral("session"),
                                          QStringLiteral("style"),
                                          QStringLiteral("stylesheet"),
                                          QStringLiteral("display"),
                                          QStringLiteral("geometry"),
                                          QStringLiteral("title"),
                                          QStringLiteral("name"),
                                          QStringLiteral("visual"),
                                          QStringLiteral("ncols"),
                                          QStringLiteral("fn"),
                                          QStringLiteral("font"),
                                          QStringLiteral("bg"),
                                          QStringLiteral("background"),
                                          QStringLiteral("fg"),
                                          QStringLiteral("foreground"),
                                          QStringLiteral("btn"),
                                          QStringLiteral("button"),
                                          QStringLiteral("im"),
                                          QStringLiteral("inputstyle")};
    static const QStringList alone = {QStringLiteral("reverse"),    QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"),     QStringLiteral("dograb"),
                                      QStringLiteral("sync"),       QStringLiteral("cmap"),
                                      QStringLiteral("testability")};
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (name.startsWith(QLatin1String("qmljsdebugger=")))
        return 1;
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0)
        return withValue.contains(name.left(equals)) ? 1 : 0;
    if (withValue.contains(name))
        return 2;
    return alone.contains(name) ? 1 : 0;
}

CommandLine parseCommandLine(const QStringList &arguments, bool toolkitOptions)
{
    CommandLine line;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (const int length = options && toolkitOptions && arg.startsWith(QLatin1Char('-'))
                                   ? toolkitOptionLength(arg)
                                   : 0) {
            i += length - 1;
        } else if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            line.action = CommandLine::Help;
            return line;
        } else if (options && (arg == QLatin1String("--version") || arg == QLatin1String("-v"))) {
            line.action = CommandLine::Version;
            return line;
        } else if (options && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            line.action = CommandLine::Error;
            line.error =
                QStringLiteral("korvane：不认识的选项 %1\n用 korvane --help 查看用法。\n").arg(arg);
            return line;
        } else {
            line.files << arg;
        }
    }
    return line;
}

QString commandLineUsage()
{
    return QStringLiteral(
        "用法：korvane [选项] [文件...]\n"
        "Korvane：编写、汇编、连接和运行 16 位 DOS 汇编语言程序（MASM）的集成环境。\n"
        "\n"
        "Korvane 把启动时所在的文件夹当作工具文件夹：masm.exe、link.exe、debug.exe、\n"
        "新建的源程序（VaDid1.asm ……）、编译的临时文件（Temp_F.*）和颜色设置 cl.dll\n"
        "都在这里。从桌面菜单启动时，工具文件夹是 ~/Korvane。\n"
        "\n"
        "  文件...         启动后打开这些文件，每个文件一个窗口\n"
        "  -h, --help      显示本说明后退出\n"
        "  -v, --version   显示版本后退出\n"
        "  --              其后的参数都当作文件名\n");
}

QString commandLineVersion()
{
    return QStringLiteral("Korvane 2.20\n");
}
