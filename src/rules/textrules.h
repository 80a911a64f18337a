#pragma once

#include "platform/richtext.h"

#include <QList>
#include <QString>
#include <QStringView>

// The text rules of the editor, over plain strings whose line breaks are CR LF.

// The comments of t: each runs from a semicolon to the next carriage return
// (or the end of t). A semicolon inside a comment starts nothing new.
QList<TextRange> commentRanges(QStringView t);

// Caret line: one plus the carriage returns before the caret, written with a
// leading blank; "1" for an empty text.
QString rowCount(QStringView s, int caret);
// Caret column: one plus the characters since the last line feed before the
// caret, written with a leading blank; "1" for an empty text.
QString lineCount(QStringView s, int caret);

// " 12": a number as the position text writes it.
QString positionNumber(int n);
