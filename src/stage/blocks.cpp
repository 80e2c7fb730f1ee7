// The four drifting blocks: obstacles that never fire and score with a popup.
#include "stage/enemy_helpers.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

struct BlockType {
    int32_t kind; // row of the destruction table
    int32_t width;
    int32_t height;
    int32_t hitPoints;
    int32_t rightLimit; // 1/256 pixel: the block's right edge passes 599 pixels
    int32_t colour;     // grey level
};

enum : int32_t { LARGE = 0, WIDE, SMALL, MEDIUM, BLOCK_TYPES };

constexpr BlockType BlockTypes[BLOCK_TYPES] = {
    {KIND_LARGE_BLOCK, 80, 64, 80, 132864, 200},
    {KIND_WIDE_BLOCK, 64, 32, 40, 136960, 180},
    {KIND_SMALL_BLOCK, 32, 16, 20, 145152, 160},
    {KIND_MEDIUM_BLOCK, 48, 32, 30, 141056, 140},
};

// Each block type's picture (a grey rectangle) and its death glow.
struct BlockSprites {
    Sprite alive[BLOCK_TYPES];
    Sprite dying[BLOCK_TYPES];
};
constexpr BlockSprites BLOCK_SPRITES = [] {
    BlockSprites made{};
    for (int32_t i = 0; i < BLOCK_TYPES; ++i) {
        const BlockType& t = BlockTypes[i];
        made.alive[i] =
            DescribeSprite(SHAPE_RECT, t.width, t.height, -1, t.colour, t.colour, t.colour, 32);
        made.dying[i] = DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, t.width,
                                       t.height, -1, 160, 0, 0, 0);
    }
    return made;
}();

constexpr int32_t BOTTOM_EDGE = 164608; // 643 px
constexpr int32_t LEFT_EDGE = 120;      // 1/256 pixel, not 120 pixels

// Type words: word1 vx, word2 vy, word3 deathTimer, word4 the block type.
void SpawnBlock(int32_t type) {
    EnemySlot* e = TakeScriptSlot(4);
    if (e == nullptr) return;
    const BlockType& t = BlockTypes[type];
    e->hitPoints = t.hitPoints;
    e->hit = 0;
    e->solid = 1;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    e->word1 = RandomSpeed(ScriptOperand(), -2, 2);
    e->word2 = RandomSpeed(ScriptOperand(), 1, 3);
    e->width = t.width;
    e->height = t.height;
    e->boxLeft = 0;
    e->boxTop = 0;
    e->boxRight = t.width * 256;
    e->boxBottom = t.height * 256;
    e->update = UpdateBlock;
    e->drawExtra = nullptr;
    e->sprite = &BLOCK_SPRITES.alive[type];
    e->word3 = 0;
    e->word4 = type;
    e->state = 1;
    TheGame().enemyCount += 1;
}

} // namespace

void SpawnLargeBlock() {
    SpawnBlock(LARGE);
}

void SpawnWideBlock() {
    SpawnBlock(WIDE);
}

void SpawnSmallBlock() {
    SpawnBlock(SMALL);
}

void SpawnMediumBlock() {
    SpawnBlock(MEDIUM);
}

void UpdateBlock(EnemySlot* e) {
    const int32_t type = e->word4;
    const BlockType& t = BlockTypes[type];
    if (EnemyUpdateStart(e, t.kind, &e->word3, &BLOCK_SPRITES.alive[type],
                         &BLOCK_SPRITES.dying[type]) == 0) {
        return;
    }
    e->x += e->word1;
    e->y += e->word2;
    if (e->x < LEFT_EDGE || e->x > t.rightLimit || e->y > BOTTOM_EDGE) EnemyFree(e);
}

} // namespace velkar
