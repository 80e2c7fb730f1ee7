// The Linux program without a working sound device, under the offscreen platform with the real
// frame tick, game thread and SDL sound output: it starts and plays when no driver can open a
// device, goes on silently when the device is removed while playing, and finds sound again at
// the next sound restart (Enable Sound, or OK in Device Configuration).
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <SDL.h>
#include <atomic>
#include <functional>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/startup.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "game_view.h"
#include "gfx/canvas.h"
#include "linux_shell.h"
#include "main_window.h"
#include "sdl_audio.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "sound_device.h"
#include "ui/device_config.h"
#include "ui/display_modes.h"

using namespace velkar;

namespace {

std::atomic<int64_t> framesRun{0};

void CountedFrame(Painter& painter) {
    framesRun.fetch_add(1);
    RunGameFrame(painter);
}

// Mixed blocks that carried sound, counted on the audio thread.
std::atomic<int64_t> loudBlocks{0};
void CountLoudBlocks(const int16_t* samples, int32_t frames, int32_t channels) {
    for (int32_t i = 0; i < frames * channels; ++i) {
        if (samples[i] != 0) {
            loudBlocks.fetch_add(1);
            return;
        }
    }
}

bool FramesResume() {
    const int64_t before = framesRun.load();
    return QTest::qWaitFor([before] { return framesRun.load() >= before + 10; }, 10000);
}

// Plays the rapid-shot effect as a game frame would, with no frame running meanwhile.
int32_t PlayShot() {
    HoldGame();
    const int32_t result = PlayEffect(5);
    ReleaseGame();
    return result;
}

// True when the effect, once played, reaches the device as sound.
bool ShotIsHeard() {
    const int64_t before = loudBlocks.load();
    if (PlayShot() != 0) return false;
    return QTest::qWaitFor([before] { return loudBlocks.load() > before; }, 10000);
}

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

} // namespace

class QtSoundDeviceTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void startsAndPlaysWithoutADevice();
    void enableSoundOpensAWorkingDriver();
    void aRemovedDeviceLeavesTheGameRunningSilently();
    void deviceConfigurationOkOpensItAgain();
    void cleanupTestCase();

  private:
    MainWindow* window_ = nullptr;
};

void QtSoundDeviceTest::initTestCase() {
    // A driver SDL does not have: no device can open, as on a machine without sound.
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    QCOMPARE(InitGame(), 0);
    QVERIFY(CreateCanvases(ProgramPainter) == 0);
    SetEffectDirectories(VELKAR_TEST_BUILD_DIR, nullptr);
    EnableSound = 1;
    window_ = new MainWindow(0);
    InstallQtFrontEnd(window_);
    SoundDeviceRequired = 0; // as the program sets it
    QCOMPARE(OpenDevices(nullptr, window_), 0);
    WatchSoundDevice(window_);
    SetSdlMixTap(CountLoudBlocks);
    GameFrameRoutine = CountedFrame;
    StartFrameTick();
    QVERIFY(StartGameLoopThread());
    window_->SetClientSize(CLIENT_WIDTH_X2, CLIENT_HEIGHT_X2);
    window_->show();
    QCOMPARE(EnumerateScreens(), 0);
    ClampDisplaySettings();
}

void QtSoundDeviceTest::startsAndPlaysWithoutADevice() {
    QCOMPARE(SoundReady, 0);
    QCOMPARE(SdlAudioCurrentFormat().open, 0);
    QVERIFY(window_->isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr); // no message box
    const int64_t presented = PresentedFrameCount();
    QTRY_VERIFY_WITH_TIMEOUT(framesRun.load() >= 30, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(PresentedFrameCount() >= presented + 10, 20000);
    QCOMPARE(PlayShot(), -1); // nothing loaded, nothing heard
}

void QtSoundDeviceTest::enableSoundOpensAWorkingDriver() {
    qputenv("SDL_AUDIODRIVER", "dummy");
    QAction* enable = window_->Action(CMD_ENABLE_SOUND);
    QVERIFY(enable != nullptr);
    enable->trigger(); // sound off: nothing to look for
    QTRY_COMPARE(static_cast<int32_t>(EnableSound), 0);
    QTest::qWait(100);
    QCOMPARE(SoundReady, 0);
    enable->trigger(); // sound on: a device is looked for again
    QTRY_COMPARE_WITH_TIMEOUT(SoundReady, 1, 10000);
    QCOMPARE(SdlAudioCurrentFormat().open, 1);
    QCOMPARE(EffectLoadResult[5], 0);
    QVERIFY(FramesResume());
    QVERIFY(ShotIsHeard());
}

void QtSoundDeviceTest::aRemovedDeviceLeavesTheGameRunningSilently() {
    QCOMPARE(SoundReady, 1);
    SDL_Event removed{};
    removed.type = SDL_AUDIODEVICEREMOVED;
    removed.adevice.which = SdlAudioDeviceId();
    removed.adevice.iscapture = 0;
    QCOMPARE(SDL_PushEvent(&removed), 1);
    // The watch lets the device go; the game goes on.
    QTRY_COMPARE_WITH_TIMEOUT(SoundReady, 0, 5000);
    QCOMPARE(SdlAudioCurrentFormat().open, 0);
    QVERIFY(FramesResume());
    const int64_t presented = PresentedFrameCount();
    QTRY_VERIFY_WITH_TIMEOUT(PresentedFrameCount() >= presented + 10, 10000);
    const int64_t heard = loudBlocks.load();
    QCOMPARE(PlayShot(), -1);
    QTest::qWait(200);
    QCOMPARE(loudBlocks.load(), heard);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void QtSoundDeviceTest::deviceConfigurationOkOpensItAgain() {
    QCOMPARE(SoundReady, 0);
    OnNextModal([](QWidget* modal) {
        if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("ctl%1").arg(DEVCFG_OK)))
            ok->click();
    });
    RunCommand(CMD_DEVICE_CONFIG);
    QCOMPARE(SoundReady, 1);
    QCOMPARE(SdlAudioCurrentFormat().open, 1);
    QCOMPARE(GameHold.load(), 0);
    QVERIFY(FramesResume());
    QVERIFY(ShotIsHeard());
}

void QtSoundDeviceTest::cleanupTestCase() {
    StopGameLoop(window_);
    SetSdlMixTap(nullptr);
    delete window_;
    window_ = nullptr;
    FreeDisplayDeviceList();
}

QTEST_MAIN(QtSoundDeviceTest)
#include "qt_sound_device_test.moc"
