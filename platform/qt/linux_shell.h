// The Linux program's own pieces around the core: settings path, display list, frame tick.
#pragma once

#include <cstdint>

class QWidget;

namespace velkar {

class MainWindow;

// Chooses the settings file: the one beside the executable (named after it, ".ini") when
// that place is writable and besideAllowed, else configDirectory/velkar/<name>.ini, creating
// the directory. An installed program (built with its data folder) never allows the place
// beside it, which belongs to the system. configDirectory is $XDG_CONFIG_HOME, or
// $HOME/.config when that is unset; null or empty keeps the file beside the executable.
// Returns 1 when the file moved to configDirectory.
int32_t ChooseSettingsPath(const char* configDirectory, bool besideAllowed = true);

// The display list: "Default" (the primary screen) and one entry per screen, each with its
// current size as its only mode. 0, or -1 after showing the failure's message box.
int32_t EnumerateScreens();

// The frame tick: a thread that calls FrameTick at absolute 16 ms deadlines (a late tick does
// not bring the next one forward). Start once; Stop waits for the thread to end.
void StartFrameTick();
void StopFrameTick();
bool FrameTickRunning();

// The game thread, running the core's GameThread; false when no thread can be made.
bool StartGameLoopThread();

// The window's teardown, on the UI thread: the game held, full screen left, the tick stopped,
// the game thread ended, the devices closed, presentation unhooked and the canvases freed,
// with the customary pauses between. window may be null (no full screen to leave).
void StopGameLoop(MainWindow* window);

// SIGTERM, SIGINT and SIGHUP close window through the event loop, as Exit does, so that the
// program ends the usual way and writes its settings. Call once, after the window exists.
void CloseOnTerminationSignals(QWidget* window);

} // namespace velkar
