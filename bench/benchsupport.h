#pragma once

// What the benchmarks share: a source text of a given size, and the helpers
// that make a measurement include the layout the toolkit does lazily.
#include "platform/richtext.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <algorithm>

// A MASM source of about targetBytes characters, a comment on every third line.
inline QString benchSource(int targetBytes)
{
    QString text;
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
