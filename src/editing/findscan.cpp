#include "editing/findscan.h"

#include <algorithm>

namespace {

// Compared letter by letter, so that a hit keeps the length of the text searched for.
bool sameAt(QStringView area, qsizetype at, QStringView what, bool matchCase, bool upper)
{
    for (qsizetype k = 0; k < what.size(); ++k) {
        QChar a = area[at + k];
        QChar w = what[k];
        if (!matchCase) {
            a = upper ? a.toUpper() : a.toLower();
            w = upper ? w.toUpper() : w.toLower();
        }
        if (a != w)
            return false;
    }
    return true;
}

} // namespace

FindStep findNext(const FindState &state, QStringView Findarea, const FindRequest &request,
                  int selStart)
{
    FindStep step;
    step.state = state;
    step.selStart = selStart;
    if (request.text.isEmpty())
        return step;

    FindState &s = step.state;
    ++s.Findcount;
    const qsizetype length = request.text.size();
    const qsizetype last = Findarea.size() + 1 - length;
    const bool first = s.Findcount == 1;
    // Positions are 1-based; the hit at position p is selected from offset p - 1.
    qsizetype pos;
    if (request.downward) {
        pos = first ? 1 : qsizetype(selStart) + 2;
        while (pos <= last && !sameAt(Findarea, pos - 1, request.text, request.matchCase, true))
            ++pos;
    } else {
        pos = first ? last : qsizetype(selStart);
        // No hit can begin past the last position; skipping those changes nothing but time.
        if (pos > last)
            pos = std::max<qsizetype>(last, 0);
        while (pos >= 1 && !sameAt(Findarea, pos - 1, request.text, request.matchCase, false))
            --pos;
    }
    s.Findpos = int(pos);
    step.selLength = int(length);
    if (request.downward ? pos > last : pos < 1) {
        step.outcome = request.downward ? FindOutcome::ReachedEnd : FindOutcome::ReachedStart;
        return step;
    }
    step.outcome = FindOutcome::Found;
    step.selStart = int(pos - 1);
    s.Lastfind = request.text;
    return step;
}
