// The control panel's dialog, for the program and for the Game Controllers page.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace quorforce::panel {

extern const char kPanelCaption[];

// Loads quorforce.dll (once) and makes `joystick` the one shown first; false when the DLL is
// not installed. `page`: the dialog is a property sheet page, which its sheet ends.
bool OpenPanel(std::uint32_t joystick, bool page);

// The dialog procedure of the program's dialog and of the page.
INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quorforce::panel
