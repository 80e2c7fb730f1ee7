// The frame canvas, the screen buffer and the drawing operations the game uses on them.
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

// Pixel memory of the two pictures; nullptr while they do not exist.
extern uint8_t* FrameCanvasBits;
extern uint8_t* ScreenBufferBits;

extern Sprite* GlyphTable[128];
// SPRITE_BLINK sprites are drawn only while this is 0; the game sets it before drawing a frame.
extern int32_t BlinkPhase;

int32_t CreateCanvases(); // 0, or -1 with nothing left behind
void DestroyCanvases();

void DrawSprite(int32_t x, int32_t y, const Sprite* sprite, int32_t flash);
void DrawSpritePlain(int32_t x, int32_t y, const Sprite* sprite);
// One line of text from the view's left edge (viewX), at most 50 cells of 8 pixels.
void DrawText(int32_t viewX, int32_t y, const char* text);
void DrawTextAt(int32_t x, int32_t y, const char* text);
void PutGreyPixel(int32_t x, int32_t y, int32_t level);
void FillCanvasRect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t blue,
                    int32_t green, int32_t red);
void FillCanvasWhite(int32_t x, int32_t y, int32_t width, int32_t height);
int32_t MakeGlyphs();

// Copies the 240 x 320 view at (viewX, viewY) of the canvas to the screen buffer.
void CopyViewToScreen(int32_t viewX, int32_t viewY);

} // namespace velkar
