#include "workbench/workbench.h"
#include "editing/editingcontroller.h"
#include "documents/frmdocument.h"
#include "editing/frmhint.h"

void EditingController::popinsTip()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc)
        return;
    if (!hintWindow)
        hintWindow = new frmHint(wb_);
    // Chosen from the context menu: the word the mouse was on.
    hintWindow->showFor(doc, doc->contextMenuPosition);
    doc->contextMenuPosition = -1;
}

EditingController::EditingController(Workbench &wb, QObject *parent) : QObject(parent), wb_(wb) {}
