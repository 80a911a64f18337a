#pragma once

// Delivers the pending events once. When nothing is pending it sleeps until
// the next event arrives or maxSleepMs have passed, so a wait built on it
// never spins a processor core.
void pumpEvents(int maxSleepMs = 5);
