// One game frame: the GameMode machine, the play steps in their order and the draw phase.
#include "game/frame_sequence.h"

#include "game/game_record.h"
#include "game/ranking.h"
#include "game/screens.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "sound/sound.h"
#include "stage/collisions.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr int32_t EFFECT_START = 2; // "Doooon.wav"

void EnterMode(int32_t mode) {
    Game& g = TheGame();
    g.gameMode = mode;
    g.modeFrame = 0;
}

void RunPlaySteps() {
    UpdateShip();
    UpdateShots();
    UpdateBomb();
    UpdateEnemyShots();
    StageScriptStep();
    UpdateEnemies();
    UpdateParticles();
    StepStars();
}

void EnterStage() {
    Game& g = TheGame();
    if (g.gameMode == MODE_PLAY) {
        g.stageLevel += 1;
        if (g.stageLevel > 5) g.stageLevel = 2;
        g.stageNumber += 1;
        if (g.stageNumber > 99) g.stageNumber = 99;
        if (g.stageNumber > 1) {
            SeedStars();
            StageScriptReset();
            g.stageCleared = 0;
        } else {
            ResetGame();
        }
    } else {
        ResetGame();
        g.lives = 1;
        g.stageLevel = g.demoStage;
        g.stageNumber = g.demoStage;
    }
}

void ContinueGame() {
    Game& g = TheGame();
    g.playerState = PLAYER_VULNERABLE;
    g.lives = 3;
    g.endSequence = 0;
    g.endCountdown = 0;
    if (g.continueCount < 99) {
        g.continueCount += 1;
        g.score += 1;
    }
    RespawnPlayer();
    StartSound(EFFECT_START);
}

// Modes 3 and 4 after their entry: the controls, the end test and the play steps.
// Returns true when the mode changed and the dispatch must run again.
bool RunStageMode(int32_t input) {
    Game& g = TheGame();
    if (g.gameMode == MODE_PLAY) {
        if (input & INPUT_END) {
            g.endSequence = 1;
            g.endCountdown = 0;
            g.quitRequested = 1;
        }
        if ((input & INPUT_START) && g.playerState == PLAYER_OUT) ContinueGame();
    }
    for (;;) {
        bool ended = false;
        if (g.playerState == PLAYER_OUT && g.endSequence == 0) {
            g.endSequence = 1;
            g.endCountdown = 360 - 1; // this frame counts at once
            ended = g.endCountdown == 0;
        } else if (g.endSequence == 1) {
            if (g.endCountdown > 0) g.endCountdown -= 1;
            ended = g.endCountdown == 0;
        }
        if (ended) {
            if (g.gameMode == MODE_PLAY && g.quitRequested == 0) {
                EnterMode(MODE_GAME_OVER);
            } else {
                g.quitRequested = 0;
                EnterMode(MODE_TITLE);
            }
            return true;
        }
        if (g.stageCleared == 0) {
            RunPlaySteps();
            return false;
        }
        if (g.gameMode == MODE_PLAY) {
            EnterMode(MODE_PLAY); // the next stage starts in this frame
            return true;
        }
        g.endSequence = 1; // a cleared demonstration ends at once
        g.endCountdown = 0;
    }
}

void RunGameOverMode() {
    Game& g = TheGame();
    if (g.modeFrame == 0) {
        g.endSequence = 0;
        g.rankingPlace = InsertRanking();
        g.gameOverFrame = 0;
    } else if (g.gameOverFrame == 70 && g.rankingPlace >= 0) {
        NameEntryPosted = 0;
        NameEntryDone = 0;
        NameEntryRequested = 1;
        g.gameOverFrame = 71;
    }
    if (NameEntryDone.load(std::memory_order_acquire) != 0) {
        if (NameBuffer[0] != '\0') SetRankingName(g.rankingPlace, NameBuffer);
        NameEntryRequested = 0;
        NameEntryPosted = 0;
        NameEntryDone = 0;
    }
    if (NameEntryRequested == 0) g.gameOverFrame += 1;
    if (g.gameOverFrame > 360) EnterMode(MODE_TITLE);
}

// Runs the branch of the current mode; a branch that changes the mode runs the new one too.
void DispatchModes(int32_t input) {
    Game& g = TheGame();
    for (;;) {
        const int32_t mode = g.gameMode;
        switch (mode) {
        case MODE_TITLE:
            if (g.modeFrame == 0) {
                ResetGame();
                SeedStars();
                ResetPlayer();
                g.bombActive = 0;
                g.demoStage += 1;
                if (g.demoStage > 5) g.demoStage = 1;
            }
            if (g.modeFrame > 360) {
                EnterMode(MODE_KEY_ASSIGN);
                continue;
            }
            if (g.modeFrame > 80) FireBomb(g.viewX + 120, 480, 0);
            StepStars();
            UpdateBomb();
            return;
        case MODE_KEY_ASSIGN:
        case MODE_RANKING:
            if (g.modeFrame == 0) ResetPlayer();
            if (g.modeFrame > (mode == MODE_KEY_ASSIGN ? 360 : 480)) {
                EnterMode(mode + 1);
                continue;
            }
            StepStars();
            UpdateBomb();
            return;
        case MODE_DEMO:
        case MODE_PLAY:
            if (g.modeFrame == 0) EnterStage();
            if (RunStageMode(input)) continue;
            return;
        case MODE_GAME_OVER:
            RunGameOverMode();
            if (g.gameMode != MODE_GAME_OVER) continue;
            return;
        default:
            return;
        }
    }
}

void UpdatePhase(int32_t input) {
    Game& g = TheGame();
    for (;;) {
        DispatchModes(input);
        const bool startAllowed =
            g.gameMode != MODE_PLAY && !(g.gameMode == MODE_GAME_OVER && g.gameOverFrame <= 80);
        if (!startAllowed || (input & INPUT_START) == 0) return;
        EnterMode(MODE_PLAY);
        g.stageLevel = 0;
        g.stageNumber = 0;
        StartSound(EFFECT_START);
    }
}

// The attract and game-over screens step the stars a second time after the mode's work.
bool StarsStepTwice(int32_t mode) {
    return mode == MODE_TITLE || mode == MODE_KEY_ASSIGN || mode == MODE_RANKING ||
           mode == MODE_GAME_OVER;
}

// The end of every frame's step, after the mode's work: the blink phase turns, the attract and
// game-over screens step the stars again, the particles in play draw their sparkle pixels and
// the bomb its blast picture from the random sequence, and the frame is counted. The drawing
// pass did these once, in this order; they stay in it, so every random draw and every digest
// falls where it always has, and drawing only reads the game.
void FinishFrame() {
    Game& g = TheGame();
    g.blinkPhase = g.blinkPhase == 0 ? 1 : 0;
    switch (g.gameMode) {
    case MODE_TITLE:
    case MODE_KEY_ASSIGN:
    case MODE_RANKING:
    case MODE_GAME_OVER:
        StepStars();
        PickBombPicture();
        break;
    case MODE_DEMO:
    case MODE_PLAY:
        PickParticleSparkles();
        PickBombPicture();
        break;
    default:
        break;
    }
    g.modeFrame += 1;
}

} // namespace

void StepGameFrame() {
    TheGame().soundsStarted = 0;
    int32_t input = InputBits;
    // Quit wins over start when both are held. Otherwise start would enter play, play's entry
    // would quit back to the title, the title would take start again, and the frame would never
    // end; and during the end countdown a continue would keep the quit request alive, sending
    // that game to the title without its ranking entry when it really ended.
    if ((input & INPUT_END) != 0) input &= ~INPUT_START;
    UpdatePhase(input);
    FinishFrame();
}

void DrawGameFrame(Painter& painter) {
    const Game& g = TheGame();
    const int32_t shownFrame = g.modeFrame - 1; // the frame as it was before the step counted it
    painter.blinkPhase = g.blinkPhase;
    FillCanvasRect(painter, 120, 320, 480, 320, 0, 0, 0);
    HudLines hud;
    FormatHud(shownFrame, hud);
    // Where the step moved the stars a second time, they show as they were before that step.
    DrawStars(painter, StarsStepTwice(g.gameMode) ? 1 : 0);
    switch (g.gameMode) {
    case MODE_TITLE:
        DrawBomb(painter);
        if (shownFrame > 20 && shownFrame < 340) DrawTitleScreen(painter, shownFrame);
        break;
    case MODE_KEY_ASSIGN:
        DrawBomb(painter);
        if (shownFrame > 20 && shownFrame < 340) DrawKeyAssignScreen(painter, shownFrame);
        break;
    case MODE_RANKING:
        DrawBomb(painter);
        if (shownFrame > 20 && shownFrame < 460) DrawRanking(painter, shownFrame, -1, 1);
        break;
    case MODE_DEMO:
    case MODE_PLAY:
        DrawShots(painter);
        DrawParticles(painter);
        DrawEnemies(painter);
        DrawLaser(painter);
        DrawPlayer(painter);
        DrawEnemyShots(painter);
        if (g.endSequence == 0) DrawEnemyExtras(painter);
        DrawBomb(painter);
        break;
    case MODE_GAME_OVER:
        DrawBomb(painter);
        DrawRanking(painter, shownFrame, g.rankingPlace, g.gameOverFrame > 80 ? 1 : 0);
        break;
    default:
        break;
    }
    DrawHud(painter, hud);
    if (g.gameMode == MODE_DEMO) DrawDemoTexts(painter, shownFrame);
    if (g.endSequence != 0) DrawGameOver(painter);
    CopyViewToScreen(painter, g.viewX, g.viewY);
}

void PlayStartedSounds(const Game& game) {
    for (int32_t effect = 0; effect < EFFECT_COUNT; ++effect) {
        if ((game.soundsStarted >> effect & 1u) != 0) PlayEffect(effect);
    }
}

void RunGameFrame(Painter& painter) {
    StepGameFrame();
    PlayStartedSounds(TheGame());
    DrawGameFrame(painter);
}

void StepGameFrame(Game& game) {
    RunningGame running(game);
    StepGameFrame();
}

void DrawGameFrame(const Game& game, Painter& painter) {
    // Drawing reads the game and never writes it, so the rules may run on it as it is.
    RunningGame running(const_cast<Game&>(game));
    DrawGameFrame(painter);
}

int32_t BeginAttract() {
    ResetGame();
    TheGame().gameMode = MODE_TITLE;
    return 0;
}

} // namespace velkar
