// One character of the game's serif font, measured and drawn by the platform into a sprite image.
#pragma once

#include <cstdint>

namespace velkar {

// The font is the game's serif face ("Century" where it exists) at a cell height of fontHeight
// pixels: ascent + descent = fontHeight, as a font made with a positive height reports it.
// Characters are single bytes; the game draws only 32..126.

// Measures one character: *cx = its advance width, *cy = the font's cell height (ascent +
// descent), both in pixels. Returns 0, or -1 (cx and cy untouched) when no font can be had.
int32_t MeasureGlyph(int32_t fontHeight, uint8_t character, int32_t* cx, int32_t* cy);

// Draws one character in white (255, 255, 255) on a transparent background into a picture of
// 3-byte blue-green-red pixels, width x height, rows top first, stride bytes apart. (x, y) is
// the top-left corner of the character's cell; its baseline lies the font's ascent below y.
// Pixels the character does not cover keep their bytes; nothing outside the picture is written.
// Returns 0, or -1 when no font can be had (the picture is then unchanged).
int32_t DrawGlyph(int32_t fontHeight, uint8_t character, uint8_t* bits, int32_t width,
                  int32_t height, int32_t stride, int32_t x, int32_t y);

// The family name of the face in use ("" when there is none); for diagnostics and tests.
const char* GlyphFontFamily();

} // namespace velkar
