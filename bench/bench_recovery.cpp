// The recovery copy of an unsaved document is written on the interface's
// thread while the student types (a few seconds after the first change, then
// at least every 10 s), so one write must stay below a pause a student can
// feel. Prints what one write of a 1 MB document takes, and its parts.
// An argument gives another size, in KB.
#include "documents/documentscontroller.h"
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/recoverycopies.h"
#include "documents/recoveryformat.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int kb = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1024;
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    BenchDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();
    frmDocument *doc = main.activeDocument();
    RichText *rt = doc->Text1;
    rt->setText(benchSource(kb * 1024));
    forceLayout(rt);

    QList<double> whole, text, encode;
    QElapsedTimer t;
    for (int i = 0; i < 15; ++i) {
        // A key, so that there is a new revision to write.
        QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(rt, &key);
        t.start();
        main.documentsControl().recovery().update(doc);
        whole << double(t.nsecsElapsed()) / 1e6;
        t.start();
        const QString all = rt->text();
        text << double(t.nsecsElapsed()) / 1e6;
        t.start();
        const QByteArray bytes = encodeRecoveryCopy({doc->caption(), doc->encoding, all});
        encode << double(t.nsecsElapsed()) / 1e6;
    }
    std::printf("recovery copy of a %d KB document (%d lines), milliseconds, median of %lld\n", kb,
                rt->document()->blockCount(), static_cast<long long>(whole.size()));
    std::printf("  one write, all of it   %8.2f (target < 50: no pause a student feels)\n",
                median(whole));
    std::printf("    the text, CR LF       %8.2f\n", median(text));
    std::printf("    its bytes             %8.2f\n", median(encode));
    std::printf("    to disk, synced       %8.2f\n", median(whole) - median(text) - median(encode));
    // The copy stays, as a crash leaves it: in this program's own state
    // folder, which goes when it ends.
    return 0;
}
