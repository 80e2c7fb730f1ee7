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
    GameMode = mode;
    ModeFrame = 0;
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
    if (GameMode == MODE_PLAY) {
        StageLevel += 1;
        if (StageLevel > 5) StageLevel = 2;
        StageNumber += 1;
        if (StageNumber > 99) StageNumber = 99;
        if (StageNumber > 1) {
            SeedStars();
            StageScriptReset();
            StageCleared = 0;
        } else {
            ResetGame();
        }
    } else {
        ResetGame();
        Lives = 1;
        StageLevel = DemoStage;
        StageNumber = DemoStage;
    }
}

void ContinueGame() {
    PlayerState = PLAYER_VULNERABLE;
    Lives = 3;
    EndSequence = 0;
    EndCountdown = 0;
    if (ContinueCount < 99) {
        ContinueCount += 1;
        Score += 1;
    }
    RespawnPlayer();
    PlayEffect(EFFECT_START);
}

// Modes 3 and 4 after their entry: the controls, the end test and the play steps.
// Returns true when the mode changed and the dispatch must run again.
bool RunStageMode(int32_t input) {
    if (GameMode == MODE_PLAY) {
        if (input & INPUT_END) {
            EndSequence = 1;
            EndCountdown = 0;
            QuitRequested = 1;
        }
        if ((input & INPUT_START) && PlayerState == PLAYER_OUT) ContinueGame();
    }
    for (;;) {
        bool ended = false;
        if (PlayerState == PLAYER_OUT && EndSequence == 0) {
            EndSequence = 1;
            EndCountdown = 360 - 1; // this frame counts at once
            ended = EndCountdown == 0;
        } else if (EndSequence == 1) {
            if (EndCountdown > 0) EndCountdown -= 1;
            ended = EndCountdown == 0;
        }
        if (ended) {
            if (GameMode == MODE_PLAY && QuitRequested == 0) {
                EnterMode(MODE_GAME_OVER);
            } else {
                QuitRequested = 0;
                EnterMode(MODE_TITLE);
            }
            return true;
        }
        if (StageCleared == 0) {
            RunPlaySteps();
            return false;
        }
        if (GameMode == MODE_PLAY) {
            EnterMode(MODE_PLAY); // the next stage starts in this frame
            return true;
        }
        EndSequence = 1; // a cleared demonstration ends at once
        EndCountdown = 0;
    }
}

void RunGameOverMode() {
    if (ModeFrame == 0) {
        EndSequence = 0;
        RankingPlace = InsertRanking();
        GameOverFrame = 0;
    } else if (GameOverFrame == 70 && RankingPlace >= 0) {
        NameEntryPosted = 0;
        NameEntryDone = 0;
        NameEntryRequested = 1;
        GameOverFrame = 71;
    }
    if (NameEntryDone.load(std::memory_order_acquire) != 0) {
        if (NameBuffer[0] != '\0') SetRankingName(RankingPlace, NameBuffer);
        NameEntryRequested = 0;
        NameEntryPosted = 0;
        NameEntryDone = 0;
    }
    if (NameEntryRequested == 0) GameOverFrame += 1;
    if (GameOverFrame > 360) EnterMode(MODE_TITLE);
}

// Runs the branch of the current mode; a branch that changes the mode runs the new one too.
void DispatchModes(int32_t input) {
    for (;;) {
        const int32_t mode = GameMode;
        switch (mode) {
        case MODE_TITLE:
            if (ModeFrame == 0) {
                ResetGame();
                SeedStars();
                ResetPlayer();
                BombActive = 0;
                DemoStage += 1;
                if (DemoStage > 5) DemoStage = 1;
            }
            if (ModeFrame > 360) {
                EnterMode(MODE_KEY_ASSIGN);
                continue;
            }
            if (ModeFrame > 80) FireBomb(ViewX + 120, 480, 0);
            StepStars();
            UpdateBomb();
            return;
        case MODE_KEY_ASSIGN:
        case MODE_RANKING:
            if (ModeFrame == 0) ResetPlayer();
            if (ModeFrame > (mode == MODE_KEY_ASSIGN ? 360 : 480)) {
                EnterMode(mode + 1);
                continue;
            }
            StepStars();
            UpdateBomb();
            return;
        case MODE_DEMO:
        case MODE_PLAY:
            if (ModeFrame == 0) EnterStage();
            if (RunStageMode(input)) continue;
            return;
        case MODE_GAME_OVER:
            RunGameOverMode();
            if (GameMode != MODE_GAME_OVER) continue;
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
            GameMode != MODE_PLAY && !(GameMode == MODE_GAME_OVER && GameOverFrame <= 80);
        if (!startAllowed || (input & INPUT_START) == 0) return;
        EnterMode(MODE_PLAY);
        StageLevel = 0;
        StageNumber = 0;
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
    BlinkPhase = BlinkPhase == 0 ? 1 : 0;
    switch (GameMode) {
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
    ModeFrame += 1;
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
    const int32_t shownFrame = ModeFrame - 1; // the frame as it was before the step counted it
    FillCanvasRect(120, 320, 480, 320, 0, 0, 0);
    HudLines hud;
    FormatHud(shownFrame, hud);
    // Where the step moved the stars a second time, they show as they were before that step.
    DrawStars(canvasBits, StarsStepTwice(GameMode) ? 1 : 0);
    switch (GameMode) {
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
        if (EndSequence == 0) DrawEnemyExtras();
        DrawBomb();
        break;
    case MODE_GAME_OVER:
        DrawBomb();
        DrawRanking(shownFrame, RankingPlace, GameOverFrame > 80 ? 1 : 0);
        break;
    default:
        break;
    }
    DrawHud(hud);
    if (GameMode == MODE_DEMO) DrawDemoTexts(shownFrame);
    if (EndSequence != 0) DrawGameOver();
    CopyViewToScreen(ViewX, ViewY);
}

void RunGameFrame(uint8_t* canvasBits) {
    StepGameFrame();
    DrawGameFrame(canvasBits);
}

int32_t BeginAttract() {
    ResetGame();
    GameMode = MODE_TITLE;
    return 0;
}

} // namespace velkar
