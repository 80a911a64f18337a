#include "debugging/debugbuild.h"

#include "debugging/debugsession.h"
#include "machine/machineworker.h"
#include "platform/codepage.h"
#include "platform/fso.h"
#include "toolchain/programbuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return !path.isEmpty() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

struct DebugBuild::Job
{
    DebugBuildRequest request;
    QString includeFolder;
    BuildStop stop;
    bool ok = false;
    bool assemblyFailed = false;
    QString message;
    DebugSession::Program program;

    bool fail(const QString &why)
    {
        message = why;
        return false;
    }

    bool build();
};

bool DebugBuild::Job::build()
{
    using Status = BuildResult::Status;
    const BuildResult built =
        buildProgram({request.masm, request.link, request.sourceBytes, includeFolder}, stop);
    assemblyFailed = built.status == Status::AssemblyFailed;
    switch (built.status) {
    case Status::Built:
        break;
    case Status::NoFolder:
        return fail(QStringLiteral("无法建立调试用的临时文件夹。"));
    case Status::WriteFailed:
        return fail(QStringLiteral("无法写入调试用的临时文件：") + built.reason);
    case Status::ToolMissing:
        return fail(QStringLiteral("找不到 %1，无法为调试编译程序。").arg(built.reason));
    case Status::AssemblyFailed:
        if (built.assembly.result.errors > 0)
            return fail(QStringLiteral("汇编有 %1 个错误，请先按 F9 查看编译报告。")
                            .arg(built.assembly.result.errors));
        return fail(QStringLiteral("汇编没有成功，请先按 F9 查看编译报告。") + built.reason);
    case Status::LinkFailed:
        return fail(QStringLiteral("连接没有成功：") + built.reason);
    case Status::Cancelled:
        return fail(QStringLiteral("已取消。"));
    }

    const QString mainFile =
        request.sourcePath.isEmpty() ? QStringLiteral("Temp_F.asm") : request.sourcePath;
    const QString includeDir = includeFolder;
    program.listing = readListing(
        built.listing, request.sourceBytes, mainFile,
        [includeDir](const QByteArray &name) -> std::optional<IncludedFile> {
            QString file = QString::fromLocal8Bit(name);
            file = file.mid(file.lastIndexOf(QRegularExpression(QStringLiteral("[:\\\\/]"))) + 1);
            // DOS writes upper-case names; the host may have them in any case.
            const QString path = FileSystem().actualPath(QDir(includeDir).filePath(file));
            if (!QFileInfo(path).isFile())
                return std::nullopt;
            return IncludedFile{path, readAll(path)};
        });
    program.image = built.image;
    program.com = built.com;
    program.map = readLinkMap(built.map);
    program.mainFile = mainFile;
    program.folder = built.folder;
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
    job_->includeFolder = job_->request.sourceFolder.isEmpty()
                              ? QFileInfo(job_->request.masm).absolutePath()
                              : job_->request.sourceFolder;
    std::shared_ptr<Job> job = job_;
    worker_ = std::make_unique<MachineWorker>();
    worker_->start([job] { job->ok = job->build(); }, [this] { done(); });
}

DebugBuild::~DebugBuild()
{
    job_->stop.request();
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
