// Menu commands of the main window and its geometry rules, shared by both front ends.
#include "app/commands.h"

#include "app/frame_clock.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "input/controls.h"
#include "replay/replay.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "ui/dialog_texts.h"

namespace velkar {

std::atomic<int32_t> ClientWidth{CLIENT_WIDTH_X2};
std::atomic<int32_t> ClientHeight{CLIENT_HEIGHT_X2};
int32_t WindowLeft = 0;
int32_t WindowTop = 0;

const MessageText CLEAR_HISCORE_QUESTION = {"Clear Ranking, Are you sure ?", "VELKAR",
                                            MSG_OK_CANCEL | MSG_DEFAULT_SECOND | MSG_ICON_WARNING};

namespace {

const WindowFrontEnd* frontEnd = nullptr;

// The pacing sleep of every modal step and pause toggle.
constexpr int32_t HOLD_SLEEP_MS = 100;

void Sleep(int32_t milliseconds) {
    if (frontEnd != nullptr && frontEnd->sleepMs != nullptr) frontEnd->sleepMs(milliseconds);
}

// Keeps game frames out while the UI thread changes data the game thread reads; a hold that
// was already in place (an open menu) stays in place.
int32_t BeginDataChange() {
    int32_t held = GameHold.load();
    HoldGame();
    return held;
}

void EndDataChange(int32_t held) {
    if (held == 0) ReleaseGame();
}

int32_t RunDialog(int32_t kind) {
    if (frontEnd == nullptr || frontEnd->runDialog == nullptr) return 0;
    return frontEnd->runDialog(DialogTemplateId(kind));
}

void ResizeClient(int32_t width, int32_t height) {
    if (frontEnd == nullptr || frontEnd->placeWindow == nullptr) return;
    ClientWidth.store(width);
    ClientHeight.store(height);
    if (frontEnd->getWindowOrigin != nullptr) frontEnd->getWindowOrigin(&WindowLeft, &WindowTop);
    WindowMetrics metrics{};
    if (frontEnd->getMetrics != nullptr) frontEnd->getMetrics(&metrics);
    int32_t outerHeight = OuterWindowHeight(metrics, height);
    if (width == CLIENT_WIDTH_X1 && height == CLIENT_HEIGHT_X1)
        outerHeight += metrics.cySmallSizeMenuWrap;
    frontEnd->placeWindow(WindowLeft, WindowTop, OuterWindowWidth(metrics, width), outerHeight);
}

void ClearHiScore() {
    if (SetGameRank(-1) == 0) return;
    BeginModalHold();
    int32_t answer = MSG_ANSWER_CANCEL;
    if (frontEnd != nullptr && frontEnd->showMessage != nullptr)
        answer = frontEnd->showMessage(&CLEAR_HISCORE_QUESTION);
    if (answer == MSG_ANSWER_OK) {
        DefaultRanking(-1);
        NoteHiScoreCleared(TheGame().gameRank == 1 ? 1 : 0);
    }
    EndModalHold();
}

void DeviceConfiguration() {
    BeginModalHold();
    if (RunDialog(DIALOG_KIND_DEVICE_CONFIG) == 1 && frontEnd != nullptr &&
        frontEnd->restartSound != nullptr)
        frontEnd->restartSound();
    EndModalHold();
}

// The name-entry sequence: the game keeps running; the dialog fills NameBuffer before
// NameEntryDone is published.
void NameEntrySequence() {
    if (frontEnd != nullptr && frontEnd->dialogOverFullScreen != nullptr)
        frontEnd->dialogOverFullScreen(1);
    if (frontEnd != nullptr && frontEnd->showCursor != nullptr) frontEnd->showCursor(1);
    RunDialog(DIALOG_KIND_NAME_ENTRY);
    if (frontEnd != nullptr && frontEnd->dialogOverFullScreen != nullptr)
        frontEnd->dialogOverFullScreen(0);
    if (frontEnd != nullptr && frontEnd->showCursor != nullptr) frontEnd->showCursor(0);
    NameEntryDone.store(1, std::memory_order_release);
}

} // namespace

int32_t OuterWindowWidth(const WindowMetrics& m, int32_t clientWidth) {
    return clientWidth + 2 * (m.cxEdge + m.cxFrame);
}

int32_t OuterWindowHeight(const WindowMetrics& m, int32_t clientHeight) {
    return clientHeight + m.cyCaption + m.cyMenu + 2 * (m.cyEdge + m.cyFrame);
}

int32_t FullScreenStagingWidth(const WindowMetrics& m) {
    return 240 + 2 * (m.cxEdge + m.cxDlgFrame);
}

int32_t FullScreenStagingHeight(const WindowMetrics& m) {
    return 400 + m.cyDlgFrame + m.cyCaption;
}

void SetWindowFrontEnd(const WindowFrontEnd* routines) {
    frontEnd = routines;
}

void BeginModalHold() {
    HoldGame();
    Sleep(HOLD_SLEEP_MS);
}

void EndModalHold() {
    ReleaseGame();
}

int32_t SetGameRank(int32_t rank) {
    int32_t held = BeginDataChange();
    // A replay playing keeps the rank and hi-scores of its recording.
    int32_t allowed = RankingChangeable() != 0 && ReplayPlaying() == 0 ? 1 : 0;
    if (allowed && rank >= 0) TheGame().gameRank = rank;
    EndDataChange(held);
    return allowed;
}

void TogglePauseCommand() {
    TogglePaused();
    Sleep(HOLD_SLEEP_MS);
}

void ToggleFullScreenCommand() {
    int32_t now = FullScreen.load();
    FullScreen.store(now == 0 ? 1 : 0);
    if (frontEnd != nullptr && frontEnd->toggleFullScreen != nullptr) frontEnd->toggleFullScreen();
}

int32_t RunCommand(int32_t commandId) {
    switch (commandId) {
    case CMD_PAUSE:
        TogglePauseCommand();
        return COMMAND_DEFAULT;
    case CMD_RANK_NORMAL:
        SetGameRank(0);
        return COMMAND_DEFAULT;
    case CMD_RANK_HARD:
        SetGameRank(1);
        return COMMAND_DEFAULT;
    case CMD_CLEAR_HISCORE:
        ClearHiScore();
        return COMMAND_DEFAULT;
    case CMD_FULL_SCREEN:
        // Refused while the display is still settling after leaving full screen.
        if (FullScreenLock.load() <= 0) ToggleFullScreenCommand();
        return COMMAND_DEFAULT;
    case CMD_ENABLE_SOUND: {
        int32_t held = BeginDataChange();
        EnableSound = EnableSound == 0 ? 1 : 0;
        EndDataChange(held);
        return COMMAND_DEFAULT;
    }
    case CMD_SIZE_X1:
        ResizeClient(CLIENT_WIDTH_X1, CLIENT_HEIGHT_X1);
        return COMMAND_DEFAULT;
    case CMD_SIZE_X2:
        ResizeClient(CLIENT_WIDTH_X2, CLIENT_HEIGHT_X2);
        return COMMAND_DEFAULT;
    case CMD_DEVICE_CONFIG:
        DeviceConfiguration();
        return COMMAND_DEFAULT;
    case CMD_LANGUAGE_AUTO:
        Language = -1;
        return COMMAND_DEFAULT;
    case CMD_LANGUAGE_ENGLISH:
        Language = 0;
        return COMMAND_DEFAULT;
    case CMD_LANGUAGE_JAPANESE:
        Language = 1;
        return COMMAND_DEFAULT;
    case CMD_ABOUT:
        BeginModalHold();
        RunDialog(DIALOG_KIND_ABOUT);
        EndModalHold();
        return COMMAND_DONE;
    case CMD_EXIT:
        if (frontEnd != nullptr && frontEnd->postClose != nullptr) frontEnd->postClose();
        return COMMAND_DONE;
    case CMD_NAME_ENTRY:
        NameEntrySequence();
        return COMMAND_DEFAULT;
    default:
        return COMMAND_DEFAULT;
    }
}

void NoteClientSize(int32_t width, int32_t height) {
    if (FullScreen.load() != 0) return;
    ClientWidth.store(width);
    ClientHeight.store(height);
}

int32_t RepaintOnActivate(int32_t activating) {
    return activating != 0 && FullScreen.load() != 0 ? 1 : 0;
}

int32_t OpenDevices(void* instance, void* window) {
    ConnectJoystick(instance, window);
    if (SoundStart(window) < 0) return -1;
    BeginAttract();
    return 0;
}

void CloseDevices() {
    SoundStop();
    DisconnectJoystick();
}

} // namespace velkar
