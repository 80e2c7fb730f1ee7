// The game in a web page: start-up, the frame step the page calls at the game's 16 ms rate, the
// menu commands and dialogs as routines the page's script calls, and the texts it shows.
#include <emscripten/emscripten.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "app/menu_state.h"
#include "app/platform_seam.h"
#include "app/startup.h"
#include "base/file_read.h"
#include "base/trace.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "gfx/canvas.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "replay/replay.h"
#include "settings/control_settings.h"
#include "settings/settings.h"
#include "sim_settings.h"
#include "sim_state.h"
#include "sound/sound.h"
#include "synth.h"
#include "ui/device_config.h"
#include "ui/dialog_texts.h"
#include "ui/display_modes.h"
#include "ui/name_entry.h"
#include "web_front.h"

using namespace velkar;

namespace {

// The settings file lives in the browser's IndexedDB, mounted here by the page before start.
constexpr const char* SETTINGS_FILE = "/settings/velkar.ini";
// The effects are synthesized into the page's memory file system here at start-up, by the
// synthesizer that writes the other programs' effect files: the page downloads a few numbers
// per effect instead of half a megabyte of samples.
constexpr const char* WAVE_DIRECTORY = "/game/Wave";

// 0, or -1 when a file could not be written (the game then runs without that effect).
int32_t SynthesizeEffects() {
    mkdir("/game", 0755);
    mkdir(WAVE_DIRECTORY, 0755);
    int32_t result = 0;
    for (const sfx::Recipe& recipe : sfx::Recipes) {
        const std::vector<uint8_t> bytes = sfx::WaveFile(sfx::Synthesize(recipe));
        const std::string path = std::string(WAVE_DIRECTORY) + "/" + recipe.fileName;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            result = -1;
            continue;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written) result = -1;
    }
    return result;
}

EM_JS(void, JsTrace, (const char* message), { console.log(UTF8ToString(message).trimEnd()); });
EM_JS(int32_t, JsShowMessage, (const char* text, const char* caption, int32_t style),
      { return velkarUi.messageAnswer(UTF8ToString(text), UTF8ToString(caption), style); });
EM_JS(void, JsSetClientSize, (int32_t width, int32_t height),
      { velkarUi.setClientSize(width, height); });
EM_JS(void, JsToggleFullScreen, (int32_t enter), { velkarUi.toggleFullScreen(enter); });
EM_JS(void, JsClose, (), { velkarUi.close(); });
EM_JS(void, JsSyncSettings, (), { velkarUi.syncSettings(); });
EM_JS(void, JsRecordingFull, (), { velkarUi.recordingFull(); });

// Answers prepared by the page before it runs a command: the page's dialogs are not modal to
// the program, so it asks first and then runs the command with the answer in hand.
int32_t preparedAnswer = MSG_ANSWER_CANCEL;
bool namePrepared = false;
std::string preparedName;
DeviceConfigModel deviceModel;
const MessageText* deviceMessage = nullptr;

int32_t FrontShowMessage(const MessageText* message) {
    if (message == &CLEAR_HISCORE_QUESTION) return preparedAnswer;
    // Other boxes tell something and only have OK.
    return JsShowMessage(message->text, message->caption, message->style);
}

int32_t FrontRunDialog(int32_t templateId) {
    switch (DialogKindOf(templateId)) {
    case DIALOG_KIND_NAME_ENTRY:
        return namePrepared ? AcceptNameEntry(preparedName.c_str()) : CancelNameEntry();
    case DIALOG_KIND_DEVICE_CONFIG:
        deviceMessage = nullptr;
        return AcceptDeviceConfig(&deviceModel, &deviceMessage);
    default:
        return 1;
    }
}

void FrontToggleFullScreen() {
    JsToggleFullScreen(FullScreen.load());
}

void FrontGetWindowOrigin(int32_t* left, int32_t* top) {
    *left = 0;
    *top = 0;
}

// The page has no window frame: the outer size is the picture's size.
void FrontPlaceWindow(int32_t, int32_t, int32_t outerWidth, int32_t outerHeight) {
    JsSetClientSize(outerWidth, outerHeight);
}

void FrontGetMetrics(WindowMetrics* metrics) {
    *metrics = WindowMetrics{};
}

void FrontPostClose() {
    JsClose();
}

void FrontRestartSound() {
    SoundRestart(nullptr);
}

// A page cannot block; the game is held by GameHold alone, which needs no pause here because
// the page runs every frame itself.
void FrontSleep(int32_t) {}
void FrontDialogOverFullScreen(int32_t) {}
void FrontShowCursor(int32_t) {}

const WindowFrontEnd WEB_FRONT_END = {
    FrontShowMessage,
    FrontRunDialog,
    FrontToggleFullScreen,
    FrontGetWindowOrigin,
    FrontPlaceWindow,
    FrontGetMetrics,
    FrontPostClose,
    FrontRestartSound,
    FrontSleep,
    FrontDialogOverFullScreen,
    FrontShowCursor,
};

// The session's recording: every frame from start-up, in the page's memory file system, where
// the page takes copies of it (closed at the frame they are taken) to keep and to save.
constexpr const char* RECORDING_FILE = "/session.vrp";
// The recording stops before it grows past what any reader takes: a frame writes at most a
// few hundred bytes, and a copy adds its closing lines.
constexpr long RECORDING_MAX_BYTES = static_cast<long>(REPLAY_MAX_FILE_BYTES) - (64 << 10);
// The frames of a recording that was closed because it was full (-1: none was).
int64_t recordedFrames = -1;

// What the settings and hi-scores were when last written.
std::string writtenSettings;

std::string SettingsSnapshot() {
    return sim::SettingsJson() + sim::RankingJson() + ControlsSnapshot();
}

void AppendJsonString(std::string& out, const char* text) {
    out += sim::JsonString(text);
}

struct TextField {
    const char* key;
    const char* text;
};

// "key":"text",... without braces.
void AppendFields(std::string& out, std::initializer_list<TextField> fields) {
    bool first = true;
    for (const TextField& field : fields) {
        if (!first) out += ",";
        first = false;
        out += "\"";
        out += field.key;
        out += "\":";
        AppendJsonString(out, field.text);
    }
}

void AppendTextList(std::string& out, const char* const* texts, int32_t count) {
    out += "[";
    for (int32_t i = 0; i < count; ++i) {
        if (i) out += ",";
        AppendJsonString(out, texts[i]);
    }
    out += "]";
}

// Every text the page shows for the program: the menu in both languages, the question, and
// the dialogs' texts in both languages.
std::string TextsJson() {
    std::string out = "{\"menu\":[";
    for (int32_t i = 0; i < MAIN_MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MAIN_MENU[i];
        char head[64];
        std::snprintf(head, sizeof head, "%s{\"kind\":%d,\"id\":%d,\"text\":", i ? "," : "",
                      entry.kind, entry.id);
        out += head;
        const char* const both[2] = {entry.english, entry.japanese};
        AppendTextList(out, both, 2);
        out += "}";
    }
    out += "],\"clearQuestion\":{";
    AppendFields(
        out, {{"text", CLEAR_HISCORE_QUESTION.text}, {"caption", CLEAR_HISCORE_QUESTION.caption}});
    out += "}";
    for (int32_t l = 0; l < 2; ++l) {
        const DeviceConfigTexts& t = DEVICE_CONFIG_TEXTS[l];
        out += l ? ",{" : ",\"device\":[{";
        AppendFields(out, {{"caption", t.caption},
                           {"inputGroup", t.inputGroup},
                           {"connectLabel", t.connectLabel},
                           {"soundGroup", t.soundGroup},
                           {"bgmNote", t.bgmNote},
                           {"effectNote", t.effectNote},
                           {"ok", t.okButton},
                           {"cancel", t.cancelButton},
                           {"default", t.defaultButton}});
        out += ",\"buttonLabel\":";
        AppendTextList(out, t.buttonLabel, DEVCFG_BUTTON_LISTS);
        out += "}";
    }
    out += "],\"buttonItems\":";
    AppendTextList(out, DEVCFG_BUTTON_ITEM_TEXT, DEVCFG_BUTTON_ITEMS);
    out += ",";
    AppendFields(out, {{"connected", DEVCFG_CONNECTED_TEXT},
                       {"notFound", DEVCFG_NOT_FOUND_TEXT},
                       {"version", ABOUT_VERSION}});
    for (int32_t l = 0; l < 2; ++l) {
        const NameEntryTexts& t = NAME_ENTRY_TEXTS[l];
        out += l ? ",{" : ",\"nameEntry\":[{";
        AppendFields(out, {{"caption", t.caption},
                           {"heading", t.heading},
                           {"prompt", t.prompt},
                           {"ok", t.okButton}});
        out += "}";
    }
    for (int32_t l = 0; l < 2; ++l) {
        const AboutTexts& t = ABOUT_TEXTS[l];
        out += l ? ",{" : "],\"about\":[{";
        AppendFields(out, {{"caption", t.caption},
                           {"title", t.title},
                           {"versionLabel", t.versionLabel},
                           {"systems", t.systems},
                           {"ok", t.okButton}});
        out += "}";
    }
    out += "]}";
    return out;
}

std::string returned; // the text of the last routine that returns one

const char* Return(std::string text) {
    returned = std::move(text);
    return returned.c_str();
}

// The language taken at start-up, from the settings or the browser: the dialogs keep it when
// Automatic is chosen later in the session, rather than falling back to English.
int32_t startLanguage = 0;

int64_t framesRun = 0;
int32_t ticks = 0;
// Settings are compared with the written ones twice a second.
constexpr int32_t SETTINGS_CHECK_TICKS = 30;

// Looked at twice a second: the frames between two looks add far less than the margin.
void CloseRecordingIfFull() {
    struct stat info = {};
    if (!Recording() || stat(RECORDING_FILE, &info) != 0 || info.st_size <= RECORDING_MAX_BYTES)
        return;
    FinishRecording();
    recordedFrames = framesRun;
    JsRecordingFull();
}

} // namespace

namespace velkar {

void WriteSettingsIfChanged() {
    // A replay's rank and hi-scores are in place while it plays: they are not the player's.
    if (ReplayPlaying() != 0) return;
    std::string now = SettingsSnapshot();
    if (now == writtenSettings) return;
    if (WriteSettings() == 0 && WriteControlSettings(SettingsPath) == 0) {
        writtenSettings = std::move(now);
        JsSyncSettings();
    }
}

} // namespace velkar

extern "C" {

// Start-up, once the page has loaded the settings from the browser's storage. browserLanguage
// is navigator.language. 0, or -1 when the game cannot run (the page says so).
EMSCRIPTEN_KEEPALIVE int32_t web_start(const char* browserLanguage, int32_t trace,
                                       int32_t screenWidth, int32_t screenHeight) {
    if (trace != 0) SetTraceSink(JsTrace);
    OsKind = 4; // no Windows generation; nothing locks full screen
    if (InitGame() != 0) return -1;
    BeginStartup();
    std::snprintf(SettingsPath, sizeof SettingsPath, "%s", SETTINGS_FILE);
    // A replay taken over is recorded as the session's recording.
    SetTakeOverFile(RECORDING_FILE, "velkar-web");
    ReadSettings();
    // The player's keys and pad buttons, kept in the same settings.
    KeyBindingsInUse.store(1);
    ReadControlSettings(SettingsPath);
    writtenSettings = SettingsSnapshot();
    DecideLanguage(browserLanguage, 1);
    startLanguage = Language == 1 ? 1 : 0;
    if (SynthesizeEffects() != 0) Trace("effects: not all could be synthesized\n");
    SetEffectDirectories(nullptr, WAVE_DIRECTORY);
    // One display: the screen the page is on, at its own size.
    if (CreateDisplayDeviceList(0) == 0) {
        AddDisplayMode(&DisplayDeviceList[0],
                       MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH,
                       static_cast<uint32_t>(screenWidth), static_cast<uint32_t>(screenHeight),
                       DISPLAY_REFRESH);
        FinishDisplayModes(&DisplayDeviceList[0]);
    }
    ClampDisplaySettings();
    SetWindowFrontEnd(&WEB_FRONT_END);
    if (CreateCanvases(ProgramPainter) < 0) return -1;
    if (OpenDevices(nullptr, nullptr) < 0) return -1;
    PresentHold.store(0);
    return 0;
}

// One tick of the game's 16 ms clock, as the tick and game threads of the other programs run
// it: the previous frame is shown, then the controls are read and the next frame runs.
EMSCRIPTEN_KEEPALIVE void web_tick() {
    FrameTick();
    FrameReady.store(0);
    // While a name is asked for, nothing is drawn over the dialog; a replay asks no one.
    const bool nameAsked = NameEntryRequested.load() != 0 || NameEntryPosted.load() != 0;
    if ((!nameAsked || ReplayPlaying() != 0) && PresentHold.load() == 0) PresentFrame();
    const bool runs = GameHold.load() == 0 && Paused.load() == 0;
    // A name the player typed reaches the hi-scores in the frame after the dialog closed; it is
    // written at once then, not at the next look, so that a page closed right after Enter
    // keeps it.
    const bool nameAnswered = NameEntryDone.load() != 0;
    SampleControls();
    if (runs) ++framesRun;
    if (nameAnswered && NameEntryDone.load() == 0) WriteSettingsIfChanged();
    if (++ticks % SETTINGS_CHECK_TICKS == 0) {
        WriteSettingsIfChanged();
        CloseRecordingIfFull();
    }
}

EMSCRIPTEN_KEEPALIVE int32_t web_key(int32_t down, int32_t keyCode, const char* code,
                                     int32_t altDown, int32_t repeat) {
    return WebKey(down, keyCode, code, altDown, repeat);
}

EMSCRIPTEN_KEEPALIVE const char* web_texts() {
    return Return(TextsJson());
}

EMSCRIPTEN_KEEPALIVE int32_t web_language() {
    return Language == 1 ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t web_dialog_language() {
    return Language < 0 ? startLanguage : DialogLanguage();
}

// A popup of the menu bar opens: the game is held and the items' checks and grays returned as
// "id,checked,enabled;..." .
EMSCRIPTEN_KEEPALIVE const char* web_menu_open(int32_t popupIndex) {
    MenuItemState items[MENU_POPUP_STATE_MAX];
    const int32_t count = OpenMenuPopup(popupIndex, 1, items);
    std::string out;
    for (int32_t i = 0; i < count; ++i) {
        char item[48];
        std::snprintf(item, sizeof item, "%d,%d,%d;", items[i].id, items[i].checked,
                      items[i].enabled);
        out += item;
    }
    return Return(out);
}

EMSCRIPTEN_KEEPALIVE void web_menu_close() {
    CloseMenuLoop();
}

// A menu command; for Clear Hi-Score the page has asked the question and passes the answer.
EMSCRIPTEN_KEEPALIVE void web_command(int32_t commandId, int32_t answer) {
    preparedAnswer = answer;
    RunCommand(commandId);
    WriteSettingsIfChanged();
}

// The page's own window states: the picture's size when fitted to the page, and full screen
// left through the browser (Escape or its own controls).
EMSCRIPTEN_KEEPALIVE void web_client_size(int32_t width, int32_t height) {
    NoteClientSize(width, height);
}

// A gamepad was attached after start-up: it becomes the joystick if there is none yet.
EMSCRIPTEN_KEEPALIVE void web_gamepad_connected() {
    if (JoystickPresent.load() == 0) ConnectJoystick(nullptr, nullptr);
}

EMSCRIPTEN_KEEPALIVE void web_full_screen_left() {
    FullScreen.store(0);
}

// A dialog of the page holds the game while it is open.
EMSCRIPTEN_KEEPALIVE void web_hold(int32_t hold) {
    if (hold != 0)
        BeginModalHold();
    else
        EndModalHold();
}

// Name Entry: the page's dialog closed with a name (ok 1) or was cancelled.
EMSCRIPTEN_KEEPALIVE void web_name_entry(int32_t ok, const char* text) {
    namePrepared = ok != 0;
    preparedName = ok != 0 ? text : "";
    RunCommand(CMD_NAME_ENTRY);
}

// Device Configuration: the model behind the page's dialog.
EMSCRIPTEN_KEEPALIVE void web_devcfg_open() {
    BeginModalHold();
    OpenDeviceConfig(&deviceModel, JoystickPresent.load());
}

// "b0,b1,b2,b3,b4;s0,s1;v0,v1;connected"
EMSCRIPTEN_KEEPALIVE const char* web_devcfg_state() {
    const DeviceConfigModel& m = deviceModel;
    char text[128];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d;%d,%d;%d,%d;%d", m.buttonItem[0],
                  m.buttonItem[1], m.buttonItem[2], m.buttonItem[3], m.buttonItem[4],
                  m.sliderPosition[0], m.sliderPosition[1], m.volumeShown[0], m.volumeShown[1],
                  m.joystickConnected);
    return Return(text);
}

EMSCRIPTEN_KEEPALIVE void web_devcfg_button(int32_t list, int32_t item) {
    if (list >= 0 && list < DEVCFG_BUTTON_LISTS)
        SelectDeviceConfigItem(&deviceModel, DEVCFG_BUTTON_LIST_ID[list], item);
}

EMSCRIPTEN_KEEPALIVE void web_devcfg_slider(int32_t slider, int32_t position) {
    MoveDeviceConfigSlider(&deviceModel, slider, position);
}

EMSCRIPTEN_KEEPALIVE void web_devcfg_default() {
    DefaultDeviceConfig(&deviceModel);
}

// OK: "" when the choices were stored and the dialog closes, else the message to show while
// it stays open.
EMSCRIPTEN_KEEPALIVE const char* web_devcfg_ok() {
    RunCommand(CMD_DEVICE_CONFIG);
    if (deviceMessage == nullptr) {
        WriteSettingsIfChanged();
        return "";
    }
    BeginModalHold(); // the command let the game go; the dialog is still open
    return deviceMessage->text;
}

EMSCRIPTEN_KEEPALIVE void web_devcfg_cancel() {
    EndModalHold();
}

// ---- Replays ----

// Before the first tick, when no replay is watched: the session is recorded from start-up.
// "" or why it cannot be.
EMSCRIPTEN_KEEPALIVE const char* web_record_start() {
    std::string error;
    if (!StartRecording(RECORDING_FILE, "velkar-web", error)) return Return(error);
    return "";
}

// The session so far as a whole replay file (the recording closed at the last frame run,
// while it goes on; or as it was closed when it was full), or "" when nothing was recorded.
// The file is ASCII.
EMSCRIPTEN_KEEPALIVE const char* web_record_copy() {
    if (!Recording() && recordedFrames < 0) return "";
    std::string text;
    std::string detail;
    if (ReadRegularFile(RECORDING_FILE, REPLAY_MAX_FILE_BYTES, text, detail) != FILE_READ_OK) {
        Trace("replay: the recording cannot be read: %s\n", detail.c_str());
        return "";
    }
    return Return(text + RecordingClosingLines());
}

// Frames recorded in this session so far (-1: none is recorded).
EMSCRIPTEN_KEEPALIVE double web_record_frames() {
    return static_cast<double>(Recording() ? framesRun : recordedFrames);
}

// A replay file from someone else, size bytes at bytes: "" when it can be played, else the
// reader's one-line reason. watch 1: before the first tick, the file's game starts in place of
// the player's (the player's own rank, hi-scores and settings come back when it ends).
EMSCRIPTEN_KEEPALIVE const char* web_replay_open(const uint8_t* bytes, double size,
                                                 const char* name, int32_t watch) {
    ReplayData data;
    std::string error;
    if (!ParseReplay(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size), name, data,
                     error))
        return Return(error);
    if (watch != 0) StartPlayback(std::move(data), 1);
    return "";
}

// The playback as it stands: state (1 playing, 2 matched, 3 no closing line, 4 differs,
// 5 stopped), frames, the digests after the last frame, whether the screen was compared, the
// first frame that differs, and the sentence that says it.
EMSCRIPTEN_KEEPALIVE const char* web_replay_state() {
    const PlaybackResult r = PlaybackOutcome();
    char head[256];
    std::snprintf(head, sizeof head,
                  "{\"state\":%d,\"frames\":%lld,\"digestState\":\"%016llx\","
                  "\"digestScreen\":\"%016llx\",\"screenCompared\":%s,\"firstDifferentFrame\":%lld,"
                  "\"text\":",
                  r.state, static_cast<long long>(r.framesPlayed),
                  static_cast<unsigned long long>(r.digestState),
                  static_cast<unsigned long long>(r.digestScreen),
                  r.screenCompared ? "true" : "false",
                  static_cast<long long>(r.firstDifferentFrame));
    std::string out = head;
    AppendJsonString(out, DescribePlayback(r).c_str());
    return Return(out + "}");
}

EMSCRIPTEN_KEEPALIVE int32_t web_replay_playing() {
    return ReplayPlaying();
}

// 1 once the replay playing has gone another way than its recording: the page says so at that
// frame rather than at the file's end.
EMSCRIPTEN_KEEPALIVE int32_t web_replay_differs() {
    return PlaybackOutcome().state == PLAYBACK_DIFFERS ? 1 : 0;
}

// The replay bar under the picture. Where the playback is (frames played, which is the frame
// shown), how many frames it holds, its speed (REPLAY_SPEED_QUARTER .. _FASTEST) and whether
// it is paused.
EMSCRIPTEN_KEEPALIVE double web_replay_position() {
    return static_cast<double>(PlaybackFrame());
}

EMSCRIPTEN_KEEPALIVE double web_replay_length() {
    return static_cast<double>(PlaybackLength());
}

EMSCRIPTEN_KEEPALIVE int32_t web_replay_speed() {
    return ReplaySpeed();
}

EMSCRIPTEN_KEEPALIVE int32_t web_paused() {
    return Paused.load() != 0 ? 1 : 0;
}

// The bar's slider: the replay goes to that many frames played before the next frame runs, by
// the path the seeking keys take (never during a frame).
EMSCRIPTEN_KEEPALIVE void web_replay_seek(double frames) {
    if (ReplayPlaying() != 0 && frames >= 0.0 && frames < 9.0e15)
        RequestReplaySeek(static_cast<int64_t>(frames));
}

// The bar's Take Over, as T: the game from the frame shown is the player's, and the session's
// recording holds the replay's controls up to there and the player's after.
EMSCRIPTEN_KEEPALIVE void web_replay_take_over() {
    if (ReplayPlaying() != 0) RequestReplayCommand(REPLAY_KEY_TAKE_OVER);
}

// 1 once the replay watched has been taken over.
EMSCRIPTEN_KEEPALIVE int32_t web_replay_taken_over() {
    return ReplayTakenOver();
}

// The bar's speed list and play button, as ] and [ and Space set them.
EMSCRIPTEN_KEEPALIVE void web_replay_set_speed(int32_t speed) {
    if (ReplayPlaying() == 0) return;
    speed = speed < REPLAY_SPEED_QUARTER   ? REPLAY_SPEED_QUARTER
            : speed > REPLAY_SPEED_FASTEST ? REPLAY_SPEED_FASTEST
                                           : speed;
    ChangeReplaySpeed(speed - ReplaySpeed());
}

EMSCRIPTEN_KEEPALIVE void web_replay_set_paused(int32_t paused) {
    if (ReplayPlaying() != 0 && (Paused.load() != 0) != (paused != 0)) TogglePaused();
}

// The page ends: a recording gets its closing line, a replay playing gives the player's own
// rank and hi-scores back before the settings are written.
EMSCRIPTEN_KEEPALIVE void web_session_end() {
    EndReplaySession();
    WriteSettingsIfChanged();
}

// Test aids of the page's test mode: the game's state as velkar-sim prints it, and the frames
// the game has run.
EMSCRIPTEN_KEEPALIVE const char* web_state_json() {
    return Return(sim::StateJson(framesRun));
}

// 1 while a game is on and not paused (a replay's too): the page keeps the screen awake then.
EMSCRIPTEN_KEEPALIVE int32_t web_game_running() {
    Game& g = TheGame();
    return (g.gameMode == MODE_PLAY || g.gameMode == MODE_GAME_OVER) && Paused.load() == 0 ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void web_write_settings() {
    WriteSettingsIfChanged();
}

} // extern "C"
