// quorpanel: the control panel players open, as a dialog program of its own (panel_dialog.cpp
// holds the dialog). Without quorforce.dll it says so and ends with 2. `quorpanel /import FILE
// [/quiet]` imports a profile file instead and ends (import_command.cpp).
#include "platform/win32.h"
// The common controls need windows.h first.
#include <commctrl.h>

#include "panel/command_line.h"
#include "panel/import_command.h"
#include "panel/panel_dialog.h"
#include "panel/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace quorforce::panel;
    const PanelCommand command = ParseCommandLine(commandLine);
    if (command.import) return RunImportCommand(command);
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    if (!OpenPanel(0, false)) {
        MessageBoxA(nullptr,
                    "quorforce.dll is not installed: register it with regsvr32 (see INSTALL.md) "
                    "and start the control panel again.",
                    kPanelCaption, MB_OK | MB_ICONERROR);
        return 2;
    }
    const INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(QUORPANEL_DIALOG), nullptr, PanelProc, 0);
    return result == 0 ? 0 : 1;
}
