#pragma once

#include <QString>

// The real DOS tools under their repository names (MASM.EXE ...): from
// KORVANE_DOS_TOOLS, else ../shared/dos-tools beside the source tree, else the
// user's cache, filled by the program's own pinned and verified download when
// the network allows; empty when none. A test skipped for want of them says
// so in words that CTest reads as "skipped" and `make test` counts.
QString realToolsFolder();

#define REQUIRE_REAL_TOOLS()                                                                       \
    if (realToolsFolder().isEmpty())                                                               \
    QSKIP("real DOS tools unavailable: not in KORVANE_DOS_TOOLS, ../shared/dos-tools or the "      \
          "cache, and the download failed")
