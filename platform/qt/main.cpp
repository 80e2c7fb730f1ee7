// Entry point of velkar, the Linux program: paths, settings, language, window, devices, the
// frame tick and the game thread, the event loop, and the settings written at the end.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <SDL.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <pwd.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/startup.h"
#include "base/trace.h"
#include "command_line.h"
#include "dialogs.h"
#include "game/game_record.h"
#include "game_view.h"
#include "gfx/canvas.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "linux_shell.h"
#include "main_window.h"
#include "replay/replay.h"
#include "settings/control_settings.h"
#include "settings/settings.h"
#include "ship_icon.h"
#include "sound/sound.h"
#include "sound/wave_reader.h"
#include "sound_device.h"
#include "ui/display_modes.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point startTime;

// Trace messages go to the standard error stream, stamped with the milliseconds since start.
void StderrTrace(const char* message) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime).count();
    std::fprintf(stderr, "[%6lld ms] %s", static_cast<long long>(elapsed), message);
}

// An installed program (built with its data folder, as a package is) takes its effects from
// that folder first and keeps its settings in the user's configuration directory, never beside
// itself; a self-contained build looks beside itself first.
#ifdef VELKAR_DATA_FOLDER
constexpr bool Installed = true;
constexpr const char* DataWaveDirectory = VELKAR_DATA_FOLDER "/Wave";
#else
constexpr bool Installed = false;
const char* const DataWaveDirectory = velkar::InstalledWaveDirectory;
#endif

// The configuration directory for a settings file that cannot live beside the program: the
// home folder comes from the user database when HOME is unset.
const char* ConfigDirectory(char* buffer, size_t size) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') return nullptr;
    std::snprintf(buffer, size, "%s/.config", home);
    return buffer;
}

} // namespace

int main(int argc, char** argv) {
    using namespace velkar;
    if (const int code = PrintInformationOption(argc, argv); code >= 0) return code;
    startTime = Clock::now();
    WaveProgramName = "velkar";
#ifdef NDEBUG
    if (std::getenv("VELKAR_TRACE") != nullptr) SetTraceSink(StderrTrace);
#else
    SetTraceSink(StderrTrace);
#endif
    // The game's tables, glyphs and sprites are made while Qt connects to the display; the
    // result is taken after the paths and settings file are known (InitGame needs neither).
    int32_t initResult = -1;
    std::thread init([&initResult] {
        pthread_setname_np(pthread_self(), "velkar-init");
        initResult = InitGame();
        Trace("game tables made\n");
    });
    QApplication application(argc, argv);
    Trace("connected to the display\n");
    // --record FILE / --replay FILE, checked before anything is shown; a relative FILE is the
    // user's, from the directory the program was started in.
    ReplayArguments replayArguments;
    std::string replayError;
    char startDirectory[PATH_MAX] = {};
    if (getcwd(startDirectory, sizeof startDirectory) == nullptr) startDirectory[0] = '\0';
    if (!ParseReplayArguments(argc, argv, "--", startDirectory, '/', replayArguments,
                              replayError)) {
        std::fprintf(stderr, "velkar: %s\n", replayError.c_str());
        init.join();
        return 2;
    }
    if (const char* unknown = UnknownArgument(argc, argv)) {
        std::fprintf(stderr, "velkar: unknown argument %s (velkar --help lists the options)\n",
                     QuoteReplayText(unknown).c_str());
        init.join();
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("velkar"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.velkar.velkar"));

    // Linux has no Windows generations; it behaves as the newest one (no full-screen lock).
    OsKind = 4;
    char currentDirectory[PATH_MAX] = {};
    if (getcwd(currentDirectory, sizeof currentDirectory) == nullptr) currentDirectory[0] = '\0';
    const QByteArray program = QCoreApplication::applicationFilePath().toUtf8();
    if (!program.isEmpty()) {
        SetProgramPaths(program.constData(), currentDirectory, '/');
        if (chdir(ExeDirectory) != 0) Trace("chdir %s failed\n", ExeDirectory);
    } else {
        SetProgramPaths(nullptr, currentDirectory, '/');
    }
    char configBuffer[PATH_MAX];
    ChooseSettingsPath(ConfigDirectory(configBuffer, sizeof configBuffer), !Installed);
    Trace("settings file %s\n", SettingsPath);

    // While the tables are still being made: SDL's sound and joystick drivers, so that opening
    // the devices later finds them ready. SDL's own signal handlers would swallow SIGTERM and
    // SIGINT (they only queue an event nobody reads here); this program handles them itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool sdlAudio = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    const bool sdlJoystick = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    Trace("start-up: SDL ready\n");
    // The window system's window too, still hidden and without its menu bar: its language
    // comes from the settings, read once the tables are made.
    MainWindow window;
    window.winId();
    Trace("start-up: window made\n");

    init.join();
    Trace("start-up: init joined\n");
    BeginStartup();
    if (initResult < 0) {
        ShowMessageBox(nullptr, &STARTUP_APPLICATION_INIT);
        return 0;
    }
    ReadSettings();
    // The player's keys and pad buttons, kept in the same file (a file from the Windows program
    // has none: the defaults).
    KeyBindingsInUse.store(1);
    ReadControlSettings(SettingsPath);
    // A take-over (T while a replay plays) records beside the settings file.
    {
        const std::string settings = SettingsPath;
        const size_t slash = settings.rfind('/');
        SetTakeOverFolder(slash == std::string::npos ? "./" : settings.substr(0, slash + 1),
                          "velkar");
    }
    if (!BeginReplaySession(replayArguments, "velkar", replayError)) {
        std::fprintf(stderr, "velkar: %s\n", replayError.c_str());
        return 2;
    }
    DecideLanguage(QLocale::system().name().toUtf8().constData(), 1);
    SetEffectDirectories(ExeDirectory, DataWaveDirectory, Installed);

    QIcon icon;
    const QImage small = ShipIconImage(32);
    if (!small.isNull()) {
        icon.addPixmap(QPixmap::fromImage(small));
        icon.addPixmap(QPixmap::fromImage(
            small.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
        QApplication::setWindowIcon(icon);
    }

    window.SetMenuLanguage(Language);
    InstallQtFrontEnd(&window);
    CloseOnTerminationSignals(&window);
    Trace("start-up: menus made\n");

    // Window creation: canvases, devices, then the frame tick. Without a sound device the game
    // runs silently (the trace says why) and a later sound restart looks for one again.
    SoundDeviceRequired = 0;
    bool created = true;
    if (CreateCanvases(ProgramPainter) < 0) {
        ShowMessageBox(&window, &STARTUP_ALLOCATE_OFFSCREEN);
        created = false;
    } else if (OpenDevices(nullptr, &window) < 0) {
        ShowMessageBox(&window, &STARTUP_OPEN_DEVICES);
        DestroyCanvases(ProgramPainter);
        created = false;
    } else {
        WatchSoundDevice(&window);
        StartFrameTick();
    }
    Trace("start-up: devices open\n");
    window.SetClientSize(CLIENT_WIDTH_X2, CLIENT_HEIGHT_X2);
    window.show();
    Trace("start-up: window shown\n");
    window.View()->setFocus();

    // Window destruction: the game held, full screen left, the tick and the game thread
    // stopped, the devices closed and the canvases freed.
    window.SetCloseHook([&created] {
        if (!created) return;
        StopGameLoop(TheMainWindow());
        created = false;
    });

    if (EnumerateScreens() < 0) {
        FreeDisplayDeviceList();
        StopFrameTick();
        std::_Exit(0);
    }
    ClampDisplaySettings();

    int code = 0;
    if (created) {
        if (!StartGameLoopThread()) {
            ShowMessageBox(nullptr, &STARTUP_CREATE_THREAD);
            StopFrameTick();
            std::_Exit(0);
        }
        Trace("start-up: game thread started\n");
        code = application.exec();
    }
    window.close();
    EndReplaySession(); // a replay's rank and scores are not the player's to keep
    WriteSettings();
    WriteControlSettings(SettingsPath);
    FreeDisplayDeviceList();
    if (sdlJoystick) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    if (sdlAudio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return code;
}
