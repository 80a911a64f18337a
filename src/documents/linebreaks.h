#pragma once

#include "platform/codepage.h"

class QTextDocument;

// A line's own break, where it is not its file's kind, is kept on the line's
// block: it stays with the line while lines are typed or removed around it.
void setLineBreaks(QTextDocument *doc, const QMap<int, LineBreak> &breaks);

// The text as its file is to hold it, for Codepage::encode: every line ends
// with its own break, the last line only when finalBreak.
QString fileText(const QTextDocument *doc, bool finalBreak);
