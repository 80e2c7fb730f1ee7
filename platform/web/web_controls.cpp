// The page's Controls dialog over the core's bindings: the dialog edits a copy, OK puts it in
// use and the page's settings keep it.
#include <emscripten/emscripten.h>

#include <string>

#include "app/commands.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "web_front.h"

using namespace velkar;

namespace {

ControlBindings editing{};
std::string text; // the last state handed to the page

void AppendName(std::string& out, const char* name) {
    out += '"';
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') out += '\\';
        out += *c;
    }
    out += '"';
}

} // namespace

namespace velkar {

std::string ControlsSnapshot() {
    const ControlBindings bindings = CurrentControlBindings();
    std::string out;
    for (int32_t action = 0; action < ACTION_COUNT; ++action)
        out +=
            std::to_string(bindings.key[action]) + ',' + std::to_string(bindings.pad[action]) + ';';
    return out;
}

} // namespace velkar

extern "C" {

// The dialog opens with the bindings in use, the game held.
EMSCRIPTEN_KEEPALIVE void web_controls_open() {
    editing = CurrentControlBindings();
    BeginModalHold();
}

// The dialog's rows: {"actions":[...],"keys":[...],"pads":[...]}, "" for an empty slot.
EMSCRIPTEN_KEEPALIVE const char* web_controls_state() {
    std::string out = "{\"actions\":[";
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        if (action > 0) out += ',';
        AppendName(out, ActionName(action));
    }
    out += "],\"keys\":[";
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        if (action > 0) out += ',';
        AppendName(out, editing.key[action] == UNBOUND ? "" : KeyName(editing.key[action]));
    }
    out += "],\"pads\":[";
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        if (action > 0) out += ',';
        AppendName(out, editing.pad[action] == UNBOUND ? "" : PadButtonName(editing.pad[action]));
    }
    out += "]}";
    text = std::move(out);
    return text.c_str();
}

// A key (its Windows key code, -1 for none) or a button of a standard-mapping gamepad (its
// index, -1 for none) for an action. -1 when set; else the action that holds it, or
// ACTION_COUNT (10) for one that cannot be used.
EMSCRIPTEN_KEEPALIVE int32_t web_controls_key(int32_t action, int32_t keyCode) {
    return BindKey(&editing, action, keyCode);
}

EMSCRIPTEN_KEEPALIVE int32_t web_controls_pad(int32_t action, int32_t standardButton) {
    const int32_t button = standardButton < 0 ? UNBOUND : PadButtonOfStandard(standardButton);
    if (standardButton >= 0 && button == UNBOUND) return ACTION_COUNT;
    return BindPad(&editing, action, button);
}

EMSCRIPTEN_KEEPALIVE void web_controls_default() {
    DefaultControlBindings(&editing);
}

// OK (1) puts the bindings in use and keeps them with the settings; Cancel (0) drops them.
EMSCRIPTEN_KEEPALIVE void web_controls_close(int32_t ok) {
    if (ok != 0) UseControlBindings(editing);
    EndModalHold();
    WriteSettingsIfChanged();
}

// The key an action is bound to now (the touch controls press it), or -1.
EMSCRIPTEN_KEEPALIVE int32_t web_action_key(int32_t action) {
    return ActionKey(action);
}

// Test aid: the controls the held keys give now (primary and alternate keys merged).
EMSCRIPTEN_KEEPALIVE int32_t web_held_controls() {
    const uint32_t keys = static_cast<uint32_t>(RawKeys.load());
    return static_cast<int32_t>((keys | (keys >> 16)) & 0xFFFFu);
}

} // extern "C"
