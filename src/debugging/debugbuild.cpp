#include "debugging/debugbuild.h"

#include "debugging/debugsession.h"
#include "platform/fso.h"
#include "toolchain/machinelauncher.h"
#include "toolchain/programbuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return !path.isEmpty() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the user is told of a build that made no program.
QString whyNot(const BuildResult &built)
{
    using Status = BuildResult::Status;
    switch (built.status) {
    case Status::Built:
        return {};
    case Status::NoFolder:
        return QStringLiteral("无法建立调试用的临时文件夹。");
    case Status::WriteFailed:
        return QStringLiteral("无法写入调试用的临时文件：") + built.reason;
    case Status::ToolMissing:
        return QStringLiteral("找不到 %1，无法为调试编译程序。").arg(built.reason);
    case Status::NotStarted:
        return QStringLiteral("无法为调试运行编译工具：") + built.reason;
    case Status::ToolStopped:
        return built.reason;
    case Status::AssemblyFailed:
        if (built.assembly.result.errors > 0)
            return QStringLiteral("汇编有 %1 个错误，请先按 F9 查看编译报告。")
                .arg(built.assembly.result.errors);
        return QStringLiteral("汇编没有成功，请先按 F9 查看编译报告。") + built.reason;
    case Status::LinkFailed:
        return QStringLiteral("连接没有成功：") + built.reason;
    }
    return {};
}

} // namespace

DebugBuild::DebugBuild(DebugBuildRequest request, QObject *parent)
    : QObject(parent), request_(std::move(request)),
      launcher_(std::make_unique<MachineLauncher>())
{
    includeFolder_ = request_.sourceFolder.isEmpty() ? QFileInfo(request_.masm).absolutePath()
                                                     : request_.sourceFolder;
    build_ = new ProgramBuild({request_.masm, request_.link, request_.sourceBytes, includeFolder_},
                              *launcher_, this);
    connect(build_, &ProgramBuild::finished, this, &DebugBuild::built);
    build_->start();
}

// The build goes first: its tool runs use the launcher.
DebugBuild::~DebugBuild()
{
    delete build_;
}

bool DebugBuild::load(const BuildResult &built, QString *message)
{
    const QString mainFile =
        request_.sourcePath.isEmpty() ? QStringLiteral("Temp_F.asm") : request_.sourcePath;
    const QString includeDir = includeFolder_;
    DebugSession::Program program;
    program.listing = readListing(
        built.listing, request_.sourceBytes, mainFile,
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
    program.tail = request_.tail;
    program.symbols = readSymbolTable(built.listing);
    program.segmentLengths = readSegmentLengths(built.listing);
    program.setup.toolFolder =
        request_.runFolder.isEmpty() ? QFileInfo(request_.masm).absolutePath() : request_.runFolder;
    program.setup.sourceFolder = request_.sourceFolder;
    // The tools and the settings lie in C:: the program may read them, and
    // change only files of its own.
    program.setup.toolFolderWrites = Drives::ToolFolderWrites::ExceptTools;
    QString error;
    auto session = std::make_unique<DebugSession>(program, &error);
    if (!error.isEmpty()) {
        *message = QStringLiteral("无法载入程序：") + error;
        return false;
    }
    session_ = std::move(session);
    return true;
}

void DebugBuild::built(const BuildResult &result)
{
    assemblyFailed_ = result.status == BuildResult::Status::AssemblyFailed;
    QString message = whyNot(result);
    if (message.isEmpty() && load(result, &message)) {
        emit finished(true, QString());
        return;
    }
    emit finished(false, message);
}

bool DebugBuild::assemblyFailed() const
{
    return assemblyFailed_;
}

std::unique_ptr<DebugSession> DebugBuild::takeSession()
{
    return std::move(session_);
}
