#pragma once

#include <QString>

// Small file systems make a write fail for real as root, where permission
// bits stop nothing. Empty when this process may mount them, in a mount
// namespace of its own that no mount outlives; else why it may not.
QString cannotMount();
