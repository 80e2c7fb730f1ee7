// Main window commands and window geometry, run over a small interface each front end fills.
#pragma once

#include <atomic>
#include <cstdint>

#include "ui/messages.h"

namespace velkar {

// The client area of the main window (480 x 640 at start; WM_SIZE records what the window
// actually got) and the window's screen position, taken before a resize or full screen.
extern std::atomic<int32_t> ClientWidth;
extern std::atomic<int32_t> ClientHeight;
extern int32_t WindowLeft;
extern int32_t WindowTop;

constexpr int32_t CLIENT_WIDTH_X1 = 240;
constexpr int32_t CLIENT_HEIGHT_X1 = 320;
constexpr int32_t CLIENT_WIDTH_X2 = 480;
constexpr int32_t CLIENT_HEIGHT_X2 = 640;
// Extra height the Windows program asks for the small size, so that its menu bar, which wraps
// onto two lines in a window that narrow, still leaves room for the picture.
constexpr int32_t SMALL_SIZE_EXTRA_HEIGHT = 20;

// Command identifiers of the menu (and the private name-entry command).
enum : int32_t {
    CMD_PAUSE = 40007,
    CMD_RANK_NORMAL = 40011,
    CMD_RANK_HARD = 40012,
    CMD_CLEAR_HISCORE = 40013,
    CMD_FULL_SCREEN = 40036,
    CMD_ENABLE_SOUND = 40045,
    CMD_SIZE_X1 = 40075,
    CMD_SIZE_X2 = 40076,
    CMD_DEVICE_CONFIG = 40082,
    CMD_LANGUAGE_AUTO = 40083,
    CMD_LANGUAGE_ENGLISH = 40084,
    CMD_LANGUAGE_JAPANESE = 40085,
    CMD_ABOUT = 57664,
    CMD_EXIT = 57665,
    CMD_NAME_ENTRY = 65000,
};

// Frame widths and bar heights of the platform's windows, in pixels.
struct WindowMetrics {
    int32_t cxEdge;
    int32_t cxFrame;
    int32_t cyEdge;
    int32_t cyFrame;
    int32_t cyCaption;
    int32_t cyMenu;
    int32_t cxDlgFrame;
    int32_t cyDlgFrame;
    // Added to the outer height of the small size for a menu bar that wraps onto a second line
    // there (SMALL_SIZE_EXTRA_HEIGHT on Windows); 0 where the menu bar never wraps.
    int32_t cySmallSizeMenuWrap;
};

// Outer size of the main window (caption, one-line menu bar, sizing frame, edges) for a
// client size.
int32_t OuterWindowWidth(const WindowMetrics& metrics, int32_t clientWidth);
int32_t OuterWindowHeight(const WindowMetrics& metrics, int32_t clientHeight);
// The size the window takes in place while full screen is being set up.
int32_t FullScreenStagingWidth(const WindowMetrics& metrics);
int32_t FullScreenStagingHeight(const WindowMetrics& metrics);

// What the commands need from the program around them. Every routine runs on the UI thread.
struct WindowFrontEnd {
    // A task-modal message box owned by the main window; returns MSG_ANSWER_OK or
    // MSG_ANSWER_CANCEL (also for Escape).
    int32_t (*showMessage)(const MessageText* message);
    // Runs the modal dialog of a template identifier (DIALOG_*_EN / _JA) over the main
    // window and returns its result (1 OK, 0 cancel). The dialogs use the models of ui/.
    int32_t (*runDialog)(int32_t templateId);
    // Enters full screen when FullScreen is now 1, leaves it when 0; on a failed entry it
    // stays in the window and sets FullScreen back to 0.
    void (*toggleFullScreen)();
    // The top-left corner of the main window's frame on the screen.
    void (*getWindowOrigin)(int32_t* left, int32_t* top);
    // Places the main window (not topmost, shown) at left, top with this outer size.
    void (*placeWindow)(int32_t left, int32_t top, int32_t outerWidth, int32_t outerHeight);
    void (*getMetrics)(WindowMetrics* metrics);
    // Asks the main window to close (WM_CLOSE), without waiting.
    void (*postClose)();
    // Re-initialises the sound engine so that new settings apply (SoundRestart).
    void (*restartSound)();
    void (*sleepMs)(int32_t milliseconds);
    // Around the Name Entry dialog: begin 1 gives the display back from full screen so that a
    // dialog can show, begin 0 takes it again with the full-screen mode. Nothing outside
    // full screen.
    void (*dialogOverFullScreen)(int32_t begin);
    void (*showCursor)(int32_t show);
};

// Installs the front end's routines; they must stay valid while commands can run.
void SetWindowFrontEnd(const WindowFrontEnd* frontEnd);

// Whether a window message ends in the platform's default handling.
enum : int32_t {
    COMMAND_DEFAULT = 0, // go on to the default handling
    COMMAND_DONE = 1,    // handled; the message returns 0
};

// With rank >= 0: stores it in GameRank and returns 1 on the title or key-assign screen; any
// other mode changes nothing and returns 0. SetGameRank(-1) only asks whether the rank and the
// hi-scores may be changed now.
int32_t SetGameRank(int32_t rank);

// Carries out a menu command (or the name-entry command 65000).
int32_t RunCommand(int32_t commandId);

// A modal step of the UI thread (menu, dialog, question): holds the game, then waits the
// pacing pause; EndModalHold lets frames run again.
void BeginModalHold();
void EndModalHold();

// The pieces of commands that keys share.
void TogglePauseCommand();      // toggle Paused, then the pause's pacing sleep
void ToggleFullScreenCommand(); // flip FullScreen and switch; no FullScreenLock check

// WM_SIZE: records the client size unless in full screen (a minimised window records 0 x 0).
void NoteClientSize(int32_t width, int32_t height);
// WM_ACTIVATEAPP: 1 when the front end must repaint (activated while in full screen).
int32_t RepaintOnActivate(int32_t activating);

// Window creation: the joystick (a failure is no error), the sound engine (-1 when it cannot
// start), then the title. instance and window are the front end's own handles.
int32_t OpenDevices(void* instance, void* window);
// Window destruction: the sound engine, then the joystick if present.
void CloseDevices();

// The Clear Hi-Score question.
extern const MessageText CLEAR_HISCORE_QUESTION;

} // namespace velkar
