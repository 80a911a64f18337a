#include "help/usagetext.h"

#include "rules/webaddresses.h"

QStringList usageLines(const QString &toolFolder)
{
    return {
        QStringLiteral("使用说明： "),
        QStringLiteral("    安装后把masm.exe和link.exe存放在安装目录下，"),
        QStringLiteral("即当前软件所在的文件夹;"),
        QStringLiteral("如果需要调试功能，请把debug.exe也存放在安装目录下；"),
        QStringLiteral("    如果你只有Tasm.exe和Tlink.exe,请分别改名为masm.exe和link.exe，"),
        QStringLiteral("由于版本的各式各样，不能保证都可行；"),
        QStringLiteral("    本机的工具文件夹是 ") + toolFolder +
            QStringLiteral(" ，Korvane 在这里找 masm.exe、link.exe 和 debug.exe；"
                           "如果没有这些文件，可以用“选项”菜单里的“获取 DOS 工具...”下载免费的 "
                           "MASM、LINK 和 DEBUG，"
                           "也可以用必应(cn.bing.com)或百度(www.baidu.com)等网站搜索，"
                           "或看看“帮助”菜单里“Korvane 使用指南”打开的说明网页；"
                           "在Linux上运行这些DOS工具还需要DOSBox，"
                           "请在终端里用 sudo apt-get install dosbox 安装；"),
        QStringLiteral("    如果还有问题，请向任课老师或助教请教，也可以发邮件到") +
            contactAddress() + QStringLiteral("询问，或者访问 Korvane 的网站 ") + projectSite() +
            QStringLiteral("；"),
        QStringLiteral("谢谢使用! "),
    };
}

QString usageText(const QString &toolFolder)
{
    return usageLines(toolFolder).join(QStringLiteral("\r\n"));
}
