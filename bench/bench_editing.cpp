// Typing and whole-text editing on a small and a large document. A key press,
// with the control's insertion, the program's handler, the layout and the
// repaint that follow, should cost the same at the top, in the middle and at
// the end of 10 MB as of 1 KB; case conversion or indent of 1 MB should cost
// no more than a few loads of the same text. 50,000 marks of an assembly
// must not make a key dearer.
#include "editing/editingcontroller.h"
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>

static void press(RichText *rt, Qt::Key key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(rt, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(rt, &up);
}

// Puts the caret at the end of the commented line nearest to the given line.
static void caretToCommentEnd(RichText *rt, int line)
{
    const QTextDocument *doc = rt->document();
    QTextBlock b = doc->findBlockByNumber(std::clamp(line, 0, doc->blockCount() - 1));
    while (b.isValid() && !b.text().contains(QLatin1Char(';')))
        b = b.previous();
    if (!b.isValid())
        b = doc->firstBlock();
    QTextCursor c(b);
    c.movePosition(QTextCursor::EndOfBlock);
    rt->setTextCursor(c);
}

struct KeyCost
{
    double letter = 0; // microseconds, median of the presses
    double enter = 0;
};

enum class Place { Top, Middle, End };

static KeyCost keyCost(RichText *rt, Place place, int presses)
{
    QList<double> letters, enters;
    QElapsedTimer t;
    for (int i = 0; i < presses; ++i) {
        const int blocks = rt->document()->blockCount();
        const int line = place == Place::Top      ? 3 + i % 5
                         : place == Place::Middle ? blocks / 2 + i % 5
                                                  : blocks - 1 - i % 5;
        caretToCommentEnd(rt, line);
        forceLayout(rt);
        forcePaint(rt);
        // Enter first: after the letter its line would be the document's
        // widest, and the line that Enter then narrows makes the toolkit's
        // layout measure every line (timed on its own below).
        t.start();
        press(rt, Qt::Key_Return, QStringLiteral("\r"));
        forceLayout(rt);
        forcePaint(rt);
        enters << double(t.nsecsElapsed()) / 1000.0;
        t.start();
        press(rt, Qt::Key_X, QStringLiteral("x"));
        forceLayout(rt);
        forcePaint(rt);
        letters << double(t.nsecsElapsed()) / 1000.0;
        // Take both back outside the clock so the text keeps its size.
        press(rt, Qt::Key_Backspace, QString());
        press(rt, Qt::Key_Backspace, QString());
    }
    return {median(letters), median(enters)};
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    BenchDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();
    RichText *rt = main.activeDocument()->Text1;

    const QString small = benchSource(1024);
    const QString huge = benchSource(10 << 20);
    const Place places[] = {Place::Top, Place::Middle, Place::End};
    const char *names[] = {"top", "middle", "end"};

    KeyCost smallCost[3], hugeCost[3];
    rt->setText(small);
    forceLayout(rt);
    for (int p = 0; p < 3; ++p)
        smallCost[p] = keyCost(rt, places[p], 200);
    rt->setText(huge);
    forceLayout(rt);
    for (int p = 0; p < 3; ++p)
        hugeCost[p] = keyCost(rt, places[p], 30);

    std::printf("whole key press with layout and repaint, microseconds (1 KB, 10 MB of %d lines)\n",
                rt->document()->blockCount());
    for (int p = 0; p < 3; ++p) {
        std::printf("  letter at the %-6s %9.1f %9.1f  ratio %.2f (target <= 1.5)\n", names[p],
                    smallCost[p].letter, hugeCost[p].letter,
                    hugeCost[p].letter / smallCost[p].letter);
        std::printf("  Enter at the %-6s  %9.1f %9.1f  ratio %.2f (target <= 1.5)\n", names[p],
                    smallCost[p].enter, hugeCost[p].enter, hugeCost[p].enter / smallCost[p].enter);
    }

    // The same keys with 50,000 marks of an assembly spread over the text: a
    // key must not pay for every mark.
    QList<Diagnostic> diagnostics;
    const int lines = rt->document()->blockCount();
    for (int i = 0; i < 50000; ++i) {
        const int line = 1 + int(qint64(i) * lines / 50000);
        diagnostics << Diagnostic{line, i % 3 ? Diagnostic::Error : Diagnostic::Warning,
                                  QStringLiteral("Temp_F.asm(%1): error A2009: x").arg(line),
                                  QStringLiteral("Temp_F.asm")};
    }
    main.activeDocument()->Strip->setDiagnostics(diagnostics, QString());
    const KeyCost marked = keyCost(rt, Place::Middle, 30);
    std::printf("key press with 50,000 marks against none, microseconds (10 MB)\n");
    std::printf("  letter %9.1f %9.1f  ratio %.2f (target <= 1.5)\n", hugeCost[1].letter,
                marked.letter, marked.letter / hugeCost[1].letter);
    std::printf("  Enter  %9.1f %9.1f  ratio %.2f (target <= 1.5)\n", hugeCost[1].enter,
                marked.enter, marked.enter / hugeCost[1].enter);
    main.activeDocument()->Strip->clear();

    // The widest line narrowed: the plain-text layout then measures every
    // line again, a cost that grows with the text (no target).
    caretToCommentEnd(rt, rt->document()->blockCount() / 2);
    press(rt, Qt::Key_X, QStringLiteral("x"));
    forceLayout(rt);
    forcePaint(rt);
    QElapsedTimer narrowing;
    narrowing.start();
    press(rt, Qt::Key_Backspace, QString());
    forceLayout(rt);
    forcePaint(rt);
    std::printf("  Backspace narrowing the widest line of 10 MB: %.1f us\n",
                double(narrowing.nsecsElapsed()) / 1000.0);

    const QString big = benchSource(1 << 20);
    QString plain = big;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QList<double> loads, cases, indents, unindents;
    for (int round = 0; round < 3; ++round) {
        loads << timedWithLayout(rt, [&] { rt->setPlainText(plain); });
        cases << timedWithLayout(rt, [&] { main.mnuUpLow(); });
        indents << timedWithLayout(rt, [&] { main.editing().Rightgo(true, 8); });
        unindents << timedWithLayout(rt, [&] { main.editing().Rightgo(false, 8); });
    }

    const double load = median(loads);
    std::printf("text: %lld characters, %d lines\n", qint64(big.size()),
                rt->document()->blockCount());
    std::printf("setPlainText + layout:        %6.0f ms\n", load);
    std::printf("case conversion + comments:   %6.0f ms  ratio %.2f (target <= 3)\n", median(cases),
                median(cases) / load);
    std::printf("indent + comments:            %6.0f ms  ratio %.2f (target <= 3)\n",
                median(indents), median(indents) / load);
    std::printf("un-indent + comments:         %6.0f ms  ratio %.2f (target <= 3)\n",
                median(unindents), median(unindents) / load);
    return 0;
}
