#pragma once

#include <QString>
#include <QStringList>

// The usage instructions, line by line, without line breaks; the free lines
// name the tool folder the program actually uses.
QStringList usageLines(const QString &toolFolder);

// The usage instructions as the report window shows them: the lines joined by
// CR LF, with no break after the last.
QString usageText(const QString &toolFolder);
