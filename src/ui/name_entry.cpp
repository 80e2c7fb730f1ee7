// Name Entry dialog: storing the typed name or an empty one into NameBuffer.
#include "ui/name_entry.h"

#include <cstring>

#include "game/game_record.h"
#include "game/ranking.h"

namespace velkar {

const MessageText NAME_ENTRY_NO_MEMORY = {"Memory Allocation Failed", "Error", MSG_ICON_STOP};

int32_t AcceptNameEntry(const char* typed, CharLengthFn charLength) {
    // A character that the cut would split is left out whole, so the ranking never holds half
    // a character.
    CopyNameCut(NameBuffer, typed, NAME_ENTRY_MAX_CHARS, charLength);
    NameBuffer[10] = '\0';
    return 1;
}

int32_t CancelNameEntry() {
    std::memset(NameBuffer, 0, sizeof NameBuffer);
    return 0;
}

} // namespace velkar
