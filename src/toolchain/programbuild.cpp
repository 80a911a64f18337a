#include "toolchain/programbuild.h"

#include "platform/fso.h"
#include "toolchain/comimage.h"
#include "toolchain/programbuilder.h"
#include "toolchain/toolwait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString &path)
{
    const FileSystem fso;
    QFile f(fso.actualPath(path));
    return fso.fileExists(path) && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

ProgramBuild::ProgramBuild(BuildRequest request, Launcher &launcher, QObject *parent)
    : QObject(parent), request_(std::move(request)), builder_(new ProgramBuilder(launcher, this))
{
    connect(builder_, &ProgramBuilder::assembled, this, &ProgramBuild::assembled);
    connect(builder_, &ProgramBuilder::linked, this, &ProgramBuild::linked);
}

ProgramBuild::~ProgramBuild() = default;

QString ProgramBuild::inFolder(const QString &name) const
{
    return QDir(result_.folder->path()).filePath(name);
}

void ProgramBuild::start()
{
    using Status = BuildResult::Status;
    result_.folder = std::make_shared<QTemporaryDir>();
    if (!result_.folder->isValid())
        return end(Status::NoFolder);
    for (const auto &[from, to] : {std::pair{request_.masm, QStringLiteral("MASM.EXE")},
                                   std::pair{request_.link, QStringLiteral("LINK.EXE")}}) {
        if (!QFile::copy(from, inFolder(to)))
            return end(Status::ToolMissing, from);
    }
    QFile source(inFolder(QStringLiteral("TEMP_F.ASM")));
    if (!source.open(QIODevice::WriteOnly) || source.write(request_.sourceBytes) < 0)
        return end(Status::WriteFailed, source.errorString());
    source.close();

    // With a cross-reference asked for, the listing numbers its lines: the
    // form the listing reader knows.
    AssembleStep step;
    step.tool = request_.masm;
    step.folder = result_.folder->path();
    step.commandLine = QStringLiteral("MASM.EXE TEMP_F.ASM,TEMP_F,TEMP_F,TEMP_F;");
    step.sourceName = QStringLiteral("TEMP_F.ASM");
    step.listing = inFolder(QStringLiteral("TEMP_F.LST"));
    step.object = inFolder(QStringLiteral("TEMP_F.OBJ"));
    step.console = QStringLiteral("MASMMSG.TXT");
    step.includeFolder = request_.includeFolder;
    const LaunchResult started = builder_->assemble(step);
    if (!started.started())
        end(Status::NotStarted, started.detail.isEmpty() ? started.program : started.detail);
}

void ProgramBuild::assembled(const AssembleResult &step)
{
    using Status = BuildResult::Status;
    result_.listing = step.listingBytes;
    result_.assemblerSaid = step.printed;
    result_.assembly = step.outcome;
    switch (step.status) {
    case AssembleResult::Status::Assembled:
        break;
    case AssembleResult::Status::Stopped:
        return end(Status::ToolStopped,
                   runStopMessage(QStringLiteral("编译程序"), step.step.tool, step.stop));
    case AssembleResult::Status::NoListing:
        return end(Status::AssemblyFailed, step.printed);
    case AssembleResult::Status::Refused: {
        // An object MASM gave up on ("End of file encountered on input
        // file") is told as F9 tells it, never handed to the linker.
        const AssemblyResult &assembled = step.outcome.result;
        return end(Status::AssemblyFailed,
                   !assembled.stoppedBy.isEmpty() ? assembled.stoppedBy : step.printed);
    }
    }

    LinkStep link;
    link.tool = request_.link;
    link.folder = result_.folder->path();
    link.commandLine = QStringLiteral("LINK.EXE TEMP_F.OBJ,TEMP_F,TEMP_F;");
    link.program = inFolder(QStringLiteral("TEMP_F.EXE"));
    link.console = QStringLiteral("LINKMSG.TXT");
    const LaunchResult started = builder_->link(link);
    if (!started.started())
        end(Status::NotStarted, started.detail.isEmpty() ? started.program : started.detail);
}

void ProgramBuild::linked(const LinkResult &step)
{
    using Status = BuildResult::Status;
    result_.linkerSaid = step.printed;
    switch (step.status) {
    case LinkResult::Status::Linked:
        break;
    case LinkResult::Status::Stopped:
        return end(Status::ToolStopped,
                   runStopMessage(QStringLiteral("连接程序"), step.step.tool, step.stop));
    case LinkResult::Status::LinkedWithErrors:
    case LinkResult::Status::NoProgram:
        return end(Status::LinkFailed, step.printed);
    }
    result_.image = FileSystem().actualPath(step.step.program);
    result_.com = step.com;
    if (result_.com) {
        QFile com(inFolder(QStringLiteral("TEMP_F.COM")));
        if (!com.open(QIODevice::WriteOnly) || com.write(comImage(readAll(result_.image))) < 0)
            return end(Status::WriteFailed, com.errorString());
        result_.image = com.fileName();
    }
    result_.map = readAll(inFolder(QStringLiteral("TEMP_F.MAP")));
    end(Status::Built);
}

void ProgramBuild::end(BuildResult::Status status, const QString &reason)
{
    result_.status = status;
    result_.reason = reason;
    // Told later, never from inside start().
    QMetaObject::invokeMethod(
        this, [this] { emit finished(result_); }, Qt::QueuedConnection);
}
