#pragma once

#include "checking/checkresult.h"
#include "checking/checksuite.h"

struct BuiltProgram;

// Runs one case of a built program on a machine of its own, in machine time,
// and says how it came out. C: is `folder` (empty, the caller's): the
// program, and whatever it writes, and nothing else of the host. Blocks
// until the run ends; any thread.
CaseResult runCase(const BuiltProgram &program, const CheckCase &test, const CheckSuite &suite,
                   const QString &folder);
