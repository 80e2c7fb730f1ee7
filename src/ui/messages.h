// Message boxes as data: text, caption and style, shown alike by both front ends.
#pragma once

#include <cstdint>

namespace velkar {

// Style bits of a message box. Every box of the program is task-modal.
enum : int32_t {
    MSG_ICON_STOP = 0x1,
    MSG_ICON_WARNING = 0x2,
    MSG_ICON_INFORMATION = 0x4,
    MSG_OK_CANCEL = 0x10,      // OK and Cancel buttons (else OK only)
    MSG_DEFAULT_SECOND = 0x20, // the second button is the default one
};

// The answers a message box gives back.
enum : int32_t {
    MSG_ANSWER_OK = 1,
    MSG_ANSWER_CANCEL = 2,
};

struct MessageText {
    const char* text;
    const char* caption;
    int32_t style;
};

} // namespace velkar
