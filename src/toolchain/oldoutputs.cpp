#include "app/frmmain.h"

#include <QFileInfo>

void frmMain::removeOldOutputs(const QString &base, const QStringList &extensions)
{
    // A source named masm.asm must not cost the assembler.
    for (const QString &extension : extensions) {
        const QString path = Toolfolder + base + extension;
        const QString actual = Fso->actualPath(path);
        if (Fso->fileExists(path) && actual != Fso->actualPath(Masmpath) &&
            actual != Fso->actualPath(Linkpath) && actual != Fso->actualPath(Debugpath))
            removeFile(path);
    }
}
