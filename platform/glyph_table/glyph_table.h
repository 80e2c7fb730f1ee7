// The layout of a pinned glyph table: each character's advance and its ink as rows of bits.
#pragma once

#include <cstdint>

namespace velkar {

// One character at one cell height. The ink is `rows` rows of `width` pixels whose top-left
// pixel lies (left, top) from the top-left corner of the character's cell; bit c of a row is
// column c. A character without ink (the space) has width and rows 0.
struct GlyphRecord {
    int32_t fontHeight;
    int32_t character;
    int32_t advance;
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t rows;
    int32_t firstRow; // index of its first row in the row list
};

} // namespace velkar
