// The whole running loop of the Linux program under the offscreen platform: the real frame
// tick, game thread, sound output and presentation hand-over, with the UI thread holding and
// releasing the game around menus, dialogs, pause, sound restarts and full screen. Also the
// build that ThreadSanitizer runs.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <SDL.h>
#include <atomic>
#include <cstring>
#include <functional>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/startup.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "game_view.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "linux_shell.h"
#include "main_window.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "ui/device_config.h"
#include "ui/display_modes.h"

using namespace velkar;

namespace {

// Game frames run so far; written by the game thread only.
std::atomic<int64_t> framesRun{0};

// A name request in the manner of the game-over screen: set by the test, taken up by the game
// thread, which then waits for the name and keeps it in nameReceived.
std::atomic<int32_t> askForName{0};
std::atomic<int32_t> nameArrived{0};
char nameReceived[sizeof NameBuffer];

void CountedFrame(Painter& painter) {
    framesRun.fetch_add(1);
    if (askForName.exchange(0) != 0) {
        NameEntryPosted.store(0);
        NameEntryDone.store(0);
        NameEntryRequested.store(1);
    }
    if (NameEntryRequested.load() != 0) {
        if (NameEntryDone.load(std::memory_order_acquire) != 0) {
            std::memcpy(nameReceived, NameBuffer, sizeof nameReceived);
            NameEntryRequested.store(0);
            NameEntryPosted.store(0);
            NameEntryDone.store(0);
            nameArrived.store(1, std::memory_order_release);
        }
        return; // the game-over screen only waits meanwhile
    }
    RunGameFrame(painter);
}

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

// True when no game frame runs for the given time (the UI thread keeps its events going).
bool NoFramesFor(int milliseconds) {
    const int64_t before = framesRun.load();
    QTest::qWait(milliseconds);
    return framesRun.load() == before;
}

// True when frames run again within the time allowed (generous: sanitizer builds are slow).
bool FramesResume() {
    const int64_t before = framesRun.load();
    return QTest::qWaitFor([before] { return framesRun.load() >= before + 3; }, 10000);
}

} // namespace

class QtLoopTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void framesRunAndArePresented();
    void holdStopsFramesUntilReleased();
    void menuPopupHoldsTheGame();
    void pauseAndSoundRestartWhileRunning();
    void deviceConfigurationWhileRunning();
    void joystickPauseButtonWhileRunning();
    void nameEntryKeepsTheGameAndPausesPresentation();
    void fullScreenThereAndBack();
    void cleanupTestCase();

  private:
    MainWindow* window_ = nullptr;
    int joystickIndex_ = -1;
};

void QtLoopTest::initTestCase() {
    QCOMPARE(InitGame(), 0);
    QVERIFY(CreateCanvases(ProgramPainter) == 0);
    SetEffectDirectories(VELKAR_TEST_BUILD_DIR, nullptr);
    // A plain joystick (no known layout), so that the game thread polls it and reads the button
    // assignments each tick.
    QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    joystickIndex_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 16, 0);
    QVERIFY2(joystickIndex_ >= 0, SDL_GetError());
    window_ = new MainWindow(0);
    InstallQtFrontEnd(window_);
    QCOMPARE(OpenDevices(nullptr, window_), 0);
    QCOMPARE(JoystickPresent.load(), 1);
    GameFrameRoutine = CountedFrame;
    StartFrameTick();
    QVERIFY(StartGameLoopThread());
    window_->SetClientSize(CLIENT_WIDTH_X2, CLIENT_HEIGHT_X2);
    window_->show();
    QCOMPARE(EnumerateScreens(), 0);
    ClampDisplaySettings();
}

void QtLoopTest::framesRunAndArePresented() {
    const int64_t presented = PresentedFrameCount();
    QTRY_VERIFY_WITH_TIMEOUT(framesRun.load() >= 30, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(PresentedFrameCount() >= presented + 20, 20000);
    // The attract sequence draws something: the view no longer shows a black picture.
    const QImage shown = window_->View()->grab().toImage();
    bool drawn = false;
    for (int y = 0; y < shown.height() && !drawn; y += 4)
        for (int x = 0; x < shown.width() && !drawn; x += 4)
            drawn = (shown.pixel(x, y) & 0xffffff) != 0;
    QVERIFY(drawn);
}

void QtLoopTest::holdStopsFramesUntilReleased() {
    for (int round = 0; round < 5; ++round) {
        HoldGame();
        QVERIFY(NoFramesFor(100));
        ReleaseGame();
        QVERIFY(FramesResume());
    }
}

void QtLoopTest::menuPopupHoldsTheGame() {
    QMenu* game = window_->Popup(0);
    QVERIFY(game != nullptr);
    game->popup(window_->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(game->isVisible());
    QCOMPARE(GameHold.load(), 1);
    QVERIFY(NoFramesFor(150));
    game->hide();
    QTRY_COMPARE(GameHold.load(), 0);
    QVERIFY(FramesResume());
}

void QtLoopTest::pauseAndSoundRestartWhileRunning() {
    RunCommand(CMD_PAUSE);
    QCOMPARE(Paused.load(), 1);
    // A frame that had already begun may still end; once it has, none follows.
    HoldGame();
    ReleaseGame();
    QVERIFY(NoFramesFor(100));
    RunCommand(CMD_PAUSE);
    QCOMPARE(Paused.load(), 0);
    QVERIFY(FramesResume());
    // Sound off and on: the voices are released and made again while the game runs on.
    const int32_t sound = EnableSound;
    RunCommand(CMD_ENABLE_SOUND);
    QVERIFY(FramesResume());
    RunCommand(CMD_ENABLE_SOUND);
    QCOMPARE(static_cast<int32_t>(EnableSound), sound);
    QVERIFY(FramesResume());
}

void QtLoopTest::deviceConfigurationWhileRunning() {
    // The joystick buttons are read by the game thread every frame, even while it is held, and
    // changed by the dialog; the test's own changes go the same shared way.
    StoreSharedSetting(JoyButton_A, 0);
    StoreSharedSetting(JoyButton_B, 1);
    StoreSharedSetting(JoyButton_C, 2);
    StoreSharedSetting(JoyButton_START, 3);
    StoreSharedSetting(JoyButton_PAUSE, 4);
    bool heldWhileOpen = false;
    QString complaint;
    OnNextModal([&heldWhileOpen, &complaint](QWidget* modal) {
        heldWhileOpen = GameHold.load() == 1 && NoFramesFor(100);
        auto* list =
            modal->findChild<QComboBox*>(QStringLiteral("ctl%1").arg(DEVCFG_BUTTON_A_LIST));
        if (list != nullptr) list->setCurrentIndex(11); // button 11 (index 0 is "None")
        // A complaint about the choice would come as a message box; it is answered and the
        // dialog cancelled, so that the test fails instead of waiting.
        QTimer::singleShot(0, [&complaint, modal] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr || box == modal) return;
            complaint = box->property("text").toString();
            box->close();
            modal->close();
        });
        if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("ctl%1").arg(DEVCFG_OK)))
            ok->click();
    });
    RunCommand(CMD_DEVICE_CONFIG);
    QCOMPARE(complaint, QString());
    QVERIFY(heldWhileOpen);
    QCOMPARE(LoadSharedSetting(JoyButton_A), 10);
    QCOMPARE(GameHold.load(), 0);
    QVERIFY(FramesResume());
}

void QtLoopTest::joystickPauseButtonWhileRunning() {
    SDL_Joystick* device =
        SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(joystickIndex_));
    QVERIFY(device != nullptr);
    StoreSharedSetting(JoyButton_PAUSE, 6);
    QCOMPARE(Paused.load(), 0);
    // Pressed for a moment: the game thread sees the button and pauses the game.
    SDL_JoystickSetVirtualButton(device, 6, 1);
    QTRY_VERIFY_WITH_TIMEOUT(Paused.load() == 1, 10000);
    SDL_JoystickSetVirtualButton(device, 6, 0);
    HoldGame();
    ReleaseGame();
    QCOMPARE(Paused.load(), 1);
    RunCommand(CMD_PAUSE);
    QCOMPARE(Paused.load(), 0);
    QVERIFY(FramesResume());
    StoreSharedSetting(JoyButton_PAUSE, -1);
}

void QtLoopTest::nameEntryKeepsTheGameAndPausesPresentation() {
    bool framesWhileOpen = false;
    bool presentationPaused = false;
    OnNextModal([&](QWidget* modal) {
        // A frame handed over before the request may still wait for the event loop (a busy
        // machine delays it): let it be taken first. Frames run after the request are never
        // handed over, so the count then stays.
        framesWhileOpen = FramesResume();
        const int64_t presented = PresentedFrameCount();
        framesWhileOpen = framesWhileOpen && FramesResume();
        presentationPaused = PresentedFrameCount() == presented;
        auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("ctl1010"));
        if (edit != nullptr) {
            QTest::keyClicks(edit, QStringLiteral("ACE"));
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });
    askForName.store(1);
    // The tick thread posts the request; the dialog opens from the event loop.
    QTRY_VERIFY_WITH_TIMEOUT(nameArrived.load(std::memory_order_acquire) == 1, 20000);
    QCOMPARE(QByteArray(nameReceived), QByteArray("ACE"));
    QVERIFY(framesWhileOpen);
    QVERIFY(presentationPaused);
    const int64_t presented = PresentedFrameCount();
    QTRY_VERIFY_WITH_TIMEOUT(PresentedFrameCount() > presented, 10000);
}

void QtLoopTest::fullScreenThereAndBack() {
    RunCommand(CMD_FULL_SCREEN);
    QCOMPARE(FullScreen.load(), 1);
    QVERIFY(FramesResume());
    const int64_t presented = PresentedFrameCount();
    QTRY_VERIFY_WITH_TIMEOUT(PresentedFrameCount() > presented, 10000);
    RunCommand(CMD_FULL_SCREEN);
    QCOMPARE(FullScreen.load(), 0);
    QVERIFY(FramesResume());
}

void QtLoopTest::cleanupTestCase() {
    StopGameLoop(window_);
    QVERIFY(!FrameTickRunning());
    QVERIFY(NoFramesFor(100));
    SDL_JoystickDetachVirtual(joystickIndex_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    delete window_;
    window_ = nullptr;
    FreeDisplayDeviceList();
}

QTEST_MAIN(QtLoopTest)
#include "qt_loop_test.moc"
