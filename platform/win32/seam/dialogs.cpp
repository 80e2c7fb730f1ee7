// The About, Name Entry and Device Configuration dialogs: Win32 dialog procedures over the core's
// models.
#include <cstdio>

#include "app/frame_clock.h"
#include "display.h"
#include "input/joystick_seam.h"
#include "ui/center_window.h"
#include "ui/device_config.h"
#include "ui/dialog_texts.h"
#include "ui/name_entry.h"
#include "window.h"

#include <commctrl.h>

namespace velkar {

namespace {

DeviceConfigModel configModel;

void FillList(HWND dialog, int32_t listId, int32_t selection) {
    HWND list = GetDlgItem(dialog, listId);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    const int32_t count = DeviceConfigItemCount(&configModel, listId);
    char text[128];
    for (int32_t i = 0; i < count; ++i)
        SendMessageA(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(
                         DeviceConfigItemText(&configModel, listId, i, text, sizeof text)));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void ShowVolumes(HWND dialog) {
    char text[32];
    SetDlgItemTextA(dialog, DEVCFG_BGM_VALUE,
                    FormatVolumeText(configModel.volumeShown[0], text, sizeof text));
    SetDlgItemTextA(dialog, DEVCFG_EFFECT_VALUE,
                    FormatVolumeText(configModel.volumeShown[1], text, sizeof text));
}

void ShowSelections(HWND dialog) {
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; ++i)
        SendDlgItemMessageA(dialog, DEVCFG_BUTTON_LIST_ID[i], CB_SETCURSEL,
                            static_cast<WPARAM>(configModel.buttonItem[i]), 0);
    SendDlgItemMessageA(dialog, DEVCFG_DEVICE_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(configModel.deviceItem), 0);
    SendDlgItemMessageA(dialog, DEVCFG_RESOLUTION_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(configModel.resolutionItem), 0);
    SendDlgItemMessageA(dialog, DEVCFG_BPP_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(configModel.bppItem), 0);
    SendDlgItemMessageA(dialog, DEVCFG_BGM_SLIDER, TBM_SETPOS, TRUE, configModel.sliderPosition[0]);
    SendDlgItemMessageA(dialog, DEVCFG_EFFECT_SLIDER, TBM_SETPOS, TRUE,
                        configModel.sliderPosition[1]);
    CheckDlgButton(dialog, DEVCFG_PRIMSURF_CHECK,
                   configModel.disablePrimSurf ? BST_CHECKED : BST_UNCHECKED);
}

int32_t Selection(HWND dialog, int32_t listId) {
    return static_cast<int32_t>(SendDlgItemMessageA(dialog, listId, CB_GETCURSEL, 0, 0));
}

// Takes what the controls show into the model (a list without a selection reads as -1).
void ReadControls(HWND dialog) {
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; ++i)
        configModel.buttonItem[i] = Selection(dialog, DEVCFG_BUTTON_LIST_ID[i]);
    configModel.deviceItem = Selection(dialog, DEVCFG_DEVICE_LIST);
    configModel.resolutionItem = Selection(dialog, DEVCFG_RESOLUTION_LIST);
    configModel.bppItem = Selection(dialog, DEVCFG_BPP_LIST);
    MoveDeviceConfigSlider(
        &configModel, 0,
        static_cast<int32_t>(SendDlgItemMessageA(dialog, DEVCFG_BGM_SLIDER, TBM_GETPOS, 0, 0)));
    MoveDeviceConfigSlider(
        &configModel, 1,
        static_cast<int32_t>(SendDlgItemMessageA(dialog, DEVCFG_EFFECT_SLIDER, TBM_GETPOS, 0, 0)));
    SetDeviceConfigCheck(&configModel,
                         IsDlgButtonChecked(dialog, DEVCFG_PRIMSURF_CHECK) == BST_CHECKED ? 1 : 0);
}

void InitDeviceConfig(HWND dialog) {
    CenterWindow(dialog, nullptr);
    OpenDeviceConfig(&configModel, JoystickPresent.load());
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; ++i)
        FillList(dialog, DEVCFG_BUTTON_LIST_ID[i], configModel.buttonItem[i]);
    SetDlgItemTextA(dialog, DEVCFG_CONNECT_STATUS, DeviceConfigConnectText(&configModel));
    for (int32_t id : {DEVCFG_BGM_SLIDER, DEVCFG_EFFECT_SLIDER}) {
        SendDlgItemMessageA(dialog, id, TBM_SETRANGEMIN, TRUE, 0);
        SendDlgItemMessageA(dialog, id, TBM_SETRANGEMAX, TRUE, DEVCFG_SLIDER_MAX);
    }
    SendDlgItemMessageA(dialog, DEVCFG_BGM_SLIDER, TBM_SETPOS, TRUE, configModel.sliderPosition[0]);
    SendDlgItemMessageA(dialog, DEVCFG_EFFECT_SLIDER, TBM_SETPOS, TRUE,
                        configModel.sliderPosition[1]);
    ShowVolumes(dialog);
    FillList(dialog, DEVCFG_DEVICE_LIST, configModel.deviceItem);
    FillList(dialog, DEVCFG_RESOLUTION_LIST, configModel.resolutionItem);
    FillList(dialog, DEVCFG_BPP_LIST, configModel.bppItem);
    CheckDlgButton(dialog, DEVCFG_PRIMSURF_CHECK,
                   configModel.disablePrimSurf ? BST_CHECKED : BST_UNCHECKED);
}

} // namespace

int32_t AnsiCharLength(const char* text) {
    // A lead byte of the ANSI code page starts a two-byte character; every other byte stands
    // alone (the cut itself keeps a lead byte before the terminator on its own).
    return IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[0])) ? 2 : 1;
}

UINT MessageBoxFlags(int32_t style) {
    UINT flags = MB_TASKMODAL;
    flags |= (style & MSG_OK_CANCEL) ? MB_OKCANCEL : MB_OK;
    if (style & MSG_DEFAULT_SECOND) flags |= MB_DEFBUTTON2;
    if (style & MSG_ICON_STOP) flags |= MB_ICONSTOP;
    if (style & MSG_ICON_WARNING) flags |= MB_ICONWARNING;
    if (style & MSG_ICON_INFORMATION) flags |= MB_ICONINFORMATION;
    return flags;
}

int32_t ShowMessageText(HWND owner, const MessageText* message) {
    int answer =
        MessageBoxA(owner, message->text, message->caption, MessageBoxFlags(message->style));
    return answer == IDOK ? MSG_ANSWER_OK : MSG_ANSWER_CANCEL;
}

int32_t CenterWindow(HWND window, HWND reference) {
    if (reference == nullptr) reference = GetWindow(window, GW_OWNER);
    if (reference == nullptr) return 0;
    RECT r;
    RECT d;
    GetWindowRect(reference, &r);
    GetWindowRect(window, &d);
    WindowRect box = {d.left, d.top, d.right, d.bottom};
    WindowRect over = {r.left, r.top, r.right, r.bottom};
    CenterWindowRect(&box, &over, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(window, nullptr, box.left, box.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, nullptr);
        SetDlgItemTextA(dialog, ABOUT_VERSION_ID, ABOUT_VERSION);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK NameEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, nullptr);
        SetFocus(GetDlgItem(dialog, NAME_ENTRY_EDIT_ID));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char typed[64] = {};
            GetDlgItemTextA(dialog, NAME_ENTRY_EDIT_ID, typed, sizeof typed);
            EndDialog(dialog, AcceptNameEntry(typed, AnsiCharLength));
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, CancelNameEntry());
        } else if (LOWORD(wParam) == NAME_ENTRY_EDIT_ID && HIWORD(wParam) == EN_ERRSPACE) {
            ShowMessageText(dialog, &NAME_ENTRY_NO_MEMORY);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK DeviceConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitDeviceConfig(dialog);
        return TRUE;
    case WM_NOTIFY:
        MoveDeviceConfigSlider(
            &configModel, 0,
            static_cast<int32_t>(SendDlgItemMessageA(dialog, DEVCFG_BGM_SLIDER, TBM_GETPOS, 0, 0)));
        MoveDeviceConfigSlider(&configModel, 1,
                               static_cast<int32_t>(SendDlgItemMessageA(
                                   dialog, DEVCFG_EFFECT_SLIDER, TBM_GETPOS, 0, 0)));
        ShowVolumes(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case DEVCFG_OK: {
            ReadControls(dialog);
            const MessageText* problem = nullptr;
            if (AcceptDeviceConfig(&configModel, &problem) == 1)
                EndDialog(dialog, 1);
            else if (problem != nullptr)
                ShowMessageText(dialog, problem);
            break;
        }
        case DEVCFG_CANCEL:
            EndDialog(dialog, 0);
            break;
        case DEVCFG_DEFAULT:
            DefaultDeviceConfig(&configModel);
            ShowSelections(dialog);
            break;
        case DEVCFG_DEVICE_LIST: {
            int32_t listed = configModel.listedDevice;
            int32_t chosen = Selection(dialog, DEVCFG_DEVICE_LIST);
            if (chosen >= 0 && chosen != listed) {
                SelectDeviceConfigItem(&configModel, DEVCFG_DEVICE_LIST, chosen);
                FillList(dialog, DEVCFG_RESOLUTION_LIST, configModel.resolutionItem);
            }
            break;
        }
        default:
            break;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int32_t RunDialogTemplate(HWND owner, int32_t templateId) {
    DLGPROC procedure = nullptr;
    switch (DialogKindOf(templateId)) {
    case DIALOG_KIND_ABOUT:
        procedure = AboutDialogProc;
        break;
    case DIALOG_KIND_NAME_ENTRY:
        procedure = NameEntryDialogProc;
        break;
    case DIALOG_KIND_DEVICE_CONFIG:
        procedure = DeviceConfigDialogProc;
        break;
    default:
        return 0;
    }
    HINSTANCE instance = MainInstance != nullptr ? MainInstance : GetModuleHandleA(nullptr);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    return result == 1 ? 1 : 0;
}

} // namespace velkar
