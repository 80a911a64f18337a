#include "documents/textfile.h"

#include <QFile>
#include <QSaveFile>

bool writeTextFile(Dialogs &dialogs, QWidget *parent, const QString &path, const QString &text,
                   TextEncoding &encoding)
{
    const QString content = text + QStringLiteral("\r\n");
    bool ok = false;
    QByteArray bytes = Codepage::encode(content, encoding, &ok);
    const bool fallback = !ok;
    TextEncoding used = encoding;
    if (fallback) {
        used = {QStringLiteral("UTF-8"), false};
        bytes = Codepage::encode(content, used);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
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

std::optional<Codepage::Decoded> readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return std::nullopt;
    Codepage::Decoded decoded = Codepage::decode(bytes);
    return decoded;
}
