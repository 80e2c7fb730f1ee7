// The window's picture: PresentToDc copies the 240 x 320 screen buffer 1:1, doubles it into 2 x 2
// blocks, or stretches it over any other client size, always filling the client area.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display.h"
#include "gfx/canvas.h"

namespace {

using velkar::SCREEN_HEIGHT;
using velkar::SCREEN_WIDTH;

// A top-down 24-bit DIB section selected into a memory DC, standing in for the window's DC.
struct Target {
    Target(int w, int h) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap != nullptr) old = SelectObject(dc, bitmap);
        stride = (w * 3 + 3) & ~3;
    }
    ~Target() {
        if (old != nullptr) SelectObject(dc, old);
        if (bitmap != nullptr) DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // The pixel as 0xRRGGBB.
    uint32_t At(int x, int y) const {
        GdiFlush();
        const uint8_t* p = static_cast<const uint8_t*>(bits) + y * stride + x * 3;
        return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
    }
    int width, height, stride;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
};

// A different colour for every source pixel: column in one channel pair, row in another.
uint32_t SourceColour(int x, int y) {
    return static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y & 0xff) << 8 |
           static_cast<uint32_t>((y >> 8) | (x & 0x0f) << 4);
}

class Present : public ::testing::Test {
  protected:
    void SetUp() override {
        if (velkar::ProgramPainter.screen == nullptr) {
            ASSERT_EQ(velkar::CreateCanvases(velkar::ProgramPainter), 0);
        }
        for (int y = 0; y < SCREEN_HEIGHT; ++y) {
            for (int x = 0; x < SCREEN_WIDTH; ++x) {
                const uint32_t c = SourceColour(x, y);
                uint8_t* p = velkar::ProgramPainter.screen + y * velkar::SCREEN_STRIDE + x * 3;
                p[0] = static_cast<uint8_t>(c);
                p[1] = static_cast<uint8_t>(c >> 8);
                p[2] = static_cast<uint8_t>(c >> 16);
            }
        }
    }
};

TEST_F(Present, OneToOneIsAnExactCopy) {
    Target t(SCREEN_WIDTH, SCREEN_HEIGHT);
    ASSERT_NE(t.bits, nullptr);
    velkar::PresentToDc(t.dc, SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            ASSERT_EQ(t.At(x, y), SourceColour(x, y)) << x << ", " << y;
    }
}

TEST_F(Present, DoubleSizeShowsEachPixelAsATwoByTwoBlock) {
    Target t(2 * SCREEN_WIDTH, 2 * SCREEN_HEIGHT);
    ASSERT_NE(t.bits, nullptr);
    velkar::PresentToDc(t.dc, t.width, t.height);
    for (int y = 0; y < t.height; ++y) {
        for (int x = 0; x < t.width; ++x)
            ASSERT_EQ(t.At(x, y), SourceColour(x / 2, y / 2)) << x << ", " << y;
    }
}

// Any other larger size: every client pixel shows a source pixel, columns and rows in order from
// the first to the last with none skipped, so the picture fills the client area exactly. (A
// smaller client ORs the rows it drops, by the stretch mode, and is not pinned here.)
TEST_F(Present, OtherSizesStretchOverTheWholeClientArea) {
    const int sizes[][2] = {{300, 500}, {241, 321}, {720, 960}, {481, 322}};
    for (const auto& size : sizes) {
        Target t(size[0], size[1]);
        ASSERT_NE(t.bits, nullptr);
        std::memset(t.bits, 0x5a, static_cast<size_t>(t.stride) * t.height);
        velkar::PresentToDc(t.dc, t.width, t.height);
        std::vector<int> column(t.width, -1), row(t.height, -1);
        for (int x = 0; x < t.width; ++x)
            column[x] = static_cast<int>(t.At(x, 0) >> 16); // the source column
        for (int y = 0; y < t.height; ++y) {
            const uint32_t c = t.At(0, y);
            row[y] = static_cast<int>((c >> 8 & 0xff) | (c & 0x0f) << 8); // the source row
        }
        SCOPED_TRACE(::testing::Message() << t.width << " x " << t.height);
        EXPECT_EQ(column.front(), 0);
        EXPECT_EQ(column.back(), SCREEN_WIDTH - 1);
        EXPECT_EQ(row.front(), 0);
        EXPECT_EQ(row.back(), SCREEN_HEIGHT - 1);
        for (int x = 1; x < t.width; ++x) {
            ASSERT_GE(column[x], column[x - 1]) << x;
            ASSERT_LE(column[x], column[x - 1] + 1) << x;
        }
        for (int y = 1; y < t.height; ++y) {
            ASSERT_GE(row[y], row[y - 1]) << y;
            ASSERT_LE(row[y], row[y - 1] + 1) << y;
        }
        // Inside, every pixel is the source pixel of its column and row.
        for (int y = 0; y < t.height; y += 7) {
            for (int x = 0; x < t.width; x += 5)
                ASSERT_EQ(t.At(x, y), SourceColour(column[x], row[y])) << x << ", " << y;
        }
    }
}

} // namespace
