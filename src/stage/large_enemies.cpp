// The large enemies: the sweeping Guardian, the sinking Sentinel and the Battery.
#include "record/record.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_helpers.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr uint32_t GLOW = SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK;
constexpr Sprite GuardianSprite = DescribeSprite(SHAPE_RECT, 80, 64, -1, 240, 240, 200, 32);
constexpr Sprite SentinelSprite =
    DescribeSprite(SHAPE_TRIANGLE_DOWN, 32, 32, -1, 200, 240, 200, 32);
constexpr Sprite BatterySprite = DescribeSprite(SHAPE_RECT, 32, 48, -1, 240, 200, 200, 32);
constexpr Sprite GuardianDeathSprite = DescribeSprite(GLOW, 80, 64, -1, 160, 0, 0, 32);
constexpr Sprite SentinelDeathSprite = DescribeSprite(GLOW, 32, 32, -1, 160, 0, 0, 32);
constexpr Sprite BatteryDeathSprite = DescribeSprite(GLOW, 32, 48, -1, 160, 0, 0, 32);
constexpr const Sprite* GuardianPicture = &GuardianSprite;
constexpr const Sprite* SentinelPicture = &SentinelSprite;
constexpr const Sprite* BatteryPicture = &BatterySprite;
constexpr const Sprite* GuardianDeathPicture = &GuardianDeathSprite;
constexpr const Sprite* SentinelDeathPicture = &SentinelDeathSprite;
constexpr const Sprite* BatteryDeathPicture = &BatteryDeathSprite;

constexpr int32_t ENTRY_ROW = 87040;    // row 340: entering ends
constexpr int32_t BOTTOM_EDGE = 163840; // row 640
constexpr int32_t SIDE_LEFT = 120;      // 1/256 pixel, not 120 pixels
constexpr int32_t SIDE_RIGHT = 145152;  // 567 px
constexpr int32_t BATTERY_TOP = 69632;  // row 272, for a Battery climbing away

enum : int32_t { ENTERING = 1, HALTING = 2, ACTING = 3, HALTING_AFTER = 4, LEAVING = 99 };

void FillLargeBody(EnemySlot* e, int32_t width, int32_t height) {
    e->width = width;
    e->height = height;
    e->boxLeft = 0;
    e->boxTop = 0;
    e->boxRight = width * 256;
    e->boxBottom = height * 256;
    e->drawExtra = nullptr;
}

// The descent shared by the Guardian and the Battery: one pixel a frame down to the entry row,
// where the halt begins with its counter restarted. Returns the counter after this frame.
int32_t StepEntry(EnemySlot* e, int32_t& counter) {
    e->y += 256;
    if (e->y >= ENTRY_ROW) {
        e->state = HALTING;
        counter = 0;
    }
    return counter += 1;
}

// The halt between entering and acting: 20 counts (the first was the entering step's own).
// Returns true on the frame the action begins.
bool StepHalt(EnemySlot* e, int32_t& counter) {
    counter += 1;
    if (counter != 20) return false;
    e->state = ACTING;
    counter = 0;
    return true;
}

} // namespace

// Guardian: word1 counter, word2 dx, word3 deathTimer.
void SpawnGuardian() {
    Game& g = TheGame();
    EnemySlot* e = TakeScriptSlot(1);
    if (e == nullptr) return;
    e->hitPoints = 700;
    e->hit = 0;
    e->solid = 1;
    // The operand counts from the left edge of the view at the moment of the spawn.
    e->x = RandomX(ScriptOperand()) + (g.viewX - 120) * 256;
    e->y = 256 * 256;
    FillLargeBody(e, 80, 64);
    e->update = UpdateGuardian;
    e->sprite = GuardianPicture;
    e->word1 = 0;
    e->word2 = 0;
    e->word3 = 0;
    e->state = ENTERING;
    g.enemyCount += 1;
}

void UpdateGuardian(EnemySlot* e) {
    Game& g = TheGame();
    if (EnemyUpdateStart(e, KIND_GUARDIAN, &e->word3, GuardianPicture, GuardianDeathPicture) == 0) {
        return;
    }
    int32_t& counter = e->word1;
    int32_t& dx = e->word2;
    switch (e->state) {
    case ENTERING:
        if (StepEntry(e, counter) % 8 == 0) {
            FireRandom(e->x + 10240, e->y + 7680);
            FireRandom(e->x + 10240, e->y + 7680);
        }
        break;
    case HALTING:
        if (StepHalt(e, counter)) dx = e->x < (g.viewX + 80) * 256 ? -256 : 256;
        break;
    case ACTING: {
        e->x += dx;
        if ((e->x < g.viewX * 256 && dx < 0) || (e->x > (g.viewX + 160) * 256 && dx > 0)) {
            e->x -= dx;
            dx = -dx;
        }
        counter += 1;
        if (counter == 800) {
            e->state = HALTING_AFTER;
            counter = 0;
        }
        const int32_t fx = e->x + 10240;
        const int32_t fy = e->y + 7680;
        if (counter % 60 == 0) FireRing(16, fx, fy);
        if (counter % 130 == 0) FireSpread(4, 4, 20, fx, fy);
        if (counter % 40 == 0) {
            if (g.gameRank == 0) {
                FireSpread(3, 2, 30, fx, fy);
            } else {
                FireSpread(3, 4, 10, fx, fy);
            }
        }
        break;
    }
    case HALTING_AFTER:
        counter += 1;
        if (counter == 60) e->state = LEAVING;
        break;
    case LEAVING:
        e->y += 256;
        break;
    default:
        break;
    }
    if (e->y > BOTTOM_EDGE) EnemyFree(e);
}

// Sentinel: word1 counter, word2 vy, word3 deathTimer.
void SpawnSentinel() {
    EnemySlot* e = TakeScriptSlot(2);
    if (e == nullptr) return;
    e->hitPoints = 800;
    e->hit = 0;
    e->solid = 1;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    FillLargeBody(e, 32, 32);
    e->update = UpdateSentinel;
    e->sprite = SentinelPicture;
    e->word1 = 0;
    e->word2 = 32;
    e->word3 = 0;
    e->state = 1;
    TheGame().enemyCount += 1;
}

void UpdateSentinel(EnemySlot* e) {
    if (EnemyUpdateStart(e, KIND_SENTINEL, &e->word3, SentinelPicture, SentinelDeathPicture) == 0) {
        return;
    }
    int32_t& counter = e->word1;
    counter += 1;
    const int32_t fx = e->x + 4096;
    const int32_t fy = e->y + 4096;
    if (counter % 30 == 0 && counter > 2 && counter < 350) FireSpread(3, 3, 15, fx, fy);
    if (counter % 30 == 0 && counter > 2) FireSpread(2, 12, 10, fx, fy);
    e->y += e->word2;
    if (e->x < SIDE_LEFT || e->x > SIDE_RIGHT || e->y > BOTTOM_EDGE) EnemyFree(e);
}

// Battery: word1 counter, word3 deathTimer, word4 duration.
void SpawnBattery() {
    EnemySlot* e = TakeScriptSlot(3);
    if (e == nullptr) return;
    e->hit = 0;
    e->solid = 1;
    e->x = RandomX(ScriptOperand());
    e->y = RandomY(ScriptOperand());
    e->word4 = ScriptOperand();
    FillLargeBody(e, 32, 48);
    e->update = UpdateBattery;
    e->sprite = BatteryPicture;
    e->word1 = 0;
    e->word3 = 0;
    e->state = ENTERING;
    e->hitPoints = e->word4 / 2;
    TheGame().enemyCount += 1;
}

void UpdateBattery(EnemySlot* e) {
    if (EnemyUpdateStart(e, KIND_BATTERY, &e->word3, BatteryPicture, BatteryDeathPicture) == 0) {
        return;
    }
    int32_t& counter = e->word1;
    const int32_t duration = e->word4;
    switch (e->state) {
    case ENTERING:
        if (StepEntry(e, counter) % 20 == 0) FireSpread(3, 2, 15, e->x + 4096, e->y + 10240);
        break;
    case HALTING:
        StepHalt(e, counter);
        break;
    case ACTING: {
        counter += 1;
        if (counter >= duration) {
            e->state = HALTING_AFTER;
            counter = 0;
        }
        if (counter % 10 == 0 && counter % 300 < 100) {
            const int32_t fx = e->x + 4096;
            const int32_t fy = e->y + 10240;
            if (TheGame().gameRank == 0) {
                FireSpread(3, 4, 15, fx, fy);
            } else {
                FireAimedJitter(3, 40, fx, fy);
                FireAimedJitter(3, 40, fx, fy);
            }
        }
        break;
    }
    case HALTING_AFTER:
        counter += 1;
        if (counter == 60) e->state = LEAVING;
        break;
    case LEAVING:
        e->y -= 256;
        break;
    default:
        break;
    }
    if (e->x < SIDE_LEFT || e->x > SIDE_RIGHT || (e->state > ACTING && e->y < BATTERY_TOP) ||
        e->y > BOTTOM_EDGE) {
        EnemyFree(e);
    }
}

} // namespace velkar
