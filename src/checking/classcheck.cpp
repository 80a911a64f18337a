#include "checking/classcheck.h"

#include "checking/submissioncheck.h"

#include <QDir>
#include <QTemporaryDir>

ClassCheck::ClassCheck(CheckSuite suite, QList<Submission> submissions, CheckOptions options,
                       QObject *parent)
    : QObject(parent), suite_(std::move(suite)), submissions_(std::move(submissions)),
      options_(std::move(options)), work_(std::make_unique<QTemporaryDir>())
{
    results_.resize(submissions_.size());
}

ClassCheck::~ClassCheck() = default;

void ClassCheck::start()
{
    const int jobs = std::max(1, options_.jobs);
    for (int i = 0; i < jobs; ++i)
        next();
    // An empty part of a class ends too, but never before start() returns:
    // the caller may not be listening yet.
    if (submissions_.isEmpty())
        QMetaObject::invokeMethod(this, [this] { done(-1, {}); }, Qt::QueuedConnection);
}

void ClassCheck::next()
{
    if (started_ >= submissions_.size())
        return;
    const int index = started_++;
    const QString folder = QDir(work_->path()).filePath(QString::number(index + 1));
    auto *check = new SubmissionCheck(submissions_.at(index), suite_, options_.masm, options_.link,
                                      folder, options_.allowDosbox, this);
    connect(check, &SubmissionCheck::finished, this,
            [this, check, index](const SubmissionResult &result) {
                check->deleteLater();
                // Its copies go now: a class of hundreds must not fill the disk.
                QDir(QDir(work_->path()).filePath(QString::number(index + 1))).removeRecursively();
                done(index, result);
                next();
            });
    check->start();
}

void ClassCheck::done(int index, const SubmissionResult &result)
{
    if (index >= 0) {
        results_[index] = result;
        ++finished_;
        emit checked(finished_, result);
    }
    if (finished_ < submissions_.size())
        return;
    ClassResult all;
    all.title = suite_.title;
    for (const CheckCase &c : suite_.cases)
        all.caseNames << c.name;
    all.submissions = results_;
    emit finished(all);
}
