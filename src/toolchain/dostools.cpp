#include "toolchain/dostools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char kCommit[] = "2d04cacc5322951f187bb17e017c12920ac8ebe2";

QString rawBase()
{
    QString base = qEnvironmentVariable("KORVANE_TOOLS_URL");
    if (base.isEmpty())
        base = QStringLiteral("https://raw.githubusercontent.com/microsoft/MS-DOS");
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

} // namespace

const QList<PinnedFile> &dosTools()
{
    static const QList<PinnedFile> tools = {
        {QStringLiteral("masm.exe"), QStringLiteral("v4.0/src/TOOLS/MASM.EXE"),
         QStringLiteral("MASM 5.10"), 110703,
         "1c6286c69b616160b8475ad17453ee872702a2c98075c2159ec792a1c745275f"},
        {QStringLiteral("link.exe"), QStringLiteral("v4.0/src/TOOLS/LINK.EXE"),
         QStringLiteral("LINK 3.65"), 65539,
         "124a3c800edc16b60f696d35a9dfec798b68b78fe2ca90c5988ea76bdeab1a8a"},
        // A .COM image; DOS loads a program by its content, so it runs as debug.exe.
        {QStringLiteral("debug.exe"), QStringLiteral("v2.0/bin/DEBUG.COM"),
         QStringLiteral("DEBUG 2.0"), 11764,
         "cbb171acca2a5581d926b6782aebeaad49111ecd359e64cf6f2e5dd0a000b4ca"},
        // Turns a linked program written as a .COM (ORG 100H) into the .COM itself.
        {QStringLiteral("exe2bin.exe"), QStringLiteral("v4.0/src/TOOLS/EXE2BIN.EXE"),
         QStringLiteral("EXE2BIN"), 3050,
         "a66a3875d7f310d95312651f38d0b43246d3bacfa720f28c49445fcc10bbfa8f"},
    };
    return tools;
}

const PinnedFile &dosToolsLicence()
{
    static const PinnedFile licence = {
        QStringLiteral("MS-DOS-LICENSE.txt"), QStringLiteral("LICENSE"),
        QStringLiteral("MIT License"), 1074,
        "b5179f780ec212a434efcc989a2295a140deb0bdb17182d2bf9c5f6f1f1a01c4"};
    return licence;
}

QString dosToolsRepository()
{
    return QStringLiteral("https://github.com/microsoft/MS-DOS");
}

QString dosToolsCommit()
{
    return QString::fromLatin1(kCommit);
}

QStringList dosToolAddresses(const PinnedFile &file)
{
    const QString base = rawBase();
    return {base + QLatin1Char('/') + dosToolsCommit() + QLatin1Char('/') + file.repoPath,
            base + QStringLiteral("/main/") + file.repoPath};
}

QString dosToolsSource()
{
    return rawBase() + QLatin1Char('/') + dosToolsCommit() + QLatin1Char('/');
}

QString dosToolsByHand()
{
    QStringList steps;
    for (const PinnedFile &tool : dosTools())
        steps << tool.repoPath + QStringLiteral(" 存为 ") + tool.fileName;
    return QStringLiteral("您也可以手动下载：在 ") + dosToolsRepository() +
           QStringLiteral(" （提交 ") + dosToolsCommit() + QStringLiteral("）中把 ") +
           steps.join(QStringLiteral("，")) + QStringLiteral("，放进工具文件夹，并把 ") +
           dosToolsLicence().repoPath + QStringLiteral(" 一并保存在旁边。");
}

QString dosToolsQuestion(const QString &missedTool, const QStringList &present,
                         const QList<PinnedFile> &missing, const QString &folder)
{
    QString text;
    if (!missedTool.isEmpty())
        text += QStringLiteral("没找到 ") + missedTool + QStringLiteral("。");
    if (!present.isEmpty())
        text += QStringLiteral("工具文件夹中已有：") + present.join(QStringLiteral("、")) +
                QStringLiteral("。");
    if (!text.isEmpty())
        text += QStringLiteral("\r\n\r\n");
    text += QStringLiteral("Korvane 可以把下面这些免费的 DOS 工具下载到工具文件夹 ") + folder +
            QStringLiteral("：\r\n");
    for (const PinnedFile &tool : missing)
        text += QStringLiteral("    ") + tool.fileName + QStringLiteral("（") + tool.description +
                QStringLiteral("）\r\n");
    text += QStringLiteral("它们来自 Microsoft 以 MIT 许可证公开的 MS-DOS 源代码（") +
            dosToolsRepository() + QStringLiteral("），下载地址 ") + dosToolsSource() +
            QStringLiteral("。许可证全文会一并保存为 ") + dosToolsLicence().fileName +
            QStringLiteral("。\r\n\r\n是否现在下载？");
    return text;
}

QString damagedToolText(const QString &path)
{
    const QFileInfo info(path);
    const QStringList beside = QDir(info.absolutePath()).entryList(QDir::Files);
    if (!beside.contains(dosToolsLicence().fileName, Qt::CaseInsensitive))
        return {};
    for (const PinnedFile &tool : dosTools()) {
        if (info.fileName().compare(tool.fileName, Qt::CaseInsensitive) != 0)
            continue;
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (info.size() == tool.size && file.open(QIODevice::ReadOnly) && hash.addData(&file) &&
            hash.result().toHex() == tool.sha256)
            return {};
        return tool.fileName + QStringLiteral(" 已损坏或不是原来的文件");
    }
    return {};
}
