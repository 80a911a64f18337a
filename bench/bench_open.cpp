// Opening a 10 MB source: reading, decoding, showing and colouring its
// comments should cost little more than handing the same text to a bare
// QPlainTextEdit, and the open document little more resident memory than a
// few copies of its text.
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"
#include "platform/richtext.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BIG.ASM"));
    const QString source = benchSource(10 << 20);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(source.toLatin1()) != source.size()) {
            std::printf("cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QString plain = source;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    BenchDialogs dialogs;
    dialogs.openPath = path;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();
    forcePaint(main.activeDocument()->Text1);

    // Each open goes into a window of its own, as the user's second open
    // would replace the first: the memory figure is what one open costs.
    auto open = [&] { return timedOpen(main); };
    const qint64 before = residentBytes();
    QList<double> opens{open()};
    const qint64 after = residentBytes();
    // A window of another width has the toolkit's layout give every line a
    // layout object of its own, laid out or not (no target).
    QWidget *window = main.activeDocument()->parentWidget();
    window->resize(window->width() + 40, window->height());
    forcePaint(main.activeDocument()->Text1);
    const qint64 resized = residentBytes();

    QPlainTextEdit bare;
    bare.resize(800, 600);
    bare.show();
    forcePaint(&bare);
    QList<double> bares;
    for (int round = 0; round < 3; ++round) {
        bare.clear();
        forcePaint(&bare);
        QElapsedTimer t;
        t.start();
        bare.setPlainText(plain);
        bare.document()->documentLayout()->documentSize();
        forcePaint(&bare);
        bares << double(t.elapsed());
        if (round < 2)
            opens << open();
    }

    const double size = double(source.size());
    std::printf("source: %.1f MB, %lld lines\n", size / (1 << 20), source.count(QLatin1Char('\n')));
    std::printf("bare QPlainTextEdit setPlainText + layout + paint: %6.0f ms\n", median(bares));
    std::printf(
        "open (read, decode, show, colour comments):        %6.0f ms  ratio %.2f (target <= 1.5)\n",
        median(opens), median(opens) / median(bares));
    std::printf("resident memory of one open: %.0f MB  ratio %.2f (target <= 10)\n",
                double(after - before) / (1 << 20), double(after - before) / size);
    std::printf("  the same after widening its window: %.0f MB\n",
                double(resized - before) / (1 << 20));
    return 0;
}
