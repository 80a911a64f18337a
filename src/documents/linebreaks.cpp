#include "documents/linebreaks.h"

#include <QTextBlock>
#include <QTextDocument>

// A block's user state is -1 until set: the file's own kind.
void setLineBreaks(QTextDocument *doc, const QMap<int, LineBreak> &breaks)
{
    for (auto it = breaks.begin(); it != breaks.end(); ++it) {
        QTextBlock block = doc->findBlockByNumber(it.key());
        if (block.isValid())
            block.setUserState(int(it.value()));
    }
}

QString fileText(const QTextDocument *doc, bool finalBreak)
{
    QString out;
    out.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        out += block.text();
        if (!block.next().isValid() && !finalBreak)
            break;
        const int own = block.userState();
        out += own < 0 ? QStringLiteral("\r\n") : Codepage::escapedBreak(LineBreak(own));
    }
    return out;
}
