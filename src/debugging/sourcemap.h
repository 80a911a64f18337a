#pragma once

#include "debugging/debugview.h"
#include "toolchain/linkmap.h"
#include "debugging/listing.h"

#include <QHash>
#include <QMap>
#include <vector>

// The loaded program's addresses and its source lines, both ways.
class SourceMap
{
public:
    // imageBase: the linear address of the image's first byte (an .EXE's
    // load segment; a .COM's PSP, its image being the .EXE's from 100h on).
    SourceMap(const ProgramListing &listing, const LinkMap &map, quint32 imageBase,
              const QString &mainFile);

    // The line whose bytes (code or data) hold the address; invalid outside.
    SourceLine lineAt(quint32 linear) const;
    // The first address of a line's instructions: where a step stops.
    bool isLineStart(quint32 linear) const { return starts_.contains(linear); }
    // ~0u when the line holds no instruction.
    quint32 firstAddress(const SourceLine &line) const { return firstAddress_.value(line, ~0u); }
    SourceLine lineWithCode(const SourceLine &line) const;
    // "第 12 行", "MACROS.INC 第 3 行"; empty for an invalid line.
    QString lineText(const SourceLine &line) const;
    QList<DataLabel> dataLabels() const { return labels_; }
    quint32 imageBegin() const { return imageBegin_; }
    quint32 imageEnd() const { return imageEnd_; }

private:
    struct Range
    {
        quint32 begin = 0, end = 0;
        SourceLine line;
    };
    std::vector<Range> ranges_; // by begin
    QHash<quint32, SourceLine> starts_;
    QHash<SourceLine, quint32> firstAddress_;
    QHash<QString, QMap<int, quint32>> byFile_;
    QList<DataLabel> labels_;
    QString mainFile_;
    quint32 imageBegin_ = 0, imageEnd_ = 0;
};
