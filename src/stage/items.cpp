// Items: the bomb, power and life pickups, placed by the script or scattered by a lost ship.
#include "stage/items.h"

#include "player/effects.h"
#include "player/player.h"
#include "record/random.h"
#include "record/record.h"
#include "stage/collisions.h"
#include "stage/enemy_helpers.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr int32_t ITEM_SIZE = 24;
constexpr uint32_t ITEM_FLAGS = SHAPE_RECT | SPRITE_TEXT;
constexpr Sprite BombItemSprite =
    DescribeSprite(ITEM_FLAGS, ITEM_SIZE, ITEM_SIZE, -1, 200, 1, 255, 'B');
constexpr Sprite PowerItemSprite =
    DescribeSprite(ITEM_FLAGS, ITEM_SIZE, ITEM_SIZE, -1, 200, 1, 255, 'P');
constexpr Sprite LifeItemSprite =
    DescribeSprite(ITEM_FLAGS, ITEM_SIZE, ITEM_SIZE, -1, 200, 1, 255, 'U');
constexpr int32_t FALL_SPEED = 128; // half a pixel per frame
constexpr int32_t MAX_BOMBS = 9;
constexpr int32_t MAX_SHOT_POWER = 6;
constexpr int32_t SURPLUS_POINTS = 5000;
constexpr int32_t PICKUP_EFFECT = 5;
constexpr int32_t PICKUP_GLOW_FRAMES = 100;
constexpr int32_t MAX_DIRECTION_DRAWS = 1000;

const Sprite* ItemPicture(int32_t kind) {
    if (kind == ITEM_BOMB) return &BombItemSprite;
    if (kind == ITEM_LIFE) return &LifeItemSprite;
    return &PowerItemSprite;
}

// Type words: word1 kind, word2 a counter, word3 vx, word4 vy.
void FillItem(EnemySlot* e, int32_t kind) {
    e->hit = 0;
    e->solid = 0;
    e->width = ITEM_SIZE;
    e->height = ITEM_SIZE;
    e->boxLeft = 0;
    e->boxTop = 0;
    e->boxRight = ITEM_SIZE * 256;
    e->boxBottom = ITEM_SIZE * 256;
    e->update = UpdateItem;
    e->drawExtra = nullptr;
    e->sprite = ItemPicture(kind);
    e->word1 = kind;
    e->word2 = 0;
}

void Collect(EnemySlot* e) {
    Game& g = TheGame();
    const int32_t kind = e->word1;
    if (kind == ITEM_BOMB) {
        if (g.bombs < MAX_BOMBS) {
            g.bombs += 1;
        } else {
            AddScore(SURPLUS_POINTS);
            SpawnScorePopup(e, SURPLUS_POINTS);
        }
    } else if (kind == ITEM_LIFE) {
        g.lives += 1;
    } else if (g.shotPower < MAX_SHOT_POWER) {
        g.shotPower += 1;
    } else {
        AddScore(SURPLUS_POINTS);
        SpawnScorePopup(e, SURPLUS_POINTS);
    }
    EnemyFree(e);
    StartSound(PICKUP_EFFECT);
    g.pickupGlow = PICKUP_GLOW_FRAMES;
}

} // namespace

void SpawnItem() {
    EnemySlot* e = TakeScriptSlot(3);
    if (e == nullptr) return;
    e->hitPoints = 0;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    FillItem(e, ScriptOperand());
    e->word3 = 0;
    e->word4 = FALL_SPEED;
    e->state = 1;
    TheGame().enemyCount += 1;
}

void SpawnDroppedItem(int32_t kind, int32_t x, int32_t y) {
    Game& g = TheGame();
    if (g.enemyCount >= ENEMY_SLOT_COUNT) return;
    EnemySlot* e = EnemyAlloc();
    if (e == nullptr) return;
    e->x = x - 3072;
    e->y = y - 3072;
    e->hitPoints = 5;
    FillItem(e, kind);
    // Redraw while both components are 0 (a chance of about 1 in 32000 per draw with the sine
    // table built); the bound only keeps a frame finite should the table be empty.
    int32_t vx = 0;
    int32_t v = 0;
    for (int32_t tries = 0; tries < MAX_DIRECTION_DRAWS && vx == 0 && v == 0; ++tries) {
        const int32_t a = NextRandom() % 360;
        const int32_t b = NextRandom() % 360;
        vx = 4 * SinCosTable[0][a] / 5;
        v = 8 * SinCosTable[1][b] / 5;
    }
    e->word3 = vx;
    e->word4 = -(v < 0 ? -v : v) - 512; // always upwards
    e->state = ((NextRandom() & 15) + 20) * 5 / 4;
    g.enemyCount += 1;
}

void UpdateItem(EnemySlot* e) {
    Game& g = TheGame();
    e->x += e->word3;
    e->y += e->word4;
    if (e->state > 1) {
        e->state -= 1;
        if (e->state == 1) {
            e->word3 = 0;
            e->word4 = FALL_SPEED;
        }
    }
    if (g.playerState == PLAYER_SPAWNED || g.playerState == PLAYER_VULNERABLE) {
        if (ItemTouchesShip(*e)) {
            Collect(e);
            return;
        }
    }
    if (e->x < 24576 || e->x > 153344 || e->y < 30720 || e->y > 163840) EnemyFree(e);
}

} // namespace velkar
