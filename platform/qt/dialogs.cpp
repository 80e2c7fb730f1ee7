// The three dialogs drawn with Qt widgets over the core's dialog models, and the message boxes.
#include "dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "app/commands.h"
#include "base/settings_vars.h"
#include "input/control_map.h"
#include "input/joystick_seam.h"
#include "joystick_sdl.h"
#include "main_window.h"
#include "qt_keys.h"
#include "settings/control_settings.h"
#include "ui/center_window.h"
#include "ui/dialog_texts.h"
#include "ui/messages.h"
#include "ui/name_entry.h"

namespace velkar {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString ControlName(int32_t id) {
    return QStringLiteral("ctl%1").arg(id);
}

template <typename Widget> Widget* Named(Widget* widget, int32_t id) {
    widget->setObjectName(ControlName(id));
    return widget;
}

QPushButton* Button(const char* text, int32_t id, QWidget* parent) {
    return Named(new QPushButton(Text(text), parent), id);
}

// Modal over the whole program, as a task-modal box is; the dialog frame has a caption and
// a close box but cannot be resized.
void DialogFrame(QDialog* dialog, const char* caption) {
    dialog->setWindowTitle(Text(caption));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

int32_t RunCentred(QDialog* dialog, QWidget* owner) {
    dialog->adjustSize();
    dialog->setFixedSize(dialog->size());
    CenterOverOwner(dialog, owner);
    return dialog->exec() == QDialog::Accepted ? 1 : 0;
}

} // namespace

void CenterOverOwner(QWidget* dialog, QWidget* owner) {
    if (owner == nullptr) return;
    const QRect ownerFrame = owner->frameGeometry();
    const QRect frame = dialog->frameGeometry();
    WindowRect reference = {ownerFrame.left(), ownerFrame.top(), ownerFrame.right() + 1,
                            ownerFrame.bottom() + 1};
    WindowRect placed = {frame.left(), frame.top(), frame.left() + frame.width(),
                         frame.top() + frame.height()};
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->geometry().size() : QSize(0, 0);
    if (CenterWindowRect(&placed, &reference, screenSize.width(), screenSize.height()) != 0)
        dialog->move(placed.left, placed.top);
}

int32_t ShowMessageBox(QWidget* owner, const MessageText* message) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (message->style & MSG_ICON_STOP) icon = QMessageBox::Critical;
    if (message->style & MSG_ICON_WARNING) icon = QMessageBox::Warning;
    if (message->style & MSG_ICON_INFORMATION) icon = QMessageBox::Information;
    const bool okCancel = (message->style & MSG_OK_CANCEL) != 0;
    QMessageBox box(icon, Text(message->caption), Text(message->text),
                    okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    if (okCancel) {
        box.setDefaultButton((message->style & MSG_DEFAULT_SECOND) ? QMessageBox::Cancel
                                                                   : QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    return box.exec() == QMessageBox::Ok ? MSG_ANSWER_OK : MSG_ANSWER_CANCEL;
}

int32_t RunDialogTemplate(QWidget* owner, int32_t templateId) {
    const int32_t language = DialogLanguageOf(templateId);
    switch (DialogKindOf(templateId)) {
    case DIALOG_KIND_DEVICE_CONFIG: {
        DeviceConfigDialog dialog(owner, language);
        return RunCentred(&dialog, owner);
    }
    case DIALOG_KIND_NAME_ENTRY: {
        NameEntryDialog dialog(owner, language);
        return RunCentred(&dialog, owner);
    }
    case DIALOG_KIND_ABOUT: {
        AboutDialog dialog(owner, language);
        return RunCentred(&dialog, owner);
    }
    default:
        return 0;
    }
}

// ---- Device Configuration ----

DeviceConfigDialog::DeviceConfigDialog(QWidget* owner, int32_t language) : QDialog(owner) {
    const DeviceConfigTexts& texts = DEVICE_CONFIG_TEXTS[language == 1 ? 1 : 0];
    DialogFrame(this, texts.caption);

    auto* input = new QGroupBox(Text(texts.inputGroup), this);
    auto* inputGrid = new QGridLayout(input);
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; ++i) {
        buttonList_[i] = Named(new QComboBox(input), DEVCFG_BUTTON_LIST_ID[i]);
        for (int32_t item = 0; item < DEVCFG_BUTTON_ITEMS; ++item)
            buttonList_[i]->addItem(Text(DEVCFG_BUTTON_ITEM_TEXT[item]));
        inputGrid->addWidget(new QLabel(Text(texts.buttonLabel[i]), input), i, 0);
        inputGrid->addWidget(buttonList_[i], i, 1);
        const int32_t listId = DEVCFG_BUTTON_LIST_ID[i];
        connect(buttonList_[i], &QComboBox::currentIndexChanged, this, [this, listId](int index) {
            if (!syncing_) SelectDeviceConfigItem(&model_, listId, index);
        });
    }
    connect_ = Named(new QLineEdit(input), DEVCFG_CONNECT_STATUS);
    connect_->setReadOnly(true);
    inputGrid->addWidget(new QLabel(Text(texts.connectLabel), input), DEVCFG_BUTTON_LISTS, 0);
    inputGrid->addWidget(connect_, DEVCFG_BUTTON_LISTS, 1);
    padButtons_ = Named(new QLabel(input), DEVCFG_PAD_BUTTONS);
    padButtons_->setWordWrap(true);
    inputGrid->addWidget(padButtons_, DEVCFG_BUTTON_LISTS + 1, 0, 1, 2);

    auto* sound = new QGroupBox(Text(texts.soundGroup), this);
    auto* soundGrid = new QGridLayout(sound);
    const int32_t sliderIds[2] = {DEVCFG_BGM_SLIDER, DEVCFG_EFFECT_SLIDER};
    const int32_t valueIds[2] = {DEVCFG_BGM_VALUE, DEVCFG_EFFECT_VALUE};
    const char* notes[2] = {texts.bgmNote, texts.effectNote};
    for (int32_t i = 0; i < 2; ++i) {
        slider_[i] = Named(new QSlider(Qt::Vertical, sound), sliderIds[i]);
        slider_[i]->setRange(0, DEVCFG_SLIDER_MAX);
        // Position 0 is at the top and stands for volume 100.
        slider_[i]->setInvertedAppearance(true);
        slider_[i]->setInvertedControls(true);
        slider_[i]->setTickPosition(QSlider::NoTicks);
        volume_[i] = Named(new QLineEdit(sound), valueIds[i]);
        volume_[i]->setReadOnly(true);
        volume_[i]->setMaximumWidth(48);
        soundGrid->addWidget(slider_[i], 0, i, Qt::AlignHCenter);
        soundGrid->addWidget(volume_[i], 1, i, Qt::AlignHCenter);
        soundGrid->addWidget(new QLabel(Text(notes[i]), sound), 2, i, Qt::AlignHCenter);
        connect(slider_[i], &QSlider::valueChanged, this, [this, i](int position) {
            if (syncing_) return;
            MoveDeviceConfigSlider(&model_, i, position);
            char buffer[16];
            for (int32_t k = 0; k < 2; ++k)
                volume_[k]->setText(
                    Text(FormatVolumeText(model_.volumeShown[k], buffer, sizeof buffer)));
        });
    }

    auto* display = new QGroupBox(Text(texts.displayGroup), this);
    auto* displayBox = new QVBoxLayout(display);
    auto* full = new QGroupBox(Text(texts.fullScreenGroup), display);
    displayBox->addWidget(full);
    auto* fullGrid = new QGridLayout(full);
    deviceList_ = Named(new QComboBox(full), DEVCFG_DEVICE_LIST);
    resolutionList_ = Named(new QComboBox(full), DEVCFG_RESOLUTION_LIST);
    bppList_ = Named(new QComboBox(full), DEVCFG_BPP_LIST);
    primSurf_ = Named(new QCheckBox(Text(texts.primSurfCheck), full), DEVCFG_PRIMSURF_CHECK);
    fullGrid->addWidget(new QLabel(Text(texts.deviceLabel), full), 0, 0);
    fullGrid->addWidget(deviceList_, 0, 1);
    fullGrid->addWidget(new QLabel(Text(texts.deviceNote), full), 0, 2);
    fullGrid->addWidget(new QLabel(Text(texts.resolutionLabel), full), 1, 0);
    fullGrid->addWidget(resolutionList_, 1, 1);
    fullGrid->addWidget(new QLabel(Text(texts.resolutionNote), full), 1, 2);
    fullGrid->addWidget(primSurf_, 2, 0, 1, 3);
    fullGrid->addWidget(new QLabel(Text(texts.bppLabel), full), 3, 0);
    fullGrid->addWidget(bppList_, 3, 1);
    fullGrid->addWidget(new QLabel(Text(texts.bppNote), full), 3, 2);
    // Any choice in the device list counts, even of the device already selected (after DEFAULT
    // the list shows the first device while the resolutions are still another's): a device
    // other than the listed one brings its own resolution list.
    const auto deviceChosen = [this](int index) {
        if (syncing_) return;
        SelectDeviceConfigItem(&model_, DEVCFG_DEVICE_LIST, index);
        if (model_.listedDevice != shownDevice_) {
            syncing_ = true;
            FillResolutionList();
            resolutionList_->setCurrentIndex(model_.resolutionItem);
            syncing_ = false;
        }
    };
    connect(deviceList_, &QComboBox::currentIndexChanged, this, deviceChosen);
    connect(deviceList_, &QComboBox::activated, this, deviceChosen);
    connect(resolutionList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!syncing_) SelectDeviceConfigItem(&model_, DEVCFG_RESOLUTION_LIST, index);
    });
    connect(bppList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!syncing_) SelectDeviceConfigItem(&model_, DEVCFG_BPP_LIST, index);
    });
    connect(primSurf_, &QCheckBox::toggled, this, [this](bool checked) {
        if (!syncing_) SetDeviceConfigCheck(&model_, checked ? 1 : 0);
    });

    QPushButton* ok = Button(texts.okButton, DEVCFG_OK, this);
    QPushButton* cancel = Button(texts.cancelButton, DEVCFG_CANCEL, this);
    QPushButton* byDefault = Button(texts.defaultButton, DEVCFG_DEFAULT, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(byDefault, &QPushButton::clicked, this, [this] { Default(); });

    auto* upper = new QHBoxLayout;
    upper->addWidget(input);
    upper->addWidget(sound);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(byDefault);
    buttons->addStretch();
    auto* lower = new QHBoxLayout;
    lower->addWidget(display);
    lower->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addLayout(lower);

    OpenDeviceConfig(&model_, JoystickPresent.load());
    // Filling a list selects its first item; that is no choice of the user's.
    syncing_ = true;
    char buffer[96];
    for (int32_t item = 0; item < DeviceConfigItemCount(&model_, DEVCFG_DEVICE_LIST); ++item)
        deviceList_->addItem(
            Text(DeviceConfigItemText(&model_, DEVCFG_DEVICE_LIST, item, buffer, sizeof buffer)));
    for (int32_t item = 0; item < DeviceConfigItemCount(&model_, DEVCFG_BPP_LIST); ++item)
        bppList_->addItem(
            Text(DeviceConfigItemText(&model_, DEVCFG_BPP_LIST, item, buffer, sizeof buffer)));
    syncing_ = false;
    // The pad being read, by name; for a pad of known layout, its buttons by where they sit
    // (the numbered lists serve a plain joystick).
    const JoystickInfo pad = CurrentJoystick();
    if (pad.name.empty()) {
        connect_->setText(Text(DEVCFG_NOT_FOUND_TEXT));
    } else {
        connect_->setText(QString::fromUtf8(pad.name.c_str()));
        if (pad.layout) {
            QString buttons;
            for (int32_t action = ACTION_SHOT; action < ACTION_COUNT; ++action) {
                if (ActionPad(action) == UNBOUND) continue;
                if (!buttons.isEmpty()) buttons += QStringLiteral(", ");
                buttons += Text(ActionName(action)) + QStringLiteral(": ") +
                           Text(PadButtonName(ActionPad(action)));
            }
            connect_->setToolTip(buttons);
            padButtons_->setText(buttons);
        }
    }
    ShowModel();
}

void DeviceConfigDialog::FillResolutionList() {
    char buffer[96];
    resolutionList_->clear();
    for (int32_t item = 0; item < DeviceConfigItemCount(&model_, DEVCFG_RESOLUTION_LIST); ++item)
        resolutionList_->addItem(Text(
            DeviceConfigItemText(&model_, DEVCFG_RESOLUTION_LIST, item, buffer, sizeof buffer)));
    shownDevice_ = model_.listedDevice;
}

void DeviceConfigDialog::ShowModel() {
    syncing_ = true;
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; ++i)
        buttonList_[i]->setCurrentIndex(model_.buttonItem[i]);
    char buffer[16];
    for (int32_t i = 0; i < 2; ++i) {
        slider_[i]->setValue(model_.sliderPosition[i]);
        volume_[i]->setText(Text(FormatVolumeText(model_.volumeShown[i], buffer, sizeof buffer)));
    }
    deviceList_->setCurrentIndex(model_.deviceItem);
    if (model_.listedDevice != shownDevice_) FillResolutionList();
    resolutionList_->setCurrentIndex(model_.resolutionItem);
    bppList_->setCurrentIndex(model_.bppItem);
    primSurf_->setChecked(model_.disablePrimSurf != 0);
    syncing_ = false;
}

void DeviceConfigDialog::Ok() {
    const MessageText* message = nullptr;
    if (AcceptDeviceConfig(&model_, &message) == 1) {
        accept();
        return;
    }
    if (message != nullptr) ShowMessageBox(this, message);
}

void DeviceConfigDialog::Default() {
    DefaultDeviceConfig(&model_);
    ShowModel();
}

// ---- Controls ----

namespace {

QString KeyText(int32_t key) {
    return key == UNBOUND ? QStringLiteral("-") : Text(KeyName(key));
}

QString PadText(int32_t button) {
    return button == UNBOUND ? QStringLiteral("-") : Text(PadButtonName(button));
}

// How often a pad button is looked for while one is awaited.
constexpr int PAD_WAIT_MS = 20;

} // namespace

ControlsDialog::ControlsDialog(QWidget* owner) : QDialog(owner) {
    DialogFrame(this, "Controls");
    bindings_ = CurrentControlBindings();
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Keyboard"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Pad"), this), 0, 2);
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        grid->addWidget(new QLabel(Text(ActionName(action)), this), action + 1, 0);
        keyButton_[action] = Named(new QPushButton(this), CONTROLS_KEY_ID + action);
        padButton_[action] = Named(new QPushButton(this), CONTROLS_PAD_ID + action);
        // Enter and Space go to the key being set, never to a default button.
        keyButton_[action]->setAutoDefault(false);
        padButton_[action]->setAutoDefault(false);
        grid->addWidget(keyButton_[action], action + 1, 1);
        grid->addWidget(padButton_[action], action + 1, 2);
        connect(keyButton_[action], &QPushButton::clicked, this,
                [this, action] { WaitForKey(action); });
        connect(padButton_[action], &QPushButton::clicked, this,
                [this, action] { WaitForPad(action); });
    }
    message_ = Named(new QLabel(this), CONTROLS_MESSAGE_ID);
    message_->setWordWrap(true);
    QPushButton* ok = Button("OK", 1, this);
    QPushButton* cancel = Button("Cancel", 2, this);
    QPushButton* defaults = Button("Defaults", 3, this);
    for (QPushButton* button : {ok, cancel, defaults})
        button->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] {
        StopWaiting();
        DefaultControlBindings(&bindings_);
        message_->clear();
        Show();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(message_);
    layout->addLayout(buttons);
    padTimer_ = new QTimer(this);
    padTimer_->setInterval(PAD_WAIT_MS);
    connect(padTimer_, &QTimer::timeout, this, [this] {
        const int32_t button = HeldPadButton();
        if (waitingPad_ < 0 || button < 0) return;
        const int32_t action = waitingPad_;
        StopWaiting();
        const int32_t holder = BindPad(&bindings_, action, button);
        if (holder >= 0) Refused(holder, PadText(button));
        Show();
    });
    Show();
}

ControlsDialog::~ControlsDialog() {
    qApp->removeEventFilter(this);
}

void ControlsDialog::Show() {
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        keyButton_[action]->setText(waitingKey_ == action ? QStringLiteral("Press a key...")
                                                          : KeyText(bindings_.key[action]));
        padButton_[action]->setText(waitingPad_ == action ? QStringLiteral("Press a button...")
                                                          : PadText(bindings_.pad[action]));
    }
}

void ControlsDialog::WaitForKey(int32_t action) {
    StopWaiting();
    waitingKey_ = action;
    message_->setText(
        QStringLiteral("Press the key for %1 (Escape: no key).").arg(Text(ActionName(action))));
    // Every key press reaches the dialog first, whichever button has the focus.
    qApp->installEventFilter(this);
    Show();
}

void ControlsDialog::WaitForPad(int32_t action) {
    StopWaiting();
    waitingPad_ = action;
    message_->setText(QStringLiteral("Press the pad button for %1 (Escape: no button).")
                          .arg(Text(ActionName(action))));
    qApp->installEventFilter(this);
    padTimer_->start();
    Show();
}

void ControlsDialog::StopWaiting() {
    waitingKey_ = -1;
    waitingPad_ = -1;
    padTimer_->stop();
    qApp->removeEventFilter(this);
    Show();
}

void ControlsDialog::Refused(int32_t holder, const QString& what) {
    if (holder == ACTION_COUNT)
        message_->setText(QStringLiteral("%1 cannot be used.").arg(what));
    else
        message_->setText(QStringLiteral("%1 is already %2; choose another or change %2 first.")
                              .arg(what, Text(ActionName(holder))));
}

bool ControlsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // no menu or button shortcut takes the key
        return true;
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->isAutoRepeat()) return true;
    const int32_t keyAction = waitingKey_;
    const int32_t padAction = waitingPad_;
    StopWaiting();
    message_->clear();
    if (key->key() == Qt::Key_Escape) {
        // Escape leaves the slot empty rather than closing the dialog.
        if (keyAction >= 0) BindKey(&bindings_, keyAction, UNBOUND);
        if (padAction >= 0) BindPad(&bindings_, padAction, UNBOUND);
    } else if (keyAction >= 0) {
        int32_t extended = 0;
        const int32_t virtualKey = VirtualKeyOfQt(key->key(), key->modifiers(), &extended);
        const int32_t holder = BindKey(&bindings_, keyAction, virtualKey);
        if (holder >= 0)
            Refused(holder, virtualKey != 0 && KeyName(virtualKey)[0] != '\0'
                                ? Text(KeyName(virtualKey))
                                : QStringLiteral("That key"));
    }
    Show();
    return true;
}

void ControlsDialog::Ok() {
    StopWaiting();
    UseControlBindings(bindings_);
    WriteControlSettings(SettingsPath);
    accept();
}

void RunControlsDialog(QWidget* owner) {
    BeginModalHold();
    ControlsDialog dialog(owner);
    RunCentred(&dialog, owner);
    EndModalHold();
}

// ---- Name Entry ----

NameEntryDialog::NameEntryDialog(QWidget* owner, int32_t language) : QDialog(owner) {
    const NameEntryTexts& texts = NAME_ENTRY_TEXTS[language == 1 ? 1 : 0];
    DialogFrame(this, texts.caption);
    auto* heading = new QFrame(this);
    heading->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* headingBox = new QVBoxLayout(heading);
    auto* title = new QLabel(Text(texts.heading), heading);
    title->setAlignment(Qt::AlignCenter);
    headingBox->addWidget(title);
    auto* prompt = new QLabel(Text(texts.prompt), this);
    prompt->setAlignment(Qt::AlignCenter);
    edit_ = Named(new QLineEdit(this), NAME_ENTRY_EDIT_ID);
    // No length limit of its own: the name is cut when it is stored.
    edit_->setMaxLength(32767);
    QPushButton* ok = Button(texts.okButton, 1, this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(prompt);
    layout->addWidget(edit_);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    edit_->setFocus();
}

void NameEntryDialog::accept() {
    AcceptNameEntry(edit_->text().toUtf8().constData());
    QDialog::accept();
}

void NameEntryDialog::reject() {
    CancelNameEntry();
    QDialog::reject();
}

// ---- About ----

AboutDialog::AboutDialog(QWidget* owner, int32_t language) : QDialog(owner) {
    const AboutTexts& texts = ABOUT_TEXTS[language == 1 ? 1 : 0];
    DialogFrame(this, texts.caption);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* title = new QLabel(Text(texts.title), this);
    title->setAlignment(Qt::AlignCenter);
    auto* versionLabel = new QLabel(Text(texts.versionLabel), this);
    auto* version = Named(new QLabel(Text(texts.versionPlaceholder), this), ABOUT_VERSION_ID);
    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    auto* systems = new QLabel(Text(texts.systems), this);
    systems->setAlignment(Qt::AlignCenter);
    QPushButton* ok = Button(texts.okButton, 1, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    auto* titleBox = new QVBoxLayout;
    titleBox->addWidget(title);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(versionLabel);
    versionRow->addWidget(version);
    versionRow->addStretch();
    titleBox->addLayout(versionRow);
    top->addLayout(titleBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addWidget(systems);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    // The template's placeholder gives way to the program's version when the dialog opens.
    version->setText(Text(ABOUT_VERSION));
}

} // namespace velkar
