// Name Entry dialog rules: what OK and cancel leave in NameBuffer.
#pragma once

#include <cstdint>

#include "game/ranking.h"
#include "ui/messages.h"

namespace velkar {

constexpr int32_t NAME_ENTRY_EDIT_ID = 1010;
constexpr int32_t NAME_ENTRY_MAX_CHARS = 9;

// Shown when the edit control runs out of memory; the dialog stays open.
extern const MessageText NAME_ENTRY_NO_MEMORY;

// OK (or Enter): the typed text without its control bytes (below 0x20, and 0x7F), cut after its
// ninth byte (earlier when that
// would split a character of the text's encoding, which charLength tells: UTF-8 unless the
// dialog gives text in another encoding), goes to NameBuffer; the eleventh byte is always NUL.
// Returns the dialog result 1.
int32_t AcceptNameEntry(const char* typed, CharLengthFn charLength = Utf8CharLength);

// Escape or the close box: NameBuffer becomes empty, so the ranking keeps its default name.
// Returns the dialog result 0.
int32_t CancelNameEntry();

} // namespace velkar
