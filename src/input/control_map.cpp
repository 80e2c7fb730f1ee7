// The bindings of actions to keys and layout-pad buttons, their defaults and their conflicts.
#include "input/control_map.h"

#include "input/controls.h"

namespace velkar {

std::atomic<int32_t> KeyBindingsInUse{0};

namespace {

constexpr int32_t CONTROL_BITS[ACTION_COUNT] = {
    INPUT_UP,    INPUT_DOWN, INPUT_LEFT,  INPUT_RIGHT, INPUT_SHOT,
    INPUT_LASER, INPUT_BOMB, INPUT_START, INPUT_END,   INPUT_PAUSE,
};

const char* const ACTION_NAMES[ACTION_COUNT] = {
    "Move up", "Move down", "Move left", "Move right",    "Shot",
    "Laser",   "Bomb",      "Start",     "Quit to title", "Pause",
};

const char* const PAD_NAMES[PAD_BUTTON_COUNT] = {
    "A (south)",  "B (east)",   "X (west)",    "Y (north)", "Back", "Guide",
    "Start",      "Left stick", "Right stick", "LB",        "RB",   "D-pad up",
    "D-pad down", "D-pad left", "D-pad right", "Misc",
};

// The keys of the Windows program's key map, and the pad by its layout: south shoots, west is
// the laser, east the bomb, Start starts and continues, Back pauses, the d-pad moves.
constexpr int32_t DEFAULT_KEYS[ACTION_COUNT] = {
    VKEY_UP, VKEY_DOWN, VKEY_LEFT, VKEY_RIGHT, VKEY_Z, VKEY_X, VKEY_C, VKEY_F1, VKEY_F2, VKEY_P,
};
constexpr int32_t DEFAULT_PAD[ACTION_COUNT] = {
    PAD_DPAD_UP, PAD_DPAD_DOWN, PAD_DPAD_LEFT, PAD_DPAD_RIGHT, PAD_SOUTH,
    PAD_WEST,    PAD_EAST,      PAD_START,     UNBOUND,        PAD_BACK,
};

std::atomic<int32_t> keyBinding[ACTION_COUNT] = {
    VKEY_UP, VKEY_DOWN, VKEY_LEFT, VKEY_RIGHT, VKEY_Z, VKEY_X, VKEY_C, VKEY_F1, VKEY_F2, VKEY_P,
};
std::atomic<int32_t> padBinding[ACTION_COUNT] = {
    PAD_DPAD_UP, PAD_DPAD_DOWN, PAD_DPAD_LEFT, PAD_DPAD_RIGHT, PAD_SOUTH,
    PAD_WEST,    PAD_EAST,      PAD_START,     UNBOUND,        PAD_BACK,
};

bool ValidAction(int32_t action) {
    return action >= 0 && action < ACTION_COUNT;
}

// Names of the keys other than letters and digits that may be bound.
struct NamedKey {
    int32_t key;
    const char* name;
};
constexpr NamedKey NAMED_KEYS[] = {
    {0x08, "Backspace"},   {0x09, "Tab"},       {VKEY_SHIFT, "Shift"}, {VKEY_CONTROL, "Ctrl"},
    {VKEY_SPACE, "Space"}, {0x21, "Page Up"},   {0x22, "Page Down"},   {0x23, "End"},
    {0x24, "Home"},        {VKEY_LEFT, "Left"}, {VKEY_UP, "Up"},       {VKEY_RIGHT, "Right"},
    {VKEY_DOWN, "Down"},   {0x2D, "Insert"},    {0x2E, "Delete"},      {0x60, "Keypad 0"},
    {0x61, "Keypad 1"},    {0x62, "Keypad 2"},  {0x63, "Keypad 3"},    {0x64, "Keypad 4"},
    {0x65, "Keypad 5"},    {0x66, "Keypad 6"},  {0x67, "Keypad 7"},    {0x68, "Keypad 8"},
    {0x69, "Keypad 9"},    {VKEY_F1, "F1"},     {VKEY_F2, "F2"},       {0x72, "F3"},
    {0x73, "F4"},          {0x74, "F5"},        {0x75, "F6"},          {0x76, "F7"},
    {0x77, "F8"},          {0x78, "F9"},        {0x7A, "F11"},         {VKEY_F12, "F12"},
};

// The names of the letter and digit keys: "A".."Z", "0".."9".
constexpr char LETTER_NAMES[36][2] = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R",
    "S", "T", "U", "V", "W", "X", "Y", "Z", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
};

} // namespace

int32_t ActionControlBit(int32_t action) {
    return ValidAction(action) ? CONTROL_BITS[action] : 0;
}

const char* ActionName(int32_t action) {
    return ValidAction(action) ? ACTION_NAMES[action] : "";
}

const char* PadButtonName(int32_t button) {
    return button >= 0 && button < PAD_BUTTON_COUNT ? PAD_NAMES[button] : "";
}

const char* KeyName(int32_t virtualKey) {
    int32_t slot = -1;
    if (virtualKey >= 'A' && virtualKey <= 'Z') slot = virtualKey - 'A';
    if (virtualKey >= '0' && virtualKey <= '9') slot = 26 + virtualKey - '0';
    if (slot >= 0) return LETTER_NAMES[slot];
    for (const NamedKey& named : NAMED_KEYS)
        if (named.key == virtualKey) return named.name;
    return "";
}

int32_t DefaultActionKey(int32_t action) {
    return ValidAction(action) ? DEFAULT_KEYS[action] : UNBOUND;
}

int32_t DefaultActionPad(int32_t action) {
    return ValidAction(action) ? DEFAULT_PAD[action] : UNBOUND;
}

void DefaultControlBindings(ControlBindings* bindings) {
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        bindings->key[action] = DEFAULT_KEYS[action];
        bindings->pad[action] = DEFAULT_PAD[action];
    }
}

int32_t BindKey(ControlBindings* bindings, int32_t action, int32_t virtualKey) {
    if (!ValidAction(action)) return ACTION_COUNT;
    if (virtualKey != UNBOUND) {
        if (KeyName(virtualKey)[0] == '\0') return ACTION_COUNT;
        for (int32_t other = 0; other < ACTION_COUNT; ++other)
            if (other != action && bindings->key[other] == virtualKey) return other;
    }
    bindings->key[action] = virtualKey;
    return -1;
}

int32_t BindPad(ControlBindings* bindings, int32_t action, int32_t button) {
    if (!ValidAction(action)) return ACTION_COUNT;
    if (button != UNBOUND) {
        if (button < 0 || button >= PAD_BUTTON_COUNT) return ACTION_COUNT;
        for (int32_t other = 0; other < ACTION_COUNT; ++other)
            if (other != action && bindings->pad[other] == button) return other;
    }
    bindings->pad[action] = button;
    return -1;
}

int32_t ValidControlBindings(const ControlBindings& bindings) {
    // Binding each slot again into an empty set finds every unbindable or doubled one.
    ControlBindings rebuilt;
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        rebuilt.key[action] = UNBOUND;
        rebuilt.pad[action] = UNBOUND;
    }
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        if (BindKey(&rebuilt, action, bindings.key[action]) != -1) return 0;
        if (BindPad(&rebuilt, action, bindings.pad[action]) != -1) return 0;
    }
    return 1;
}

ControlBindings CurrentControlBindings() {
    ControlBindings bindings;
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        bindings.key[action] = keyBinding[action].load();
        bindings.pad[action] = padBinding[action].load();
    }
    return bindings;
}

int32_t UseControlBindings(const ControlBindings& bindings) {
    if (ValidControlBindings(bindings) == 0) return 0;
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        keyBinding[action].store(bindings.key[action]);
        padBinding[action].store(bindings.pad[action]);
    }
    // A key held now may have changed its meaning: all are let go (the next press counts).
    RawKeys.store(0);
    return 1;
}

int32_t ActionKey(int32_t action) {
    return ValidAction(action) ? keyBinding[action].load() : UNBOUND;
}

int32_t ActionPad(int32_t action) {
    return ValidAction(action) ? padBinding[action].load() : UNBOUND;
}

int32_t ActionOfKey(int32_t virtualKey) {
    if (virtualKey == UNBOUND) return -1;
    for (int32_t action = 0; action < ACTION_COUNT; ++action)
        if (keyBinding[action].load() == virtualKey) return action;
    return -1;
}

int32_t PadBindingBits(const int32_t* held) {
    int32_t bits = 0;
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        const int32_t button = padBinding[action].load();
        if (button >= 0 && button < PAD_BUTTON_COUNT && held[button] == 1)
            bits |= CONTROL_BITS[action];
    }
    return bits;
}

} // namespace velkar
