// The command line's import. It needs no quorforce.dll: the wheel comes from the shared
// table when a game has bound one (read-only, as the panel reads it), the switches go to the
// registry.
#include "panel/import_command.h"

#include "panel/device_choice.h"
#include "panel/game_profiles.h"
#include "panel/panel_dialog.h"
#include "panel/read_only_view.h"
#include "state/kernel_names.h"

namespace quorforce::panel {

int RunImportCommand(const PanelCommand& command) {
    ReadOnlyView<SharedEffectTable> table{kTableMappingGuid};
    ReadOnlyView<MonitorBlock> monitor{kMonitorMappingGuid};
    DeviceChoice devices[kJoystickCount] = {};
    const std::size_t count = ListDevices(table.Get(), monitor.Get(), devices);
    // Joystick id 0 first, as the panel opens.
    const DeviceChoice device = FirstChoice(devices, count, 0);
    ImportResult result;
    if (command.error.empty()) {
        result = ImportProfileFile(DeviceKeyOf(device), command.file.c_str());
    } else {
        result.message = "Not imported: " + command.error + ".";
    }
    const bool imported = result.outcome == ImportOutcome::Imported;
    if (!command.quiet) {
        MessageBoxA(nullptr, result.message.c_str(), kPanelCaption,
                    MB_OK | (imported ? MB_ICONINFORMATION : MB_ICONERROR));
    }
    return imported ? 0 : 1;
}

}  // namespace quorforce::panel
