// The painter (frame canvas, screen buffer, sprite pictures) and the drawing operations the
// game uses on it.
#pragma once

#include <cstdint>

#include "gfx/sprite.h"

namespace velkar {

constexpr int32_t CANVAS_WIDTH = 720;
constexpr int32_t CANVAS_HEIGHT = 960;
constexpr int32_t CANVAS_STRIDE = CANVAS_WIDTH * 3;
constexpr int32_t SCREEN_WIDTH = 240;
constexpr int32_t SCREEN_HEIGHT = 320;
constexpr int32_t SCREEN_STRIDE = SCREEN_WIDTH * 3;

// What a frame is drawn with: the frame canvas, the screen buffer, the pictures of the sprites
// drawn so far and the blink phase of the frame being drawn. Whoever draws owns one (the host
// has its own); the game's rules never see it.
struct Painter {
    Painter() = default;
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;
    ~Painter();

    // Pixel memory of the two pictures; nullptr while they do not exist.
    uint8_t* canvas = nullptr; // CANVAS_WIDTH x CANVAS_HEIGHT, CANVAS_STRIDE bytes a row
    uint8_t* screen = nullptr; // SCREEN_WIDTH x SCREEN_HEIGHT, SCREEN_STRIDE bytes a row
    // SPRITE_BLINK sprites are drawn only while this is 0; the frame's picture sets it.
    int32_t blinkPhase = 0;
    SpritePictures pictures;
    // When set, the screens' lines of text go to it instead of onto the canvas (tests read what
    // a screen says through it).
    void (*textRecorder)(int32_t y, const char* text) = nullptr;
};

// The program's own painter (defined by the host, beside the program's own game): the game
// thread draws every frame with it, the front end shows its screen buffer and replays check its
// screen. Its canvases are made at start-up.
extern Painter ProgramPainter;

int32_t CreateCanvases(Painter& painter); // 0, or -1 with nothing left behind
void DestroyCanvases(Painter& painter);

// The glyph sprite of a character code 32..127 (127 shows a '.'); nullptr for other codes. Text
// draws no glyph for a space.
const Sprite* GlyphSprite(int32_t code);

// A sprite at (x, y) of the canvas, its flash picture when flash is not 0. A sprite that cannot
// be drawn shows as a white 16 x 16 box.
void DrawSprite(Painter& painter, int32_t x, int32_t y, const Sprite* sprite, int32_t flash);
void DrawSpritePlain(Painter& painter, int32_t x, int32_t y, const Sprite* sprite);
// One line of text from the view's left edge (viewX), at most 50 cells of 8 pixels.
void DrawText(Painter& painter, int32_t viewX, int32_t y, const char* text);
// At most 10 characters from (x, y).
void DrawTextAt(Painter& painter, int32_t x, int32_t y, const char* text);
void PutGreyPixel(Painter& painter, int32_t x, int32_t y, int32_t level);
void FillCanvasRect(Painter& painter, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t blue, int32_t green, int32_t red);
void FillCanvasWhite(Painter& painter, int32_t x, int32_t y, int32_t width, int32_t height);

// Copies the 240 x 320 view at (viewX, viewY) of the canvas to the screen buffer.
void CopyViewToScreen(Painter& painter, int32_t viewX, int32_t viewY);

} // namespace velkar
