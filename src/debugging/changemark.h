#pragma once

class QLabel;

// Marks a value the last step changed: dark text on amber, in bold, and
// "已改变" for screen readers, so it reads on light and dark themes alike
// and without telling colours apart.
void markChanged(QLabel *value, bool changed);
