#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// A mistake certain from the text alone, found while the student types,
// before any assembly: where it is and what to do.
struct SourceHint
{
    // 1-based line.
    int line = 0;
    QString text;
    bool operator==(const SourceHint &) const = default;
};

// The hints of a whole source text (lines end in CR LF, LF or CR), in line
// order: no END directive; a segment's name (or a number) moved straight
// into a segment register; a .COM program (ORG 100H) with a stack segment; a
// variable used as the target of a jump, call or loop.
QList<SourceHint> sourceHints(QStringView text);
