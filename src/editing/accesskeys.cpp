#include "editing/accesskeys.h"

#include <QHash>

namespace {

// Unique within each menu, next to the keys the design gives.
const QHash<QString, QChar> &accessKeys()
{
    static const QHash<QString, QChar> keys = {
        // 编辑 (T C P D Z)
        {QStringLiteral("mnuRefresh"), u'R'},
        {QStringLiteral("mnuselectAll"), u'A'},
        {QStringLiteral("mnurightgo"), u'I'},
        {QStringLiteral("mnuUpLow"), u'L'},
        // 视图 (T B V)
        {QStringLiteral("mnuViewOptions"), u'O'},
        // 运行 (A E L R)
        {QStringLiteral("mnuCompilelist"), u'S'},
        {QStringLiteral("mnulookcross"), u'C'},
        {QStringLiteral("mnulinkresult"), u'M'},
        {QStringLiteral("mnurundebug"), u'D'},
        {QStringLiteral("mnushellDOS"), u'O'},
        {QStringLiteral("mnudisplaymode"), u'V'},
        // 运行 → 显示方式
        {QStringLiteral("mnudisplaygbk"), u'G'},
        {QStringLiteral("mnudisplay437"), u'W'},
        // 设置 (F)
        {QStringLiteral("mnufontsize"), u'S'},
        {QStringLiteral("mnucodecolor"), u'C'},
        {QStringLiteral("mnudimcolor"), u'M'},
        {QStringLiteral("mnucurrentcolor"), u'T'},
        {QStringLiteral("mnubackcolor"), u'B'},
        // 选项
        {QStringLiteral("mnusavetip"), u'S'},
        {QStringLiteral("mnumakelist"), u'L'},
        {QStringLiteral("mnumakecross"), u'C'},
        {QStringLiteral("mnumakemap"), u'M'},
        {QStringLiteral("mnuuselib"), u'K'},
        {QStringLiteral("mnuparameter"), u'P'},
        {QStringLiteral("mnugetdostools"), u'D'},
        // the context menu
        {QStringLiteral("popcut"), u'T'},
        {QStringLiteral("popcopy"), u'C'},
        {QStringLiteral("poppaste"), u'P'},
        {QStringLiteral("popdelete"), u'D'},
        {QStringLiteral("popfind"), u'Z'},
        {QStringLiteral("popselectAll"), u'A'},
        {QStringLiteral("popRefresh"), u'R'},
        {QStringLiteral("popinsTip"), u'I'},
    };
    return keys;
}

} // namespace

QString withAccessKey(const QString &name, const QString &caption)
{
    const QChar key = accessKeys().value(name);
    if (key.isNull() || caption.contains(u'&'))
        return caption;
    // A capital already shown takes the mark, so the caption reads as before.
    if (const qsizetype at = caption.indexOf(key); at >= 0)
        return caption.left(at) + u'&' + caption.mid(at);
    QString base = caption;
    QString tail;
    if (base.endsWith(QStringLiteral("..."))) {
        base.chop(3);
        tail = QStringLiteral("...");
    }
    return base + QStringLiteral("(&") + key + u')' + tail;
}
