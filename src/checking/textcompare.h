#pragma once

#include "checking/checksuite.h"

#include <QString>

// Text as a teacher means it: lines without trailing blanks, CR LF and LF
// alike, no empty lines at the end.
QString plainText(const QString &text);
// Whether the program's text is what the case expects (see ExpectedText).
bool textMatches(const ExpectedText &expected, const QString &actual);
