#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

class Launcher;
class LaunchedRun;

// A case run again in a hidden DOSBox, for a program that needs what the
// built-in PC lacks (only with --allow-dosbox). DOSBox takes no scripted
// keys and tells no return code and no memory: only a case that gives
// neither keys nor input and asks only for standard output and files can
// be judged there.
class DosboxCase : public QObject
{
    Q_OBJECT
public:
    // Why the case cannot be judged in DOSBox; empty when it can.
    static QString cannotJudge(const CheckCase &test);

    // Runs the program (a host path) with the case's tail in `folder` (the
    // caller's, empty), which DOSBox mounts as C: and nothing else.
    DosboxCase(Launcher &launcher, const QString &program, const CheckCase &test,
               const CheckSuite &suite, const QString &folder, QObject *parent = nullptr);
    ~DosboxCase() override;
    void start();

signals:
    void finished(const CaseResult &result);

private:
    void poll();
    void end(CaseVerdict verdict, const QString &reason = {});

    Launcher &launcher_;
    QString program_;
    CheckCase test_;
    CheckSuite suite_;
    QString folder_;
    std::unique_ptr<LaunchedRun> run_;
    QTimer poll_;
    QElapsedTimer clock_;
    bool ended_ = false;
};
