// The report window: a report of 100,000 diagnostic lines, and a single line
// of 10 MB such as a broken tool might print, each shown and painted; and the
// lines the assembler printed matched against a long listing.
#include "toolchain/toolchaincontroller.h"
#include "app/frmmain.h"
#include "benchsupport.h"
#include "platform/richtext.h"
#include "toolchain/frmreport.h"
#include "rules/listingreport.h"

#include <QApplication>
#include <cstdio>

static double showTime(FrmReport *report, const QString &text)
{
    QElapsedTimer t;
    t.start();
    report->showText(QStringLiteral("Report"), text);
    forceLayout(report->RichText);
    forcePaint(report->RichText);
    return double(t.elapsed());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Services services;
    frmMain main(services);
    main.Show();
    FrmReport *report = main.toolchain().reportWindow();

    QString lines;
    lines += QStringLiteral(" Assembling Report:\r\n");
    for (int i = 1; i <= 100000; ++i)
        lines +=
            QStringLiteral("TEMP_F.ASM(%1): error A2009: Symbol not defined: LABEL%1\r\n").arg(i);
    // The first report after start-up was the slow one.
    const double many = showTime(report, lines);
    std::printf("report of 100,000 lines shown: %.0f ms  ratio %.2f (target <= 1.0 of 2 s)\n", many,
                many / 2000);

    const QString oneLine = QStringLiteral(" Assembling Report:\r\n") +
                            QString(10 << 20, QLatin1Char('x')) + QStringLiteral("\r\n");
    const double single = showTime(report, oneLine);
    std::printf("report with one line of 10 MB shown: %.0f ms  ratio %.2f (target <= 1.0 of 2 s)\n",
                single, single / 2000);

    // A listing of 50,000 lines and a console that printed 50,000 of its own.
    QString listing, console;
    for (int i = 1; i <= 50000; ++i) {
        listing += QStringLiteral("%1 0000  90\t\tNOP ; line %1\r\n").arg(i);
        console += QStringLiteral("TEMP_F.ASM(%1): warning A4001: Extra characters\r\n").arg(i);
    }
    QElapsedTimer matching;
    matching.start();
    const qsizetype printedOnly = consoleOnlyLines(console, listing).size();
    const double matched = double(matching.elapsed());
    std::printf("%lld printed lines matched against a listing of 50,000: %.0f ms  ratio %.2f "
                "(target <= 1.0 of 1 s)\n",
                qint64(printedOnly), matched, matched / 1000);
    return 0;
}
