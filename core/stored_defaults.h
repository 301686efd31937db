// The per-user store of remembered values: one 32-bit float per name under
// HKEY_CURRENT_USER\Software\Vantorel\com.vantorel.Tardimark, kept as a
// REG_DWORD holding the float's bit pattern. Nothing is kept in memory
// between calls; every call reaches the store afresh, and the last write wins
// across instances and processes.
//
// [any host thread, never the audio thread] The key is borrowed; its text is
// the value name. Failures are silent: nothing is thrown, logged or returned.
#pragma once

#include "core/cftypes.h"

// The stored value, or 0.0 when it is missing, unreadable, or its data is not
// exactly 4 bytes. Creates the first two levels when missing, never the
// application key.
float ReadDefault(const CFString* key) noexcept;

// Stores the value's bit pattern unchanged, creating any missing level.
void WriteDefault(const CFString* key, float value) noexcept;
