#pragma once

#include "machine/guestmemory.h"

// The BIOS keyboard buffer in the BIOS data area: sixteen words from
// 0040:001E, the head at 0040:001A and the tail at 0040:001C, one word kept
// free so that a full buffer holds fifteen keys. Each key is a scan code in
// the high byte and its character in the low. Programs read and move these
// pointers themselves, so everything here works on guest memory.
namespace KeyBuffer {

void reset(GuestMemory &memory);
bool empty(const GuestMemory &memory);
bool full(const GuestMemory &memory);
quint16 peek(const GuestMemory &memory);
quint16 take(GuestMemory &memory);
// False when the buffer is full (the BIOS beeps and drops the key).
bool put(GuestMemory &memory, quint16 key);
void clear(GuestMemory &memory);

} // namespace KeyBuffer
