#include "app/frmmain.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"

void frmMain::mnunextmark()
{
    if (frmDocument *doc = activeDocument())
        doc->Strip->moveToNextMark();
}
