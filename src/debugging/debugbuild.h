#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class DebugSession;
class MachineLauncher;
class ProgramBuild;
struct BuildResult;

struct DebugBuildRequest
{
    QString masm, link;     // host paths of the user's masm.exe and link.exe
    QByteArray sourceBytes; // the document's text exactly as the assembler is given it
    // Host path of the document: lines of the main file name it. Empty for
    // an unsaved document ("Temp_F.asm" then).
    QString sourcePath;
    // Folder searched for INCLUDE files (D:); empty: the folder of masm.exe,
    // as the assembler finds them in its own folder on F9.
    QString sourceFolder;
    // C: of the program debugged, where its files are read and written;
    // empty: the folder of masm.exe, where F5 runs it.
    QString runFolder;
    // The command tail the program is started with.
    QByteArray tail;
};

// Assembles and links the document privately, with a listing and a map, on
// the built-in machine (the steps F9 and Ctrl+L run), then loads the program
// for debugging. MASM is deterministic: the program is the one F9 and Ctrl+L
// make.
class DebugBuild : public QObject
{
    Q_OBJECT
public:
    explicit DebugBuild(DebugBuildRequest request, QObject *parent = nullptr); // starts at once
    // Ends a build still running; the private folder goes with the last of
    // this and the session taken from it.
    ~DebugBuild() override;

    // After finished(true): the program loaded, stopped at its first instruction.
    std::unique_ptr<DebugSession> takeSession();
    // After finished(false): whether the assembler refused the source, so
    // that there is nothing to link.
    bool assemblyFailed() const;

signals:
    // ok false: message says why in Chinese.
    void finished(bool ok, const QString &message);

private:
    void built(const BuildResult &result);
    bool load(const BuildResult &result, QString *message);

    DebugBuildRequest request_;
    QString includeFolder_;
    bool assemblyFailed_ = false;
    std::unique_ptr<MachineLauncher> launcher_;
    ProgramBuild *build_;
    std::unique_ptr<DebugSession> session_;
};
