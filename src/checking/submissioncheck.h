#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"
#include "checking/submissions.h"

#include <QObject>
#include <memory>

class Launcher;
class ProgramBuild;
class QTemporaryDir;
struct BuildResult;

// One student's program: copied under DOS names, built, and run once per
// case on a worker thread; finished comes once.
class SubmissionCheck : public QObject
{
    Q_OBJECT
public:
    // allowDosbox: a tool that needs DOSBox may go there, and a case whose
    // program needs what the built-in PC lacks is run again in DOSBox where
    // it can be judged there.
    SubmissionCheck(const Submission &submission, const CheckSuite &suite, const QString &masm,
                    const QString &link, const QString &folder, bool allowDosbox,
                    QObject *parent = nullptr);
    ~SubmissionCheck() override;
    void start();

signals:
    void finished(const SubmissionResult &result);

private:
    void built(const BuildResult &build);
    // The next case that needs DOSBox, run there; end() after the last.
    void nextInDosbox();
    void end();
    // The tools' words about TEMP_F.ASM, about the student's own file.
    QString ownNames(QString said) const;

    Submission submission_;
    CheckSuite suite_;
    QString masm_, link_, folder_;
    SubmissionResult result_;
    QStringList renamed_;
    bool allowDosbox_ = false;
    std::unique_ptr<Launcher> processes_; // DOSBox, where allowed
    std::unique_ptr<Launcher> launcher_;
    QString program_;                      // the built program, for DOSBox
    std::shared_ptr<QTemporaryDir> built_; // its folder, while DOSBox may want it
    QList<int> forDosbox_;
    ProgramBuild *build_ = nullptr;
    qint64 started_ = 0;
};
