#include "platform/processlauncher.h"
#include "platform/fso.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

QString findProgram(const QString &program, const QString &workingDirectory)
{
    const FileSystem fso;
    const auto existing = [&](const QString &path) {
        const QString actual = fso.actualPath(path);
        return QFileInfo(actual).isFile() ? QFileInfo(actual).absoluteFilePath() : QString();
    };
    const QDir folder(workingDirectory);
    QString found = existing(folder.absoluteFilePath(program));
    // As on Windows, a name without an extension also means the .exe.
    if (found.isEmpty() && fso.extensionName(program).isEmpty())
        found = existing(folder.absoluteFilePath(program + QLatin1String(".exe")));
    if (found.isEmpty() && !program.contains(QLatin1Char('/')))
        found = QStandardPaths::findExecutable(program);
    return found;
}

#ifdef Q_OS_WIN

#include <QDir>
#include <QProcessEnvironment>
#include <windows.h>

namespace {

class WindowsRun : public LaunchedRun
{
public:
    explicit WindowsRun(HANDLE process) : process(process) {}
    ~WindowsRun() override
    {
        end();
        CloseHandle(process);
    }
    bool hasEnded() override { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }
    void end() override
    {
        if (!hasEnded()) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
    }

private:
    HANDLE process;
};

} // namespace

ProcessLauncher::~ProcessLauncher() = default;

LaunchResult ProcessLauncher::start(const QString &commandLine, const QString &workingDirectory,
                                    WindowStyle style, const QString &consoleOutputName,
                                    const QString &includeFolder)
{
    LaunchResult result;
    result.program = commandLine;
    const bool hidden = style == WindowStyle::Hidden;

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (hidden && !consoleOutputName.isEmpty()) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        const QString path =
            QDir::toNativeSeparators(QDir(workingDirectory).filePath(consoleOutputName));
        output = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_WRITE,
                             FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output != INVALID_HANDLE_VALUE) {
            si.dwFlags |= STARTF_USESTDHANDLES;
            si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            si.hStdOutput = output;
            si.hStdError = output;
        }
    }
    // The program gets this program's environment, with INCLUDE when asked for.
    std::wstring environment;
    if (!includeFolder.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("INCLUDE"), QDir::toNativeSeparators(includeFolder));
        for (const QString &entry : env.toStringList())
            environment += entry.toStdWString() + L'\0';
        environment += L'\0';
    }
    // CreateProcessW may write into the command line buffer.
    std::wstring line = commandLine.toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(workingDirectory).toStdWString();
    PROCESS_INFORMATION pi{};
    const BOOL ok =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                       (hidden ? CREATE_NO_WINDOW : 0) | CREATE_UNICODE_ENVIRONMENT,
                       environment.empty() ? nullptr : environment.data(),
                       folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    const DWORD error = GetLastError();
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!ok) {
        result.failure = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                             ? LaunchFailure::ProgramNotFound
                             : LaunchFailure::StartFailed;
        result.detail = qt_error_string(int(error));
        return result;
    }
    CloseHandle(pi.hThread);
    if (hidden)
        result.run = std::make_unique<WindowsRun>(pi.hProcess);
    else
        CloseHandle(pi.hProcess);
    return result;
}

#else

#include "platform/dosrunner.h"
#include "platform/fso.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Long enough for a loaded machine to fork and exec; a start never takes this.
constexpr int startBoundMs = 10000;
constexpr int endBoundMs = 5000;

class ProcessRun : public LaunchedRun
{
public:
    explicit ProcessRun(std::unique_ptr<QProcess> p) : process(std::move(p)) {}
    ~ProcessRun() override { end(); }
    bool hasEnded() override
    {
        return process->state() == QProcess::NotRunning || process->waitForFinished(0);
    }
    void end() override
    {
        if (hasEnded())
            return;
        // The run leads its own process group: a script's children go too.
        const qint64 pid = process->processId();
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        process->kill();
        process->waitForFinished(endBoundMs);
    }

private:
    std::unique_ptr<QProcess> process;
};

// Runs in the child before it execs: it is killed when this program ends,
// however that happens (kill -9 included).
void endWithParent(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
}

LaunchResult startProcess(LaunchResult result, const QString &program, const QStringList &args,
                          const QString &workingDirectory, WindowStyle style,
                          const QString &consoleOutputName, const QStringList &environment = {},
                          QObject *windows = nullptr)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(args);
    process->setWorkingDirectory(workingDirectory);
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &entry : environment) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        process->setProcessEnvironment(env);
    }

    const pid_t self = ::getpid();
    if (style == WindowStyle::Normal && windows) {
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setChildProcessModifier([self] { endWithParent(self); });
        process->start();
        if (!process->waitForStarted(startBoundMs)) {
            result.failure = LaunchFailure::StartFailed;
            result.detail = process->errorString();
            return result;
        }
        QProcess *window = process.release();
        window->setParent(windows);
        QObject::connect(window, &QProcess::finished, window, &QObject::deleteLater);
        return result;
    }
    if (style == WindowStyle::Normal) {
        if (!process->startDetached()) {
            result.failure = LaunchFailure::StartFailed;
            result.detail = process->errorString();
        }
        return result;
    }

    // Nothing can answer a hidden program: its input is empty, and what it
    // prints goes to the named file or nowhere.
    process->setStandardInputFile(QProcess::nullDevice());
    if (consoleOutputName.isEmpty()) {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
    } else {
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(QDir(workingDirectory).filePath(consoleOutputName));
    }
    process->setChildProcessModifier([self] {
        ::setpgid(0, 0);
        endWithParent(self);
    });
    process->start();
    if (!process->waitForStarted(startBoundMs)) {
        result.failure = LaunchFailure::StartFailed;
        result.detail = process->errorString();
        return result;
    }
    result.run = std::make_unique<ProcessRun>(std::move(process));
    return result;
}

LaunchResult startInDosbox(LaunchResult result, const DosRun &run, WindowStyle style,
                           QObject *windows)
{
    const QString problem = dosRunProblem(run);
    if (!problem.isEmpty()) {
        result.failure = LaunchFailure::StartFailed;
        result.detail = problem;
        return result;
    }
    const QString dosbox = QStandardPaths::findExecutable(QStringLiteral("dosbox"));
    if (dosbox.isEmpty()) {
        result.failure = LaunchFailure::DosboxMissing;
        return result;
    }
    // DOSBox itself names the console file inside the DOS command line.
    return startProcess(
        std::move(result), dosbox, dosboxArguments(run), run.workingDirectory, style, QString(),
        style == WindowStyle::Hidden ? hiddenDosboxEnvironment() : QStringList(), windows);
}

} // namespace

ProcessLauncher::~ProcessLauncher()
{
    // DOSBox windows still open end with the program.
    if (!windows_)
        return;
    for (QProcess *window : windows_->findChildren<QProcess *>()) {
        window->kill();
        window->waitForFinished(endBoundMs);
    }
}

LaunchResult ProcessLauncher::start(const QString &commandLine, const QString &workingDirectory,
                                    WindowStyle style, const QString &consoleOutputName,
                                    const QString &includeFolder)
{
    const ProgramAndTail parts = splitProgram(commandLine);
    LaunchResult result;
    result.program = parts.program;
    if (!windows_)
        windows_ = std::make_unique<QObject>();
    const bool hidden = style == WindowStyle::Hidden;
    const QString folder = workingDirectory.isEmpty()
                               ? QDir::currentPath()
                               : QFileInfo(workingDirectory).absoluteFilePath();

    if (isDosPrompt(parts.program))
        return startInDosbox(std::move(result),
                             DosRun{folder, QString(), QString(), hidden, QString(), QString()},
                             style, windows_.get());

    const QString program = findProgram(parts.program, folder);
    if (parts.program.isEmpty() || program.isEmpty()) {
        result.failure = LaunchFailure::ProgramNotFound;
        return result;
    }
    result.program = program;

    QFile file(program);
    if (!file.open(QIODevice::ReadOnly)) {
        result.failure = LaunchFailure::StartFailed;
        result.detail = file.errorString();
        return result;
    }
    const ExecutableKind kind = executableKind(program, file);
    file.close();

    if (kind == ExecutableKind::Dos)
        return startInDosbox(
            std::move(result),
            DosRun{folder, program, parts.tail, hidden, consoleOutputName, includeFolder}, style,
            windows_.get());
    QStringList environment;
    if (!includeFolder.isEmpty())
        environment << QStringLiteral("INCLUDE=") + includeFolder;
    return startProcess(std::move(result), program, splitArguments(parts.tail), folder, style,
                        consoleOutputName, environment);
}

#endif
