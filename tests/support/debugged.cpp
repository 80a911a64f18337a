#include "debugged.h"

#include "debugging/debugcontroller.h"
#include "documents/breakpointmarks.h"
#include "documents/diagnosticstrip.h"
#include "realtools.h"

#include <QFile>
#include <QStatusBar>
#include <QTest>

QString oneSegmentProgram(const QString &body)
{
    return QStringLiteral("code segment\r\nassume cs:code\r\n") + body +
           QStringLiteral("\r\ncode ends\r\nend start");
}

Debugged::Debugged(const QString &text, bool capitals)
{
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QFile::copy(realToolsFolder() + u'/' + QLatin1String(tool),
                    f.path(capitals ? QString::fromLatin1(tool) : QString::fromLatin1(tool).toLower()));
    f.text()->setText(text);
}

DebugSession *Debugged::session() const
{
    return f.main->debugger().debugSession();
}

int Debugged::current() const
{
    return f.doc()->Strip->breakpoints->current();
}

bool stepWith(Debugged &d, QKeyCombination key)
{
    press(d.f, key);
    const bool stopped = QTest::qWaitFor(
        [&d] { return d.session() && !d.session()->running() && d.current() > 0; }, 60000);
    if (!stopped)
        qWarning() << d.f.main->statusBar()->currentMessage();
    return stopped;
}
