#pragma once

#include <QString>

// The text every new document starts with: 35 lines, each ending in CR LF.
QString programSkeleton();
