#include "app/commandline.h"

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool options = true;
    for (const QString &arg : arguments) {
        if (options && arg == QLatin1String("--")) {
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
