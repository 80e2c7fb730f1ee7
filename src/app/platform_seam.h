// What the frame clock needs from the front end: showing a frame and waking the name entry.
#pragma once

namespace velkar {

// Game thread: puts the finished ScreenBuffer on the screen (window or full screen). Called
// once per released frame before the controls are sampled, so the screen shows the frame
// composed on the previous tick. Must not wait for the UI thread.
void PresentFrame();

// Tick thread: asks the UI thread, without waiting for it, to run the Name Entry dialog (the
// private command 65000 on Windows). Called once per name-entry request.
void PostNameEntryCommand();

} // namespace velkar
