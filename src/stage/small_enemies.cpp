// The small enemies: the Diver, the Sprayer and the Riser, with their pictures.
#include "player/player.h"
#include "record/random.h"
#include "record/record.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_helpers.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr Sprite DiverSprite = DescribeSprite(SHAPE_TRIANGLE_DOWN, 32, 32, -1, 240, 240, 200, 0);
constexpr Sprite SprayerSprite = DescribeSprite(SHAPE_RECT, 32, 32, -1, 200, 240, 200, 0);
constexpr Sprite RiserSprite = DescribeSprite(SHAPE_TRIANGLE_UP, 32, 32, -1, 240, 200, 200, 0);
constexpr Sprite SmallDeathSprite =
    DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 32, 32, -1, 160, 0, 0, 0);
constexpr const Sprite* DiverPicture = &DiverSprite;
constexpr const Sprite* SprayerPicture = &SprayerSprite;
constexpr const Sprite* RiserPicture = &RiserSprite;
constexpr const Sprite* SmallDeathPicture = &SmallDeathSprite;

// Edges shared by the three types (1/256 canvas pixel).
constexpr int32_t LEFT_EDGE = 22528;    // 88 px
constexpr int32_t RIGHT_EDGE = 153344;  // 599 px
constexpr int32_t BOTTOM_EDGE = 163840; // 640 px

void FillSmallBody(EnemySlot* e, int32_t height) {
    e->width = 32;
    e->height = height;
    e->boxLeft = 0;
    e->boxTop = 0;
    e->boxRight = 32 * 256;
    e->boxBottom = height * 256;
    e->drawExtra = nullptr;
}

void SpawnRiser(int32_t x) {
    Game& g = TheGame();
    if (g.enemyCount >= ENEMY_SLOT_COUNT) return;
    EnemySlot* e = EnemyAlloc();
    if (e == nullptr) return;
    e->hitPoints = 1;
    e->hit = 0;
    e->solid = 1;
    e->x = x;
    e->y = BOTTOM_EDGE;
    FillSmallBody(e, 16);
    e->update = UpdateRiser;
    e->sprite = RiserPicture;
    e->word1 = 0;    // counter
    e->word2 = 0;    // vx
    e->word3 = -768; // vy: three pixels per frame upwards
    e->word4 = 0;    // deathTimer
    e->state = 1;
    g.enemyCount += 1;
}

} // namespace

// Diver: word1 counter, word2 dx, word4 deathTimer; state 1 descending, 2 swerving.
void SpawnDiver() {
    EnemySlot* e = TakeScriptSlot(2);
    if (e == nullptr) return;
    e->hitPoints = 5;
    e->hit = 0;
    e->solid = 1;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    FillSmallBody(e, 32);
    e->update = UpdateDiver;
    e->sprite = DiverPicture;
    e->word1 = 0;
    e->word2 = 0;
    e->word4 = 0;
    e->state = 1;
    TheGame().enemyCount += 1;
}

void UpdateDiver(EnemySlot* e) {
    Game& g = TheGame();
    if (EnemyUpdateStart(e, KIND_DIVER, &e->word4, DiverPicture, SmallDeathPicture) == 0) return;

    const int32_t r = NextRandom() % 40;
    if (r == 39 && e->solid == 1) FireDown(e->x + 4096, e->y + 8192);

    if (e->state == 1) {
        e->y += 512;
        e->word1 += 1;
        if (e->solid == 1) {
            const int32_t r2 = NextRandom() % 40;
            if ((r2 > 34 - 8 * g.gameRank && e->word1 > 10) || e->y > g.playerY - 2560) {
                e->word1 = 0;
                e->state = 2;
                e->word2 = e->x < (g.viewX + 120) * 256 ? -1 : 1;
                FireAimed(e->x + 4096, e->y + 8192);
                FireSpread(2, 4, 5, e->x + 4096, e->y + 4096);
            }
        }
    } else if (e->state == 2) {
        e->y += 512;
        e->x += e->word2;
        e->word1 += 1;
        if (e->word1 % 4 == 0) e->word2 *= 2;
        if (e->word2 < -768) e->word2 = -768;
        if (e->word2 > 768) e->word2 = 768;
    }

    if (e->x < LEFT_EDGE || e->x > RIGHT_EDGE || e->y > BOTTOM_EDGE) EnemyFree(e);
}

// Sprayer: word1 counter, word2 vx, word3 vy, word4 deathTimer; state from the fourth operand.
void SpawnSprayer() {
    EnemySlot* e = TakeScriptSlot(4);
    if (e == nullptr) return;
    e->hitPoints = 10;
    e->hit = 0;
    e->solid = 1;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    FillSmallBody(e, 16);
    e->update = UpdateSprayer;
    e->sprite = SprayerPicture;
    e->word1 = 0;
    e->word2 = RandomSpeed(ScriptOperand(), -1, 1);
    e->word3 = 128;
    e->word4 = 0;
    // Only a non-zero state matters; 0 would leave a counted slot looking free.
    const int32_t state = RandomInRange(ScriptOperand(), 0, 359);
    e->state = state != 0 ? state : 1;
    TheGame().enemyCount += 1;
}

void UpdateSprayer(EnemySlot* e) {
    if (EnemyUpdateStart(e, KIND_SPRAYER, &e->word4, SprayerPicture, SmallDeathPicture) == 0) {
        return;
    }
    e->word1 += 1;
    if (e->word1 % 5 == 0 && e->word1 > 2 && e->solid == 1) {
        const int32_t centre = e->word1 % 180;
        for (int32_t o = -30; o <= 30; o += 10) {
            FireAtAngle(2, 2 * (centre + o), e->x + 4096, e->y + 4096);
        }
    }
    e->x += e->word2;
    e->y += e->word3;
    if (e->x < LEFT_EDGE || e->x > RIGHT_EDGE || e->y > 163584) EnemyFree(e);
}

// Riser: word1 counter, word2 vx, word3 vy, word4 deathTimer; state 1.
void SpawnRiserPair() {
    Game& g = TheGame();
    SpawnRiser(g.playerX - 16024);
    SpawnRiser(g.playerX + 16744);
}

void UpdateRiser(EnemySlot* e) {
    Game& g = TheGame();
    if (EnemyUpdateStart(e, KIND_RISER, &e->word4, RiserPicture, SmallDeathPicture) == 0) return;
    e->word1 += 1;
    if (e->y < g.playerY - 24576 && e->word1 % (15 - 2 * g.gameRank) == 0 && e->solid == 1) {
        e->word2 = -128;
        FireSpread(3, 2, 15, e->x + 4096, e->y + 4096);
    }
    e->x += e->word2;
    e->y += e->word3;
    if (e->x < LEFT_EDGE || e->x > RIGHT_EDGE || e->y < 73728) EnemyFree(e);
}

} // namespace velkar
