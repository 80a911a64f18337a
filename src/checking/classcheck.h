#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"
#include "checking/submissions.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class QTemporaryDir;
class SubmissionCheck;

struct CheckOptions
{
    QString masm, link; // host paths of the tools
    int jobs = 1;       // programs checked at once
    // DOSBox may be started for what the built-in PC cannot run.
    bool allowDosbox = false;
};

// Checks submissions against a test file: each is copied, built with the
// real tools on the built-in 8086 as F9 and Ctrl+L build it, and run once
// per case. Nothing of the class folder is written; everything happens in
// a private folder that goes with the check.
class ClassCheck : public QObject
{
    Q_OBJECT
public:
    ClassCheck(CheckSuite suite, QList<Submission> submissions, CheckOptions options,
               QObject *parent = nullptr);
    ~ClassCheck() override;
    // Starts; finished comes once, later (at once for an empty class).
    void start();
    int total() const { return int(submissions_.size()); }

signals:
    // One more program is done (done of total).
    void checked(int done, const SubmissionResult &result);
    void finished(const ClassResult &result);

private:
    void next();
    void done(int index, const SubmissionResult &result);

    CheckSuite suite_;
    QList<Submission> submissions_;
    CheckOptions options_;
    std::unique_ptr<QTemporaryDir> work_;
    QList<SubmissionResult> results_;
    int started_ = 0, finished_ = 0;
};
