#pragma once

#include "platform/launcher.h"

#include <QSet>
#include <memory>

// The toolchain's launcher. Hidden runs of DOS programs (the assembler, the
// linker, EXE2BIN) go to the emulated 8086: no DOSBox to start for each F9,
// and nothing outside the tool folder and the source's folder can be touched.
// A program that needs what the machine lacks is run again in DOSBox, through
// the launcher given, and goes there from then on; so does every window run.
// Hidden runs handed on are watched for progress through their folder's files.
// The launcher must outlive the runs it starts.
class ToolLauncher : public Launcher
{
public:
    explicit ToolLauncher(Launcher &processes);
    ~ToolLauncher() override;

    LaunchResult start(const QString &commandLine, const QString &workingDirectory,
                       WindowStyle style, const QString &consoleOutputName = QString(),
                       const QString &includeFolder = QString()) override;
    void setDosboxOnly(bool on) override;
    void setNoticeHandler(std::function<void(const QString &)> handler) override;

    // Machine time a program may spend without progress before it counts as
    // hung; the largest file a hidden run may write.
    void setBounds(qint64 idleMs, qint64 fileSizeLimit);

    struct Shared;

private:
    Launcher &processes_;
    std::shared_ptr<Shared> shared_;
};
