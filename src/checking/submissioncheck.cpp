#include "checking/submissioncheck.h"

#include "checking/casebatch.h"
#include "checking/dosboxcase.h"
#include "platform/processlauncher.h"
#include "toolchain/machinelauncher.h"
#include "toolchain/programbuild.h"
#include "toolchain/toollauncher.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

SubmissionCheck::SubmissionCheck(const Submission &submission, const CheckSuite &suite,
                                 const QString &masm, const QString &link, const QString &folder,
                                 bool allowDosbox, QObject *parent)
    : QObject(parent), submission_(submission), suite_(suite), masm_(masm), link_(link),
      folder_(folder), allowDosbox_(allowDosbox)
{
    // Without leave, nothing of this check ever starts DOSBox.
    if (allowDosbox_) {
        processes_ = std::make_unique<ProcessLauncher>();
        launcher_ = std::make_unique<ToolLauncher>(*processes_);
    } else {
        launcher_ = std::make_unique<MachineLauncher>();
    }
    result_.student = submission.student;
    result_.source = submission.source;
}

SubmissionCheck::~SubmissionCheck()
{
    // The build's tool runs end before the launcher they ran on.
    delete build_;
}

QString SubmissionCheck::ownNames(QString said) const
{
    const QString own = QFileInfo(submission_.source).fileName();
    return said.replace(QLatin1String("TEMP_F.ASM"), own, Qt::CaseInsensitive);
}

void SubmissionCheck::start()
{
    started_ = QDateTime::currentMSecsSinceEpoch();
    for (const CheckCase &c : suite_.cases) {
        CaseResult r;
        r.name = c.name;
        r.maxPoints = c.points;
        result_.cases << r;
    }
    const QString sources = QDir(folder_).filePath(QStringLiteral("src"));
    QDir().mkpath(sources);
    QString why;
    const QString main = copyForTools(submission_, sources, &why, &renamed_);
    QFile source(QDir(sources).filePath(main));
    if (main.isEmpty() || !source.open(QIODevice::ReadOnly)) {
        result_.build = BuildVerdict::NoSource;
        result_.buildReason = why.isEmpty() ? source.errorString() : why;
        return end();
    }
    BuildRequest request{masm_, link_, source.readAll(), sources};
    build_ = new ProgramBuild(request, *launcher_, this);
    connect(build_, &ProgramBuild::finished, this, &SubmissionCheck::built);
    build_->start();
}

void SubmissionCheck::built(const BuildResult &build)
{
    using Status = BuildResult::Status;
    result_.assemblerSaid = ownNames(build.assemblerSaid);
    // Files DOS could not name were copied under made-up names, so an
    // INCLUDE of them cannot work: the teacher reads why here.
    if (!renamed_.isEmpty())
        result_.assemblerSaid.prepend(QStringLiteral("（这些文件的名字 DOS 用不了，换成了：%1）\n")
                                          .arg(renamed_.join(QStringLiteral("；"))));
    result_.linkerSaid = ownNames(build.linkerSaid);
    result_.buildReason = ownNames(build.reason);
    switch (build.status) {
    case Status::Built:
        result_.build = BuildVerdict::Built;
        result_.buildReason.clear();
        break;
    case Status::AssemblyFailed:
        result_.build = BuildVerdict::NotAssembled;
        break;
    case Status::LinkFailed:
        result_.build = BuildVerdict::NotLinked;
        break;
    default:
        result_.build = BuildVerdict::ToolFailed;
        break;
    }
    if (result_.build != BuildVerdict::Built)
        return end();

    program_ = build.image;
    built_ = build.folder;
    runCasesLater(this, build, suite_, folder_, [this](const QList<CaseResult> &cases) {
        result_.cases = cases;
        for (int i = 0; i < cases.size(); ++i) {
            if (cases.at(i).verdict != CaseVerdict::NeedsDosbox || !allowDosbox_)
                continue;
            const QString why = DosboxCase::cannotJudge(suite_.cases.at(i));
            if (why.isEmpty())
                forDosbox_ << i;
            else
                result_.cases[i].reason += QStringLiteral("；") + why;
        }
        nextInDosbox();
    });
}

void SubmissionCheck::nextInDosbox()
{
    if (forDosbox_.isEmpty())
        return end();
    const int index = forDosbox_.takeFirst();
    auto *run =
        new DosboxCase(*processes_, program_, suite_.cases.at(index), suite_,
                       QDir(folder_).filePath(QStringLiteral("dosbox%1").arg(index + 1)), this);
    connect(run, &DosboxCase::finished, this, [this, run, index](const CaseResult &r) {
        run->deleteLater();
        result_.cases[index] = r;
        nextInDosbox();
    });
    run->start();
}

namespace {

// The line of the tools' words that says most: the first error, else the
// first line at all.
QString firstError(const QString &said)
{
    const QStringList lines = QString(said)
                                  .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!line.contains(QLatin1String("error"), Qt::CaseInsensitive))
            continue;
        // "Unresolved externals:" names them on the next line.
        if (line.endsWith(QLatin1Char(':')) && i + 1 < lines.size())
            return line + QLatin1Char(' ') + lines.at(i + 1).trimmed();
        return line;
    }
    return lines.isEmpty() ? QString() : lines.first().trimmed();
}

} // namespace

void SubmissionCheck::end()
{
    if (result_.build != BuildVerdict::Built) {
        const QString why = firstError(result_.buildReason);
        for (CaseResult &c : result_.cases) {
            c.verdict = CaseVerdict::NotRun;
            c.reason = why.isEmpty()
                           ? verdictText(result_.build)
                           : QStringLiteral("%1：%2").arg(verdictText(result_.build), why);
        }
    }
    result_.milliseconds = QDateTime::currentMSecsSinceEpoch() - started_;
    QMetaObject::invokeMethod(
        this, [this] { emit finished(result_); }, Qt::QueuedConnection);
}
