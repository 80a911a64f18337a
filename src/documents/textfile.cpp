#include "documents/textfile.h"

#include "platform/userfiles.h"

bool writeTextFile(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &text,
                   TextEncoding &encoding, bool addLineBreak)
{
    const QString content = addLineBreak ? text + QStringLiteral("\r\n") : text;
    bool ok = false;
    QByteArray bytes = Codepage::encode(content, encoding, &ok);
    const bool fallback = !ok;
    TextEncoding used = encoding;
    if (fallback) {
        used = {QStringLiteral("UTF-8"), false, encoding.lfOnly};
        bytes = Codepage::encode(content, used);
    }
    const QString failure = writeUserFile(path, bytes);
    if (!failure.isEmpty()) {
        dialogs.msgBox(parent, QStringLiteral("无法保存文件：%1\n%2").arg(path, failure),
                       Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return false;
    }
    if (fallback) {
        const QString original = encoding.name;
        encoding = used;
        dialogs.msgBox(parent,
                       QStringLiteral("文件中有 %1 编码无法表示的字符，已改用 UTF-8 编码保存：\n%2")
                           .arg(original, path),
                       Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
    }
    return true;
}

std::optional<Codepage::Decoded> readTextFile(const QString &path, bool *refused)
{
    const auto bytes = readUserFile(path, nullptr, refused);
    if (!bytes)
        return std::nullopt;
    return Codepage::decode(*bytes);
}
