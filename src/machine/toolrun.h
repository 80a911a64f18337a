#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <optional>

// One hidden run of a DOS tool (MASM, LINK, EXE2BIN) on the emulated 8086,
// as F9 and Ctrl+L start it. C: is the tool folder and the current
// directory, D: the source's folder; nothing else on the host can be named.
struct ToolRunRequest
{
    // The .EXE or .COM image on the host (it need not lie in C: or D:).
    QString program;
    // The command tail as typed after the program's name ("Temp_F.asm,Temp_F,,,").
    QString tail;
    // Host folders for C: (also the current drive and folder) and D:. An
    // empty sourceFolder leaves D: out; a given one is also named in the
    // environment as INCLUDE=D:\ for the assembler's include search.
    QString toolFolder;
    QString sourceFolder;
    // Host path that receives what the program writes to standard output
    // (handle 1, and the console functions that write there), as DOS
    // redirection "> FILE" would; empty: nowhere.
    QString consoleFile;
    // Machine time (the worker's own CPU time, not the wall clock) that the
    // program may run without progress (a byte written to a file or the
    // console) before it is stopped as hung.
    qint64 idleBoundMs = 30000;
    // The largest size any one file the program writes may reach; a write
    // past it is cut short (DOS's "disk full") and the run is stopped.
    qint64 fileSizeLimit = qint64(64) * 1024 * 1024;
    // When given, the only names the program may create, write, delete or
    // rename in C: ("TEMP_F.*" for every extension of TEMP_F); any other
    // change there is refused as DOS refuses a read-only file.
    std::optional<QStringList> outputs;
};

enum class ToolRunEnd {
    Running,
    Exited,      // INT 21h 4Ch / 00h / INT 20h; exitCode holds AL
    LoadFailed,  // the image could not be read or is no DOS program
    Unsupported, // an interrupt or DOS function the machine lacks: run it in DOSBox
    InputWanted, // it read the keyboard, which no one can answer in a hidden run
    Stalled,     // no progress for idleBoundMs of machine time
    OutputLimit, // a file reached fileSizeLimit
    Fault,       // the CPU stopped (invalid instruction, division overflow ...)
    Cancelled,   // cancel() was called
};

struct ToolRunOutcome
{
    ToolRunEnd end = ToolRunEnd::Running;
    int exitCode = 0;
    // For people: what was missing ("INT 21h, AH=5Fh"), the fault, the load error.
    QString detail;
    // OutputLimit: the host file and the size it had reached.
    QString file;
    qint64 fileSize = 0;
};

// Runs the request on a worker thread of its own from construction on.
// Every member may be called from the thread that made the object; the
// destructor cancels a run still going and waits for the worker.
class ToolRun
{
public:
    explicit ToolRun(ToolRunRequest request);
    ~ToolRun();
    ToolRun(const ToolRun &) = delete;
    ToolRun &operator=(const ToolRun &) = delete;

    bool finished() const;
    // Stops the run soon (within a few milliseconds) and waits for it.
    void cancel();
    // Valid once finished() is true.
    ToolRunOutcome outcome() const;

private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};
