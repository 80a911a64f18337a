#pragma once

#include <QHashFunctions>
#include <QString>

// A line of the program's source: the document's own file or an include file.
struct SourceLine
{
    QString file; // host path of the main source or an include file
    int line = 0; // 1-based
    bool operator==(const SourceLine &) const = default;
    bool valid() const { return line > 0; }
};

inline size_t qHash(const SourceLine &l, size_t seed = 0)
{
    return qHashMulti(seed, l.file, l.line);
}
