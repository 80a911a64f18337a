#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"

#include <QFileInfo>

void ToolchainController::removeOldOutputs(const QString &base, const QStringList &extensions)
{
    // A source named masm.asm must not cost the assembler.
    for (const QString &extension : extensions) {
        const QString path = tools().Toolfolder + base + extension;
        const QString actual = Fso->actualPath(path);
        if (Fso->fileExists(path) && actual != Fso->actualPath(tools().Masmpath) &&
            actual != Fso->actualPath(tools().Linkpath) && actual != Fso->actualPath(tools().Debugpath))
            removeFile(path);
    }
}
