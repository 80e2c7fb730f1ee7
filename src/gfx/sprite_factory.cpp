// The sprite factory: figures, a character and a marker drawn into a sprite, then mask and flash.
#include <cstdint>
#include <initializer_list>
#include <new>

#include "gfx/glyph_seam.h"
#include "gfx/sprite.h"

namespace velkar {

namespace {

// Larger pictures than this are outside the factory's limits (and keep the ellipse arithmetic
// well inside 64 bits).
constexpr int32_t MAX_SIDE = 16384;

// Bytes of MarkerRed in pixel order: blue, green, red.
constexpr uint8_t MARKER_BLUE = 1, MARKER_GREEN = 1, MARKER_RED = 255;

// The picture being drawn and the colour of its figure.
struct Canvas {
    uint8_t* bits;
    int32_t width, height;
    uint8_t blue, green, red;
};

void Plot(const Canvas& c, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return;
    uint8_t* p = c.bits + (static_cast<size_t>(y) * c.width + x) * 3;
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
}

void PlotSpan(const Canvas& c, int32_t y, int32_t x0, int32_t x1) {
    for (int32_t x = x0; x <= x1; ++x)
        Plot(c, x, y);
}

// Floor and ceiling of n / d for d > 0.
int64_t FloorDiv(int64_t n, int64_t d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}
int64_t CeilDiv(int64_t n, int64_t d) {
    return -FloorDiv(-n, d);
}

// Whether a pixel centre at doubled offsets (dx, dy) >= 0 from an ellipse's centre lies within
// half a pixel, along its row, of the ellipse's chord at that row; a and b are the doubled
// half-axes. A zero-height ellipse is a line: its one row spans the box.
bool WithinRowChord(int64_t dx, int64_t dy, int64_t a, int64_t b) {
    if (dy > b) return false;
    if (dx <= 1) return true;
    return (dx - 1) * (dx - 1) * b * b <= a * a * (b * b - dy * dy);
}

// The ellipse inscribed in the box [l, r) x [t, b), filled and outlined in one colour. A pixel
// is covered when its centre lies inside the ellipse that touches the box's outer edges, or
// when it lies on the outline: the curve through the centres of the outermost pixels, drawn
// one pixel thick along rows and along columns, so the figure reaches all four sides even when
// it is very flat. It covers at most columns l..r-1 and rows t..b-1, is mirror-symmetric in
// both axes, and an empty box draws nothing. Offsets are doubled so that they stay integers:
// the centre of column x lies 2x + 1 - l - r half-pixels from the box's centre.
void FillEllipse(const Canvas& c, int32_t l, int32_t t, int32_t r, int32_t b) {
    if (r <= l || b <= t) return;
    const int64_t w = static_cast<int64_t>(r) - l, h = static_cast<int64_t>(b) - t;
    const int64_t area = w * w * h * h;
    const int32_t rowFirst = t < 0 ? 0 : t;
    const int32_t rowEnd = b > c.height ? c.height : b;
    const int32_t colFirst = l < 0 ? 0 : l;
    const int32_t colEnd = r > c.width ? c.width : r;
    for (int32_t y = rowFirst; y < rowEnd; ++y) {
        int64_t dy = 2 * static_cast<int64_t>(y) + 1 - t - b;
        if (dy < 0) dy = -dy;
        for (int32_t x = colFirst; x < colEnd; ++x) {
            int64_t dx = 2 * static_cast<int64_t>(x) + 1 - l - r;
            if (dx < 0) dx = -dx;
            if (dx * dx * h * h + dy * dy * w * w <= area || WithinRowChord(dx, dy, w - 1, h - 1) ||
                WithinRowChord(dy, dx, h - 1, w - 1)) {
                Plot(c, x, y);
            }
        }
    }
}

struct Point {
    int32_t x, y;
};

// A 1-pixel line between two pixel centres: along its major axis one step per pixel, across it
// every pixel whose centre is within half a pixel of the exact line (both on a tie), so a line
// is drawn the same from either end and mirrors into its mirror image.
void DrawLine(const Canvas& c, Point p, Point q) {
    const int64_t dx = static_cast<int64_t>(q.x) - p.x;
    const int64_t dy = static_cast<int64_t>(q.y) - p.y;
    const bool steep = (dy < 0 ? -dy : dy) >= (dx < 0 ? -dx : dx);
    if (dx == 0 && dy == 0) {
        Plot(c, p.x, p.y);
        return;
    }
    // Walk the major axis u from p to q; the minor coordinate is v0 + dv * (u - u0) / du.
    int64_t u0 = steep ? p.y : p.x, u1 = steep ? q.y : q.x;
    int64_t v0 = steep ? p.x : p.y;
    int64_t du = steep ? dy : dx, dv = steep ? dx : dy;
    if (du < 0) {
        u0 = steep ? q.y : q.x;
        u1 = steep ? p.y : p.x;
        v0 = steep ? q.x : q.y;
        du = -du;
        dv = -dv;
    }
    for (int64_t u = u0; u <= u1; ++u) {
        // Exact minor coordinate times 2du: 2 v0 du + 2 dv (u - u0); widen by du each side.
        const int64_t twice = 2 * v0 * du + 2 * dv * (u - u0);
        const int64_t first = CeilDiv(twice - du, 2 * du);
        const int64_t last = FloorDiv(twice + du, 2 * du);
        for (int64_t v = first; v <= last; ++v) {
            if (steep) {
                Plot(c, static_cast<int32_t>(v), static_cast<int32_t>(u));
            } else {
                Plot(c, static_cast<int32_t>(u), static_cast<int32_t>(v));
            }
        }
    }
}

// A filled triangle with its outline through the vertices (pixel centres): each row takes the
// pixels whose centres lie inside or on the triangle, then the three edges are drawn over it,
// so even a triangle one pixel wide shows every row.
void FillTriangle(const Canvas& c, Point a, Point b, Point d) {
    const Point v[3] = {a, b, d};
    int32_t top = a.y, bottom = a.y;
    for (const Point& p : v) {
        if (p.y < top) top = p.y;
        if (p.y > bottom) bottom = p.y;
    }
    for (int32_t y = top; y <= bottom; ++y) {
        int64_t lo = INT64_MAX, hi = INT64_MIN;
        for (int i = 0; i < 3; ++i) {
            const Point& p = v[i];
            const Point& q = v[(i + 1) % 3];
            if (y < (p.y < q.y ? p.y : q.y) || y > (p.y > q.y ? p.y : q.y)) continue;
            int64_t xl, xr;
            if (p.y == q.y) {
                xl = p.x < q.x ? p.x : q.x;
                xr = p.x > q.x ? p.x : q.x;
            } else {
                int64_t num = static_cast<int64_t>(p.x) * (q.y - p.y) +
                              static_cast<int64_t>(q.x - p.x) * (y - p.y);
                int64_t den = static_cast<int64_t>(q.y) - p.y;
                if (den < 0) {
                    num = -num;
                    den = -den;
                }
                xl = CeilDiv(num, den);
                xr = FloorDiv(num, den);
            }
            if (xl < lo) lo = xl;
            if (xr > hi) hi = xr;
        }
        if (lo <= hi) PlotSpan(c, y, static_cast<int32_t>(lo), static_cast<int32_t>(hi));
    }
    DrawLine(c, a, b);
    DrawLine(c, b, d);
    DrawLine(c, d, a);
}

void FillRect(const Canvas& c, int32_t l, int32_t t, int32_t r, int32_t b) {
    if (l < 0) l = 0;
    if (t < 0) t = 0;
    if (r > c.width) r = c.width;
    if (b > c.height) b = c.height;
    if (l >= r || t >= b) return;
    for (int32_t y = t; y < b; ++y)
        PlotSpan(c, y, l, r - 1);
}

void DrawFigure(const Canvas& c, uint32_t shape, int32_t inset) {
    const int32_t w = c.width, h = c.height;
    switch (shape) {
    case SHAPE_ELLIPSE:
        if (inset > 0) {
            FillEllipse(c, inset, inset, w - 1 - inset, h - 1 - inset);
        } else {
            FillEllipse(c, 0, 0, w - 1, h - 1);
        }
        break;
    case SHAPE_TRIANGLE_UP:
        FillTriangle(c, {(w - 1) / 2, 0}, {0, h - 1}, {(w - 1) / 2, h - 1});
        FillTriangle(c, {w / 2, 0}, {w / 2, h - 1}, {w - 1, h - 1});
        break;
    case SHAPE_TRIANGLE_DOWN:
        FillTriangle(c, {(w - 1) / 2, h - 1}, {0, 0}, {(w - 1) / 2, 0});
        FillTriangle(c, {w / 2, h - 1}, {w / 2, 0}, {w - 1, 0});
        break;
    default:
        FillRect(c, 0, 0, w, h);
        break;
    }
}

void DrawCharacter(uint8_t* bits, int32_t w, int32_t h, uint8_t character) {
    const int32_t fontHeight = (h >= w ? h : w) + 3;
    int32_t cx = 0, cy = 0;
    if (MeasureGlyph(fontHeight, character, &cx, &cy) < 0) return;
    DrawGlyph(fontHeight, character, bits, w, h, w * 3, w / 2 - cx / 2, h / 2 - cy / 2);
}

bool NewSurface(SpriteSurface& surface, int32_t w, int32_t h) {
    surface.bits.reset(new (std::nothrow) uint8_t[static_cast<size_t>(w) * h * 3]());
    surface.width = w;
    surface.height = h;
    return surface.bits != nullptr;
}

} // namespace

std::unique_ptr<SpriteImages> DrawSpriteImages(const Sprite& sprite) {
    const int32_t width = sprite.width, height = sprite.height;
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) return nullptr;
    std::unique_ptr<SpriteImages> made(new (std::nothrow) SpriteImages());
    if (made == nullptr) return nullptr;
    // A sprite drawn without its mask is ORed onto the canvas as it is: it needs no mask and no
    // flash picture (the bomb's twenty blast frames are most of the sprites' memory).
    const bool masked = (sprite.flags & SPRITE_NOMASK) == 0;
    if (!NewSurface(made->image, width, height) ||
        (masked &&
         (!NewSurface(made->mask, width, height) || !NewSurface(made->flash, width, height)))) {
        return nullptr;
    }

    uint8_t* const image = made->image.bits.get();
    const Canvas figure = {image, width, height, sprite.blue, sprite.green, sprite.red};
    DrawFigure(figure, sprite.flags & 0xFFu, sprite.inset);
    if ((sprite.flags & SPRITE_TEXT) != 0) {
        DrawCharacter(image, width, height, static_cast<uint8_t>(sprite.character & 0xFF));
    }
    if (sprite.markLeft >= 0 || sprite.markTop >= 0) {
        const Canvas marker = {image, width, height, MARKER_BLUE, MARKER_GREEN, MARKER_RED};
        FillRect(marker, sprite.markLeft, sprite.markTop, sprite.markRight, sprite.markBottom);
    }

    if (masked) {
        const size_t bytes = static_cast<size_t>(width) * height * 3;
        uint8_t* mask = made->mask.bits.get();
        uint8_t* flash = made->flash.bits.get();
        for (size_t i = 0; i < bytes; ++i) {
            mask[i] = image[i] == 0 ? 255 : 0;
            flash[i] = image[i] != 0 ? 255 : 0;
        }
    }
    return made;
}

std::size_t SpritePictures::Hash::operator()(const Sprite& s) const {
    // FNV-1a over the description's fields.
    uint64_t h = 14695981039346656037ull;
    for (const int64_t field :
         {int64_t{s.flags}, int64_t{s.width}, int64_t{s.height}, int64_t{s.red}, int64_t{s.green},
          int64_t{s.blue}, int64_t{s.inset}, int64_t{s.character}, int64_t{s.markLeft},
          int64_t{s.markTop}, int64_t{s.markRight}, int64_t{s.markBottom}}) {
        h = (h ^ static_cast<uint64_t>(field)) * 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

const SpriteImages* SpritePictures::Get(const Sprite* sprite) {
    if (sprite == nullptr) return nullptr;
    Recent& recent = recent_[(reinterpret_cast<std::uintptr_t>(sprite) / alignof(Sprite)) % RECENT];
    if (recent.at == sprite && recent.description == *sprite) return recent.images;
    auto found = made_.find(*sprite);
    if (found == made_.end()) found = made_.emplace(*sprite, DrawSpriteImages(*sprite)).first;
    recent = {sprite, *sprite, found->second.get()};
    return recent.images;
}

} // namespace velkar
