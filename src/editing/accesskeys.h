#pragma once

#include <QString>

// The menu item's caption with an access key, for the items whose design
// caption has none: the key is marked on a letter the caption already shows
// where it has one, else added as "(&K)" before any trailing "...".
QString withAccessKey(const QString &name, const QString &caption);
