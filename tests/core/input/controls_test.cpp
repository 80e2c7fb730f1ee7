// The key map and the merge of keys, joystick directions and button assignments.
#include <gtest/gtest.h>

#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "null/null_seam.h"
#include "settings/settings.h"

using namespace velkar;

namespace {

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RawKeys.store(0);
        InputBits = 0;
        ResetNullJoystick();
        DisconnectJoystick();
        for (int32_t& state : JoyButtonState)
            state = 0;
        saved[0] = JoyButton_A;
        saved[1] = JoyButton_B;
        saved[2] = JoyButton_C;
        saved[3] = JoyButton_START;
        saved[4] = JoyButton_PAUSE;
        JoyButton_A = 0;
        JoyButton_B = 1;
        JoyButton_C = 2;
        JoyButton_START = -1;
        JoyButton_PAUSE = -1;
    }
    void TearDown() override {
        DisconnectJoystick();
        ResetNullJoystick();
        RawKeys.store(0);
        InputBits = 0;
        JoyButton_A = saved[0];
        JoyButton_B = saved[1];
        JoyButton_C = saved[2];
        JoyButton_START = saved[3];
        JoyButton_PAUSE = saved[4];
    }
    void AttachJoystick() {
        SetNullJoystickAttached(1);
        ASSERT_EQ(ConnectJoystick(nullptr, nullptr), 1);
        ASSERT_EQ(JoystickPresent.load(), 1);
    }
    int32_t saved[5] = {};
};

} // namespace

TEST(KeyMap, EveryKeyHasItsOwnBit) {
    struct Row {
        int32_t key, extended, bit;
    };
    const Row rows[] = {
        {VKEY_UP, 1, 0x1},           {VKEY_DOWN, 1, 0x2},        {VKEY_LEFT, 1, 0x4},
        {VKEY_RIGHT, 1, 0x8},        {VKEY_UP, 0, 0x10000},      {VKEY_DOWN, 0, 0x20000},
        {VKEY_LEFT, 0, 0x40000},     {VKEY_RIGHT, 0, 0x80000},   {VKEY_NUMPAD8, 0, 0x10000},
        {VKEY_NUMPAD2, 0, 0x20000},  {VKEY_NUMPAD4, 0, 0x40000}, {VKEY_NUMPAD6, 0, 0x80000},
        {VKEY_Z, 0, 0x10},           {VKEY_X, 0, 0x20},          {VKEY_C, 0, 0x40},
        {VKEY_F1, 0, 0x100},         {VKEY_F2, 0, 0x200},        {VKEY_CONTROL, 0, 0x100000},
        {VKEY_CONTROL, 1, 0x100000}, {VKEY_SHIFT, 0, 0x200000},  {VKEY_SPACE, 0, 0x400000},
        {VKEY_NUMPAD8, 1, 0x10000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RawKeyBit(row.key, row.extended), row.bit) << row.key << " " << row.extended;
    }
    // The Windows numbers of the keys, which front ends translate into.
    EXPECT_EQ(VKEY_UP, 0x26);
    EXPECT_EQ(VKEY_NUMPAD8, 0x68);
    EXPECT_EQ(VKEY_Z, 'Z');
    EXPECT_EQ(VKEY_F1, 0x70);
    // Keys the game does not read, including those the window handles itself.
    const int32_t ignored[] = {VKEY_P, VKEY_ESCAPE, VKEY_F12, 'A', 0, 0x69, 0xFF};
    for (int32_t key : ignored) {
        EXPECT_EQ(RawKeyBit(key, 0), 0) << key;
        EXPECT_EQ(RawKeyBit(key, 1), 0) << key;
    }
}

TEST_F(ControlsTest, UnknownKeysAreNotTaken) {
    EXPECT_EQ(PressRawKey(VKEY_P, 0), 0);
    EXPECT_EQ(PressRawKey(VKEY_ESCAPE, 0), 0);
    EXPECT_EQ(RawKeys.load(), 0);
    EXPECT_EQ(PressRawKey(VKEY_F2, 0), 1);
    EXPECT_EQ(BuildInputBits(), INPUT_END);
}

TEST_F(ControlsTest, ReleasingOneKeyOfAPairKeepsTheControl) {
    PressRawKey(VKEY_Z, 0);
    PressRawKey(VKEY_CONTROL, 0);
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT | 0x100000);
    ReleaseRawKey(VKEY_CONTROL, 0);
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT);
    EXPECT_EQ(InputBits, INPUT_SHOT);
    PressRawKey(VKEY_CONTROL, 1); // right Ctrl
    ReleaseRawKey(VKEY_Z, 0);
    EXPECT_EQ(BuildInputBits() & INPUT_SHOT, INPUT_SHOT);
    ReleaseRawKey(VKEY_CONTROL, 1);
    EXPECT_EQ(BuildInputBits(), 0);
}

TEST_F(ControlsTest, KeypadEightIsUpWithAndWithoutNumLock) {
    PressRawKey(VKEY_NUMPAD8, 0);
    EXPECT_EQ(BuildInputBits(), INPUT_UP | 0x10000);
    ReleaseRawKey(VKEY_NUMPAD8, 0);
    PressRawKey(VKEY_UP, 0);
    EXPECT_EQ(BuildInputBits(), INPUT_UP | 0x10000);
    ReleaseRawKey(VKEY_UP, 0);
    PressRawKey(VKEY_UP, 1);
    EXPECT_EQ(BuildInputBits(), INPUT_UP);
    // Auto-repeat sets the bit again; one release still clears it.
    PressRawKey(VKEY_UP, 1);
    ReleaseRawKey(VKEY_UP, 1);
    EXPECT_EQ(BuildInputBits(), 0);
}

TEST_F(ControlsTest, OppositeDirectionsBothPass) {
    PressRawKey(VKEY_LEFT, 1);
    PressRawKey(VKEY_NUMPAD6, 0);
    PressRawKey(VKEY_SPACE, 0);
    PressRawKey(VKEY_SHIFT, 0);
    EXPECT_EQ(BuildInputBits() & 0xFFFF, INPUT_LEFT | INPUT_RIGHT | INPUT_BOMB | INPUT_LASER);
}

TEST_F(ControlsTest, AbsentJoystickIsIgnored) {
    SetNullJoystickAttached(0);
    EXPECT_EQ(ConnectJoystick(nullptr, nullptr), -1);
    EXPECT_EQ(JoystickPresent.load(), 0);
    SetNullJoystickInput(INPUT_LEFT, 0xFFFF);
    EXPECT_EQ(BuildInputBits(), 0);
}

TEST_F(ControlsTest, JoystickDirectionsAndDefaultButtons) {
    AttachJoystick();
    SetNullJoystickInput(INPUT_DOWN | INPUT_RIGHT, 0xFFFF);
    // Defaults: buttons 0, 1, 2 for shot, laser, bomb; nothing starts or pauses.
    EXPECT_EQ(BuildInputBits(), INPUT_DOWN | INPUT_RIGHT | INPUT_SHOT | INPUT_LASER | INPUT_BOMB);
    SetNullJoystickInput(0, 1u << 1);
    PressRawKey(VKEY_F1, 0);
    EXPECT_EQ(BuildInputBits(), INPUT_LASER | INPUT_START);
    DisconnectJoystick();
    EXPECT_EQ(JoystickPresent.load(), 0);
    EXPECT_EQ(BuildInputBits(), INPUT_START);
}

TEST_F(ControlsTest, AssignmentsOutsideTheButtonsCountAsNone) {
    AttachJoystick();
    JoyButton_A = 16;
    JoyButton_B = -2;
    JoyButton_C = 15;
    JoyButton_START = 100;
    JoyButton_PAUSE = -1;
    SetNullJoystickInput(0, 0xFFFFFFFFu);
    EXPECT_EQ(BuildInputBits(), INPUT_BOMB);
}

TEST_F(ControlsTest, SharedButtonSetsBothControls) {
    AttachJoystick();
    JoyButton_A = 5;
    JoyButton_START = 5;
    JoyButton_PAUSE = 6;
    SetNullJoystickInput(0, 1u << 5);
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT | INPUT_START);
    SetNullJoystickInput(0, 1u << 6);
    EXPECT_EQ(BuildInputBits(), INPUT_PAUSE);
}

TEST_F(ControlsTest, FailedPollDropsDirectionsButKeepsButtons) {
    AttachJoystick();
    SetNullJoystickInput(INPUT_LEFT, 1u << 0);
    EXPECT_EQ(BuildInputBits(), INPUT_LEFT | INPUT_SHOT);
    SetNullJoystickFailing(1);
    SetNullJoystickInput(INPUT_LEFT, 0); // released on the device, but nothing can be read
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT);
    EXPECT_EQ(JoyButtonState[0], 1);
    SetNullJoystickFailing(0);
    EXPECT_EQ(BuildInputBits(), INPUT_LEFT);
    EXPECT_EQ(JoyButtonState[0], 0);
}

// A pad of known layout goes through the pad bindings, not the numbered button settings; a
// binding another action holds is refused, an invalid set is never put in use, and the defaults
// come back whole.
TEST_F(ControlsTest, LayoutPadBindingsConflictsAndDefaults) {
    AttachJoystick();
    JoystickHasLayout = 1;
    SetNullJoystickInput(0, (1u << PAD_SOUTH) | (1u << PAD_DPAD_LEFT));
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT | INPUT_LEFT);
    SetNullJoystickInput(0, (1u << PAD_WEST) | (1u << PAD_EAST) | (1u << PAD_START));
    EXPECT_EQ(BuildInputBits(), INPUT_LASER | INPUT_BOMB | INPUT_START);
    SetNullJoystickInput(0, 1u << PAD_BACK);
    EXPECT_EQ(BuildInputBits(), INPUT_PAUSE);

    // North is free: the shot moves there, south no longer shoots. East is the bomb's.
    ControlBindings bindings = CurrentControlBindings();
    EXPECT_EQ(BindPad(&bindings, ACTION_SHOT, PAD_NORTH), -1);
    EXPECT_EQ(BindPad(&bindings, ACTION_LASER, PAD_EAST), ACTION_BOMB);
    EXPECT_EQ(bindings.pad[ACTION_LASER], PAD_WEST);
    EXPECT_EQ(BindPad(&bindings, ACTION_LASER, PAD_BUTTON_COUNT), ACTION_COUNT);
    // Keys: Z is the shot's; A is free, then Z is free again; Escape cannot be bound.
    EXPECT_EQ(BindKey(&bindings, ACTION_LASER, VKEY_Z), ACTION_SHOT);
    EXPECT_EQ(BindKey(&bindings, ACTION_SHOT, 'A'), -1);
    EXPECT_EQ(BindKey(&bindings, ACTION_LASER, VKEY_Z), -1);
    EXPECT_EQ(BindKey(&bindings, ACTION_SHOT, VKEY_ESCAPE), ACTION_COUNT);
    EXPECT_EQ(UseControlBindings(bindings), 1);
    EXPECT_EQ(ActionOfKey('A'), ACTION_SHOT);
    EXPECT_EQ(ActionOfKey(VKEY_X), -1);
    EXPECT_STREQ(KeyName('A'), "A");
    SetNullJoystickInput(0, (1u << PAD_SOUTH) | (1u << PAD_NORTH));
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT);
    SetNullJoystickInput(0, 1u << PAD_SOUTH);
    EXPECT_EQ(BuildInputBits(), 0);

    // A set with a doubled key or an unknown button is refused whole.
    ControlBindings doubled = bindings;
    doubled.key[ACTION_BOMB] = 'A';
    EXPECT_EQ(UseControlBindings(doubled), 0);
    ControlBindings unknown = bindings;
    unknown.pad[ACTION_END] = 99;
    EXPECT_EQ(UseControlBindings(unknown), 0);
    EXPECT_EQ(ActionKey(ACTION_BOMB), VKEY_C);

    ControlBindings defaults;
    DefaultControlBindings(&defaults);
    EXPECT_EQ(UseControlBindings(defaults), 1);
    EXPECT_EQ(ActionPad(ACTION_SHOT), PAD_SOUTH);
    EXPECT_EQ(ActionKey(ACTION_SHOT), VKEY_Z);
    SetNullJoystickInput(0, 1u << PAD_SOUTH);
    EXPECT_EQ(BuildInputBits(), INPUT_SHOT);
    JoystickHasLayout = 0;
}
