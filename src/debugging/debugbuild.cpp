#include "debugging/debugbuild.h"

#include "debugging/debugsession.h"
#include "machine/machineworker.h"
#include "platform/codepage.h"
#include "toolchain/comimage.h"
#include "rules/diagnostics.h"
#include "rules/listingreport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <mutex>

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

} // namespace

struct DebugBuild::Job
{
    DebugBuildRequest request;
    std::shared_ptr<QTemporaryDir> folder;
    QString includeFolder;
    std::mutex lock;
    Machine *tool = nullptr;
    bool cancelled = false;
    bool ok = false;
    bool assemblyFailed = false;
    QString message;
    DebugSession::Program program;

    MachineStop runTool(const QString &program, const QByteArray &tail, const QString &console)
    {
        Machine::Setup setup;
        setup.toolFolder = folder->path();
        setup.sourceFolder = includeFolder;
        setup.consoleFile = QDir(folder->path()).filePath(console);
        Machine machine(setup);
        QString error;
        if (!machine.load(program, tail, &error))
            return {StopReason::Fault, 0, error, {}, 0};
        {
            std::lock_guard guard(lock);
            if (cancelled)
                return {StopReason::StopRequested, 0, {}, {}, 0};
            tool = &machine;
        }
        const MachineStop stop = machine.run({30000, 0});
        std::lock_guard guard(lock);
        tool = nullptr;
        return stop;
    }

    bool fail(const QString &why)
    {
        message = why;
        return false;
    }

    bool build();
};

bool DebugBuild::Job::build()
{
    const QString dir = folder->path();
    if (!folder->isValid())
        return fail(QStringLiteral("无法建立调试用的临时文件夹。"));
    for (const auto &[from, to] : {std::pair{request.masm, QStringLiteral("MASM.EXE")},
                                   std::pair{request.link, QStringLiteral("LINK.EXE")}}) {
        if (!QFile::copy(from, QDir(dir).filePath(to)))
            return fail(QStringLiteral("找不到 %1，无法为调试编译程序。").arg(from));
    }
    QFile source(QDir(dir).filePath(QStringLiteral("TEMP_F.ASM")));
    if (!source.open(QIODevice::WriteOnly) || source.write(request.sourceBytes) < 0)
        return fail(QStringLiteral("无法写入调试用的临时文件：") + source.errorString());
    source.close();

    // With a cross-reference asked for, the listing numbers its lines: the
    // form the listing reader knows.
    const MachineStop masm =
        runTool(QDir(dir).filePath(QStringLiteral("MASM.EXE")), " TEMP_F.ASM,TEMP_F,TEMP_F,TEMP_F;",
                QStringLiteral("MASMMSG.TXT"));
    if (masm.reason == StopReason::StopRequested)
        return fail(QStringLiteral("已取消。"));
    const QByteArray listingBytes = readAll(findFile(dir, QStringLiteral("TEMP_F.LST")));
    const QString mainFile =
        request.sourcePath.isEmpty() ? QStringLiteral("Temp_F.asm") : request.sourcePath;
    const QString includeDir = includeFolder;
    ProgramListing listing = readListing(
        listingBytes, request.sourceBytes, mainFile,
        [includeDir](const QByteArray &name) -> std::optional<IncludedFile> {
            QString file = QString::fromLocal8Bit(name);
            file = file.mid(file.lastIndexOf(QRegularExpression(QStringLiteral("[:\\\\/]"))) + 1);
            const QString path = findFile(includeDir, file);
            if (path.isEmpty())
                return std::nullopt;
            return IncludedFile{path, readAll(path)};
        });
    assemblyFailed = true;
    if (listing.severeErrors > 0)
        return fail(
            QStringLiteral("汇编有 %1 个错误，请先按 F9 查看编译报告。").arg(listing.severeErrors));
    // An object MASM gave up on ("End of file encountered on input file") is
    // told as F9 tells it, never handed to the linker.
    const QString said = printed(dir, QStringLiteral("MASMMSG.TXT"));
    const QString listingText = Codepage::decode(listingBytes).text;
    const AssemblyResult assembled =
        assemblyResult(listingText, said, consoleOnlyLines(said, listingText),
                       !findFile(dir, QStringLiteral("TEMP_F.OBJ")).isEmpty());
    if (masm.reason != StopReason::Exited || assembled.failed()) {
        const QString why = !assembled.stoppedBy.isEmpty() ? assembled.stoppedBy
                            : said.isEmpty()               ? masm.detail
                                                           : said;
        return fail(QStringLiteral("汇编没有成功，请先按 F9 查看编译报告。") + why);
    }
    assemblyFailed = false;

    const MachineStop link = runTool(QDir(dir).filePath(QStringLiteral("LINK.EXE")),
                                     " TEMP_F.OBJ,TEMP_F,TEMP_F;", QStringLiteral("LINKMSG.TXT"));
    if (link.reason == StopReason::StopRequested)
        return fail(QStringLiteral("已取消。"));
    const QString linkerSaid = printed(dir, QStringLiteral("LINKMSG.TXT"));
    const QString exe = findFile(dir, QStringLiteral("TEMP_F.EXE"));
    static const QRegularExpression linkError(QStringLiteral("error L\\d+"));
    if (link.reason != StopReason::Exited || exe.isEmpty() || linkerSaid.contains(linkError))
        return fail(QStringLiteral("连接没有成功：") +
                    (linkerSaid.isEmpty() ? link.detail : linkerSaid));

    program.image = exe;
    const QByteArray exeBytes = readAll(exe);
    program.com = linkedAsCom(exeBytes.left(0x20), linkerSaid);
    if (program.com) {
        QFile com(QDir(dir).filePath(QStringLiteral("TEMP_F.COM")));
        if (!com.open(QIODevice::WriteOnly) || com.write(comImage(exeBytes)) < 0)
            return fail(QStringLiteral("无法写入调试用的临时文件：") + com.errorString());
        program.image = com.fileName();
    }
    program.listing = std::move(listing);
    program.map = readLinkMap(readAll(findFile(dir, QStringLiteral("TEMP_F.MAP"))));
    program.mainFile = mainFile;
    program.folder = folder;
    program.setup.toolFolder =
        request.runFolder.isEmpty() ? QFileInfo(request.masm).absolutePath() : request.runFolder;
    program.setup.sourceFolder = request.sourceFolder;
    // The tools and the settings lie in C:: the program may read them, and
    // change only files of its own.
    program.setup.toolFolderWrites = Drives::ToolFolderWrites::ExceptTools;
    return true;
}

DebugBuild::DebugBuild(DebugBuildRequest request, QObject *parent)
    : QObject(parent), job_(std::make_shared<Job>())
{
    job_->request = std::move(request);
    job_->folder = std::make_shared<QTemporaryDir>();
    job_->includeFolder = job_->request.sourceFolder.isEmpty()
                              ? QFileInfo(job_->request.masm).absolutePath()
                              : job_->request.sourceFolder;
    std::shared_ptr<Job> job = job_;
    worker_ = std::make_unique<MachineWorker>();
    worker_->start([job] { job->ok = job->build(); }, [this] { done(); });
}

DebugBuild::~DebugBuild()
{
    {
        std::lock_guard guard(job_->lock);
        job_->cancelled = true;
        if (job_->tool)
            job_->tool->requestStop();
    }
    worker_->wait();
}

void DebugBuild::done()
{
    if (!job_->ok) {
        emit finished(false, job_->message);
        return;
    }
    QString error;
    auto session = std::make_unique<DebugSession>(job_->program, &error);
    if (!error.isEmpty()) {
        emit finished(false, QStringLiteral("无法载入程序：") + error);
        return;
    }
    session_ = std::move(session);
    emit finished(true, QString());
}

bool DebugBuild::assemblyFailed() const
{
    return job_->assemblyFailed;
}

std::unique_ptr<DebugSession> DebugBuild::takeSession()
{
    return std::move(session_);
}
