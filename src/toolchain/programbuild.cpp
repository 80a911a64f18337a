#include "toolchain/programbuild.h"

#include "machine/machine.h"
#include "platform/codepage.h"
#include "toolchain/comimage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

// DOS writes upper-case names; the host may have them in any case.
QString findFile(const QString &folder, const QString &name)
{
    const QStringList found =
        QDir(folder).entryList({name}, QDir::Files | QDir::Readable | QDir::CaseSensitive);
    if (!found.isEmpty())
        return QDir(folder).filePath(found.first());
    for (const QString &f : QDir(folder).entryList(QDir::Files | QDir::Readable))
        if (f.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(f);
    return {};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return !path.isEmpty() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString printed(const QString &folder, const QString &name)
{
    return QString::fromLocal8Bit(readAll(findFile(folder, name))).trimmed();
}

// A .COM that EXE2BIN would make: the image from offset 100h on.
QByteArray comImage(const QByteArray &exe)
{
    const auto word = [&exe](int at) { return qFromLittleEndian<quint16>(exe.constData() + at); };
    const int header = word(0x08) * 16;
    const int size = word(0x04) * 512 - (word(0x02) ? 512 - word(0x02) : 0);
    return exe.mid(header + 0x100, std::min<qsizetype>(size, exe.size()) - header - 0x100);
}

MachineStop runTool(const QString &folder, const QString &includeFolder, const QString &program,
                    const QByteArray &tail, const QString &console, BuildStop &stop)
{
    Machine::Setup setup;
    setup.toolFolder = folder;
    setup.sourceFolder = includeFolder;
    setup.consoleFile = QDir(folder).filePath(console);
    Machine machine(setup);
    QString error;
    if (!machine.load(program, tail, &error))
        return {StopReason::Fault, 0, error, {}, 0};
    if (!stop.running(&machine))
        return {StopReason::StopRequested, 0, {}, {}, 0};
    const MachineStop ended = machine.run({30000, 0});
    stop.running(nullptr);
    return ended;
}

BuildResult ended(BuildResult result, BuildResult::Status status, const QString &reason = {})
{
    result.status = status;
    result.reason = reason;
    return result;
}

} // namespace

void BuildStop::request()
{
    std::lock_guard guard(lock_);
    requested_ = true;
    if (tool_)
        tool_->requestStop();
}

bool BuildStop::running(Machine *tool)
{
    std::lock_guard guard(lock_);
    tool_ = requested_ ? nullptr : tool;
    return !requested_;
}

BuildResult buildProgram(const BuildRequest &request, BuildStop &stop)
{
    using Status = BuildResult::Status;
    BuildResult result;
    result.folder = std::make_shared<QTemporaryDir>();
    const QString dir = result.folder->path();
    if (!result.folder->isValid())
        return ended(result, Status::NoFolder);
    for (const auto &[from, to] : {std::pair{request.masm, QStringLiteral("MASM.EXE")},
                                   std::pair{request.link, QStringLiteral("LINK.EXE")}}) {
        if (!QFile::copy(from, QDir(dir).filePath(to)))
            return ended(result, Status::ToolMissing, from);
    }
    QFile source(QDir(dir).filePath(QStringLiteral("TEMP_F.ASM")));
    if (!source.open(QIODevice::WriteOnly) || source.write(request.sourceBytes) < 0)
        return ended(result, Status::WriteFailed, source.errorString());
    source.close();

    // With a cross-reference asked for, the listing numbers its lines: the
    // form the listing reader knows.
    const MachineStop masm =
        runTool(dir, request.includeFolder, QDir(dir).filePath(QStringLiteral("MASM.EXE")),
                " TEMP_F.ASM,TEMP_F,TEMP_F,TEMP_F;", QStringLiteral("MASMMSG.TXT"), stop);
    if (masm.reason == StopReason::StopRequested)
        return ended(result, Status::Cancelled);
    result.listing = readAll(findFile(dir, QStringLiteral("TEMP_F.LST")));
    result.assemblerSaid = printed(dir, QStringLiteral("MASMMSG.TXT"));
    // An object MASM gave up on ("End of file encountered on input file") is
    // told as F9 tells it, never handed to the linker.
    const QString listingText = Codepage::decode(result.listing).text;
    result.assembly = readAssembly(listingText, result.assemblerSaid, u"TEMP_F.ASM",
                                   !findFile(dir, QStringLiteral("TEMP_F.OBJ")).isEmpty());
    const AssemblyResult &assembled = result.assembly.result;
    if (masm.reason != StopReason::Exited || assembled.errors > 0 || assembled.failed()) {
        const QString why = !assembled.stoppedBy.isEmpty()  ? assembled.stoppedBy
                            : result.assemblerSaid.isEmpty() ? masm.detail
                                                             : result.assemblerSaid;
        return ended(result, Status::AssemblyFailed, why);
    }

    const MachineStop link =
        runTool(dir, request.includeFolder, QDir(dir).filePath(QStringLiteral("LINK.EXE")),
                " TEMP_F.OBJ,TEMP_F,TEMP_F;", QStringLiteral("LINKMSG.TXT"), stop);
    if (link.reason == StopReason::StopRequested)
        return ended(result, Status::Cancelled);
    result.linkerSaid = printed(dir, QStringLiteral("LINKMSG.TXT"));
    const QString exe = findFile(dir, QStringLiteral("TEMP_F.EXE"));
    static const QRegularExpression linkError(QStringLiteral("error L\\d+"));
    if (link.reason != StopReason::Exited || exe.isEmpty() ||
        result.linkerSaid.contains(linkError))
        return ended(result, Status::LinkFailed,
                     result.linkerSaid.isEmpty() ? link.detail : result.linkerSaid);

    result.image = exe;
    const QByteArray exeBytes = readAll(exe);
    result.com = linkedAsCom(exeBytes.left(0x20), result.linkerSaid);
    if (result.com) {
        QFile com(QDir(dir).filePath(QStringLiteral("TEMP_F.COM")));
        if (!com.open(QIODevice::WriteOnly) || com.write(comImage(exeBytes)) < 0)
            return ended(result, Status::WriteFailed, com.errorString());
        result.image = com.fileName();
    }
    result.map = readAll(findFile(dir, QStringLiteral("TEMP_F.MAP")));
    return ended(result, Status::Built);
}
