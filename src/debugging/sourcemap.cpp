#include "debugging/sourcemap.h"

#include <QFileInfo>
#include <algorithm>

SourceMap::SourceMap(const ProgramListing &listing, const LinkMap &map, quint32 imageBase,
                     const QString &mainFile)
    : mainFile_(mainFile)
{
    imageBegin_ = imageBase;
    imageEnd_ = imageBase + map.end;
    for (const ListedCode &c : listing.code) {
        if (!map.starts.contains(c.segment))
            continue;
        const quint32 begin = imageBase + map.starts.value(c.segment) + c.offset;
        ranges_.push_back({begin, c.size < 0 ? 0 : begin + quint32(c.size), c.line});
        if (!c.instruction || !c.line.valid() || firstAddress_.contains(c.line))
            continue;
        firstAddress_.insert(c.line, begin);
        starts_.insert(begin, c.line);
        byFile_[c.line.file].insert(c.line.line, begin);
    }
    std::stable_sort(ranges_.begin(), ranges_.end(),
                     [](const Range &a, const Range &b) { return a.begin < b.begin; });
    // A DUP's size is not listed: it reaches to what follows.
    for (size_t i = 0; i < ranges_.size(); ++i) {
        if (ranges_[i].end == 0)
            ranges_[i].end = i + 1 < ranges_.size() ? ranges_[i + 1].begin : imageEnd_;
    }
    for (const ListedLabel &l : listing.data) {
        if (!map.starts.contains(l.segment))
            continue;
        const quint32 start = imageBase + map.starts.value(l.segment);
        labels_ << DataLabel{l.name, quint16(start >> 4), quint16(l.offset + (start & 15))};
    }
}

SourceLine SourceMap::lineAt(quint32 linear) const
{
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), linear,
                               [](quint32 a, const Range &r) { return a < r.begin; });
    // Ranges may nest (ORG back): the latest that holds the address wins.
    for (int looked = 0; it != ranges_.begin() && looked < 16; ++looked) {
        --it;
        if (linear < it->end)
            return it->line;
    }
    return {};
}

SourceLine SourceMap::lineWithCode(const SourceLine &line) const
{
    const auto file = byFile_.find(line.file);
    if (file == byFile_.end())
        return {};
    const auto it = file->lowerBound(line.line);
    return it == file->end() ? SourceLine{} : SourceLine{line.file, it.key()};
}

QString SourceMap::lineText(const SourceLine &line) const
{
    if (!line.valid())
        return {};
    const QString number = QStringLiteral("第 %1 行").arg(line.line);
    if (line.file == mainFile_)
        return number;
    return QFileInfo(line.file).fileName() + QLatin1Char(' ') + number;
}
