#include "checking/casebatch.h"

#include "checking/builtprogram.h"
#include "checking/caserun.h"
#include "toolchain/programbuild.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QThreadPool>

void runCasesLater(QObject *receiver, const BuildResult &build, const CheckSuite &suite,
                   const QString &folder, std::function<void(const QList<CaseResult> &)> done)
{
    BuiltProgram program;
    program.image = build.image;
    program.com = build.com;
    program.symbols = readSymbolTable(build.listing);
    program.map = readLinkMap(build.map);
    const std::shared_ptr<QTemporaryDir> keep = build.folder;
    QPointer<QObject> target(receiver);
    QThreadPool::globalInstance()->start([target, program, keep, suite, folder, done] {
        QList<CaseResult> cases;
        for (int i = 0; i < suite.cases.size(); ++i)
            cases << runCase(program, suite.cases.at(i), suite,
                             QDir(folder).filePath(QStringLiteral("case%1").arg(i + 1)));
        // Told through the application, which outlives the receiver; the
        // receiver is asked after on its own thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, cases, done] {
                if (target)
                    done(cases);
            },
            Qt::QueuedConnection);
    });
}
