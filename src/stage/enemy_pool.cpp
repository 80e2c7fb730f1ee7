// The enemy pool: allocation, the body collision with the ship, the update and draw passes, popups.
#include "stage/enemy_pool.h"

#include <cstdio>
#include <new>

#include "base/trace.h"
#include "gfx/canvas.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/collisions.h"

namespace velkar {

namespace {

constexpr int32_t BODY_DAMAGE = 800;
constexpr int32_t POPUP_LIFE = 100;

int32_t FormatPoints(char (&text)[16], int32_t points) {
    const int32_t len = std::snprintf(text, sizeof text, "%d", points);
    return len < 0 ? 0 : len;
}

// The popup's points are held in word1; state counts its frames.
void UpdateScorePopup(EnemySlot* slot) {
    slot->state += 1;
    if (slot->state > POPUP_LIFE) EnemyFree(slot);
}

void DrawScorePopup(Painter& painter, const EnemySlot* slot) {
    char text[16];
    FormatPoints(text, slot->word1);
    DrawTextAt(painter, slot->x >> 8, slot->y >> 8, text);
}

} // namespace

int32_t InitEnemyPool() {
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i)
        TheGame().enemies[i] = EnemySlot{};
    return 0;
}

void ClearEnemyPool() {
    Game& g = TheGame();
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i)
        g.enemies[i] = EnemySlot{};
    g.enemyCount = 0;
}

EnemySlot* EnemyAlloc() {
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        if (TheGame().enemies[i].state == 0) {
            TheGame().enemies[i] = EnemySlot{};
            return &TheGame().enemies[i];
        }
    }
    return nullptr;
}

void EnemyFree(EnemySlot* slot) {
    TheGame().enemyCount -= 1;
    slot->state = 0;
}

int32_t AnyEnemyInUse() {
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        if (TheGame().enemies[i].state != 0) return 1;
    }
    return 0;
}

void UpdateEnemies() {
    Game& g = TheGame();
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = g.enemies[i];
        if (slot.state == 0) continue;
        if (slot.solid == 1 && g.bombActive == 0 && g.playerState == PLAYER_VULNERABLE &&
            EnemyTouchesShip(slot)) {
            slot.hitPoints -= BODY_DAMAGE;
            if (slot.hitPoints < 0) slot.hitPoints = 0;
            slot.hit = 1;
            g.hitFlag = 1;
        }
        if (slot.update != nullptr) slot.update(&slot);
    }
}

void DrawEnemies(Painter& painter) {
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        const EnemySlot& slot = TheGame().enemies[i];
        if (slot.state == 0 || slot.drawExtra != nullptr) continue;
        DrawSprite(painter, slot.x >> 8, slot.y >> 8, slot.sprite, slot.flags & 1);
    }
}

void DrawEnemyExtras(Painter& painter) {
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        const EnemySlot& slot = TheGame().enemies[i];
        if (slot.state != 0 && slot.drawExtra != nullptr) slot.drawExtra(painter, &slot);
    }
}

void SpawnScorePopup(const EnemySlot* enemy, int32_t points) {
    Game& g = TheGame();
    if (g.enemyCount >= ENEMY_SLOT_COUNT) return;
    EnemySlot* popup = EnemyAlloc();
    if (popup == nullptr) return;
    popup->hitPoints = 0;
    popup->hit = 0;
    popup->solid = 0;
    char text[16];
    const int32_t len = FormatPoints(text, points);
    // 8-pixel characters centred on the enemy's centre column.
    popup->x = enemy->x + enemy->width * 128 - len * 1024;
    popup->y = enemy->y + enemy->height * 128 - 4;
    popup->update = UpdateScorePopup;
    popup->drawExtra = DrawScorePopup;
    popup->sprite = nullptr;
    popup->state = 1;
    popup->word1 = points;
    g.enemyCount += 1;
}

} // namespace velkar
