// The main window: menus drawn from the core's menu data, key routing, window sizes, full
// screen on the chosen screen, and the core's window front end.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "app/menu_state.h"
#include "app/platform_seam.h"
#include "dialogs.h"
#include "game_view.h"
#include "qt_keys.h"
#include "replay/replay.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "sound_device.h"
#include "ui/display_modes.h"

namespace velkar {

namespace {

MainWindow* mainWindow = nullptr;
// The window the tick thread posts the name-entry command to.
std::atomic<MainWindow*> nameEntryTarget{nullptr};

QString MenuText(const MenuEntry& entry, int32_t language) {
    return QString::fromUtf8(language == 1 ? entry.japanese : entry.english);
}

// The screen a ScreenDevice index stands for: 0 the primary screen, k the k-th screen.
QScreen* ChosenScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (ScreenDevice <= 0) return QGuiApplication::primaryScreen();
    if (ScreenDevice > screens.size()) return nullptr;
    return screens[ScreenDevice - 1];
}

} // namespace

MainWindow* TheMainWindow() {
    return mainWindow;
}

MainWindow::MainWindow() {
    mainWindow = this;
    setWindowTitle(QStringLiteral("VELKAR"));
    view_ = new GameView(this);
    setCentralWidget(view_);
    view_->installEventFilter(this);
    view_->setFocus();
    // While a replay plays, the title bar says where it is (time, frame, length, paused), and
    // the Replay menu follows a replay's start and end.
    auto* titleTimer = new QTimer(this);
    connect(titleTimer, &QTimer::timeout, this, [this] {
        const QString title = QString::fromStdString(ReplayWindowTitle());
        if (title != windowTitle()) setWindowTitle(title);
        UpdateReplayMenu();
    });
    titleTimer->start(100);
}

MainWindow::MainWindow(int32_t language) : MainWindow() {
    SetMenuLanguage(language);
}

void MainWindow::SetMenuLanguage(int32_t language) {
    if (menuBuilt_) return;
    menuBuilt_ = true;
    BuildMenu(language);
}

MainWindow::~MainWindow() {
    SetPresentationView(nullptr);
    if (mainWindow == this) {
        nameEntryTarget.store(nullptr);
        mainWindow = nullptr;
    }
}

QMenu* MainWindow::Popup(int32_t index) const {
    return index >= 0 && index < popups_.size() ? popups_[index] : nullptr;
}

void MainWindow::BuildMenu(int32_t language) {
    QMenu* top = nullptr;
    QMenu* sub = nullptr;
    for (int32_t i = 0; i < MAIN_MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MAIN_MENU[i];
        QMenu* current = sub != nullptr ? sub : top;
        switch (entry.kind) {
        case MENU_POPUP: {
            top = menuBar()->addMenu(MenuText(entry, language));
            sub = nullptr;
            const int32_t index = static_cast<int32_t>(popups_.size());
            popups_.append(top);
            connect(top, &QMenu::aboutToShow, this, [this, index] { PopupShown(index); });
            connect(top, &QMenu::aboutToHide, this, [this] { PopupHidden(); });
            break;
        }
        case MENU_SUBMENU:
            if (top == nullptr) break;
            sub = top->addMenu(MenuText(entry, language));
            {
                // A nested popup holds the game like any other; it has no state of its own.
                const int32_t position = static_cast<int32_t>(top->actions().size()) - 1;
                connect(sub, &QMenu::aboutToShow, this,
                        [this, position] { PopupShown(position + MENU_POPUP_STATE_MAX); });
            }
            break;
        case MENU_SUBMENU_END:
            sub = nullptr;
            break;
        case MENU_SEPARATOR:
            if (current != nullptr) current->addSeparator();
            break;
        case MENU_ITEM: {
            if (current == nullptr) break;
            // The text after a tab is shown as the item's shortcut text, as in the Windows menu.
            QAction* action = current->addAction(MenuText(entry, language));
            const int32_t id = entry.id;
            // Only the items that show a state take a check mark; the others (About, Exit)
            // would otherwise toggle one each time they are used.
            action->setCheckable(MenuItemHasCheck(id) != 0);
            actions_.insert(id, action);
            // Commands run after the menu loop has ended, as WM_COMMAND follows WM_EXITMENULOOP.
            // Enable Sound also looks for a sound device again when the game has none.
            connect(action, &QAction::triggered, this, [this, id] {
                QTimer::singleShot(0, this, [this, id] {
                    RunCommand(id);
                    if (id == CMD_ENABLE_SOUND) RetrySoundAfterEnable(this);
                });
            });
            // This program's own item beside Device Configuration: the player's keys and pad
            // buttons.
            if (id == CMD_DEVICE_CONFIG) {
                QAction* controls =
                    current->addAction(language == 1 ? QStringLiteral("操作の設定(&K)...")
                                                     : QStringLiteral("&Controls..."));
                controls->setObjectName(QStringLiteral("controlsAction"));
                connect(controls, &QAction::triggered, this, [this] {
                    QTimer::singleShot(0, this, [this] { RunControlsDialog(this); });
                });
            }
            break;
        }
        default:
            break;
        }
    }
    BuildReplayMenu(language);
}

void MainWindow::BuildReplayMenu(int32_t language) {
    // Before Help, outside popups_: the core's popup indexes (Help is 3) stay as they are.
    QAction* help = popups_.size() > 3 ? popups_[3]->menuAction() : nullptr;
    QMenu* menu = nullptr;
    for (int32_t i = 0; i < REPLAY_MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = REPLAY_MENU[i];
        if (entry.kind == MENU_POPUP) {
            menu = new QMenu(MenuText(entry, language), menuBar());
            menuBar()->insertMenu(help, menu);
        } else if (menu == nullptr) {
            continue;
        } else if (entry.kind == MENU_SEPARATOR) {
            menu->addSeparator();
        } else if (entry.kind == MENU_ITEM) {
            // The key shows after the tab as text only: a real shortcut would take Space, the
            // arrows and the rest from the game view, and the keys reach RunReplayKey through
            // KeyDown already, with its rules for held keys.
            QAction* action = menu->addAction(MenuText(entry, language));
            const int32_t command = entry.id;
            replayActions_.insert(command, action);
            connect(action, &QAction::triggered, this, [this, command] {
                QTimer::singleShot(0, this, [command] { RunReplayKey(command, 0); });
            });
        }
    }
    replayMenu_ = menu;
    if (menu == nullptr) return;
    // Open, it holds the game as every popup does; it has no state in the core's menu data.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        PopupShown(-1);
        UpdateReplayMenu();
    });
    connect(menu, &QMenu::aboutToHide, this, [this] { PopupHidden(); });
    UpdateReplayMenu();
}

void MainWindow::UpdateReplayMenu() {
    const bool playing = ReplayPlaying() != 0;
    for (QAction* action : std::as_const(replayActions_)) {
        if (action->isEnabled() != playing) action->setEnabled(playing);
    }
}

void MainWindow::PopupShown(int32_t index) {
    menuLoop_ = true;
    MenuItemState items[MENU_POPUP_STATE_MAX];
    const int32_t count = OpenMenuPopup(index, menuBar()->isHidden() ? 0 : 1, items);
    for (int32_t i = 0; i < count; ++i) {
        QAction* action = actions_.value(items[i].id, nullptr);
        if (action == nullptr) continue;
        action->setChecked(items[i].checked != 0);
        action->setEnabled(items[i].enabled != 0);
    }
}

void MainWindow::PopupHidden() {
    // Moving from one popup to the next hides one and shows the other; the loop ends only
    // when no popup is left open.
    QTimer::singleShot(0, this, [this] {
        if (!menuLoop_ || QApplication::activePopupWidget() != nullptr) return;
        menuLoop_ = false;
        if (CloseMenuLoop() != 0) view_->update();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (HandleKeyEvent(static_cast<QKeyEvent*>(event))) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (closeHook_) closeHook_();
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        // A minimised window has no client area; the game keeps running unseen.
        if (isMinimized())
            NoteClientSize(0, 0);
        else
            NoteClientSize(view_->width(), view_->height());
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (RepaintOnActivate(1) != 0) view_->update();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::SetClientSize(int32_t width, int32_t height) {
    const int32_t menu = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
    resize(width, height + menu);
}

void MainWindow::ShowCursorCount(int32_t show) {
    cursorCount_ += show != 0 ? 1 : -1;
    ApplyCursor();
}

void MainWindow::ApplyCursor() {
    view_->setCursor(cursorCount_ >= 0 ? Qt::ArrowCursor : Qt::BlankCursor);
}

void MainWindow::ToggleFullScreen() {
    if (FullScreen.load() != 0) {
        HoldGame();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const QPoint origin = frameGeometry().topLeft();
        WindowLeft = origin.x();
        WindowTop = origin.y();
        savedClientWidth_ = ClientWidth.load();
        savedClientHeight_ = ClientHeight.load();
        QScreen* screen = ChosenScreen();
        if (screen == nullptr) {
            // The chosen screen is gone: stay in the window.
            FullScreen.store(0);
            ReleaseGame();
            return;
        }
        // Linux keeps the desktop's mode: the full-screen mode is the screen's current one.
        const QRect area = screen->geometry();
        FullScreenWidth = area.width();
        FullScreenHeight = area.height();
        FullScreenBpp = ScreenBpp;
        FullScreenRefresh = static_cast<int32_t>(DISPLAY_REFRESH);
        ComputeLetterbox(FullScreenWidth, FullScreenHeight, &LetterboxX, &LetterboxY);
        menuBar()->hide();
        setGeometry(area);
        showFullScreen();
        setGeometry(area);
        ShowCursorCount(0);
        view_->update();
        ReleaseGame();
        return;
    }
    HoldGame();
    PresentHold.store(1);
    ReleaseFullScreen();
    ShowCursorCount(1);
    ClientWidth.store(savedClientWidth_);
    ClientHeight.store(savedClientHeight_);
    SetClientSize(savedClientWidth_, savedClientHeight_);
    move(WindowLeft, WindowTop);
    ReleaseGame();
    PresentHold.store(0);
    NoteFullScreenLeft();
}

void MainWindow::ReleaseFullScreen() {
    menuBar()->show();
    showNormal();
    LetterboxX = 0;
    LetterboxY = 0;
}

// The core's window front end over the Qt main window.
namespace {

int32_t FrontShowMessage(const MessageText* message) {
    return ShowMessageBox(mainWindow, message);
}

int32_t FrontRunDialog(int32_t templateId) {
    return RunDialogTemplate(mainWindow, templateId);
}

void FrontToggleFullScreen() {
    if (mainWindow != nullptr) mainWindow->ToggleFullScreen();
}

void FrontGetWindowOrigin(int32_t* left, int32_t* top) {
    if (mainWindow == nullptr) return;
    const QPoint origin = mainWindow->frameGeometry().topLeft();
    *left = origin.x();
    *top = origin.y();
}

void FrontPlaceWindow(int32_t left, int32_t top, int32_t outerWidth, int32_t outerHeight) {
    if (mainWindow == nullptr) return;
    mainWindow->move(left, top);
    mainWindow->resize(outerWidth, outerHeight);
    mainWindow->show();
}

void FrontGetMetrics(WindowMetrics* metrics) {
    *metrics = WindowMetrics{};
    // Qt sizes a window without its frame; only the menu bar lies between it and the view.
    // That menu bar never wraps onto a second line, so the small size needs no extra rows.
    if (mainWindow != nullptr) metrics->cyMenu = mainWindow->menuBar()->sizeHint().height();
}

void FrontPostClose() {
    if (mainWindow != nullptr)
        QMetaObject::invokeMethod(mainWindow, &QWidget::close, Qt::QueuedConnection);
}

void FrontRestartSound() {
    SoundRestart(mainWindow);
}

void FrontSleep(int32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// A dialog shows over the full-screen window as it is; nothing to give back.
void FrontDialogOverFullScreen(int32_t) {}

void FrontShowCursor(int32_t show) {
    if (mainWindow != nullptr) mainWindow->ShowCursorCount(show);
}

const WindowFrontEnd QT_FRONT_END = {
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

} // namespace

void InstallQtFrontEnd(MainWindow* window) {
    mainWindow = window;
    nameEntryTarget.store(window);
    SetWindowFrontEnd(&QT_FRONT_END);
    SetPresentationView(window != nullptr ? window->View() : nullptr);
}

void PostNameEntryCommand() {
    MainWindow* window = nameEntryTarget.load();
    if (window == nullptr) return;
    QMetaObject::invokeMethod(
        window, [] { RunCommand(CMD_NAME_ENTRY); }, Qt::QueuedConnection);
}

} // namespace velkar
