// Name Entry dialog: storing the typed name or an empty one into NameBuffer.
#include "ui/name_entry.h"

#include <cstring>

#include "game/game_record.h"
#include "game/ranking.h"

namespace velkar {

const MessageText NAME_ENTRY_NO_MEMORY = {"Memory Allocation Failed", "Error", MSG_ICON_STOP};

int32_t AcceptNameEntry(const char* typed, CharLengthFn charLength) {
    // Control bytes (a pasted tab, the 0x7F some edit controls insert for Ctrl+Backspace) are
    // left out: a name is shown on screens, pages and terminals, and a replay holding one is
    // refused. Enough of the rest is kept to decide the cut: the name's bytes and one character.
    char printable[NAME_ENTRY_MAX_CHARS + 8] = {};
    size_t kept = 0;
    for (const char* c = typed; c != nullptr && *c != '\0' && kept + 1 < sizeof printable; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F) printable[kept++] = *c;
    }
    // A character that the cut would split is left out whole, so the ranking never holds half
    // a character.
    CopyNameCut(NameBuffer, printable, NAME_ENTRY_MAX_CHARS, charLength);
    NameBuffer[10] = '\0';
    return 1;
}

int32_t CancelNameEntry() {
    std::memset(NameBuffer, 0, sizeof NameBuffer);
    return 0;
}

} // namespace velkar
