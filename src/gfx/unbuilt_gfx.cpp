// Placeholder definitions until the canvas and sprite factory land; delete when they do.
#include "gfx/canvas.h"

namespace velkar {
uint8_t* FrameCanvasBits = nullptr;
uint8_t* ScreenBufferBits = nullptr;
Sprite* GlyphTable[128] = {};
int32_t BlinkPhase = 0;
int32_t CreateCanvases() { return -1; }
void DestroyCanvases() {}
void DrawSprite(int32_t, int32_t, const Sprite*, int32_t) {}
void DrawSpritePlain(int32_t, int32_t, const Sprite*) {}
void DrawText(int32_t, const char*) {}
void DrawTextAt(int32_t, int32_t, const char*) {}
void PutGreyPixel(int32_t, int32_t, int32_t) {}
void FillCanvasRect(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
void FillCanvasWhite(int32_t, int32_t, int32_t, int32_t) {}
int32_t MakeGlyphs() { return 0; }
void CopyViewToScreen(int32_t, int32_t) {}
Sprite* MakeSprite(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return nullptr;
}
Sprite* MakeSpriteEx(uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t, int32_t, int32_t, int32_t) {
    return nullptr;
}
} // namespace velkar
