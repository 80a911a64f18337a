// A source of one 2 MB line: opening it and typing at its end cost the same
// whether the line has blanks to wrap at or none, as in DB 'A','A',...
#include "app/frmmain.h"
#include "benchsupport.h"
#include "documents/frmdocument.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    BenchDialogs dialogs;
    Services services;
    services.dialogs = &dialogs;
    frmMain main(services);
    main.Show();

    // Milliseconds to open a file of one line made of `item`, and to type a
    // key at its end (median of five).
    auto measure = [&](const QByteArray &item) {
        const QString path = dir.filePath(QString::fromLatin1(item.toHex()) + ".asm");
        QFile f(path);
        const QByteArray line = "DB " + item.repeated((2 << 20) / item.size()) + "'A'\r\n";
        if (!f.open(QIODevice::WriteOnly) || f.write(line) != line.size())
            return std::pair(-1.0, -1.0);
        f.close();
        dialogs.openPath = path;
        RichText *rt = nullptr;
        const double open = timedOpen(main, &rt);
        rt->setSelStart(rt->textLength());
        QList<double> keys;
        for (int i = 0; i < 5; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            keys << timedWithLayout(rt, [&] { QApplication::sendEvent(rt, &press); });
        }
        return std::pair(open, median(keys));
    };
    const auto [openBlanks, keyBlanks] = measure("'A', ");
    const auto [openNone, keyNone] = measure("'A',");
    std::printf("2 MB line with blanks:    open %6.0f ms, key %6.1f ms\n", openBlanks, keyBlanks);
    std::printf("2 MB line without blanks: open %6.0f ms  ratio %.2f (target <= 1.5)\n", openNone,
                openNone / std::max(1.0, openBlanks));
    std::printf("                          key  %6.1f ms  ratio %.2f (target <= 1.5)\n", keyNone,
                keyNone / std::max(1.0, keyBlanks));
    return 0;
}
