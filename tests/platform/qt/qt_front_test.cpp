// The Linux program's widgets under the offscreen platform: menus, keys, presentation, dialogs,
// joystick scaling and the settings path.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <SDL.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <unistd.h>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "app/platform_seam.h"
#include "app/startup.h"
#include "dialogs.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "game_view.h"
#include "gfx/canvas.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "joystick_sdl.h"
#include "linux_shell.h"
#include "main_window.h"
#include "replay/replay.h"
#include "settings/control_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "ui/display_modes.h"

using namespace velkar;

namespace {

// Runs answer on the next modal box or dialog that opens (from inside its exec()).
void OnNextModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            OnNextModal(answer);
            return;
        }
        answer(modal);
    });
}

QString Name(int id) {
    return QStringLiteral("ctl%1").arg(id);
}

// Two devices: "Default" with two modes, a second screen with three.
void MakeDisplayList() {
    FreeDisplayDeviceList();
    QVERIFY(CreateDisplayDeviceList(1) == 0);
    const uint8_t id[16] = {1};
    SetDisplayDeviceEntry(1, id, "HDMI-1");
    const uint32_t all = MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH;
    AddDisplayMode(&DisplayDeviceList[0], all, 800, 600, 60);
    AddDisplayMode(&DisplayDeviceList[0], all, 640, 480, 60);
    AddDisplayMode(&DisplayDeviceList[1], all, 1024, 768, 60);
    AddDisplayMode(&DisplayDeviceList[1], all, 1280, 1024, 60);
    AddDisplayMode(&DisplayDeviceList[1], all, 1920, 1080, 60);
    FinishDisplayModes(&DisplayDeviceList[0]);
    FinishDisplayModes(&DisplayDeviceList[1]);
}

// A recognisable picture: every pixel differs from its neighbours.
void FillScreenBuffer() {
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            uint8_t* p = ProgramPainter.screen + y * SCREEN_STRIDE + x * 3;
            p[0] = static_cast<uint8_t>(x * 5 + 1);
            p[1] = static_cast<uint8_t>(y * 3 + 2);
            p[2] = static_cast<uint8_t>((x ^ y) | 0x80);
        }
}

QRgb Source(int x, int y) {
    const uint8_t* p = ProgramPainter.screen + y * SCREEN_STRIDE + x * 3;
    return qRgb(p[2], p[1], p[0]);
}

// Presents from another thread, as the game thread does, and waits for the view to take it.
bool PresentAndTake() {
    const int64_t before = PresentedFrameCount();
    std::thread game([] { PresentFrame(); });
    game.join();
    return QTest::qWaitFor([before] { return PresentedFrameCount() > before; }, 2000);
}

} // namespace

class QtFrontTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanup();
    void menuTextsInEnglish();
    void menuTextsInJapanese();
    void menuChecksAndGraysFollowTheGame();
    void replayMenuFollowsThePlayback();
    void grayRankCommandChangesNothingDuringPlay();
    void smallSizeIsExactlyThePictureAndChecked();
    void onlyItemsWithAStateAreCheckable();
    void clearHiScoreCancelledKeepsTable();
    void presentationOneToOneAndDoubled();
    void presentationStretchedAndLetterboxed();
    void presentationIntoOtherImagesAtAnOffset();
    void presentationShowsNewestFrameOnlyWhenTaken();
    void keyMapArrowsAndKeypad();
    void keyPairsAndHeldKeys();
    void altEnterTogglesOnceAndEscapeCloses();
    void deviceConfigInvalidAssignmentAndStoredOrder();
    void deviceConfigSliderDefaultCancelAndDeviceChange();
    void deviceConfigSameDeviceAfterDefaultListsItsModes();
    void nameEntryCutsAndCancelEmpties();
    void aboutShowsVersionInBothLanguages();
    void joystickScalingAndVirtualDevice();
    void lostJoystickComesBackAsTheSameDevice();
    void padByLayoutPluggedInPlayAndLost();
    void controlsDialogMovesTheShotKeyAndKeepsIt();
    void settingsPathFallsBackToConfigDirectory();
    void terminationSignalClosesDialogAndWindow();
};

void QtFrontTest::initTestCase() {
    QVERIFY(CreateCanvases(ProgramPainter) == 0);
    MakeDisplayList();
}

void QtFrontTest::cleanup() {
    Game& g = TheGame();
    g.gameMode = MODE_TITLE;
    g.gameRank = 0;
    Paused.store(0);
    GameHold.store(0);
    FullScreen.store(0);
    RawKeys.store(0);
    Language = 0;
    ClientWidth.store(CLIENT_WIDTH_X2);
    ClientHeight.store(CLIENT_HEIGHT_X2);
    LetterboxX = LetterboxY = 0;
}

void QtFrontTest::menuTextsInEnglish() {
    MainWindow window(0);
    QCOMPARE(window.Popup(0)->title(), QStringLiteral("Game(&F)"));
    QCOMPARE(window.Popup(1)->title(), QStringLiteral("&Tool"));
    QCOMPARE(window.Popup(2)->title(), QStringLiteral("&Window"));
    QCOMPARE(window.Popup(3)->title(), QStringLiteral("&Help"));
    // This program's Replay menu stands before Help.
    QStringList bar;
    for (const QAction* menu : window.menuBar()->actions())
        bar << menu->text();
    QCOMPARE(bar, QStringList({"Game(&F)", "&Tool", "&Window", "&Replay", "&Help"}));
    QCOMPARE(window.Action(CMD_PAUSE)->text(), QStringLiteral("&Pause\tP or F12"));
    QCOMPARE(window.Action(CMD_FULL_SCREEN)->text(), QStringLiteral("&Full Screen\tAlt+Enter"));
    QCOMPARE(window.Action(CMD_EXIT)->text(), QStringLiteral("E&xit"));
    // Separators stand before the language submenu and before Exit.
    const QList<QAction*> game = window.Popup(0)->actions();
    QCOMPARE(game.size(), 8);
    QVERIFY(game[4]->isSeparator());
    QVERIFY(game[5]->menu() != nullptr);
    QCOMPARE(game[5]->menu()->title(), QStringLiteral("&UI Language"));
    QCOMPARE(game[5]->menu()->actions().size(), 3);
    QVERIFY(game[6]->isSeparator());
    QCOMPARE(game[7], window.Action(CMD_EXIT));
    QCOMPARE(window.windowTitle(), QStringLiteral("VELKAR"));
}

void QtFrontTest::menuTextsInJapanese() {
    MainWindow window(1);
    QCOMPARE(window.Popup(0)->title(), QStringLiteral("ゲーム(&F)"));
    QCOMPARE(window.Popup(2)->title(), QStringLiteral("ウインドウ(&W)"));
    QCOMPARE(window.Action(CMD_PAUSE)->text(), QStringLiteral("一時停止(&P)\tP or F12"));
    QCOMPARE(window.Action(CMD_DEVICE_CONFIG)->text(), QStringLiteral("デバイス設定(&E)..."));
    QCOMPARE(window.Action(CMD_LANGUAGE_AUTO)->text(), QStringLiteral("自動(&Automatic)"));
    QCOMPARE(window.Action(CMD_FULL_SCREEN)->text(), QStringLiteral("全画面(&F)\tAlt+Enter"));
    QCOMPARE(window.Action(CMD_ABOUT)->text(), QStringLiteral("バージョン情報(&A)"));
    QCOMPARE(window.ReplayMenu()->title(), QStringLiteral("リプレイ(&R)"));
    QCOMPARE(window.ReplayAction(REPLAY_KEY_TAKE_OVER)->text(),
             QStringLiteral("操作を引き継ぐ(&O)\tT"));
}

void QtFrontTest::replayMenuFollowsThePlayback() {
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    const int commands[] = {REPLAY_KEY_PAUSE,   REPLAY_KEY_STEP,   REPLAY_KEY_BACK,
                            REPLAY_KEY_FORWARD, REPLAY_KEY_START,  REPLAY_KEY_END,
                            REPLAY_KEY_FASTER,  REPLAY_KEY_SLOWER, REPLAY_KEY_TAKE_OVER};
    QStringList texts;
    for (const QAction* action : window.ReplayMenu()->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, QStringList({"&Pause/Resume\tSpace", "&Step One Frame\t.", "-",
                                 "&Back 10 Seconds\tLeft", "&Forward 10 Seconds\tRight",
                                 "To the S&tart\tHome", "To the &End\tEnd", "-", "F&aster\t]",
                                 "S&lower\t[", "-", "Take &Over\tT"}));
    auto all = [&](bool enabled) {
        for (int command : commands) {
            if (window.ReplayAction(command)->isEnabled() != enabled) return false;
        }
        return true;
    };
    // Shown and active, so that a shortcut of the window would see the keys first.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // No replay: every entry grayed, and the keys they show are the game's.
    QVERIFY(all(false));
    QTest::keyPress(window.View(), Qt::Key_Left);
    QCOMPARE(RawKeys.load(), RawKeyBit(VKEY_LEFT, 1));
    QTest::keyRelease(window.View(), Qt::Key_Left);
    QCOMPARE(RawKeys.load(), 0);

    // A replay starts: the entries follow it, and each does what its key does.
    ReplayData replay;
    replay.frames = 100;
    StartPlayback(std::move(replay), 1);
    QTRY_VERIFY(all(true));
    window.ReplayAction(REPLAY_KEY_PAUSE)->trigger();
    QTRY_COMPARE(Paused.load(), 1);
    window.ReplayAction(REPLAY_KEY_FASTER)->trigger();
    QTRY_COMPARE(ReplaySpeed(), REPLAY_SPEED_DOUBLE);
    window.ReplayAction(REPLAY_KEY_SLOWER)->trigger();
    window.ReplayAction(REPLAY_KEY_SLOWER)->trigger();
    QTRY_COMPARE(ReplaySpeed(), REPLAY_SPEED_HALF);
    // The shortcut texts take no key from the game view: Space there still resumes.
    QTest::keyClick(window.View(), Qt::Key_Space);
    QCOMPARE(Paused.load(), 0);
    QCOMPARE(RawKeys.load(), 0);
    // Opened, the menu holds the game as the others do.
    emit window.ReplayMenu()->aboutToShow();
    QCOMPARE(GameHold.load(), 1);
    emit window.ReplayMenu()->aboutToHide();
    QTRY_COMPARE(GameHold.load(), 0);

    // The replay ends: grayed again, and an entry chosen meanwhile changes nothing.
    StopPlayback();
    ReplayBeforeFrame();
    QCOMPARE(ReplayPlaying(), 0);
    window.ReplayAction(REPLAY_KEY_PAUSE)->trigger();
    QTRY_VERIFY(all(false));
    QTest::qWait(50);
    QCOMPARE(Paused.load(), 0);
    ChangeReplaySpeed(REPLAY_SPEED_NORMAL - ReplaySpeed());
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::menuChecksAndGraysFollowTheGame() {
    Game& g = TheGame();
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    g.gameMode = MODE_PLAY;
    Paused.store(1);
    Language = -1;
    emit window.Popup(0)->aboutToShow();
    QCOMPARE(GameHold.load(), 1); // the game stands still while a popup is open
    QVERIFY(window.Action(CMD_PAUSE)->isChecked());
    QVERIFY(!window.Action(CMD_RANK_NORMAL)->isEnabled());
    QVERIFY(!window.Action(CMD_RANK_HARD)->isEnabled());
    QVERIFY(!window.Action(CMD_CLEAR_HISCORE)->isEnabled());
    QVERIFY(window.Action(CMD_LANGUAGE_AUTO)->isChecked());
    QVERIFY(!window.Action(CMD_LANGUAGE_ENGLISH)->isChecked());
    emit window.Popup(0)->aboutToHide();
    QTRY_COMPARE(GameHold.load(), 0);

    g.gameMode = MODE_TITLE;
    g.gameRank = 1;
    Paused.store(0);
    Language = 1;
    emit window.Popup(0)->aboutToShow();
    QVERIFY(!window.Action(CMD_PAUSE)->isChecked());
    QVERIFY(window.Action(CMD_RANK_HARD)->isEnabled());
    QVERIFY(window.Action(CMD_RANK_HARD)->isChecked());
    QVERIFY(!window.Action(CMD_RANK_NORMAL)->isChecked());
    QVERIFY(window.Action(CMD_LANGUAGE_JAPANESE)->isChecked());
    emit window.Popup(0)->aboutToHide();

    ClientWidth.store(240);
    ClientHeight.store(320);
    EnableSound = 1;
    emit window.Popup(1)->aboutToShow();
    QVERIFY(window.Action(CMD_ENABLE_SOUND)->isChecked());
    emit window.Popup(2)->aboutToShow();
    QVERIFY(window.Action(CMD_SIZE_X1)->isChecked());
    QVERIFY(!window.Action(CMD_SIZE_X2)->isChecked());
    QVERIFY(window.Action(CMD_SIZE_X1)->isEnabled());
    FullScreen.store(1);
    emit window.Popup(2)->aboutToShow();
    QVERIFY(!window.Action(CMD_SIZE_X1)->isEnabled());
    QVERIFY(!window.Action(CMD_SIZE_X2)->isEnabled());
    QVERIFY(window.Action(CMD_FULL_SCREEN)->isChecked());
    emit window.Popup(2)->aboutToHide();
    QTRY_COMPARE(GameHold.load(), 0);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::grayRankCommandChangesNothingDuringPlay() {
    Game& g = TheGame();
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    g.gameMode = MODE_PLAY;
    window.Action(CMD_RANK_HARD)->trigger();
    QTest::qWait(50);
    QCOMPARE(g.gameRank, 0);
    g.gameMode = MODE_TITLE;
    window.Action(CMD_RANK_HARD)->trigger();
    QTRY_COMPARE(g.gameRank, 1);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::smallSizeIsExactlyThePictureAndChecked() {
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    window.show();
    RunCommand(CMD_SIZE_X1);
    // One game pixel per screen pixel: no rows added for a menu bar that would wrap.
    QTRY_COMPARE(window.View()->size(), QSize(240, 320));
    QCOMPARE(ClientWidth.load(), 240);
    QCOMPARE(ClientHeight.load(), 320);
    emit window.Popup(2)->aboutToShow();
    QVERIFY(window.Action(CMD_SIZE_X1)->isChecked());
    QVERIFY(!window.Action(CMD_SIZE_X2)->isChecked());
    emit window.Popup(2)->aboutToHide();
    QTRY_COMPARE(GameHold.load(), 0);
    RunCommand(CMD_SIZE_X2);
    QTRY_COMPARE(window.View()->size(), QSize(480, 640));
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::onlyItemsWithAStateAreCheckable() {
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    for (int id :
         {CMD_PAUSE, CMD_RANK_NORMAL, CMD_RANK_HARD, CMD_LANGUAGE_AUTO, CMD_LANGUAGE_ENGLISH,
          CMD_LANGUAGE_JAPANESE, CMD_ENABLE_SOUND, CMD_SIZE_X1, CMD_SIZE_X2, CMD_FULL_SCREEN})
        QVERIFY2(window.Action(id)->isCheckable(), qPrintable(window.Action(id)->text()));
    for (int id : {CMD_CLEAR_HISCORE, CMD_EXIT, CMD_DEVICE_CONFIG, CMD_ABOUT})
        QVERIFY2(!window.Action(id)->isCheckable(), qPrintable(window.Action(id)->text()));
    // About chosen from the menu twice: it shows its dialog each time and never a check.
    for (int time = 0; time < 2; ++time) {
        bool shown = false;
        OnNextModal([&shown](QWidget* modal) {
            shown = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        window.Action(CMD_ABOUT)->trigger();
        QVERIFY(!window.Action(CMD_ABOUT)->isChecked());
        QTRY_VERIFY(shown);
    }
    QTRY_COMPARE(GameHold.load(), 0);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::clearHiScoreCancelledKeepsTable() {
    Game& g = TheGame();
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    g.gameMode = MODE_TITLE;
    g.ranking[0][0].score = 123456;
    QString text;
    bool cancelIsDefault = false;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) return;
        text = box->text();
        cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    RunCommand(CMD_CLEAR_HISCORE);
    QCOMPARE(text, QStringLiteral("Clear Ranking, Are you sure ?"));
    QVERIFY(cancelIsDefault);
    QCOMPARE(g.ranking[0][0].score, 123456);
    QCOMPARE(GameHold.load(), 0);

    OnNextModal([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
    });
    RunCommand(CMD_CLEAR_HISCORE);
    QVERIFY(g.ranking[0][0].score != 123456);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::presentationOneToOneAndDoubled() {
    GameView view;
    SetPresentationView(&view);
    FillScreenBuffer();
    view.resize(480, 640);
    view.show();
    QVERIFY(PresentAndTake());
    QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(480, 640));
    int wrong = 0;
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 480; ++x)
            if (shown.pixel(x, y) != Source(x / 2, y / 2)) ++wrong;
    QCOMPARE(wrong, 0);

    view.resize(240, 320);
    QTRY_COMPARE(view.size(), QSize(240, 320));
    shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            if (shown.pixel(x, y) != Source(x, y)) ++wrong;
    QCOMPARE(wrong, 0);
    SetPresentationView(nullptr);
}

void QtFrontTest::presentationStretchedAndLetterboxed() {
    GameView view;
    SetPresentationView(&view);
    FillScreenBuffer();
    view.resize(300, 400);
    view.show();
    QVERIFY(PresentAndTake());
    QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(300, 400));
    // Nearest neighbour: every pixel is one of the game's pixels near the scaled position,
    // never a blend.
    int blended = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 300; ++x) {
            const int sx = x * 240 / 300, sy = y * 320 / 400;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int px = qBound(0, sx + dx, 239), py = qBound(0, sy + dy, 319);
                    found = shown.pixel(x, y) == Source(px, py);
                }
            if (!found) ++blended;
        }
    QCOMPARE(blended, 0);

    // Full screen at 800 x 600: the picture fills x 175..623 and y 0..598, the rest is black.
    std::memset(ProgramPainter.screen, 0x40, SCREEN_STRIDE * SCREEN_HEIGHT);
    QVERIFY(PresentAndTake());
    FullScreen.store(1);
    FullScreenWidth = 800;
    FullScreenHeight = 600;
    ComputeLetterbox(800, 600, &LetterboxX, &LetterboxY);
    QCOMPARE(LetterboxX, 175);
    QCOMPARE(LetterboxY, 0);
    view.resize(800, 600);
    QTRY_COMPARE(view.size(), QSize(800, 600));
    shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb grey = qRgb(0x40, 0x40, 0x40);
    const QRgb black = qRgb(0, 0, 0);
    QCOMPARE(shown.pixel(174, 300), black);
    QCOMPARE(shown.pixel(175, 300), grey);
    QCOMPARE(shown.pixel(623, 300), grey);
    QCOMPARE(shown.pixel(624, 300), black);
    QCOMPARE(shown.pixel(400, 0), grey);
    QCOMPARE(shown.pixel(400, 598), grey);
    QCOMPARE(shown.pixel(400, 599), black);
    QCOMPARE(shown.pixel(0, 0), black);
    QCOMPARE(shown.pixel(799, 599), black);
    SetPresentationView(nullptr);
}

namespace {

// Counts the pixels of picture, placed at origin, that are not the ScreenBuffer at scale.
int WrongPixels(const QImage& picture, QPoint origin, int scale) {
    int wrong = 0;
    for (int y = 0; y < SCREEN_HEIGHT * scale; ++y)
        for (int x = 0; x < SCREEN_WIDTH * scale; ++x)
            if ((picture.pixel(origin.x() + x, origin.y() + y) & 0xffffff) !=
                (Source(x / scale, y / scale) & 0xffffff))
                ++wrong;
    return wrong;
}

// Counts the pixels of picture outside area that are not colour.
int TouchedOutside(const QImage& picture, QRect area, QRgb colour) {
    int touched = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!area.contains(x, y) && picture.pixel(x, y) != colour) ++touched;
    return touched;
}

} // namespace

void QtFrontTest::presentationIntoOtherImagesAtAnOffset() {
    GameView view;
    SetPresentationView(&view);
    FillScreenBuffer();
    view.resize(480, 640);
    view.show();
    QVERIFY(PresentAndTake());
    const QRgb border = qRgb(0x12, 0x34, 0x56);
    // 32-bit images, the window system's kind, drawn into at an offset: the picture lands
    // exactly on its place and nothing around it changes.
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage target(500, 700, format);
        target.fill(border);
        view.render(&target, QPoint(13, 7));
        QCOMPARE(WrongPixels(target, QPoint(13, 7), 2), 0);
        QCOMPARE(TouchedOutside(target, QRect(13, 7, 480, 640), border), 0);
    }
    // Rows the picture's own width apart, as in the window's buffer.
    QImage exact(480, 640, QImage::Format_RGB32);
    exact.fill(border);
    view.render(&exact);
    QCOMPARE(WrongPixels(exact, QPoint(0, 0), 2), 0);
    // A 24-bit image goes through Qt's own drawing; the blocks are still exact.
    QImage packed(480, 640, QImage::Format_RGB888);
    packed.fill(border);
    view.render(&packed);
    QCOMPARE(WrongPixels(packed.convertToFormat(QImage::Format_RGB32), QPoint(0, 0), 2), 0);
    // An image too small for the whole picture gets the part that fits.
    QImage small(300, 200, QImage::Format_RGB32);
    small.fill(border);
    view.render(&small, QPoint(-100, -50));
    int wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            if (small.pixel(x, y) != Source((x + 100) / 2, (y + 50) / 2)) ++wrong;
    QCOMPARE(wrong, 0);

    view.resize(240, 320);
    QTRY_COMPARE(view.size(), QSize(240, 320));
    QImage one(260, 330, QImage::Format_RGB32);
    one.fill(border);
    view.render(&one, QPoint(20, 10));
    QCOMPARE(WrongPixels(one, QPoint(20, 10), 1), 0);
    QCOMPARE(TouchedOutside(one, QRect(20, 10, 240, 320), border), 0);
    SetPresentationView(nullptr);
}

void QtFrontTest::presentationShowsNewestFrameOnlyWhenTaken() {
    GameView view;
    SetPresentationView(&view);
    view.resize(240, 320);
    view.show();
    std::memset(ProgramPainter.screen, 0x10, SCREEN_STRIDE * SCREEN_HEIGHT);
    QVERIFY(PresentAndTake());
    const auto shownPixel = [&view] { return view.grab().toImage().pixel(100, 100); };
    QCOMPARE(shownPixel(), qRgb(0x10, 0x10, 0x10));

    // Frames handed over while the view is not asked to take them do not reach the screen;
    // the view keeps painting the frame it took, even though the game thread overwrites the
    // hand-over buffer meanwhile.
    SetPresentationView(nullptr);
    for (uint8_t value : {0x20, 0x30}) {
        std::memset(ProgramPainter.screen, value, SCREEN_STRIDE * SCREEN_HEIGHT);
        std::thread game([] { PresentFrame(); });
        game.join();
        view.repaint();
        QCOMPARE(shownPixel(), qRgb(0x10, 0x10, 0x10));
    }
    // Taking shows the newest of them; taking again with nothing new changes nothing.
    const int64_t before = PresentedFrameCount();
    view.TakeFrame();
    QCOMPARE(PresentedFrameCount(), before + 1);
    QCOMPARE(shownPixel(), qRgb(0x30, 0x30, 0x30));
    view.TakeFrame();
    QCOMPARE(PresentedFrameCount(), before + 1);
    QCOMPARE(shownPixel(), qRgb(0x30, 0x30, 0x30));

    // The next frame after that goes to the other buffer and is shown in turn.
    SetPresentationView(&view);
    std::memset(ProgramPainter.screen, 0x40, SCREEN_STRIDE * SCREEN_HEIGHT);
    QVERIFY(PresentAndTake());
    QCOMPARE(shownPixel(), qRgb(0x40, 0x40, 0x40));
    SetPresentationView(nullptr);
}

void QtFrontTest::keyMapArrowsAndKeypad() {
    MainWindow window(0);
    QWidget* view = reinterpret_cast<QWidget*>(window.View());
    RawKeys.store(0);
    QTest::keyPress(view, Qt::Key_Up);
    QCOMPARE(RawKeys.load(), 0x1);
    QTest::keyRelease(view, Qt::Key_Up);
    QCOMPARE(RawKeys.load(), 0);
    // Keypad 8 with Num Lock off arrives as a keypad arrow, with Num Lock on as the digit.
    QTest::keyPress(view, Qt::Key_Up, Qt::KeypadModifier);
    QCOMPARE(RawKeys.load(), 0x10000);
    QTest::keyRelease(view, Qt::Key_Up, Qt::KeypadModifier);
    QTest::keyPress(view, Qt::Key_8, Qt::KeypadModifier);
    QCOMPARE(RawKeys.load(), 0x10000);
    QCOMPARE(BuildInputBits() & 0x10001, 0x10001);
    QTest::keyRelease(view, Qt::Key_8, Qt::KeypadModifier);
    QTest::keyPress(view, Qt::Key_2, Qt::KeypadModifier);
    QTest::keyPress(view, Qt::Key_4, Qt::KeypadModifier);
    QTest::keyPress(view, Qt::Key_6, Qt::KeypadModifier);
    QCOMPARE(RawKeys.load(), 0x20000 | 0x40000 | 0x80000);
    QTest::keyRelease(view, Qt::Key_2, Qt::KeypadModifier);
    QTest::keyRelease(view, Qt::Key_4, Qt::KeypadModifier);
    QTest::keyRelease(view, Qt::Key_6, Qt::KeypadModifier);
    // The main row's 8 is no game key.
    QTest::keyPress(view, Qt::Key_8);
    QCOMPARE(RawKeys.load(), 0);
    QTest::keyPress(view, Qt::Key_Down);
    QTest::keyPress(view, Qt::Key_Left);
    QTest::keyPress(view, Qt::Key_Right);
    QCOMPARE(RawKeys.load(), 0x2 | 0x4 | 0x8);
    QTest::keyRelease(view, Qt::Key_Down);
    QTest::keyRelease(view, Qt::Key_Left);
    QTest::keyRelease(view, Qt::Key_Right);
    QTest::keyPress(view, Qt::Key_F1);
    QTest::keyPress(view, Qt::Key_F2);
    QTest::keyPress(view, Qt::Key_Space);
    QCOMPARE(RawKeys.load(), 0x100 | 0x200 | 0x400000);
    QTest::keyRelease(view, Qt::Key_F1);
    QTest::keyRelease(view, Qt::Key_F2);
    QTest::keyRelease(view, Qt::Key_Space);
    QCOMPARE(RawKeys.load(), 0);
}

void QtFrontTest::keyPairsAndHeldKeys() {
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    QWidget* view = reinterpret_cast<QWidget*>(window.View());
    QTest::keyPress(view, Qt::Key_Z);
    QTest::keyPress(view, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyRelease(view, Qt::Key_Control);
    QCOMPARE(BuildInputBits() & INPUT_SHOT, INPUT_SHOT);
    QTest::keyRelease(view, Qt::Key_Z);
    QTest::keyPress(view, Qt::Key_X);
    QTest::keyPress(view, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyPress(view, Qt::Key_C);
    QCOMPARE(RawKeys.load(), 0x20 | 0x200000 | 0x40);
    // X11's auto-repeat release keeps the key held; only the real release clears it.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(view, &repeatRelease);
    QCOMPARE(RawKeys.load() & 0x20, 0x20);
    QTest::keyRelease(view, Qt::Key_X);
    QTest::keyRelease(view, Qt::Key_Shift);
    QTest::keyRelease(view, Qt::Key_C);
    QCOMPARE(RawKeys.load(), 0);
    // A key let go while Alt is held (on the way to Alt+Enter, say) is released too.
    QTest::keyPress(view, Qt::Key_Z);
    QTest::keyPress(view, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(view, Qt::Key_Z, Qt::AltModifier);
    QCOMPARE(RawKeys.load(), 0);
    QTest::keyRelease(view, Qt::Key_Alt);
    // Losing the focus does not release a held key.
    QTest::keyPress(view, Qt::Key_Left);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(view, &out);
    QCOMPARE(RawKeys.load(), 0x4);
    QTest::keyRelease(view, Qt::Key_Left);
    // P and F12 toggle the pause on every key-down.
    QTest::keyClick(view, Qt::Key_P);
    QCOMPARE(Paused.load(), 1);
    QTest::keyClick(view, Qt::Key_F12);
    QCOMPARE(Paused.load(), 0);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::altEnterTogglesOnceAndEscapeCloses() {
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    window.SetClientSize(480, 640);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget* view = reinterpret_cast<QWidget*>(window.View());
    QTest::keyPress(view, Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(FullScreen.load(), 1);
    QVERIFY(!window.menuBar()->isVisible());
    // Held Alt+Enter repeats are swallowed.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier, QString(), true);
    QApplication::sendEvent(view, &repeat);
    QCOMPARE(FullScreen.load(), 1);
    QTest::keyRelease(view, Qt::Key_Return, Qt::AltModifier);
    QTest::keyPress(view, Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(FullScreen.load(), 0);
    QVERIFY(window.menuBar()->isVisible());
    QCOMPARE(ClientWidth.load(), 480);
    QCOMPARE(ClientHeight.load(), 640);
    bool closed = false;
    window.SetCloseHook([&closed] { closed = true; });
    QTest::keyClick(view, Qt::Key_Escape);
    QTRY_VERIFY(closed);
    QTRY_VERIFY(!window.isVisible());
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::deviceConfigInvalidAssignmentAndStoredOrder() {
    JoyButton_A = 0;
    JoyButton_B = 1;
    JoyButton_C = 20;
    JoyButton_START = -1;
    JoyButton_PAUSE = -1;
    DeviceConfigDialog dialog(nullptr, 0);
    dialog.show();
    auto* listA = dialog.findChild<QComboBox*>(Name(DEVCFG_BUTTON_A_LIST));
    auto* listB = dialog.findChild<QComboBox*>(Name(DEVCFG_BUTTON_B_LIST));
    auto* listC = dialog.findChild<QComboBox*>(Name(DEVCFG_BUTTON_C_LIST));
    QVERIFY(listA && listB && listC);
    QCOMPARE(listA->count(), 17);
    QCOMPARE(listA->itemText(0), QStringLiteral("None"));
    QCOMPARE(listA->itemText(16), QStringLiteral("16"));
    QCOMPARE(listC->currentIndex(), -1);
    QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_CONNECT_STATUS))->text(),
             QStringLiteral("Not Found"));
    listA->setFocus();
    QTest::keyClick(listA, Qt::Key_End); // "16"
    QCOMPARE(listA->currentIndex(), 16);
    QTest::keyClick(listB, Qt::Key_Home); // "None"
    QString message;
    OnNextModal([&message](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    dialog.findChild<QPushButton*>(Name(DEVCFG_OK))->click();
    QCOMPARE(message, QStringLiteral("Assign button 2 select error"));
    QCOMPARE(JoyButton_A, 15);
    QCOMPARE(JoyButton_B, -1);
    QCOMPARE(JoyButton_C, 20);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    // A valid choice for the third list lets OK through.
    QTest::keyClick(listC, Qt::Key_Home);
    dialog.findChild<QPushButton*>(Name(DEVCFG_OK))->click();
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(JoyButton_C, -1);
}

void QtFrontTest::deviceConfigSliderDefaultCancelAndDeviceChange() {
    SoundVolume1 = 70;
    SoundVolume2 = 40;
    JoyButton_A = 5;
    JoyButton_B = 6;
    JoyButton_C = 7;
    ScreenDevice = 0;
    ScreenResolution = 2;
    ScreenBpp = 32;
    DisablePrimSurf = 1;
    {
        DeviceConfigDialog dialog(nullptr, 1);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ﾃﾞﾊﾞｲｽ設定"));
        auto* bgm = dialog.findChild<QSlider*>(Name(DEVCFG_BGM_SLIDER));
        QCOMPARE(bgm->value(), 30);
        QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_BGM_VALUE))->text(),
                 QStringLiteral("70"));
        QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_EFFECT_VALUE))->text(),
                 QStringLiteral("40"));
        auto* resolution = dialog.findChild<QComboBox*>(Name(DEVCFG_RESOLUTION_LIST));
        QCOMPARE(resolution->count(), 3);
        QCOMPARE(resolution->itemText(0), QStringLiteral("Auto"));
        QCOMPARE(resolution->itemText(1), QStringLiteral("640 x 480 (60Hz)"));
        QCOMPARE(resolution->currentIndex(), 2);
        QVERIFY(dialog.findChild<QCheckBox*>(Name(DEVCFG_PRIMSURF_CHECK))->isChecked());
        QCOMPARE(dialog.findChild<QComboBox*>(Name(DEVCFG_BPP_LIST))->currentIndex(), 1);
        // DEFAULT, then CANCEL: nothing stored.
        dialog.findChild<QPushButton*>(Name(DEVCFG_DEFAULT))->click();
        QCOMPARE(bgm->value(), 0);
        QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_BGM_VALUE))->text(),
                 QStringLiteral("100"));
        QCOMPARE(dialog.findChild<QComboBox*>(Name(DEVCFG_BUTTON_A_LIST))->currentIndex(), 1);
        QCOMPARE(dialog.findChild<QComboBox*>(Name(DEVCFG_START_LIST))->currentIndex(), 0);
        QCOMPARE(resolution->currentIndex(), 0);
        QVERIFY(!dialog.findChild<QCheckBox*>(Name(DEVCFG_PRIMSURF_CHECK))->isChecked());
        dialog.findChild<QPushButton*>(Name(DEVCFG_CANCEL))->click();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(SoundVolume1, 70);
        QCOMPARE(JoyButton_A, 5);
        QCOMPARE(ScreenResolution, 2);
        QCOMPARE(DisablePrimSurf, 1);
    }
    {
        DeviceConfigDialog dialog(nullptr, 0);
        auto* bgm = dialog.findChild<QSlider*>(Name(DEVCFG_BGM_SLIDER));
        bgm->setFocus();
        QTest::keyClick(bgm, Qt::Key_End); // the bottom: volume 0
        QCOMPARE(bgm->value(), 100);
        QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_BGM_VALUE))->text(), QStringLiteral("0"));
        // Another device lists its own modes and starts at Auto; the same device keeps the choice.
        auto* device = dialog.findChild<QComboBox*>(Name(DEVCFG_DEVICE_LIST));
        auto* resolution = dialog.findChild<QComboBox*>(Name(DEVCFG_RESOLUTION_LIST));
        QCOMPARE(device->itemText(0), QStringLiteral("Default"));
        QCOMPARE(device->itemText(1), QStringLiteral("HDMI-1"));
        QTest::keyClick(device, Qt::Key_End);
        QCOMPARE(device->currentIndex(), 1);
        QCOMPARE(resolution->count(), 4);
        QCOMPARE(resolution->currentIndex(), 0);
        QTest::keyClick(resolution, Qt::Key_End);
        QTest::keyClick(device, Qt::Key_End);
        QCOMPARE(resolution->currentIndex(), 3);
        QCOMPARE(resolution->itemText(3), QStringLiteral("1920 x 1080 (60Hz)"));
        dialog.findChild<QPushButton*>(Name(DEVCFG_OK))->click();
        QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(SoundVolume1, 0);
        QCOMPARE(SoundVolume2, 40);
        QCOMPARE(ScreenDevice, 1);
        QCOMPARE(ScreenResolution, 3);
        QCOMPARE(ScreenBpp, 32);
    }
    ScreenDevice = 0;
    ScreenResolution = 0;
}

void QtFrontTest::deviceConfigSameDeviceAfterDefaultListsItsModes() {
    // The second device is stored: its three modes are listed. DEFAULT selects the first
    // device but leaves that list; choosing the first device, already selected, brings its own.
    ScreenDevice = 1;
    ScreenResolution = 2;
    DeviceConfigDialog dialog(nullptr, 0);
    dialog.show();
    auto* device = dialog.findChild<QComboBox*>(Name(DEVCFG_DEVICE_LIST));
    auto* resolution = dialog.findChild<QComboBox*>(Name(DEVCFG_RESOLUTION_LIST));
    QCOMPARE(resolution->count(), 4);
    dialog.findChild<QPushButton*>(Name(DEVCFG_DEFAULT))->click();
    QCOMPARE(device->currentIndex(), 0);
    QCOMPARE(resolution->count(), 4);
    QCOMPARE(resolution->currentIndex(), 0);
    // Open the device list and take the highlighted item, the one already selected.
    device->setFocus();
    device->showPopup();
    QAbstractItemView* popup = device->view();
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(device->currentIndex(), 0);
    QCOMPARE(resolution->count(), 3);
    QCOMPARE(resolution->itemText(1), QStringLiteral("640 x 480 (60Hz)"));
    QCOMPARE(resolution->currentIndex(), 0);
    dialog.findChild<QPushButton*>(Name(DEVCFG_OK))->click();
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(ScreenDevice, 0);
    QCOMPARE(ScreenResolution, 0);
    ScreenDevice = 0;
}

void QtFrontTest::nameEntryCutsAndCancelEmpties() {
    {
        NameEntryDialog dialog(nullptr, 0);
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(Name(1010));
        QVERIFY(edit != nullptr);
        QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJKL"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(QByteArray(NameBuffer), QByteArray("ABCDEFGHI"));
        QCOMPARE(NameBuffer[10], '\0');
    }
    {
        NameEntryDialog dialog(nullptr, 1);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Name Entry"));
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(Name(1010));
        QTest::keyClicks(edit, QStringLiteral("XYZ"));
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(NameBuffer[0], '\0');
    }
}

void QtFrontTest::aboutShowsVersionInBothLanguages() {
    AboutDialog english(nullptr, 0);
    QCOMPARE(english.windowTitle(), QStringLiteral("About"));
    QCOMPARE(english.findChild<QLabel*>(Name(1011))->text(), QStringLiteral("1.05"));
    AboutDialog japanese(nullptr, 1);
    QCOMPARE(japanese.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(japanese.findChild<QLabel*>(Name(1011))->text(), QStringLiteral("1.05"));
    // Run through the command: the game is held while it is open, and released after.
    MainWindow window(0);
    InstallQtFrontEnd(&window);
    int held = -1;
    OnNextModal([&held](QWidget* modal) {
        held = GameHold.load();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    });
    RunCommand(CMD_ABOUT);
    QCOMPARE(held, 1);
    QCOMPARE(GameHold.load(), 0);
    InstallQtFrontEnd(nullptr);
}

void QtFrontTest::joystickScalingAndVirtualDevice() {
    QCOMPARE(ScaleJoystickAxis(0), 0);
    QCOMPARE(ScaleJoystickAxis(8191), 0); // within a quarter of the travel
    QCOMPARE(ScaleJoystickAxis(-8191), 0);
    QVERIFY(ScaleJoystickAxis(8192) > 0);
    QVERIFY(ScaleJoystickAxis(-8192) < 0);
    QCOMPARE(ScaleJoystickAxis(32767), 1000);
    QCOMPARE(ScaleJoystickAxis(-32768), -1000);
    QCOMPARE(ScaleJoystickAxis(16384), 333);

    QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    // A device of no known layout: read as a plain joystick, buttons by number.
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 16, 0);
    QVERIFY2(index >= 0, SDL_GetError());
    QCOMPARE(OpenJoystick(nullptr, nullptr), 1);
    SDL_Joystick* device = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    QVERIFY(device != nullptr);
    SDL_JoystickSetVirtualAxis(device, 0, -30000);
    SDL_JoystickSetVirtualAxis(device, 1, 5000); // inside the dead zone
    SDL_JoystickSetVirtualButton(device, 3, 1);
    SDL_JoystickSetVirtualButton(device, 15, 1);
    QCOMPARE(PollJoystick(), INPUT_LEFT);
    QCOMPARE(JoyButtonState[3], 1);
    QCOMPARE(JoyButtonState[15], 1);
    QCOMPARE(JoyButtonState[0], 0);
    SDL_JoystickSetVirtualAxis(device, 0, 0);
    SDL_JoystickSetVirtualAxis(device, 1, 32767);
    QCOMPARE(PollJoystick(), INPUT_DOWN);
    // Unplugged: no directions, no button held.
    SDL_JoystickDetachVirtual(index);
    QCOMPARE(PollJoystick(), 0);
    QCOMPARE(JoyButtonState[3], 0);
    CloseJoystick();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    // Nothing attached: ready all the same (a pad plugged in later is taken), none named.
    QCOMPARE(OpenJoystick(nullptr, nullptr), 1);
    QVERIFY(CurrentJoystick().name.empty());
    QCOMPARE(PollJoystick(), 0);
    CloseJoystick();
}

namespace {

// A virtual joystick of its own kind (vendor and name make its GUID); returns its device index.
int AttachVirtualPad(Uint16 vendor, const char* name) {
    SDL_VirtualJoystickDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 2;
    desc.nbuttons = 16;
    desc.vendor_id = vendor;
    desc.product_id = 1;
    desc.name = name;
    return SDL_JoystickAttachVirtualEx(&desc);
}

// The open joystick of a device index, found by its instance.
SDL_Joystick* Device(int index) {
    return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
}

// The device index of the attached virtual pad with this name, or -1.
int IndexOf(const char* name) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        const char* deviceName = SDL_JoystickNameForIndex(i);
        if (deviceName != nullptr && std::strcmp(deviceName, name) == 0) return i;
    }
    return -1;
}

} // namespace

void QtFrontTest::lostJoystickComesBackAsTheSameDevice() {
    QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    QVERIFY2(AttachVirtualPad(0x1111, "Pad One") >= 0, SDL_GetError());
    QCOMPARE(OpenJoystick(nullptr, nullptr), 1);
    SDL_JoystickSetVirtualButton(Device(IndexOf("Pad One")), 2, 1);
    QCOMPARE(PollJoystick(), 0);
    QCOMPARE(JoyButtonState[2], 1);
    // A second pad is plugged in, then the first one is pulled: the second is first now.
    QVERIFY2(AttachVirtualPad(0x2222, "Pad Two") >= 0, SDL_GetError());
    SDL_JoystickDetachVirtual(IndexOf("Pad One"));
    QCOMPARE(IndexOf("Pad Two"), 0);
    QCOMPARE(PollJoystick(), 0); // lost
    // The second pad is not taken in the first one's place: its stick reads nothing.
    SDL_Joystick* two = SDL_JoystickOpen(IndexOf("Pad Two"));
    QVERIFY(two != nullptr);
    SDL_JoystickSetVirtualAxis(two, 0, 32767);
    QCOMPARE(PollJoystick(), 0);
    QCOMPARE(PollJoystick(), 0);
    // The first pad comes back (a new instance, after the second in the list): it is read again.
    const int back = AttachVirtualPad(0x1111, "Pad One");
    QVERIFY2(back >= 0, SDL_GetError());
    QCOMPARE(IndexOf("Pad One"), 1);
    QCOMPARE(PollJoystick(), 0); // reopened by this poll
    SDL_Joystick* one = Device(IndexOf("Pad One"));
    QVERIFY(one != nullptr);
    SDL_JoystickSetVirtualAxis(one, 1, -32767);
    QCOMPARE(PollJoystick(), INPUT_UP);
    SDL_JoystickClose(two);
    CloseJoystick();
    SDL_JoystickDetachVirtual(IndexOf("Pad One"));
    SDL_JoystickDetachVirtual(IndexOf("Pad Two"));
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

namespace {

// A virtual device of no layout SDL knows by itself: 2 axes, 8 buttons.
int AttachPlainDevice(Uint16 vendor, const char* name) {
    SDL_VirtualJoystickDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 2;
    desc.nbuttons = 8;
    desc.vendor_id = vendor;
    desc.product_id = 7;
    desc.name = name;
    return SDL_JoystickAttachVirtualEx(&desc);
}

// Builds the frame's controls and lets a lost pad pause the game, as the game thread does.
int32_t Sample() {
    const int32_t bits = BuildInputBits();
    PauseIfPadLost();
    return bits;
}

// Sets the held buttons of the virtual device with this name (one bit per button).
void Hold(const char* name, uint32_t buttons, Sint16 x = 0) {
    // The test's own handle: the program may not have opened the device yet.
    SDL_Joystick* device = SDL_JoystickOpen(IndexOf(name));
    QVERIFY(device != nullptr);
    for (int i = 0; i < 8; ++i)
        SDL_JoystickSetVirtualButton(device, i, (buttons >> i) & 1u);
    SDL_JoystickSetVirtualAxis(device, 0, x);
    SDL_JoystickClose(device);
}

} // namespace

void QtFrontTest::padByLayoutPluggedInPlayAndLost() {
    Game& g = TheGame();
    const QByteArray base = QDir::tempPath().toUtf8() + "/velkar-pad-test-" +
                            QByteArray::number(static_cast<int>(getpid()));
    QDir().mkpath(QString::fromUtf8(base));
    std::snprintf(SettingsPath, sizeof SettingsPath, "%s/velkar.ini", base.constData());
    // The player's mapping file gives "Odd Pad" a layout: its button 3 is south, 1 west, 2
    // east, 7 north, 5 Start, 4 Back, 6 the d-pad's left; button 0 is no layout button.
    QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    const int probe = AttachPlainDevice(0x3333, "Odd Pad");
    QVERIFY2(probe >= 0, SDL_GetError());
    char guid[64];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(probe), guid, sizeof guid);
    SDL_JoystickDetachVirtual(probe);
    QFile mappings(QString::fromUtf8(base + "/" + MAPPING_FILE_NAME));
    QVERIFY(mappings.open(QIODevice::WriteOnly));
    mappings.write(QByteArray("# the player's pads\nnot a mapping\n") + guid +
                   ",Odd Pad,a:b3,b:b2,x:b1,y:b7,start:b5,back:b4,dpleft:b6,leftx:a0,lefty:a1,"
                   "platform:Linux,\n");
    mappings.close();

    // No pad at start-up: the joystick is ready and the dialog says none is found.
    QCOMPARE(ConnectJoystick(nullptr, nullptr), 1);
    QVERIFY(CurrentJoystick().name.empty());
    // Pads of Nintendo's layout are read by position too (south shoots, whatever its letter).
    QVERIFY(!SDL_GetHintBoolean(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, SDL_TRUE));
    QCOMPARE(Sample(), 0);
    g.gameMode = MODE_PLAY;
    Paused.store(0);

    // Plugged in mid-game: taken by the next poll, read by its layout.
    QVERIFY2(AttachPlainDevice(0x3333, "Odd Pad") >= 0, SDL_GetError());
    Hold("Odd Pad", 1u << 3);
    Sample(); // opens it
    QCOMPARE(CurrentJoystick().name, std::string("Odd Pad"));
    QVERIFY(CurrentJoystick().layout);
    QCOMPARE(Sample(), INPUT_SHOT);
    Hold("Odd Pad", (1u << 1) | (1u << 2) | (1u << 5));
    QCOMPARE(Sample(), INPUT_LASER | INPUT_BOMB | INPUT_START);
    // Button 0 is no layout button (as a plain joystick it would shoot); the stick and the
    // d-pad move; Back pauses through the control word.
    Hold("Odd Pad", 1u << 0, -32767);
    QCOMPARE(Sample(), INPUT_LEFT);
    Hold("Odd Pad", 1u << 6);
    QCOMPARE(Sample(), INPUT_LEFT);
    Hold("Odd Pad", 1u << 4);
    QCOMPARE(Sample(), INPUT_PAUSE);
    Hold("Odd Pad", 0);
    QCOMPARE(Sample(), 0);
    QCOMPARE(Paused.load(), 0);

    // The Device Configuration dialog names the pad and its buttons by position.
    {
        DeviceConfigDialog dialog(nullptr, 0);
        QCOMPARE(dialog.findChild<QLineEdit*>(Name(DEVCFG_CONNECT_STATUS))->text(),
                 QStringLiteral("Odd Pad"));
        const QString buttons = dialog.findChild<QLabel*>(Name(DEVCFG_PAD_BUTTONS))->text();
        QVERIFY2(buttons.contains(QStringLiteral("Shot: A (south)")) &&
                     buttons.contains(QStringLiteral("Laser: X (west)")) &&
                     buttons.contains(QStringLiteral("Bomb: B (east)")),
                 buttons.toUtf8().constData());
    }

    // The Controls dialog takes a pad button by pressing it: west is the laser's (refused),
    // north is free.
    {
        ControlsDialog dialog(nullptr);
        dialog.show();
        auto* shot = dialog.findChild<QPushButton*>(Name(CONTROLS_PAD_ID + ACTION_SHOT));
        QTest::mouseClick(shot, Qt::LeftButton);
        Hold("Odd Pad", 1u << 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            dialog.findChild<QLabel*>(Name(CONTROLS_MESSAGE_ID))->text().contains("Laser"), 5000);
        QCOMPARE(dialog.Bindings().pad[ACTION_SHOT], static_cast<int32_t>(PAD_SOUTH));
        Hold("Odd Pad", 0);
        QTest::mouseClick(shot, Qt::LeftButton);
        Hold("Odd Pad", 1u << 7);
        QTRY_COMPARE_WITH_TIMEOUT(dialog.Bindings().pad[ACTION_SHOT],
                                  static_cast<int32_t>(PAD_NORTH), 5000);
        QCOMPARE(shot->text(), QStringLiteral("Y (north)"));
        Hold("Odd Pad", 0);
        dialog.reject(); // nothing put in use
    }
    QCOMPARE(ActionPad(ACTION_SHOT), static_cast<int32_t>(PAD_SOUTH));

    // Pulled out in play: the game pauses once, and stays paused while it is away.
    SDL_JoystickDetachVirtual(IndexOf("Odd Pad"));
    QCOMPARE(Sample(), 0);
    QCOMPARE(Paused.load(), 1);
    QCOMPARE(Sample(), 0);
    QCOMPARE(Paused.load(), 1);

    // A device of unknown layout plugged in: read as a plain joystick, button 0 shoots
    // through JoyButton_A.
    JoyButton_A = 0;
    QVERIFY2(AttachPlainDevice(0x4444, "Plain Stick") >= 0, SDL_GetError());
    Hold("Plain Stick", 1u << 0);
    Sample();
    QCOMPARE(CurrentJoystick().name, std::string("Plain Stick"));
    QVERIFY(!CurrentJoystick().layout);
    QCOMPARE(Sample(), INPUT_SHOT);
    // Lost outside play (the title): no pause.
    Paused.store(0);
    g.gameMode = MODE_TITLE;
    SDL_JoystickDetachVirtual(IndexOf("Plain Stick"));
    QCOMPARE(Sample(), 0);
    QCOMPARE(Paused.load(), 0);

    DisconnectJoystick();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SettingsPath[0] = '\0';
    QDir(QString::fromUtf8(base)).removeRecursively();
}

// The shot moves from Z to A in the Controls dialog (the laser's X is refused on the way): Z no
// longer shoots, A does, and after a restart (the settings file read again) A still does. The
// file began as one from the Windows program, without the bindings, and its keys stay read.
void QtFrontTest::controlsDialogMovesTheShotKeyAndKeepsIt() {
    const QByteArray base = QDir::tempPath().toUtf8() + "/velkar-controls-test-" +
                            QByteArray::number(static_cast<int>(getpid()));
    QDir().mkpath(QString::fromUtf8(base));
    std::snprintf(SettingsPath, sizeof SettingsPath, "%s/velkar.ini", base.constData());
    QFile windowsFile(QString::fromUtf8(SettingsPath));
    QVERIFY(windowsFile.open(QIODevice::WriteOnly));
    windowsFile.write("[GAME]\r\nGameRank=0\r\n[INPUT]\r\nJoyButton_A=0\r\nJoyButton_B=1\r\n"
                      "JoyButton_C=5\r\nJoyButton_START=-1\r\nJoyButton_PAUSE=-1\r\n");
    windowsFile.close();
    const int32_t savedC = JoyButton_C;
    ReadSettings();
    QCOMPARE(JoyButton_C, 5);
    KeyBindingsInUse.store(1);
    QCOMPARE(ReadControlSettings(SettingsPath), 1);
    QCOMPARE(ActionKey(ACTION_SHOT), static_cast<int32_t>(VKEY_Z));

    MainWindow window(0);
    InstallQtFrontEnd(&window);
    QWidget* view = reinterpret_cast<QWidget*>(window.View());
    const auto shoots = [view](Qt::Key key) {
        RawKeys.store(0);
        QTest::keyPress(view, key);
        const bool shot = (BuildInputBits() & INPUT_SHOT) != 0;
        QTest::keyRelease(view, key);
        return shot;
    };
    QVERIFY(shoots(Qt::Key_Z));
    QVERIFY(!shoots(Qt::Key_A));

    bool answered = false;
    QString refusal;
    QString shownAfterRefusal;
    OnNextModal([&](QWidget* modal) {
        auto* shot = modal->findChild<QPushButton*>(Name(CONTROLS_KEY_ID + ACTION_SHOT));
        auto* message = modal->findChild<QLabel*>(Name(CONTROLS_MESSAGE_ID));
        if (shot == nullptr || message == nullptr) return;
        QTest::mouseClick(shot, Qt::LeftButton);
        QTest::keyClick(shot, Qt::Key_X);
        refusal = message->text();
        shownAfterRefusal = shot->text();
        QTest::mouseClick(shot, Qt::LeftButton);
        QTest::keyClick(shot, Qt::Key_A);
        QTest::mouseClick(modal->findChild<QPushButton*>(Name(1)), Qt::LeftButton);
        answered = true;
    });
    QAction* controls = window.findChild<QAction*>(QStringLiteral("controlsAction"));
    QVERIFY(controls != nullptr);
    controls->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(answered, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() == nullptr, 10000);
    QVERIFY2(refusal.contains(QStringLiteral("Laser")), refusal.toUtf8().constData());
    QCOMPARE(shownAfterRefusal, QStringLiteral("Z"));
    QCOMPARE(GameHold.load(), 0);
    QVERIFY(!shoots(Qt::Key_Z));
    QVERIFY(shoots(Qt::Key_A));
    QCOMPARE(ActionKey(ACTION_LASER), static_cast<int32_t>(VKEY_X));

    // Restart: the defaults first, then the file as the program reads it at start-up.
    ControlBindings defaults;
    DefaultControlBindings(&defaults);
    QCOMPARE(UseControlBindings(defaults), 1);
    QVERIFY(shoots(Qt::Key_Z));
    ReadSettings();
    QCOMPARE(JoyButton_C, 5);
    QCOMPARE(ReadControlSettings(SettingsPath), 1);
    QVERIFY(!shoots(Qt::Key_Z));
    QVERIFY(shoots(Qt::Key_A));

    // A file whose bindings were edited into a conflict gives the defaults.
    SettingsFileBegin(SettingsPath);
    WriteIniInt("CONTROLS", ControlKeySetting(ACTION_BOMB), 'A', SettingsPath);
    QCOMPARE(SettingsFileEnd(SettingsPath), 0);
    QCOMPARE(ReadControlSettings(SettingsPath), 0);
    QVERIFY(shoots(Qt::Key_Z));

    InstallQtFrontEnd(nullptr);
    KeyBindingsInUse.store(0);
    QCOMPARE(UseControlBindings(defaults), 1);
    JoyButton_C = savedC;
    SettingsPath[0] = '\0';
    QDir(QString::fromUtf8(base)).removeRecursively();
}

void QtFrontTest::settingsPathFallsBackToConfigDirectory() {
    const QByteArray base = QDir::tempPath().toUtf8() + "/velkar-qt-test-" +
                            QByteArray::number(static_cast<int>(getpid()));
    QDir().mkpath(QString::fromUtf8(base + "/bin"));
    SetProgramPaths((base + "/bin/velkar").constData(), "/", '/');
    QCOMPARE(QByteArray(SettingsPath), base + "/bin/velkar.ini");
    QCOMPARE(ChooseSettingsPath((base + "/config").constData()), 0); // writable: stays
    QCOMPARE(QByteArray(SettingsPath), base + "/bin/velkar.ini");
    // An installed program never keeps its settings beside itself, even where it may write.
    QCOMPARE(ChooseSettingsPath((base + "/config").constData(), false), 1);
    QCOMPARE(QByteArray(SettingsPath), base + "/config/velkar/velkar.ini");
    // A program directory that cannot be written (here: one that does not exist).
    SetProgramPaths((base + "/missing/velkar").constData(), "/", '/');
    QCOMPARE(ChooseSettingsPath((base + "/config").constData()), 1);
    QCOMPARE(QByteArray(SettingsPath), base + "/config/velkar/velkar.ini");
    QVERIFY(QFileInfo(QString::fromUtf8(base + "/config/velkar")).isDir());
    QDir(QString::fromUtf8(base)).removeRecursively();
}

void QtFrontTest::terminationSignalClosesDialogAndWindow() {
    QWidget window;
    window.show();
    CloseOnTerminationSignals(&window);
    // SIGTERM while a message box is open: the box is cancelled and the window closes.
    bool boxOpen = false;
    OnNextModal([&boxOpen](QWidget*) {
        boxOpen = true;
        std::raise(SIGTERM);
    });
    QMessageBox box(QMessageBox::Question, QStringLiteral("VELKAR"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &box, &QMessageBox::accept);
    guard.start(5000);
    const int answer = box.exec();
    QVERIFY(boxOpen);
    QVERIFY(guard.isActive()); // ended by the signal, not by the guard
    QCOMPARE(answer, static_cast<int>(QMessageBox::Cancel));
    QTRY_VERIFY(!window.isVisible());

    // SIGINT and SIGHUP close it too; nothing else is left to cancel.
    for (int signal : {SIGINT, SIGHUP}) {
        window.show();
        QVERIFY(window.isVisible());
        std::raise(signal);
        QTRY_VERIFY(!window.isVisible());
    }
}

QTEST_MAIN(QtFrontTest)
#include "qt_front_test.moc"
