// Glyphs for the Linux and headless builds: fontconfig picks the serif face, FreeType draws it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "base/trace.h"
#include "gfx/glyph_seam.h"

namespace velkar {

namespace {

// Tried in order. "Century" is the face the game was drawn with; "Century Schoolbook" is the
// same design under the name that free font sets carry; "serif" is the system's serif face.
const char* const FONT_REQUESTS[] = {"Century", "Century Schoolbook", "serif"};

struct FontState {
    std::mutex lock;
    bool searched = false;
    FT_Library library = nullptr;
    std::string file;
    int index = 0;
    std::string family;
    std::map<int32_t, FT_Face> faces; // one face per cell height, kept for the whole run
};

FontState& Fonts() {
    static FontState state;
    return state;
}

// fontconfig always answers with some font, so a match counts only when its family is one the
// request asked for: the requested name itself or an alias that the configuration binds to it
// as strongly (C059 for "Century Schoolbook"). A generic name such as "serif" is replaced by its
// list of families, none bound strongly; then any family of that list counts.
bool FamilyMatches(FcPattern* request, FcPattern* match, std::string* family) {
    bool anyStrong = false;
    FcValue value;
    FcValueBinding binding;
    for (int i = 0;
         FcPatternGetWithBinding(request, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i) {
        if (binding == FcValueBindingStrong) anyStrong = true;
    }
    FcChar8* matched = nullptr;
    for (int m = 0; FcPatternGetString(match, FC_FAMILY, m, &matched) == FcResultMatch; ++m) {
        for (int i = 0;
             FcPatternGetWithBinding(request, FC_FAMILY, i, &value, &binding) == FcResultMatch;
             ++i) {
            if (value.type != FcTypeString) continue;
            if (anyStrong && binding != FcValueBindingStrong) continue;
            if (FcStrCmpIgnoreCase(value.u.s, matched) == 0) {
                *family = reinterpret_cast<const char*>(matched);
                return true;
            }
        }
    }
    return false;
}

bool FindFont(const char* name, FontState& fonts) {
    FcPattern* request = FcPatternCreate();
    if (request == nullptr) return false;
    FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    FcPatternAddInteger(request, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(request, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(request, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    bool found = false;
    std::string family;
    FcChar8* file = nullptr;
    int index = 0;
    if (match != nullptr && FamilyMatches(request, match, &family) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        fonts.file = reinterpret_cast<const char*>(file);
        fonts.index = index;
        fonts.family = family;
        found = true;
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(request);
    return found;
}

// Looks the face up once; afterwards fonts.file is empty when none was found.
void SearchFont(FontState& fonts) {
    if (fonts.searched) return;
    fonts.searched = true;
    if (FT_Init_FreeType(&fonts.library) != 0) {
        fonts.library = nullptr;
        Trace("Glyphs: FreeType could not start");
        return;
    }
    if (FcInit() == FcFalse) {
        Trace("Glyphs: fontconfig could not start");
        return;
    }
    for (const char* name : FONT_REQUESTS) {
        if (FindFont(name, fonts)) return;
    }
    Trace("Glyphs: no serif font found");
}

// The face whose cell (ascender - descender) is fontHeight pixels, or nullptr.
FT_Face FaceFor(FontState& fonts, int32_t fontHeight) {
    SearchFont(fonts);
    if (fonts.file.empty() || fontHeight <= 0) return nullptr;
    auto found = fonts.faces.find(fontHeight);
    if (found != fonts.faces.end()) return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(fonts.library, fonts.file.c_str(), fonts.index, &face) != 0) {
        Trace("Glyphs: cannot open %s", fonts.file.c_str());
        return nullptr;
    }
    // Scale the font's own line height (ascender - descender) to the cell height, as a font
    // made with a positive height is scaled.
    FT_Size_RequestRec size = {};
    size.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
    size.height = static_cast<FT_Long>(fontHeight) * 64;
    if (FT_Request_Size(face, &size) != 0 &&
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(fontHeight)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    fonts.faces[fontHeight] = face;
    return face;
}

// Pixels from the cell's top to the baseline: the scaled ascender rounded up, within the cell.
int32_t AscentOf(FT_Face face, int32_t fontHeight) {
    int32_t ascent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    if (ascent > fontHeight) ascent = fontHeight;
    if (ascent < 0) ascent = 0;
    return ascent;
}

// Loads one character hinted for monochrome rendering (crisp edges under the per-channel mask).
bool LoadCharacter(FT_Face face, uint8_t character, bool render) {
    FT_Int32 load = FT_LOAD_TARGET_MONO;
    if (render) load |= FT_LOAD_RENDER;
    return FT_Load_Char(face, character, load) == 0;
}

bool BitmapPixelSet(const FT_Bitmap& bitmap, unsigned row, unsigned col) {
    const unsigned char* line = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return ((line[col >> 3] >> (7 - (col & 7))) & 1);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) return line[col] >= 128;
    return false;
}

} // namespace

int32_t MeasureGlyph(int32_t fontHeight, uint8_t character, int32_t* cx, int32_t* cy) {
    FontState& fonts = Fonts();
    std::lock_guard<std::mutex> hold(fonts.lock);
    FT_Face face = FaceFor(fonts, fontHeight);
    if (face == nullptr || !LoadCharacter(face, character, false)) return -1;
    *cx = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
    *cy = fontHeight;
    return 0;
}

int32_t DrawGlyph(int32_t fontHeight, uint8_t character, uint8_t* bits, int32_t width,
                  int32_t height, int32_t stride, int32_t x, int32_t y) {
    FontState& fonts = Fonts();
    std::lock_guard<std::mutex> hold(fonts.lock);
    FT_Face face = FaceFor(fonts, fontHeight);
    if (face == nullptr || !LoadCharacter(face, character, true)) return -1;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int64_t left = static_cast<int64_t>(x) + slot->bitmap_left;
    const int64_t top = static_cast<int64_t>(y) + AscentOf(face, fontHeight) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int64_t py = top + row;
        if (py < 0 || py >= height) continue;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int64_t px = left + col;
            if (px < 0 || px >= width || !BitmapPixelSet(bitmap, row, col)) continue;
            uint8_t* pixel = bits + py * stride + px * 3;
            pixel[0] = pixel[1] = pixel[2] = 255;
        }
    }
    return 0;
}

const char* GlyphFontFamily() {
    FontState& fonts = Fonts();
    std::lock_guard<std::mutex> hold(fonts.lock);
    SearchFont(fonts);
    return fonts.family.c_str();
}

} // namespace velkar
