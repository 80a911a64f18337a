#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"
#include "checking/submissions.h"

#include <QObject>
#include <memory>

class Launcher;
class ProgramBuild;
struct BuildResult;

// One student's program: copied under DOS names, built, and run once per
// case on a worker thread; finished comes once.
class SubmissionCheck : public QObject
{
    Q_OBJECT
public:
    SubmissionCheck(const Submission &submission, const CheckSuite &suite, const QString &masm,
                    const QString &link, const QString &folder, QObject *parent = nullptr);
    ~SubmissionCheck() override;
    void start();

signals:
    void finished(const SubmissionResult &result);

private:
    void built(const BuildResult &build);
    void end();
    // The tools' words about TEMP_F.ASM, about the student's own file.
    QString ownNames(QString said) const;

    Submission submission_;
    CheckSuite suite_;
    QString masm_, link_, folder_;
    SubmissionResult result_;
    QStringList renamed_;
    std::unique_ptr<Launcher> launcher_;
    ProgramBuild *build_ = nullptr;
    qint64 started_ = 0;
};
