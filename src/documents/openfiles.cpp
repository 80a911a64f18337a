#include "app/frmmain.h"

#include <QDir>
#include <QFileInfo>

void frmMain::openFiles(const QStringList &paths)
{
    bool first = true;
    for (const QString &path : paths) {
        const QFileInfo file(path);
        // A name from the command line may name nothing: say so, as the open
        // dialog never lets happen.
        if (!file.exists()) {
            dialogs().msgBox(this, QStringLiteral("无法打开文件：%1\n没有这个文件。").arg(path),
                             Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
            continue;
        }
        if (!first || !activeDocument())
            Newdocument();
        first = false;
        loadDocument(activeDocument(), QDir::toNativeSeparators(file.absoluteFilePath()));
    }
}
