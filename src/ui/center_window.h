// Placement of a dialog centred over its owner and kept on the primary screen.
#pragma once

#include <cstdint>

namespace velkar {

// A screen rectangle; right and bottom are one past the last pixel.
struct WindowRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Moves *window, keeping its size, so that its centre lies on the centre of *reference
// (halves rounded toward zero), then back within a primary screen of screenWidth x
// screenHeight: the right and bottom edges are pulled to the screen's edges, then the left
// and top edges pushed to 0. Returns 1 when moved, 0 without a reference (no owner).
int32_t CenterWindowRect(WindowRect* window, const WindowRect* reference, int32_t screenWidth,
                         int32_t screenHeight);

} // namespace velkar
