#include "fakelauncher.h"

#include "platform/dosrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class FakeRun : public LaunchedRun
{
public:
    explicit FakeRun(std::shared_ptr<FakeLauncher::Run> state) : state(std::move(state)) {}
    // As the real handle does, dropping it ends the run.
    ~FakeRun() override
    {
        state->handleDropped = true;
        state->ended = true;
    }
    bool hasEnded() override { return state->ended; }
    bool madeProgress() override { return state->progresses; }
    RunStop stop() const override { return state->stop; }
    void end() override
    {
        if (!state->ended)
            state->endedByCaller = true;
        state->ended = true;
    }

private:
    std::shared_ptr<FakeLauncher::Run> state;
};

QString programKey(const QString &commandLine)
{
    return QFileInfo(QDir::fromNativeSeparators(splitProgram(commandLine).program))
        .fileName()
        .toLower();
}

} // namespace

void FakeLauncher::setScript(const QString &programFileName, Script script)
{
    scripts.insert(programFileName.toLower(), std::move(script));
}

LaunchResult FakeLauncher::start(const QString &commandLine, const QString &workingDirectory,
                                 WindowStyle style, const QString &consoleOutputName,
                                 const QString &includeFolder)
{
    const Call call{commandLine, workingDirectory, style, consoleOutputName, includeFolder};
    calls << call;
    const Script script = scripts.value(programKey(commandLine));

    LaunchResult result;
    result.program = splitProgram(commandLine).program;
    result.failure = script.failure;
    if (!result.started())
        return result;

    for (const auto &[name, bytes] : script.files) {
        QFile file(QDir(workingDirectory).filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    if (style == WindowStyle::Hidden) {
        auto state = std::make_shared<Run>();
        state->ended = !script.keepsRunning;
        state->stop = script.stop;
        state->progresses = script.progresses;
        runs << state;
        result.run = std::make_unique<FakeRun>(state);
    }
    return result;
}
