#pragma once

#include "checking/checksuite.h"
#include "selftest/selftestwindow.h"

#include <QObject>
#include <QPointer>
#include <memory>

class DebugController;
class Launcher;
class ProgramBuild;
class ToolchainController;
class Workbench;
class frmDocument;
struct BuildResult;

// 运行 → 自测: the active document's program, built from its text as it
// stands, run against the test file beside it (same base name, .toml) or
// one chosen once for the document, each case shown passed or failed.
class SelfTestController : public QObject
{
    Q_OBJECT
public:
    SelfTestController(Workbench &wb, ToolchainController &toolchain, DebugController &debugger,
                       QObject *parent = nullptr);
    ~SelfTestController() override;

    void mnuselftest();
    // The window of the last run, if it is open.
    SelfTestWindow *window() const { return window_; }

private:
    void run(frmDocument *doc, const QString &testFile);
    // The document's test file: beside it, or chosen before; else the user
    // is told how to get one and may choose one now. Empty: none.
    QString testFileFor(frmDocument *doc);
    void built(const BuildResult &build);
    void debugCase(int index);

    Workbench &wb_;
    ToolchainController &toolchain_;
    DebugController &debugger_;
    QPointer<SelfTestWindow> window_;
    QPointer<frmDocument> doc_;
    QString testFile_;
    CheckSuite suite_;
    std::unique_ptr<Launcher> launcher_;
    ProgramBuild *build_ = nullptr;
};
