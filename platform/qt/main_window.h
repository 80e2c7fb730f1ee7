// The main window: menu bar from the core's menu data, the game view, keys, sizes, full screen.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <cstdint>
#include <functional>

class QAction;
class QMenu;

namespace velkar {

class GameView;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The window and its game view, without a menu bar yet (the language is not known before
    // the settings are read); SetMenuLanguage adds it.
    MainWindow();
    // The window with its menu bar in English, or Japanese when language is 1.
    explicit MainWindow(int32_t language);
    // Builds the menu bar in English, or Japanese when language is 1; once.
    void SetMenuLanguage(int32_t language);
    ~MainWindow() override;

    GameView* View() const { return view_; }
    QAction* Action(int32_t commandId) const { return actions_.value(commandId, nullptr); }
    QMenu* Popup(int32_t index) const;
    // The Replay menu (between Window and Help) and its item for a REPLAY_KEY_ command.
    QMenu* ReplayMenu() const { return replayMenu_; }
    QAction* ReplayAction(int32_t command) const { return replayActions_.value(command, nullptr); }

    // Runs before the window closes (Escape, Exit, the close box): the program's teardown.
    void SetCloseHook(std::function<void()> hook) { closeHook_ = std::move(hook); }

    // Full screen on the chosen screen when FullScreen is 1, back to the window when 0.
    void ToggleFullScreen();
    // Leaves full screen without touching the window's place (shutdown).
    void ReleaseFullScreen();
    // The Windows-style cursor count: shown while it is 0 or more.
    void ShowCursorCount(int32_t show);

    // Sizes the window so that the game view gets width x height (the menu bar on top).
    void SetClientSize(int32_t width, int32_t height);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenu(int32_t language);
    void BuildReplayMenu(int32_t language);
    // The Replay menu's items enabled while a replay plays, grayed otherwise.
    void UpdateReplayMenu();
    void PopupShown(int32_t index);
    void PopupHidden();
    void ApplyCursor();

    GameView* view_ = nullptr;
    QList<QMenu*> popups_;
    QMap<int32_t, QAction*> actions_;
    QMenu* replayMenu_ = nullptr;
    QMap<int32_t, QAction*> replayActions_;
    std::function<void()> closeHook_;
    bool closing_ = false;
    bool menuLoop_ = false;
    bool menuBuilt_ = false;
    int32_t cursorCount_ = 0;
    int32_t savedClientWidth_ = 0;
    int32_t savedClientHeight_ = 0;
};

// The main window the front-end routines act on (null when none).
MainWindow* TheMainWindow();

// Installs the core's window front end (commands, dialogs, message boxes) over window.
void InstallQtFrontEnd(MainWindow* window);

// A message box of the core's table, owned by owner (task-modal); MSG_ANSWER_OK or _CANCEL.
int32_t ShowMessageBox(QWidget* owner, const struct MessageText* message);

} // namespace velkar
