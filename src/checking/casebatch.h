#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"

#include <QList>
#include <QObject>
#include <functional>

struct BuildResult;

// Runs every case of a suite against a built program on a worker thread and
// hands the results to `done` on the main thread, unless the receiver
// is gone by then. The worker owns copies of all it needs (the build's
// folder, and so the program, included); each case runs in a folder of its
// own under `folder`.
void runCasesLater(QObject *receiver, const BuildResult &build, const CheckSuite &suite,
                   const QString &folder, std::function<void(const QList<CaseResult> &)> done);
