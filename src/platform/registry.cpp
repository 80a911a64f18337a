#include "platform/registry.h"

RegistryValue registryString(const QString &text)
{
    RegistryValue value;
    value.type = RegSz;
    value.buffer.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        value.buffer.append(char(c.unicode() & 0xff));
        value.buffer.append(char(c.unicode() >> 8));
    }
    value.buffer.append(2, '\0');
    value.length = value.buffer.size();
    return value;
}
