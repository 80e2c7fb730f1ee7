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
    TheGame().gameMode = mode;
    TheGame().modeFrame = 0;
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
    if (TheGame().gameMode == MODE_PLAY) {
        TheGame().stageLevel += 1;
        if (TheGame().stageLevel > 5) TheGame().stageLevel = 2;
        TheGame().stageNumber += 1;
        if (TheGame().stageNumber > 99) TheGame().stageNumber = 99;
        if (TheGame().stageNumber > 1) {
            SeedStars();
            StageScriptReset();
            TheGame().stageCleared = 0;
        } else {
            ResetGame();
        }
    } else {
        ResetGame();
        TheGame().lives = 1;
        TheGame().stageLevel = TheGame().demoStage;
        TheGame().stageNumber = TheGame().demoStage;
    }
}

void ContinueGame() {
    TheGame().playerState = PLAYER_VULNERABLE;
    TheGame().lives = 3;
    TheGame().endSequence = 0;
    TheGame().endCountdown = 0;
    if (TheGame().continueCount < 99) {
        TheGame().continueCount += 1;
        TheGame().score += 1;
    }
    RespawnPlayer();
    PlayEffect(EFFECT_START);
}

// Modes 3 and 4 after their entry: the controls, the end test and the play steps.
// Returns true when the mode changed and the dispatch must run again.
bool RunStageMode(int32_t input) {
    if (TheGame().gameMode == MODE_PLAY) {
        if (input & INPUT_END) {
            TheGame().endSequence = 1;
            TheGame().endCountdown = 0;
            TheGame().quitRequested = 1;
        }
        if ((input & INPUT_START) && TheGame().playerState == PLAYER_OUT) ContinueGame();
    }
    for (;;) {
        bool ended = false;
        if (TheGame().playerState == PLAYER_OUT && TheGame().endSequence == 0) {
            TheGame().endSequence = 1;
            TheGame().endCountdown = 360 - 1; // this frame counts at once
            ended = TheGame().endCountdown == 0;
        } else if (TheGame().endSequence == 1) {
            if (TheGame().endCountdown > 0) TheGame().endCountdown -= 1;
            ended = TheGame().endCountdown == 0;
        }
        if (ended) {
            if (TheGame().gameMode == MODE_PLAY && TheGame().quitRequested == 0) {
                EnterMode(MODE_GAME_OVER);
            } else {
                TheGame().quitRequested = 0;
                EnterMode(MODE_TITLE);
            }
            return true;
        }
        if (TheGame().stageCleared == 0) {
            RunPlaySteps();
            return false;
        }
        if (TheGame().gameMode == MODE_PLAY) {
            EnterMode(MODE_PLAY); // the next stage starts in this frame
            return true;
        }
        TheGame().endSequence = 1; // a cleared demonstration ends at once
        TheGame().endCountdown = 0;
    }
}

void RunGameOverMode() {
    if (TheGame().modeFrame == 0) {
        TheGame().endSequence = 0;
        TheGame().rankingPlace = InsertRanking();
        TheGame().gameOverFrame = 0;
    } else if (TheGame().gameOverFrame == 70 && TheGame().rankingPlace >= 0) {
        NameEntryPosted = 0;
        NameEntryDone = 0;
        NameEntryRequested = 1;
        TheGame().gameOverFrame = 71;
    }
    if (NameEntryDone.load(std::memory_order_acquire) != 0) {
        if (NameBuffer[0] != '\0') SetRankingName(TheGame().rankingPlace, NameBuffer);
        NameEntryRequested = 0;
        NameEntryPosted = 0;
        NameEntryDone = 0;
    }
    if (NameEntryRequested == 0) TheGame().gameOverFrame += 1;
    if (TheGame().gameOverFrame > 360) EnterMode(MODE_TITLE);
}

// Runs the branch of the current mode; a branch that changes the mode runs the new one too.
void DispatchModes(int32_t input) {
    for (;;) {
        const int32_t mode = TheGame().gameMode;
        switch (mode) {
        case MODE_TITLE:
            if (TheGame().modeFrame == 0) {
                ResetGame();
                SeedStars();
                ResetPlayer();
                TheGame().bombActive = 0;
                TheGame().demoStage += 1;
                if (TheGame().demoStage > 5) TheGame().demoStage = 1;
            }
            if (TheGame().modeFrame > 360) {
                EnterMode(MODE_KEY_ASSIGN);
                continue;
            }
            if (TheGame().modeFrame > 80) FireBomb(TheGame().viewX + 120, 480, 0);
            StepStars();
            UpdateBomb();
            return;
        case MODE_KEY_ASSIGN:
        case MODE_RANKING:
            if (TheGame().modeFrame == 0) ResetPlayer();
            if (TheGame().modeFrame > (mode == MODE_KEY_ASSIGN ? 360 : 480)) {
                EnterMode(mode + 1);
                continue;
            }
            StepStars();
            UpdateBomb();
            return;
        case MODE_DEMO:
        case MODE_PLAY:
            if (TheGame().modeFrame == 0) EnterStage();
            if (RunStageMode(input)) continue;
            return;
        case MODE_GAME_OVER:
            RunGameOverMode();
            if (TheGame().gameMode != MODE_GAME_OVER) continue;
            return;
        default:
            return;
        }
    }
}

void UpdatePhase(int32_t input) {
    for (;;) {
        DispatchModes(input);
        const bool startAllowed =
            TheGame().gameMode != MODE_PLAY && !(TheGame().gameMode == MODE_GAME_OVER && TheGame().gameOverFrame <= 80);
        if (!startAllowed || (input & INPUT_START) == 0) return;
        EnterMode(MODE_PLAY);
        TheGame().stageLevel = 0;
        TheGame().stageNumber = 0;
        PlayEffect(EFFECT_START);
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
    TheGame().blinkPhase = TheGame().blinkPhase == 0 ? 1 : 0;
    switch (TheGame().gameMode) {
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
    TheGame().modeFrame += 1;
}

} // namespace

void StepGameFrame() {
    int32_t input = InputBits;
    // Quit wins over start when both are held. Otherwise start would enter play, play's entry
    // would quit back to the title, the title would take start again, and the frame would never
    // end; and during the end countdown a continue would keep the quit request alive, sending
    // that game to the title without its ranking entry when it really ended.
    if ((input & INPUT_END) != 0) input &= ~INPUT_START;
    UpdatePhase(input);
    FinishFrame();
}

void DrawGameFrame(uint8_t* canvasBits) {
    const int32_t shownFrame = TheGame().modeFrame - 1; // the frame as it was before the step counted it
    BlinkPhase = TheGame().blinkPhase;
    FillCanvasRect(120, 320, 480, 320, 0, 0, 0);
    HudLines hud;
    FormatHud(shownFrame, hud);
    // Where the step moved the stars a second time, they show as they were before that step.
    DrawStars(canvasBits, StarsStepTwice(TheGame().gameMode) ? 1 : 0);
    switch (TheGame().gameMode) {
    case MODE_TITLE:
        DrawBomb();
        if (shownFrame > 20 && shownFrame < 340) DrawTitleScreen(shownFrame);
        break;
    case MODE_KEY_ASSIGN:
        DrawBomb();
        if (shownFrame > 20 && shownFrame < 340) DrawKeyAssignScreen(shownFrame);
        break;
    case MODE_RANKING:
        DrawBomb();
        if (shownFrame > 20 && shownFrame < 460) DrawRanking(shownFrame, -1, 1);
        break;
    case MODE_DEMO:
    case MODE_PLAY:
        DrawShots();
        DrawParticles();
        DrawEnemies();
        DrawLaser();
        DrawPlayer();
        DrawEnemyShots();
        if (TheGame().endSequence == 0) DrawEnemyExtras();
        DrawBomb();
        break;
    case MODE_GAME_OVER:
        DrawBomb();
        DrawRanking(shownFrame, TheGame().rankingPlace, TheGame().gameOverFrame > 80 ? 1 : 0);
        break;
    default:
        break;
    }
    DrawHud(hud);
    if (TheGame().gameMode == MODE_DEMO) DrawDemoTexts(shownFrame);
    if (TheGame().endSequence != 0) DrawGameOver();
    CopyViewToScreen(TheGame().viewX, TheGame().viewY);
}

void RunGameFrame(uint8_t* canvasBits) {
    StepGameFrame();
    DrawGameFrame(canvasBits);
}

int32_t BeginAttract() {
    ResetGame();
    TheGame().gameMode = MODE_TITLE;
    return 0;
}

} // namespace velkar
