// Blitter timings: a 400 x 400 sprite with and without its mask, and a title frame's drawing.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "game/game_record.h"
#include "gfx/canvas.h"

using namespace velkar;

namespace {

Painter& Prepare() {
    static Painter painter;
    if (painter.canvas == nullptr && CreateCanvases(painter) != 0) std::abort();
    painter.blinkPhase = 0;
    return painter;
}

void BM_DrawSprite400Masked(benchmark::State& state) {
    Painter& painter = Prepare();
    static constexpr Sprite blast = DescribeSprite(SHAPE_ELLIPSE, 400, 400, 30, 200, 80, 1, 0);
    for (auto _ : state) {
        DrawSprite(painter, 160, 280, &blast, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 400 * 400 * 3);
}
BENCHMARK(BM_DrawSprite400Masked);

// The bomb rings: glow sprites, OR-ed without a mask.
void BM_DrawSprite400Glow(benchmark::State& state) {
    Painter& painter = Prepare();
    static constexpr Sprite ring =
        DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 400, 400, 30, 200, 80, 1, 0);
    for (auto _ : state) {
        DrawSprite(painter, 160, 280, &ring, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 400 * 400 * 3);
}
BENCHMARK(BM_DrawSprite400Glow);

// A screen full of enemy bullets: 300 small sprites of five kinds in turn, as a heavy wave
// draws them; mostly the cost of finding each sprite's pictures.
void BM_DrawBullets300(benchmark::State& state) {
    Painter& painter = Prepare();
    static constexpr Sprite kinds[5] = {
        DescribeSprite(SHAPE_ELLIPSE, 8, 6, -1, 255, 127, 1, 32),
        DescribeSprite(SHAPE_ELLIPSE, 4, 4, -1, 200, 255, 1, 32),
        DescribeSprite(SHAPE_ELLIPSE, 8, 8, -1, 255, 200, 1, 32),
        DescribeSprite(SHAPE_ELLIPSE, 12, 12, -1, 255, 255, 1, 32),
        DescribeSprite(SHAPE_TRIANGLE_DOWN, 4, 8, -1, 255, 255, 255, 32),
    };
    for (auto _ : state) {
        for (int32_t i = 0; i < 300; ++i)
            DrawSpritePlain(painter, 120 + (i * 37) % 460, 320 + (i * 53) % 300, &kinds[i % 5]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawBullets300);

// The canvas work of one title frame with a ring showing: clear the playfield, one ring drawn
// 200 pixels left of the view, the title texts, and the copy to the screen buffer.
void BM_TitleFrameDrawing(benchmark::State& state) {
    Game& g = TheGame();
    Painter& painter = Prepare();
    static constexpr Sprite ring =
        DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 400, 400, 30, 200, 80, 1, 0);
    g.viewX = 240;
    for (auto _ : state) {
        FillCanvasRect(painter, 120, 320, 480, 320, 0, 0, 0);
        DrawSprite(painter, g.viewX + 120 - 200, 480 - 200, &ring, 0);
        DrawText(painter, g.viewX, 420, "            VELKAR            ");
        DrawText(painter, g.viewX, 570, "     PUSH F1 KEY TO START     ");
        DrawText(painter, g.viewX, 600, "        RANK : NORMAL         ");
        CopyViewToScreen(painter, g.viewX, 320);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TitleFrameDrawing);

} // namespace
