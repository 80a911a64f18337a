#pragma once

#include "platform/registry.h"

#include <QString>
#include <optional>

// How GetKeyValue turns what a registry query gave into its text. A value that
// could not be read: KeyVal empty, false. Otherwise the buffer is cut to the
// reported length and the result is true; a string (type 1) loses one
// terminating NUL and becomes KeyVal; a 32-bit number (type 4) becomes KeyVal
// as the decimal text of the little-endian number it holds; any other type
// leaves KeyVal as it was.
bool decodeKeyValue(const std::optional<RegistryValue> &value, QString &KeyVal);
