#pragma once

#include <QString>
#include <QStringView>

// The characters of a pasted text that a reader sees, with line breaks as
// LF: non-breaking spaces become spaces, and characters that show nothing or
// stand in for something else (format and control characters, the object
// placeholder U+FFFC, the replacement character U+FFFD, non-characters such as
// the frame marks U+FDD0 and U+FDD1) are dropped, so that what is saved,
// searched and assembled is exactly what the window shows. Tabs stay.
QString shownCharacters(QStringView text);
