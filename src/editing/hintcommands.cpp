#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "editing/frmhint.h"

void frmMain::popinsTip()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    if (!hintWindow)
        hintWindow = new frmHint(this);
    // Chosen from the context menu: the word the mouse was on.
    hintWindow->showFor(doc, doc->contextMenuPosition);
    doc->contextMenuPosition = -1;
}
