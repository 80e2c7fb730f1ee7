// Name Entry dialog: storing the typed name or an empty one into NameBuffer.
#include "ui/name_entry.h"

#include <cstring>

#include "game/game_record.h"

namespace velkar {

const MessageText NAME_ENTRY_NO_MEMORY = {"Memory Allocation Failed", "Error", MSG_ICON_STOP};

int32_t AcceptNameEntry(const char* typed) {
    int32_t n = 0;
    if (typed != nullptr) {
        while (n < NAME_ENTRY_MAX_CHARS && typed[n] != '\0') {
            NameBuffer[n] = typed[n];
            n++;
        }
    }
    NameBuffer[n] = '\0';
    NameBuffer[10] = '\0';
    return 1;
}

int32_t CancelNameEntry() {
    std::memset(NameBuffer, 0, sizeof NameBuffer);
    return 0;
}

} // namespace velkar
