#pragma once

#include <QObject>
#include <QString>
#include <optional>

class Formfind;
class QAction;
class Workbench;
class frmDocument;
class frmHint;

// Editing the active document: the clipboard, styles, colours, fonts, case,
// indenting, find and the instruction hints.
class EditingController : public QObject
{
    Q_OBJECT
public:
    explicit EditingController(Workbench &wb, QObject *parent = nullptr);

    void mnuEditCut();
    void mnuEditCopy();
    void mnuEditPaste();
    void mnudelete();
    void mnuselectAll();
    void mnuRefresh();
    void mnucodecolor();
    void mnudimcolor();
    void mnucurrentcolor();
    void mnubackcolor();
    void mnufont();
    void mnufontsize();
    void mnuUpLow();
    void mnurightgo();
    void mnuViewOptions();
    void menufind();
    void popinsTip();
    // Indents every line of the active document by Lenspace spaces (b true) or
    // strips the leading spaces of every line.
    void Rightgo(bool b, qint16 Lenspace);
    // The toolbar's two-state indent button, which has already flipped itself.
    void rightIndentButton(QAction *button);
    enum class Style { Bold, Italic, Underline };
    // A style button or its menu item: the button keeps the selection's state.
    void toggleStyle(Style style);
    // Enables the cut, copy and delete commands with the selection and shows
    // the style buttons pressed as the selection is styled.
    void selectionChanged(frmDocument *doc);

    // The case style applied last by mnuUpLow: true after a conversion to lower case.
    bool Lowerstyle = false;
    qint16 Indentwidth = 8;
    // The text the find dialog searches, as it was when the dialog opened.
    QString Findarea;
    // The find dialog, created on first use and kept for the run, so that what
    // it remembers outlives its closing.
    Formfind *findDialog = nullptr;
    // The instruction hint window, created on first use.
    frmHint *hintWindow = nullptr;

private:
    void replaceWholeText(frmDocument *doc, const QString &text);
    std::optional<qint32> chooseColor(const QString &caption);

    Workbench &wb_;
};
