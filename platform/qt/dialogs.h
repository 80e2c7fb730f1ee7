// Qt widgets for the Device Configuration, Name Entry and About dialogs and the message boxes.
#pragma once

#include <QDialog>
#include <cstdint>

#include "input/control_map.h"
#include "ui/device_config.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace velkar {

struct MessageText;

// Runs the modal dialog of a template identifier over owner; returns its result (1 OK, 0
// cancel).
int32_t RunDialogTemplate(QWidget* owner, int32_t templateId);

// Centres dialog over its owner and keeps it on the primary screen.
void CenterOverOwner(QWidget* dialog, QWidget* owner);

// The Device Configuration dialog; its controls are named "ctl<identifier>".
// The line of the Device Configuration dialog that shows a layout pad's buttons by position.
constexpr int32_t DEVCFG_PAD_BUTTONS = 1030;

class DeviceConfigDialog : public QDialog {
    Q_OBJECT
  public:
    DeviceConfigDialog(QWidget* owner, int32_t language);
    const DeviceConfigModel& Model() const { return model_; }

  private:
    void ShowModel(); // every control from the model
    void FillResolutionList();
    void Ok();
    void Default();

    DeviceConfigModel model_{};
    QComboBox* buttonList_[DEVCFG_BUTTON_LISTS] = {};
    QSlider* slider_[2] = {};
    QLineEdit* volume_[2] = {};
    QComboBox* deviceList_ = nullptr;
    QComboBox* resolutionList_ = nullptr;
    QComboBox* bppList_ = nullptr;
    QCheckBox* primSurf_ = nullptr;
    QLineEdit* connect_ = nullptr;
    QLabel* padButtons_ = nullptr; // a layout pad's buttons by position
    int32_t shownDevice_ = -1;     // the device whose modes the resolution list holds
    bool syncing_ = false;         // controls being set from the model
};

// Controls: each action's key and pad button, set by pressing them. Its controls are named
// "ctl<identifier>": the key buttons CONTROLS_KEY_ID + action, the pad buttons
// CONTROLS_PAD_ID + action, the message line CONTROLS_MESSAGE_ID; OK (1), Cancel (2) and
// Defaults (3). OK puts the bindings in use and writes them to the settings file.
constexpr int32_t CONTROLS_KEY_ID = 1100;
constexpr int32_t CONTROLS_PAD_ID = 1200;
constexpr int32_t CONTROLS_MESSAGE_ID = 1300;

class ControlsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ControlsDialog(QWidget* owner);
    ~ControlsDialog() override;
    const ControlBindings& Bindings() const { return bindings_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show(); // every button's text from the bindings
    void WaitForKey(int32_t action);
    void WaitForPad(int32_t action);
    void StopWaiting();
    void Refused(int32_t holder, const QString& what);
    void Ok();

    ControlBindings bindings_{};
    QPushButton* keyButton_[ACTION_COUNT] = {};
    QPushButton* padButton_[ACTION_COUNT] = {};
    QLabel* message_ = nullptr;
    QTimer* padTimer_ = nullptr;
    int32_t waitingKey_ = -1; // the action whose key the next key press sets
    int32_t waitingPad_ = -1; // the action whose pad button the next held button sets
};

// Runs the Controls dialog over the window with the game held.
void RunControlsDialog(QWidget* owner);

// Name Entry: the edit control is "ctl1010"; OK stores the name, Escape empties it.
class NameEntryDialog : public QDialog {
    Q_OBJECT
  public:
    NameEntryDialog(QWidget* owner, int32_t language);
    void accept() override;
    void reject() override;

  private:
    QLineEdit* edit_ = nullptr;
};

// About: the version text is "ctl1011".
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    AboutDialog(QWidget* owner, int32_t language);
};

} // namespace velkar
