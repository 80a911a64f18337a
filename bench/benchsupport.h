#pragma once

// What the benchmarks share: a source text of a given size, the helpers that
// make a measurement include the layout and painting the toolkit does lazily,
// the process's own CPU time and resident memory, and a dialog seam that
// answers the Open dialog with a scripted file.
#include "app/frmmain.h"
#include "documents/frmdocument.h"
#include "platform/dialogs.h"
#include "platform/richtext.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <ctime>

// A MASM source of about targetBytes characters, a comment on every third line.
inline QString benchSource(int targetBytes)
{
    QString text;
    text.reserve(targetBytes + 64);
    int line = 0;
    while (text.size() < targetBytes) {
        if (line % 3 == 0)
            text += QStringLiteral("        MOV AX,[BX+SI]   ;load the next word of the table\r\n");
        else
            text += QStringLiteral("        ADD DX,AX\r\n");
        ++line;
    }
    return text;
}

inline void forceLayout(RichText *rt)
{
    rt->document()->documentLayout()->documentSize();
    QCoreApplication::processEvents();
}

// Layout and the repaint of what the window shows, done now rather than when
// the event loop gets round to it.
inline void forcePaint(QAbstractScrollArea *view)
{
    QCoreApplication::processEvents();
    view->viewport()->repaint();
}

inline double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds that step takes, the layout it causes included.
template <typename Step> double timedWithLayout(RichText *rt, Step step)
{
    QElapsedTimer t;
    t.start();
    step();
    forceLayout(rt);
    return double(t.elapsed());
}

// Milliseconds the Open command takes in a new window of its own, the layout
// and the painting that follow included; the window's text is left in *opened.
inline double timedOpen(frmMain &main, RichText **opened = nullptr)
{
    main.Newdocument();
    RichText *rt = main.activeDocument()->Text1;
    forcePaint(rt);
    QElapsedTimer t;
    t.start();
    main.mnuFileOpen();
    forceLayout(rt);
    forcePaint(rt);
    if (opened)
        *opened = rt;
    return double(t.elapsed());
}

// CPU time the whole process has used, in seconds.
inline double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Resident memory of the process, in bytes.
inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

// Answers the Open dialog with one file; every other dialog is cancelled.
class BenchDialogs : public Dialogs
{
public:
    QString openPath;
    Answer msgBox(QWidget *, const QString &, Buttons, Icon, const QString &) override
    {
        return No;
    }
    QString inputBox(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString showOpen(QWidget *, FileDialogState &) override { return openPath; }
    QString showSave(QWidget *, FileDialogState &) override { return {}; }
    std::optional<QColor> showColor(QWidget *, const QString &, const QColor &) override
    {
        return std::nullopt;
    }
    std::optional<QFont> showFont(QWidget *, const QFont &) override { return std::nullopt; }
    bool showPrinter(QWidget *, QPrinter &, const QString &, bool) override { return false; }
    bool showPageSetup(QWidget *, QPrinter &, const QString &) override { return false; }
};
