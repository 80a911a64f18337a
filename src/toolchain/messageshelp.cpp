#include "rules/messageexplanations.h"

QString helpAnchor(const MessageExplanations &explanations, const MessageEntry &entry)
{
    if (!entry.code.isEmpty())
        return entry.code;
    int n = 0;
    for (const MessageEntry &e : explanations.entries()) {
        if (e.tool == entry.tool && e.code.isEmpty())
            ++n;
        if (&e == &entry)
            break;
    }
    return entry.tool + QLatin1Char('-') + QString::number(n);
}

static QString entryHtml(const MessageExplanations &explanations, const MessageEntry &e)
{
    // Without a program at hand, each name is said by what it is.
    const Explanation shown = explanationOf(e, e.code, {});
    QString title = e.text.section(QLatin1Char('\n'), 0, 0).toHtmlEscaped();
    if (!e.code.isEmpty())
        title = QStringLiteral("%1&nbsp;&nbsp;%2").arg(e.code, title);
    return QStringLiteral("<a name='%1'></a><h3 style='margin-bottom:2px'>%2</h3>")
               .arg(helpAnchor(explanations, e), title) +
           explanationHtml(shown);
}

QString messagesHelpHtml(const MessageExplanations &explanations)
{
    struct Part
    {
        QString tool;
        bool coded;
        QString heading;
    };
    const Part parts[] = {
        {QStringLiteral("MASM"), true, QStringLiteral("MASM 5.10 的错误和警告")},
        {QStringLiteral("MASM"), false, QStringLiteral("MASM 5.10 没有编号的信息")},
        {QStringLiteral("LINK"), true, QStringLiteral("LINK 3.65 的错误和警告")},
        {QStringLiteral("EXE2BIN"), false, QStringLiteral("EXE2BIN 的信息")},
    };
    QString html = QStringLiteral(
        "<h2>汇编与连接信息说明</h2>"
        "<p>MASM、LINK 和 EXE2BIN 打印的每一条信息，按编号排列。编号的第一个字母说明是谁打印的："
        "A 是汇编程序 MASM，L 是连接程序 LINK。MASM 的 A 后第一位数字是严重程度：2 是错误"
        "（不生成目标文件），4 和 5 是警告；LINK 的 L1 是致命错误，L2 是错误，L4 是警告。"
        "〈〉中的内容在报告里换成你程序中的名字。</p><p>");
    for (const Part &p : parts)
        html += QStringLiteral("<a href='#part-%1-%2'>%3</a>&nbsp;&nbsp;")
                    .arg(p.tool, p.coded ? QStringLiteral("1") : QStringLiteral("0"), p.heading);
    html += QStringLiteral("</p>");
    for (const Part &p : parts) {
        html += QStringLiteral("<a name='part-%1-%2'></a><h2>%3</h2>")
                    .arg(p.tool, p.coded ? QStringLiteral("1") : QStringLiteral("0"), p.heading);
        QList<const MessageEntry *> list;
        for (const MessageEntry &e : explanations.entries()) {
            if (e.tool == p.tool && e.code.isEmpty() != p.coded)
                list << &e;
        }
        if (p.coded)
            std::stable_sort(list.begin(), list.end(), [](const auto *a, const auto *b) {
                return codeKey(a->code) < codeKey(b->code);
            });
        for (const MessageEntry *e : list)
            html += entryHtml(explanations, *e);
    }
    return html;
}
