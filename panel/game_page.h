// The control panel's Game tab and its game choice: the games seen on the chosen wheel, and
// for the chosen one (or all games) every switch of the catalogue, each change saved at once
// to HKEY_CURRENT_USER; Reset, Export... and Import.... It needs only the registry, not
// quorforce.dll. On the panel's window thread.
#pragma once

#include "panel/device_choice.h"
#include "platform/win32.h"

namespace quorforce::panel {

// Ranges and limits of the Game tab's controls; the tabs.
void InitGamePage(HWND dialog);
// The wheel whose games are listed; nothing changes when it is the one shown.
void ShowGamesOf(HWND dialog, const DeviceChoice& device);
// The chosen game's "running" line; cheap enough for every refresh.
void RefreshGameStatus(HWND dialog);
// A WM_COMMAND of the game choice or the Game tab; false for another control's.
bool GameCommand(HWND dialog, WPARAM wParam);
// A WM_NOTIFY of the tabs: shows the chosen tab's controls.
void TabsNotified(HWND dialog, const NMHDR& header);

}  // namespace quorforce::panel
