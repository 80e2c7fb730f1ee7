// Glyphs from a pinned table (glyph_table_data.inc, written by velkar-glyphs on a Linux build)
// for builds without font files: the same pixels as the Linux program's FreeType glyphs.
#include <cstddef>

#include "base/trace.h"
#include "gfx/glyph_seam.h"
#include "glyph_table.h"

namespace velkar {

namespace {

#include "glyph_table_data.inc"

constexpr size_t RECORD_COUNT = sizeof GLYPH_RECORDS / sizeof GLYPH_RECORDS[0];

const GlyphRecord* Find(int32_t fontHeight, uint8_t character) {
    for (size_t i = 0; i < RECORD_COUNT; ++i) {
        const GlyphRecord& record = GLYPH_RECORDS[i];
        if (record.fontHeight == fontHeight && record.character == character) return &record;
    }
    Trace("Glyphs: the table has no character %d at height %d\n", character, fontHeight);
    return nullptr;
}

} // namespace

int32_t MeasureGlyph(int32_t fontHeight, uint8_t character, int32_t* cx, int32_t* cy) {
    const GlyphRecord* record = Find(fontHeight, character);
    if (record == nullptr) return -1;
    *cx = record->advance;
    *cy = fontHeight;
    return 0;
}

int32_t DrawGlyph(int32_t fontHeight, uint8_t character, uint8_t* bits, int32_t width,
                  int32_t height, int32_t stride, int32_t x, int32_t y) {
    const GlyphRecord* record = Find(fontHeight, character);
    if (record == nullptr) return -1;
    for (int32_t row = 0; row < record->rows; ++row) {
        const int64_t py = static_cast<int64_t>(y) + record->top + row;
        if (py < 0 || py >= height) continue;
        const uint32_t ink = GLYPH_ROWS[record->firstRow + row];
        for (int32_t col = 0; col < record->width; ++col) {
            const int64_t px = static_cast<int64_t>(x) + record->left + col;
            if (px < 0 || px >= width || ((ink >> col) & 1u) == 0) continue;
            uint8_t* pixel = bits + py * stride + px * 3;
            pixel[0] = pixel[1] = pixel[2] = 255;
        }
    }
    return 0;
}

const char* GlyphFontFamily() {
    return VELKAR_GLYPH_TABLE_FAMILY;
}

} // namespace velkar
