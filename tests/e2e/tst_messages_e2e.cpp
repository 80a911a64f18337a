#include "mainfixture.h"
#include "platform/processlauncher.h"
#include "realtools.h"
#include "toolchain/frmreport.h"
#include "rules/messageexplanations.h"
#include "toolchain/toollauncher.h"
#include "toolchain/toolwait.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

// A small program per message, each through the real MASM (and LINK) from the
// menu command to the report: the tool's line is shown as it printed it, with
// its explanation under it, for the code it printed.
class TestMessagesE2e : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void messageExplained_data();
    void messageExplained();
};

void TestMessagesE2e::init()
{
    REQUIRE_REAL_TOOLS();
}

void TestMessagesE2e::messageExplained_data()
{
    QTest::addColumn<QString>("file");
    // The first line of each says what the tool prints for it: a code
    // ("; expect: A2009") or, where it prints none, the text.
    const QDir corpus(QStringLiteral(KORVANE_FIXTURES "/messages"));
    for (const QString &name : corpus.entryList({QStringLiteral("*.ASM")}))
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

// The line of a text that holds the expected code or message, with the line
// after it, or empty ones.
static std::pair<QString, QString> shownWith(const QString &text, const QString &expected)
{
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QRegularExpression printed(
        expected.contains(QRegularExpression(QStringLiteral("^[AL]\\d{4}$")))
            ? QStringLiteral("(error|warning) ") + expected + QStringLiteral(":")
            : QStringLiteral("^\\s*") + QRegularExpression::escape(expected));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].contains(printed))
            return {lines[i], lines[i + 1]};
    }
    return {};
}

void TestMessagesE2e::messageExplained()
{
    QFETCH(QString, file);
    const QByteArray source = fileBytes(file);
    const QString expected =
        QString::fromLatin1(source.left(source.indexOf('\r'))).section(QStringLiteral(": "), 1);
    QVERIFY(!expected.isEmpty());
    ProcessLauncher processes;
    ToolLauncher launcher(processes);
    MainFixture f(true, &launcher);
    for (const char *tool : {"MASM.EXE", "LINK.EXE"})
        QVERIFY(QFile::copy(realToolsFolder() + '/' + tool,
                            f.path(QString::fromLatin1(tool).toLower())));
    f.text()->setText(QString::fromLatin1(source));
    // A fatal stop before the listing is told in a message box instead.
    f.dialogs.answerMsgBox(Dialogs::Ok);
    press(f, Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(shownReport(f) || (f.main->findChildren<ToolWait *>().isEmpty() &&
                                                !f.dialogs.callsOf("msgBox").isEmpty()),
                             60000);
    QTRY_VERIFY(f.main->findChildren<ToolWait *>().isEmpty());
    QString shown =
        shownReport(f) ? shownReport(f)->RichText->text() : f.dialogs.callsOf("msgBox").last().text;
    if (expected.startsWith(u'L')) {
        // The linker's messages follow in the report, or, when it wrote no
        // program, in its message box.
        f.dialogs.calls.clear();
        f.dialogs.answerMsgBox(Dialogs::Ok);
        f.dialogs.answerMsgBox(Dialogs::Ok);
        f.main->action("mnulink")->setEnabled(true);
        press(f, Qt::ControlModifier | Qt::Key_L);
        QTRY_VERIFY_WITH_TIMEOUT(f.main->findChildren<ToolWait *>().isEmpty() &&
                                     (shownReport(f)->RichText->text().contains(expected) ||
                                      f.dialogs.callsOf("msgBox").size() == 2),
                                 60000);
        shown = shownReport(f)->RichText->text();
        if (!shown.contains(expected))
            shown = f.dialogs.callsOf("msgBox").last().text;
    }
    const auto [line, under] = shownWith(shown, expected);
    QVERIFY2(!line.isEmpty(), qPrintable(shown));
    const std::optional<Explanation> e = MessageExplanations::shipped().explain(line);
    QVERIFY2(e && under.trimmed().startsWith(QStringLiteral("→ ")), qPrintable(shown));
    // The explanation is the entry of the code the tool printed.
    if (!expected.contains(u' ') && expected.size() == 5)
        QCOMPARE(e->code, expected);
    else
        QVERIFY(e->code.isEmpty() && e->entry->text.startsWith(expected.section(u' ', 0, 1)));
    // Where the tool names something, the explanation uses that name.
    QVERIFY2(!under.contains(u'〈'), qPrintable(under));
}

QTEST_MAIN(TestMessagesE2e)
#include "tst_messages_e2e.moc"
