// The main window of VELKAR.exe: its procedure, the routines the core's commands call, the dialogs.
#pragma once

#include <cstdint>

#include "ui/messages.h"
#include "win32.h"

namespace velkar {

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Installs the Win32 routines behind the core's window commands.
void InstallWindowFrontEnd();

// A task-modal message box of the program: MB flags from the core's style bits.
UINT MessageBoxFlags(int32_t style);
int32_t ShowMessageText(HWND owner, const MessageText* message);

// Length of the character at text in the ANSI code page, the encoding of the dialogs' text:
// 2 for a lead byte of a double-byte code page, else 1.
int32_t AnsiCharLength(const char* text);

// The dialog procedures and the modal run of a template (DIALOG_*_EN / _JA) over the owner.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NameEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeviceConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int32_t RunDialogTemplate(HWND owner, int32_t templateId);

// Centres window over reference (or over its owner when reference is null): 1 if moved.
int32_t CenterWindow(HWND window, HWND reference);

} // namespace velkar
