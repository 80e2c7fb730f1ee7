// Settings path, screen list and the 16 ms frame tick of the Linux program.
#include "linux_shell.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/startup.h"
#include "base/trace.h"
#include "game_view.h"
#include "gfx/canvas.h"
#include "main_window.h"
#include "replay/replay.h"
#include "settings/settings.h"
#include "ui/display_modes.h"

namespace velkar {

namespace {

bool PlaceWritable(const char* directory, const char* file) {
    if (access(directory, W_OK) != 0) return false;
    return access(file, F_OK) != 0 || access(file, W_OK) == 0;
}

void ShowDisplayError(const char* text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(DISPLAY_ERROR_CAPTION),
                    QString::fromUtf8(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

int32_t ChooseSettingsPath(const char* configDirectory, bool besideAllowed) {
    if (besideAllowed && PlaceWritable(ExeDirectory, SettingsPath)) return 0;
    if (configDirectory == nullptr || configDirectory[0] == '\0') return 0;
    const char* name = std::strrchr(SettingsPath, '/');
    name = name != nullptr ? name + 1 : SettingsPath;
    char directory[sizeof SettingsPath];
    int length = std::snprintf(directory, sizeof directory, "%s/velkar", configDirectory);
    if (length < 0 || static_cast<size_t>(length) >= sizeof directory) return 0;
    char path[sizeof SettingsPath];
    length = std::snprintf(path, sizeof path, "%s/%s", directory, name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return 0;
    mkdir(configDirectory, 0755);
    mkdir(directory, 0755);
    std::memcpy(SettingsPath, path, static_cast<size_t>(length) + 1);
    return 1;
}

int32_t EnumerateScreens() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr || screens.isEmpty()) {
        ShowDisplayError(DISPLAY_ERROR_ENUM_1);
        return -1;
    }
    for (QScreen* screen : screens)
        NoteDisplayDevice(screen->model().toUtf8().constData(),
                          screen->name().toUtf8().constData());
    if (CreateDisplayDeviceList(static_cast<int32_t>(screens.size())) < 0) {
        ShowDisplayError(DISPLAY_ERROR_ALLOCATION);
        return -1;
    }
    for (int32_t i = 0; i < screens.size(); ++i) {
        // The identifier only has to tell the screens apart: their place in Qt's list.
        uint8_t id[16] = {};
        id[0] = static_cast<uint8_t>(i + 1);
        if (SetDisplayDeviceEntry(i + 1, id, screens[i]->name().toUtf8().constData()) < 0) {
            ShowDisplayError(DISPLAY_ERROR_ENUM_2);
            return -1;
        }
    }
    for (int32_t i = 0; i < DisplayDeviceCount; ++i) {
        QScreen* screen = i == 0 ? primary : screens[i - 1];
        // The desktop keeps its mode: each screen offers its current size, paced at 60 frames
        // per second by the game's own tick whatever the screen's refresh rate.
        const QSize size = screen->geometry().size();
        AddDisplayMode(&DisplayDeviceList[i],
                       MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH,
                       static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height()),
                       DISPLAY_REFRESH);
        if (FinishDisplayModes(&DisplayDeviceList[i]) < 0) {
            ShowDisplayError(DISPLAY_ERROR_NO_60HZ);
            return -1;
        }
    }
    return 0;
}

namespace {

std::mutex tickLock;
std::condition_variable tickStop;
bool tickStopping = false; // guarded by tickLock
std::thread tickThread;

constexpr std::chrono::milliseconds TICK_PERIOD{16};

void TickLoop() {
    pthread_setname_np(pthread_self(), "velkar-tick");
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + TICK_PERIOD;
    std::unique_lock<std::mutex> lock(tickLock);
    for (;;) {
        if (tickStop.wait_until(lock, deadline, [] { return tickStopping; })) return;
        lock.unlock();
        FrameTick();
        lock.lock();
        deadline += TICK_PERIOD;
        // After a long stall (a suspended machine) start afresh instead of ticking in a burst.
        const Clock::time_point now = Clock::now();
        if (deadline + TICK_PERIOD * 4 < now) deadline = now + TICK_PERIOD;
    }
}

} // namespace

void StartFrameTick() {
    if (tickThread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(tickLock);
        tickStopping = false;
    }
    tickThread = std::thread(TickLoop);
}

void StopFrameTick() {
    if (!tickThread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(tickLock);
        tickStopping = true;
    }
    tickStop.notify_all();
    tickThread.join();
}

bool FrameTickRunning() {
    return tickThread.joinable();
}

namespace {

std::thread gameThread;

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

bool StartGameLoopThread() {
    if (gameThread.joinable()) return true;
    try {
        gameThread = std::thread([] {
            // Named so that per-thread tools (top -H, /proc) tell it from the others.
            pthread_setname_np(pthread_self(), "velkar-game");
            GameThread();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void StopGameLoop(MainWindow* window) {
    HoldGame();
    Pause(100);
    if (window != nullptr && FullScreen.load() != 0) {
        window->ReleaseFullScreen();
        window->ShowCursorCount(1);
        Pause(200);
    }
    StopFrameTick();
    Pause(100);
    // No frame is released any more; the game thread ends before the devices close, so that
    // no poll or effect can reach a closed device.
    if (gameThread.joinable()) {
        StopGameThread();
        gameThread.join();
    }
    // The last frame is still on the screen buffer: the recording's closing digest.
    FinishRecording();
    CloseDevices();
    SetPresentationView(nullptr);
    DestroyCanvases(ProgramPainter);
}

namespace {

int signalPipe[2] = {-1, -1};

// Only an async-signal-safe write here: the event loop reads the byte and closes the window.
void OnTerminationSignal(int) {
    const char byte = 1;
    const ssize_t written = write(signalPipe[1], &byte, 1);
    (void)written;
}

} // namespace

void CloseOnTerminationSignals(QWidget* window) {
    if (signalPipe[0] >= 0) return;
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        Trace("termination signal: closing the window\n");
        // A dialog or message box open at the time is cancelled first, as its Escape would.
        for (int i = 0; i < 8 && QApplication::activeModalWidget() != nullptr; ++i)
            QApplication::activeModalWidget()->close();
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace velkar
