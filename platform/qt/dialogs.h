// Qt widgets for the Device Configuration, Name Entry and About dialogs and the message boxes.
#pragma once

#include <QDialog>
#include <cstdint>

#include "ui/device_config.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

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
