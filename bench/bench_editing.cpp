// Typing and whole-text editing on a small and a large document: a key press
// with the selection-change update that follows it should cost the same on
// 1 MB as on 1 KB, and case conversion or indent should cost no more than a
// few loads of the same text. The bare-document row shows what the text
// layout alone costs for one changed character: it re-flows every line below
// the change, so any change on a long text pays in proportion to what follows.
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QAbstractTextDocumentLayout>
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

// Puts the caret at the end of a commented line, spread over the text.
static void caretToLineEnd(RichText *rt, int i)
{
    const QTextDocument *doc = rt->document();
    QTextBlock b = doc->findBlockByNumber((i * 7919) % doc->blockCount());
    while (b.isValid() && !b.text().contains(QLatin1Char(';')))
        b = b.next();
    if (!b.isValid())
        b = doc->firstBlock();
    QTextCursor c(b);
    c.movePosition(QTextCursor::EndOfBlock);
    rt->setTextCursor(c);
}

struct KeyCosts
{
    // Microseconds per key, the control's insertion, layout and the status
    // update included.
    double letter = 0;
    double enter = 0;
    // The program's own share: the key handler and the selection-change update.
    double letterOwn = 0;
    double enterOwn = 0;
    // The toolkit's floor: one character inserted into a bare QTextDocument
    // with its layout, at the same places, without any of the program's code.
    double bare = 0;
};

static double bareInsertCost(const QString &text, int presses)
{
    QTextDocument doc;
    doc.setPlainText(text);
    doc.documentLayout()->documentSize();
    QElapsedTimer t;
    qint64 spent = 0;
    for (int i = 0; i < presses; ++i) {
        QTextCursor c(doc.findBlockByNumber((i * 7919) % doc.blockCount()));
        c.movePosition(QTextCursor::EndOfBlock);
        t.start();
        c.insertText(QStringLiteral("x"));
        doc.documentLayout()->documentSize();
        spent += t.nsecsElapsed();
        c.deletePreviousChar();
    }
    return double(spent) / 1000.0 / presses;
}

static KeyCosts keyCosts(RichText *rt, int presses)
{
    KeyCosts k;
    QElapsedTimer t;
    qint64 letters = 0, enters = 0;
    for (int i = 0; i < presses; ++i) {
        caretToLineEnd(rt, i);
        forceLayout(rt);
        t.start();
        press(rt, Qt::Key_X, QStringLiteral("x"));
        forceLayout(rt);
        letters += t.nsecsElapsed();
        t.start();
        press(rt, Qt::Key_Return, QStringLiteral("\r"));
        forceLayout(rt);
        enters += t.nsecsElapsed();
        // Undo both outside the clock so the text keeps its size.
        press(rt, Qt::Key_Backspace, QString());
        press(rt, Qt::Key_Backspace, QString());
    }
    k.letter = double(letters) / 1000.0 / presses;
    k.enter = double(enters) / 1000.0 / presses;

    qint64 letterOwn = 0, enterOwn = 0;
    for (int i = 0; i < presses; ++i) {
        caretToLineEnd(rt, i);
        forceLayout(rt);
        t.start();
        emit rt->keyPress('x');
        emit rt->selChange();
        letterOwn += t.nsecsElapsed();
        t.start();
        emit rt->keyPress(13);
        forceLayout(rt);
        emit rt->selChange();
        enterOwn += t.nsecsElapsed();
    }
    k.letterOwn = double(letterOwn) / 1000.0 / presses;
    k.enterOwn = double(enterOwn) / 1000.0 / presses;
    return k;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Services services;
    frmMain main(services);
    main.Show();
    RichText *rt = main.activeDocument()->Text1;

    const QString small = benchSource(1024);
    const QString big = benchSource(1 << 20);

    rt->setText(small);
    forceLayout(rt);
    KeyCosts smallKeys = keyCosts(rt, 400);
    smallKeys.bare = bareInsertCost(small, 400);
    rt->setText(big);
    forceLayout(rt);
    KeyCosts bigKeys = keyCosts(rt, 400);
    bigKeys.bare = bareInsertCost(big, 400);
    auto row = [](const char *label, double small, double big) {
        std::printf("  %-44s %9.1f %9.1f  ratio %6.2f\n", label, small, big, big / small);
    };
    std::printf("key press, microseconds: %35s 1 KB      1 MB\n", "");
    row("letter, whole key press", smallKeys.letter, bigKeys.letter);
    row("Enter, whole key press", smallKeys.enter, bigKeys.enter);
    row("letter, handler + selection-change update", smallKeys.letterOwn, bigKeys.letterOwn);
    row("Enter, handler + selection-change update", smallKeys.enterOwn, bigKeys.enterOwn);
    row("bare QTextDocument, one character + layout", smallKeys.bare, bigKeys.bare);

    QString plain = big;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QList<double> loads, cases, indents, unindents;
    for (int round = 0; round < 3; ++round) {
        loads << timedWithLayout(rt, [&] { rt->setPlainText(plain); });
        cases << timedWithLayout(rt, [&] { main.mnuUpLow(); });
        indents << timedWithLayout(rt, [&] { main.Rightgo(true, 8); });
        unindents << timedWithLayout(rt, [&] { main.Rightgo(false, 8); });
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
