// 断点 beside the debugged text: the session's breakpoints with their
// conditions and hit targets, edited in the list, and kept with the
// document for its next debugging. Line breakpoints are the document's
// marks (F2): the list sets and clears those.
#include "debugging/breakpointpanel.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugsession.h"
#include "debugging/debugstate.h"
#include "debugging/filesettings.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "debugging/addresstext.h"
#include "workbench/workbench.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>

namespace {

const char kKept[] = "breakpoints";

QSettings kept()
{
    return fileSettings(QStringLiteral("breakpoints.ini"));
}

// Each breakpoint as the settings file holds it: its kind and what it needs.
QVariantList toSettings(const QList<Breakpoint> &list)
{
    QVariantList out;
    for (const Breakpoint &b : list) {
        QVariantMap m;
        m[QStringLiteral("kind")] = int(b.kind);
        m[QStringLiteral("file")] = b.line.file;
        m[QStringLiteral("line")] = b.line.line;
        m[QStringLiteral("segment")] = b.segment;
        m[QStringLiteral("offset")] = b.offset;
        m[QStringLiteral("length")] = b.length;
        m[QStringLiteral("label")] = b.label;
        m[QStringLiteral("condition")] = b.condition;
        m[QStringLiteral("target")] = b.hitTarget;
        m[QStringLiteral("enabled")] = b.enabled;
        out << m;
    }
    return out;
}

QList<Breakpoint> fromSettings(const QVariantList &list)
{
    QList<Breakpoint> out;
    for (const QVariant &v : list) {
        const QVariantMap m = v.toMap();
        Breakpoint b;
        const int kind = m.value(QStringLiteral("kind")).toInt();
        if (kind < 0 || kind > int(Breakpoint::Kind::Data))
            continue;
        b.kind = Breakpoint::Kind(kind);
        b.line = {m.value(QStringLiteral("file")).toString(),
                  m.value(QStringLiteral("line")).toInt()};
        b.segment = quint16(m.value(QStringLiteral("segment")).toUInt());
        b.offset = quint16(m.value(QStringLiteral("offset")).toUInt());
        b.length = m.value(QStringLiteral("length")).toInt();
        b.label = m.value(QStringLiteral("label")).toString();
        b.condition = m.value(QStringLiteral("condition")).toString();
        b.hitTarget = m.value(QStringLiteral("target")).toInt();
        b.enabled = m.value(QStringLiteral("enabled"), true).toBool();
        out << b;
    }
    return out;
}

} // namespace

void DebugController::connectBreakpointPanel()
{
    BreakpointPanel *panel = debugPanels_->breakpoints;
    connect(panel, &BreakpointPanel::enabledChanged, this, [this](int id, bool on) {
        if (DebugSession *s = debugSession())
            s->setBreakpointEnabled(id, on);
    });
    connect(panel, &BreakpointPanel::conditionEdited, this,
            [this](int id, const QString &condition) {
                DebugSession *s = debugSession();
                QString error;
                if (s && !s->setBreakpointCondition(id, condition, &error)) {
                    tellBreakpointProblem(
                        QStringLiteral("条件“%1”有错：%2。").arg(condition, error));
                    showBreakpoints();
                    return;
                }
                tellBreakpointProblem({});
            });
    connect(panel, &BreakpointPanel::hitTargetEdited, this, [this](int id, int target) {
        if (DebugSession *s = debugSession())
            s->setBreakpointHitTarget(id, target);
        tellBreakpointProblem({});
    });
    connect(panel, &BreakpointPanel::removeWanted, this, &DebugController::removeBreakpoints);
    connect(panel, &BreakpointPanel::addWanted, this, &DebugController::addBreakpointFrom);
}

void DebugController::tellBreakpointProblem(const QString &problem)
{
    debugPanels_->breakpoints->tell(problem);
    if (!problem.isEmpty())
        wb_.showStatusMessage(problem);
}

void DebugController::showBreakpoints()
{
    DebugSession *s = debugSession();
    if (!s)
        return;
    const QList<Breakpoint> list = s->breakpointList();
    debugPanels_->breakpoints->showBreakpoints(
        list, [s](const Breakpoint &b) { return s->placeText(b); });
    // A line's breakpoint turned off shows hollow in the text's margin.
    for (frmDocument *d : wb_.documents()) {
        const QString file = QDir::cleanPath(QDir::fromNativeSeparators(d->caption()));
        QList<int> off;
        for (const Breakpoint &b : list)
            if (b.kind == Breakpoint::Kind::Line && !b.enabled &&
                QDir::cleanPath(b.line.file) == file)
                off << b.line.line;
        if (off != d->Strip->breakpoints->disabledLines()) {
            d->Strip->breakpoints->setDisabledLines(off);
            d->Strip->update();
        }
    }
    // Kept with the document, and with its file for the next time it is opened.
    if (frmDocument *doc = debug_->doc) {
        doc->setProperty(kKept, QVariant::fromValue(list));
        const QString key = fileKey(QStringLiteral("breakpoints"), doc);
        const QVariantList settings = toSettings(list);
        if (!key.isEmpty() && kept().value(key).toList() != settings)
            kept().setValue(key, settings);
    }
}

QList<Breakpoint> DebugController::keptBreakpoints(const frmDocument *doc) const
{
    if (!doc)
        return {};
    if (const QVariant own = doc->property(kKept); own.isValid())
        return own.value<QList<Breakpoint>>();
    const QString key = fileKey(QStringLiteral("breakpoints"), doc);
    return key.isEmpty() ? QList<Breakpoint>() : fromSettings(kept().value(key).toList());
}

void DebugController::restoreBreakpoints(DebugSession &s, const QList<Breakpoint> &kept)
{
    for (const Breakpoint &b : kept) {
        int id = 0;
        switch (b.kind) {
        case Breakpoint::Kind::Line:
            id = s.breakpointAt(b.line);
            if (id)
                s.setBreakpointCondition(id, b.condition);
            break;
        case Breakpoint::Kind::Address:
            id = s.addAddressBreakpoint(b.segment, b.offset, b.condition);
            break;
        case Breakpoint::Kind::Data:
            id = b.label.isEmpty()
                     ? s.addDataBreakpoint(b.segment, b.offset, b.length, b.condition)
                     : s.addDataBreakpoint(b.label, b.condition);
            break;
        }
        if (!id)
            continue;
        s.setBreakpointHitTarget(id, b.hitTarget);
        s.setBreakpointEnabled(id, b.enabled);
    }
}

void DebugController::removeBreakpoints(const QList<int> &ids)
{
    DebugSession *s = debugSession();
    if (!s)
        return;
    const QList<Breakpoint> list = s->breakpointList();
    for (const Breakpoint &b : list) {
        if (!ids.contains(b.id))
            continue;
        // A line's breakpoint goes with its mark in the text.
        if (b.kind == Breakpoint::Kind::Line) {
            for (frmDocument *d : wb_.documents()) {
                if (QDir::cleanPath(QDir::fromNativeSeparators(d->caption())) ==
                    QDir::cleanPath(b.line.file))
                    d->Strip->breakpoints->set(b.line.line, false);
            }
        }
        s->removeBreakpoint(b.id);
    }
}

void DebugController::addBreakpointFrom(const QString &text)
{
    DebugSession *s = debugSession();
    if (!s || s->ended())
        return;
    const Registers r = s->view().registers;
    quint16 segment = 0, offset = 0;
    // 数据 COUNT, 数据 DS:0100 8 (bytes, 1 when not given; 10H in hexadecimal).
    static const QRegularExpression data(QStringLiteral("^(?:数据|data)\\s*(.+?)(?:\\s+([0-9]+|[0-9][0-9a-f]*h))?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = data.match(text); m.hasMatch()) {
        QString error;
        const QString place = m.captured(1);
        QString count = m.captured(2);
        int length = 1;
        if (!count.isEmpty())
            length = count.endsWith(u'h', Qt::CaseInsensitive)
                         ? count.chopped(1).toInt(nullptr, 16)
                         : count.toInt();
        const int id = parseAddress(place, r, r.ds, &segment, &offset)
                           ? s->addDataBreakpoint(segment, offset, length, {}, &error)
                           : s->addDataBreakpoint(place, {}, &error);
        tellBreakpointProblem(id ? QString()
                                 : QStringLiteral("无法在“%1”设数据断点：%2。").arg(place, error));
        return;
    }
    if (!parseAddress(text, r, r.cs, &segment, &offset)) {
        tellBreakpointProblem(
            QStringLiteral("看不懂“%1”：断点的地址应写成 段:偏移（如 0000:0200、CS:0010）。")
                .arg(text));
        return;
    }
    s->addAddressBreakpoint(segment, offset);
    tellBreakpointProblem({});
}
