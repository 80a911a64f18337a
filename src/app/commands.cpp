// The menu commands: each item's routine, forwarded to the subsystem that
// owns it, and the items by their typed handles.
#include "app/frmmain.h"
#include "debugging/debugcontroller.h"
#include "documents/documentscontroller.h"
#include "editing/editingcontroller.h"
#include "help/helpcontroller.h"
#include "selftest/selftestcontroller.h"
#include "toolchain/toolchaincontroller.h"

#include <QAction>
#include <QMenu>

void frmMain::Newdocument() { documents_->Newdocument(); }
void frmMain::mnuFileOpen() { documents_->mnuFileOpen(); }
void frmMain::mnuFileClose() { documents_->mnuFileClose(); }
void frmMain::mnuFileSave() { documents_->mnuFileSave(); }
void frmMain::mnuFileSaveAs() { documents_->mnuFileSaveAs(); }
void frmMain::mnuFilePrint() { documents_->mnuFilePrint(); }
void frmMain::mnuFilePageSetup() { documents_->mnuFilePageSetup(); }
void frmMain::mnuFileExit() { close(); }
void frmMain::mnunextmark() { documents_->mnunextmark(); }
void frmMain::mnuEditCut() { editing_->mnuEditCut(); }
void frmMain::mnuEditCopy() { editing_->mnuEditCopy(); }
void frmMain::mnuEditPaste() { editing_->mnuEditPaste(); }
void frmMain::mnudelete() { editing_->mnudelete(); }
void frmMain::mnuselectAll() { editing_->mnuselectAll(); }
void frmMain::mnuRefresh() { editing_->mnuRefresh(); }
void frmMain::mnurightgo() { editing_->mnurightgo(); }
void frmMain::mnuUpLow() { editing_->mnuUpLow(); }
void frmMain::menufind() { editing_->menufind(); }
void frmMain::mnuViewOptions() { editing_->mnuViewOptions(); }
void frmMain::mnufont() { editing_->mnufont(); }
void frmMain::mnufontsize() { editing_->mnufontsize(); }
void frmMain::mnucodecolor() { editing_->mnucodecolor(); }
void frmMain::mnudimcolor() { editing_->mnudimcolor(); }
void frmMain::mnucurrentcolor() { editing_->mnucurrentcolor(); }
void frmMain::mnubackcolor() { editing_->mnubackcolor(); }
void frmMain::popinsTip() { editing_->popinsTip(); }
void frmMain::mnucompile() { toolchain_->mnucompile(); }
void frmMain::mnuCompilelist() { toolchain_->mnuCompilelist(); }
void frmMain::mnulookcross() { toolchain_->mnulookcross(); }
void frmMain::mnulink() { toolchain_->mnulink(); }
void frmMain::mnulinkresult() { toolchain_->mnulinkresult(); }
void frmMain::mnurundebug() { toolchain_->mnurundebug(); }
void frmMain::mnushellDOS() { toolchain_->mnushellDOS(); }
void frmMain::mnugetdostools() { toolchain_->mnugetdostools(); }
void frmMain::mnurun() { debug_->mnurun(); }
void frmMain::mnudebugstart() { debug_->mnudebugstart(); }
void frmMain::mnustepinto() { debug_->mnustepinto(); }
void frmMain::mnustepover() { debug_->mnustepover(); }
void frmMain::mnustepout() { debug_->mnustepout(); }
void frmMain::mnustepinstruction() { debug_->mnustepinstruction(); }
void frmMain::mnuruntocursor() { debug_->mnuruntocursor(); }
void frmMain::mnutogglebreakpoint() { debug_->mnutogglebreakpoint(); }
void frmMain::mnustopdebug() { debug_->mnustopdebug(); }
void frmMain::mnupausedebug() { debug_->mnupausedebug(); }
void frmMain::mnustepback() { debug_->mnustepback(); }
void frmMain::mnurunback() { debug_->mnurunback(); }
void frmMain::mnudisplaygbk() { debug_->mnudisplaygbk(); }
void frmMain::mnudisplay437() { debug_->mnudisplay437(); }
void frmMain::mnuselftest() { selfTest_->mnuselftest(); }
void frmMain::mnuViewWebBrowser() { help_->mnuViewWebBrowser(); }
void frmMain::mnuHelpContents() { help_->mnuHelpContents(); }
void frmMain::mnuHelpSearchForHelpOn() { help_->mnuHelpSearchForHelpOn(); }
void frmMain::mnuHelpAbout() { help_->mnuHelpAbout(); }
void frmMain::mnuHelpMessages() { help_->mnuHelpMessages(); }
void frmMain::showMessageHelp(const QString &code) { help_->showMessageHelp(code); }

void frmMain::connectCommands()
{
    const std::pair<const char *, void (frmMain::*)()> commands[] = {
        {"mnuFileNew", &frmMain::Newdocument},
        {"mnuFileOpen", &frmMain::mnuFileOpen},
        {"mnuFileClose", &frmMain::mnuFileClose},
        {"mnuFileSave", &frmMain::mnuFileSave},
        {"mnuFileSaveAs", &frmMain::mnuFileSaveAs},
        {"mnuFilePageSetup", &frmMain::mnuFilePageSetup},
        {"mnuFilePrint", &frmMain::mnuFilePrint},
        {"mnuFileExit", &frmMain::mnuFileExit},
        {"mnuEditCut", &frmMain::mnuEditCut},
        {"mnuEditCopy", &frmMain::mnuEditCopy},
        {"mnuEditPaste", &frmMain::mnuEditPaste},
        {"mnudelete", &frmMain::mnudelete},
        {"mnuRefresh", &frmMain::mnuRefresh},
        {"mnuselectAll", &frmMain::mnuselectAll},
        {"mnurightgo", &frmMain::mnurightgo},
        {"mnuUpLow", &frmMain::mnuUpLow},
        {"menufind", &frmMain::menufind},
        {"mnuViewToolbar", &frmMain::mnuViewToolbar},
        {"mnuViewStatusBar", &frmMain::mnuViewStatusBar},
        {"mnuViewOptions", &frmMain::mnuViewOptions},
        {"mnuViewWebBrowser", &frmMain::mnuViewWebBrowser},
        {"mnucompile", &frmMain::mnucompile},
        {"mnuCompilelist", &frmMain::mnuCompilelist},
        {"mnulookcross", &frmMain::mnulookcross},
        {"mnulink", &frmMain::mnulink},
        {"mnulinkresult", &frmMain::mnulinkresult},
        {"mnurundebug", &frmMain::mnurundebug},
        {"mnurun", &frmMain::mnurun},
        {"mnushellDOS", &frmMain::mnushellDOS},
        {"mnunextmark", &frmMain::mnunextmark},
        {"mnudebugstart", &frmMain::mnudebugstart},
        {"mnustepinto", &frmMain::mnustepinto},
        {"mnustepover", &frmMain::mnustepover},
        {"mnustepout", &frmMain::mnustepout},
        {"mnustepinstruction", &frmMain::mnustepinstruction},
        {"mnuruntocursor", &frmMain::mnuruntocursor},
        {"mnutogglebreakpoint", &frmMain::mnutogglebreakpoint},
        {"mnustopdebug", &frmMain::mnustopdebug},
        {"mnupausedebug", &frmMain::mnupausedebug},
        {"mnustepback", &frmMain::mnustepback},
        {"mnurunback", &frmMain::mnurunback},
        {"mnudisplaygbk", &frmMain::mnudisplaygbk},
        {"mnudisplay437", &frmMain::mnudisplay437},
        {"mnuselftest", &frmMain::mnuselftest},
        {"mnufont", &frmMain::mnufont},
        {"mnufontsize", &frmMain::mnufontsize},
        {"mnucodecolor", &frmMain::mnucodecolor},
        {"mnudimcolor", &frmMain::mnudimcolor},
        {"mnucurrentcolor", &frmMain::mnucurrentcolor},
        {"mnubackcolor", &frmMain::mnubackcolor},
        {"mnugetdostools", &frmMain::mnugetdostools},
        {"mnuWindowNewWindow", &frmMain::Newdocument},
        {"mnuWindowCascade", &frmMain::mnuWindowCascade},
        {"mnuWindowTileHorizontal", &frmMain::mnuWindowTileHorizontal},
        {"mnuWindowTileVertical", &frmMain::mnuWindowTileVertical},
        {"mnuWindowArrangeIcons", &frmMain::mnuWindowArrangeIcons},
        {"mnuHelpContents", &frmMain::mnuHelpContents},
        {"mnuHelpSearchForHelpOn", &frmMain::mnuHelpSearchForHelpOn},
        {"mnuHelpAbout", &frmMain::mnuHelpAbout},
        // The guide installed with the program is the product's web page.
        {"mnuHelpGuide", &frmMain::mnuViewWebBrowser},
        {"mnuHelpMessages", &frmMain::mnuHelpMessages},
        // Each context item runs the routine of the menu item it stands for.
        {"popcut", &frmMain::mnuEditCut},
        {"popcopy", &frmMain::mnuEditCopy},
        {"poppaste", &frmMain::mnuEditPaste},
        {"popdelete", &frmMain::mnudelete},
        {"popselectAll", &frmMain::mnuselectAll},
        {"popRefresh", &frmMain::mnuRefresh},
        {"popinsTip", &frmMain::popinsTip},
    };
    for (const auto &[name, slot] : commands)
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    // Each style item runs its toolbar button's routine, which keeps the
    // button's state.
    using Style = EditingController::Style;
    for (const auto &[name, style] : {std::pair{"mnubold", Style::Bold},
                                      std::pair{"mnuitalic", Style::Italic},
                                      std::pair{"mnuunderline", Style::Underline}}) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, [this, style] {
            if (activeDocument())
                editing_->toggleStyle(style);
        });
    }
    connect(action(QStringLiteral("popfind")), &QAction::triggered,
            action(QStringLiteral("menufind")), &QAction::trigger);
    connect(findChild<QMenu *>(QStringLiteral("mnuWindow")), &QMenu::aboutToShow, this,
            &frmMain::fillWindowList);
}

QAction *frmMain::command(Command c) const
{
    // The toolbar's buttons by their keys, the menus' items by their names.
    switch (c) {
    case Command::ButtonCut: return button(QStringLiteral("剪切"));
    case Command::ButtonCopy: return button(QStringLiteral("复制"));
    case Command::ButtonDelete: return button(QStringLiteral("删除"));
    case Command::ButtonBold: return button(QStringLiteral("粗体"));
    case Command::ButtonItalic: return button(QStringLiteral("斜体"));
    case Command::ButtonUnderline: return button(QStringLiteral("下划线"));
    case Command::ButtonRightIndent: return button(QStringLiteral("右缩进"));
    default: break;
    }
    static const QHash<Command, const char *> names = {
        {Command::Cut, "mnuEditCut"}, {Command::Copy, "mnuEditCopy"},
        {Command::Delete, "mnudelete"}, {Command::RightIndent, "mnurightgo"},
        {Command::LowerStyle, "mnuUpLow"}, {Command::Find, "menufind"},
        {Command::PopCut, "popcut"}, {Command::PopCopy, "popcopy"},
        {Command::PopDelete, "popdelete"}, {Command::PopFind, "popfind"},
        {Command::ViewToolbar, "mnuViewToolbar"}, {Command::ViewStatusBar, "mnuViewStatusBar"},
        {Command::Compile, "mnucompile"}, {Command::CompileList, "mnuCompilelist"},
        {Command::NextMark, "mnunextmark"}, {Command::ShellDos, "mnushellDOS"},
        {Command::LookCross, "mnulookcross"}, {Command::Link, "mnulink"},
        {Command::LinkResult, "mnulinkresult"}, {Command::Run, "mnurun"},
        {Command::DebugStart, "mnudebugstart"}, {Command::StepInto, "mnustepinto"},
        {Command::StepOver, "mnustepover"}, {Command::StepOut, "mnustepout"},
        {Command::StepInstruction, "mnustepinstruction"},
        {Command::RunToCursor, "mnuruntocursor"}, {Command::ToggleBreakpoint, "mnutogglebreakpoint"},
        {Command::StopDebug, "mnustopdebug"}, {Command::PauseDebug, "mnupausedebug"},
        {Command::InterruptSteps, "mnuinterruptsteps"}, {Command::DisplayGbk, "mnudisplaygbk"},
        {Command::Display437, "mnudisplay437"}, {Command::SaveTip, "mnusavetip"},
        {Command::MakeList, "mnumakelist"}, {Command::MakeCross, "mnumakecross"},
        {Command::MakeMap, "mnumakemap"}, {Command::UseLib, "mnuuselib"},
        {Command::Parameter, "mnuparameter"}, {Command::DosboxOnly, "mnudosboxonly"},
        {Command::F5Dosbox, "mnuf5dosbox"},
        {Command::StepBack, "mnustepback"}, {Command::RunBack, "mnurunback"},
    };
    return action(QString::fromLatin1(names.value(c)));
}
