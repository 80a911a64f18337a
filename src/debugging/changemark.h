#pragma once

#include <QTextCharFormat>

class QLabel;

// Marks a value the last step changed: dark text on amber, in bold, and
// "已改变" for screen readers, so it reads on light and dark themes alike
// and without telling colours apart.
void markChanged(QLabel *value, bool changed);

// The same mark for a piece of text (a byte in the memory dump): dark on
// amber, in bold.
QTextCharFormat changedFormat();
