#include "fakeworkbench.h"

#include "documents/frmdocument.h"

#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace {

// Each command as the window's menu has it: its item's name, key, whether it
// is a check item, and how it starts (the load handler's marks included).
struct CommandItem
{
    Command command;
    const char *name;
    const char *shortcut = nullptr;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
};

const CommandItem kCommands[] = {
    {Command::Cut, "mnuEditCut", "Ctrl+X", false, false, false},
    {Command::Copy, "mnuEditCopy", "Ctrl+C", false, false, false},
    {Command::Delete, "mnudelete", "Ctrl+D", false, false, false},
    {Command::RightIndent, "mnurightgo", nullptr, true, false},
    {Command::LowerStyle, "mnuUpLow"},
    {Command::Find, "menufind", "Ctrl+F"},
    {Command::PopCut, "popcut", nullptr, false, false, false},
    {Command::PopCopy, "popcopy", nullptr, false, false, false},
    {Command::PopDelete, "popdelete"},
    {Command::PopFind, "popfind"},
    {Command::ViewToolbar, "mnuViewToolbar", nullptr, true, true},
    {Command::ViewStatusBar, "mnuViewStatusBar", nullptr, true, true},
    {Command::Compile, "mnucompile", "F9"},
    {Command::CompileList, "mnuCompilelist", nullptr, false, false, false},
    {Command::NextMark, "mnunextmark", "F6"},
    {Command::ShellDos, "mnushellDOS", "F8"},
    {Command::LookCross, "mnulookcross", nullptr, false, false, false},
    {Command::Link, "mnulink", "Ctrl+L", false, false, false},
    {Command::LinkResult, "mnulinkresult", nullptr, false, false, false},
    {Command::Run, "mnurun", "F5", false, false, false},
    {Command::DebugStart, "mnudebugstart", "Ctrl+F5"},
    {Command::StepInto, "mnustepinto", "F11"},
    {Command::StepOver, "mnustepover", "F10"},
    {Command::StepOut, "mnustepout", "Shift+F11", false, false, false},
    {Command::StepInstruction, "mnustepinstruction", "Ctrl+F11"},
    {Command::RunToCursor, "mnuruntocursor", "Ctrl+F10"},
    {Command::ToggleBreakpoint, "mnutogglebreakpoint", "F2"},
    {Command::StopDebug, "mnustopdebug", "Shift+F5", false, false, false},
    {Command::PauseDebug, "mnupausedebug", "F12", false, false, false},
    {Command::InterruptSteps, "mnuinterruptsteps", nullptr, true, false},
    {Command::DisplayGbk, "mnudisplaygbk", nullptr, true, true},
    {Command::Display437, "mnudisplay437", nullptr, true, false},
    {Command::StepBack, "mnustepback", "Ctrl+Shift+F11", false, false, false},
    {Command::RunBack, "mnurunback", "Ctrl+Shift+F5", false, false, false},
    {Command::SaveTip, "mnusavetip", nullptr, true, false},
    {Command::MakeList, "mnumakelist", nullptr, true, true},
    {Command::MakeCross, "mnumakecross", nullptr, true, false},
    {Command::MakeMap, "mnumakemap", nullptr, true, false},
    {Command::UseLib, "mnuuselib", nullptr, true, false},
    {Command::Parameter, "mnuparameter", nullptr, true, false},
    {Command::DosboxOnly, "mnudosboxonly", nullptr, true, false},
    {Command::F5Dosbox, "mnuf5dosbox", nullptr, true, false},
    // The toolbar's buttons by their keys; the style buttons show a pressed state.
    {Command::ButtonCut, "剪切"},
    {Command::ButtonCopy, "复制"},
    {Command::ButtonDelete, "删除"},
    {Command::ButtonBold, "粗体", nullptr, true, false},
    {Command::ButtonItalic, "斜体", nullptr, true, false},
    {Command::ButtonUnderline, "下划线", nullptr, true, false},
    {Command::ButtonRightIndent, "右缩进", nullptr, true, false},
};

} // namespace

FakeWorkbench::FakeWorkbench(Dialogs &dialogs, Launcher &launcher, const QString &toolFolder)
    : statusPanel(QStringLiteral("状态")), dialogs_(dialogs), launcher_(launcher),
      window_(std::make_unique<QMainWindow>())
{
    const QString folder = QDir::toNativeSeparators(QDir(toolFolder).absolutePath()) + QDir::separator();
    paths.Masmpath = folder + QStringLiteral("masm.exe");
    paths.Linkpath = folder + QStringLiteral("link.exe");
    paths.Debugpath = folder + QStringLiteral("debug.exe");
    paths.Toolfolder = folder;
    storedColours = {RGB(0, 0, 0), RGB(50, 200, 150), RGB(0, 0, 255)};
    textColours = storedColours;

    window_->setObjectName(QStringLiteral("fakeWorkbench"));
    window_->resize(1024, 720);
    mdiArea_ = new QMdiArea(window_.get());
    window_->setCentralWidget(mdiArea_);
    viewMenu_ = new QMenu(QStringLiteral("视图(&V)"), window_.get());
    viewMenu_->setObjectName(QStringLiteral("mnuView"));
    for (const CommandItem &item : kCommands) {
        auto *a = new QAction(QString::fromUtf8(item.name), window_.get());
        a->setObjectName(QString::fromUtf8(item.name));
        if (item.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        a->setCheckable(item.checkable);
        a->setChecked(item.checked);
        a->setEnabled(item.enabled);
        commands_.insert(item.command, a);
    }
}

FakeWorkbench::~FakeWorkbench()
{
    // The documents go while everything they may ask of the bench is still here.
    window_.reset();
}

void FakeWorkbench::Loadsettings()
{
    textColours = storedColours;
}

frmDocument *FakeWorkbench::activeDocument() const
{
    // As the window does: the current one stays while a dialog has the focus.
    QMdiSubWindow *sub = mdiArea_->currentSubWindow();
    return sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
}

QList<frmDocument *> FakeWorkbench::documents() const
{
    QList<frmDocument *> docs;
    for (QMdiSubWindow *sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (auto *doc = qobject_cast<frmDocument *>(sub->widget()))
            docs.append(doc);
    }
    return docs;
}

void FakeWorkbench::setStatusPanel(const QString &text)
{
    statusPanel = text;
    statusPanelTexts << text;
}

void FakeWorkbench::showStatusMessage(const QString &text, int)
{
    statusMessage = text;
    statusMessages << text;
}

void FakeWorkbench::clearStatusMessage()
{
    statusMessage.clear();
}
