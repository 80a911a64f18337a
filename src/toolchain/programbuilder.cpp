#include "toolchain/programbuilder.h"

#include "platform/fso.h"
#include "toolchain/comimage.h"
#include "toolchain/toolwait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

namespace {

// DOS writes upper-case names; the host may have them in any case.
std::optional<QByteArray> readBack(const QString &path)
{
    const FileSystem fso;
    if (path.isEmpty() || !fso.fileExists(path))
        return std::nullopt;
    QFile file(fso.actualPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The listing and what a tool printed are read in the encoding its source
// was saved in: the assembler copies the source's bytes into them.
QString decoded(const QByteArray &bytes, const TextEncoding &encoding)
{
    QStringDecoder decoder(encoding.name.toUtf8().constData());
    if (encoding.name.isEmpty() || !decoder.isValid())
        return Codepage::decode(bytes).text;
    return decoder.decode(bytes);
}

QString printedBy(const QString &folder, const QString &console, const TextEncoding &encoding)
{
    if (console.isEmpty())
        return {};
    return decoded(readBack(QDir(folder).filePath(console)).value_or(QByteArray()), encoding)
        .trimmed();
}

// On a case-sensitive system both "Temp_F.lst" and "TEMP_F.LST" may lie
// there; each found is removed. The bound keeps an undeletable file from
// holding the step.
void removeAll(const QString &path)
{
    const FileSystem fso;
    for (int i = 0; i < 8 && !path.isEmpty() && fso.fileExists(path); ++i)
        QFile::remove(fso.actualPath(path));
}

AssembleResult readAssembled(const AssembleStep &step)
{
    AssembleResult result;
    result.step = step;
    result.printed = printedBy(step.folder, step.console, step.encoding);
    const std::optional<QByteArray> listing = readBack(step.listing);
    if (!listing) {
        result.status = AssembleResult::Status::NoListing;
        return result;
    }
    result.listingBytes = *listing;
    result.listing = decoded(*listing, step.encoding);
    result.outcome = readAssembly(result.listing, result.printed, step.sourceName,
                                  FileSystem().fileExists(step.object));
    const AssemblyResult &assembled = result.outcome.result;
    result.status = assembled.errors > 0 || assembled.failed() ? AssembleResult::Status::Refused
                                                               : AssembleResult::Status::Assembled;
    return result;
}

LinkResult readLinked(const LinkStep &step)
{
    LinkResult result;
    result.step = step;
    result.printed = printedBy(step.folder, step.console, {});
    const std::optional<QByteArray> program = readBack(step.program);
    if (!program) {
        result.status = LinkResult::Status::NoProgram;
        return result;
    }
    static const QRegularExpression linkError(QStringLiteral("error L\\d+"));
    result.status = result.printed.contains(linkError) ? LinkResult::Status::LinkedWithErrors
                                                       : LinkResult::Status::Linked;
    result.com = linkedAsCom(program->left(0x20), result.printed);
    return result;
}

} // namespace

ProgramBuilder::ProgramBuilder(Launcher &launcher, QObject *parent)
    : QObject(parent), launcher_(launcher)
{
}

ProgramBuilder::~ProgramBuilder()
{
    cancel();
}

LaunchResult ProgramBuilder::start(QPointer<ToolWait> &slot, const QString &commandLine,
                                   const QString &folder, const QString &console,
                                   const QString &includeFolder,
                                   std::function<void(const RunStop &)> ended)
{
    if (slot)
        slot->cancel();
    slot = nullptr;
    removeAll(console.isEmpty() ? QString() : QDir(folder).filePath(console));
    LaunchResult result =
        launcher_.start(commandLine, folder, WindowStyle::Hidden, console, includeFolder);
    if (!result.started())
        return result;
    auto *wait = new ToolWait(this);
    wait->run = std::move(result.run);
    wait->boundMs = boundMs;
    // The step is over before anyone hears of it: a step started from the
    // signal is a step of its own.
    QPointer<ToolWait> *held = &slot;
    wait->then = [held, ended] {
        *held = nullptr;
        ended({});
    };
    wait->expired = [held, ended](const RunStop &stop) {
        *held = nullptr;
        ended(stop);
    };
    slot = wait;
    wait->start();
    return result;
}

LaunchResult ProgramBuilder::assemble(const AssembleStep &step)
{
    if (assembly_)
        assembly_->cancel();
    assembly_ = nullptr;
    // Only this run's listing may make the report.
    removeAll(step.listing);
    return start(assembly_, step.commandLine, step.folder, step.console, step.includeFolder,
                 [this, step](const RunStop &stop) {
                     if (stop.reason != RunStop::None) {
                         AssembleResult result;
                         result.step = step;
                         result.printed = printedBy(step.folder, step.console, step.encoding);
                         result.stop = stop;
                         emit assembled(result);
                         return;
                     }
                     emit assembled(readAssembled(step));
                 });
}

LaunchResult ProgramBuilder::link(const LinkStep &step)
{
    return start(link_, step.commandLine, step.folder, step.console, {},
                 [this, step](const RunStop &stop) {
                     if (stop.reason != RunStop::None) {
                         LinkResult result;
                         result.step = step;
                         result.printed = printedBy(step.folder, step.console, {});
                         result.stop = stop;
                         emit linked(result);
                         return;
                     }
                     emit linked(readLinked(step));
                 });
}

LaunchResult ProgramBuilder::makeCom(const ComStep &step)
{
    return start(com_, step.commandLine, step.folder, step.console, {},
                 [this, step](const RunStop &stop) {
                     ComResult result;
                     result.step = step;
                     result.printed = printedBy(step.folder, step.console, {});
                     result.stop = stop;
                     if (stop.reason == RunStop::None)
                         result.status = FileSystem().fileExists(step.program)
                                             ? ComResult::Status::Made
                                             : ComResult::Status::NotMade;
                     emit comMade(result);
                 });
}

void ProgramBuilder::cancelAssembly()
{
    if (assembly_)
        assembly_->cancel();
    assembly_ = nullptr;
}

void ProgramBuilder::cancel()
{
    for (QPointer<ToolWait> *slot : {&assembly_, &link_, &com_}) {
        if (*slot)
            (*slot)->cancel();
        *slot = nullptr;
    }
}
