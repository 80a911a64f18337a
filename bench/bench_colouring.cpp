// Whole-document recolouring against the cost of loading the same text, and
// the position update on a caret move on a small and a large document.
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextCursor>
#include <cstdio>

// Mean time of the position update that follows a caret move, in
// microseconds; the carets are spread over the whole text.
static double positionUpdateCost(frmDocument *doc, int moves)
{
    RichText *rt = doc->Text1;
    const int len = rt->document()->characterCount() - 1;
    QTextCursor c = rt->textCursor();
    qint64 spent = 0;
    QElapsedTimer t;
    for (int i = 0; i < moves; ++i) {
        c.setPosition((i * 7919) % len);
        rt->blockSignals(true);
        rt->setTextCursor(c);
        rt->blockSignals(false);
        t.start();
        emit rt->selChange();
        spent += t.nsecsElapsed();
    }
    return double(spent) / 1000.0 / moves;
}

// Mean time of a caret move by the Down key, the control's own work included.
static double arrowKeyCost(frmDocument *doc, int moves)
{
    RichText *rt = doc->Text1;
    rt->moveCursor(QTextCursor::Start);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < moves; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(rt, &down);
    }
    return double(t.nsecsElapsed()) / 1000.0 / moves;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Services services;
    frmMain main(services);
    main.Show();
    frmDocument *doc = main.activeDocument();
    RichText *rt = doc->Text1;

    const QString big = benchSource(1 << 20);
    QString plain = big;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QList<double> loads, refreshes;
    for (int round = 0; round < 3; ++round) {
        loads << timedWithLayout(rt, [&] { rt->setPlainText(plain); });
        refreshes << timedWithLayout(rt, [&] { main.mnuRefresh(); });
    }
    const double load = median(loads);
    const double refresh = median(refreshes);
    std::printf("text: %lld characters, %d lines\n", qint64(big.size()),
                rt->document()->blockCount());
    std::printf("setPlainText + layout: %.0f ms\n", load);
    std::printf("mnuRefresh + layout:   %.0f ms\n", refresh);
    std::printf("ratio refresh/load:    %.2f (target <= 1.0)\n", refresh / load);

    const double bigUpdate = positionUpdateCost(doc, 20000);
    const double bigKey = arrowKeyCost(doc, 20);
    rt->setText(benchSource(1024));
    forceLayout(rt);
    const double smallUpdate = positionUpdateCost(doc, 20000);
    const double smallKey = arrowKeyCost(doc, 20);
    std::printf("position update after a caret move, 1 KB: %.2f us\n", smallUpdate);
    std::printf("position update after a caret move, 1 MB: %.2f us\n", bigUpdate);
    std::printf("ratio 1 MB / 1 KB:                        %.2f (target <= 3)\n",
                bigUpdate / smallUpdate);
    std::printf("Down key with its update, 1 KB: %.2f us, 1 MB: %.2f us\n", smallKey, bigKey);
    return 0;
}
