// quorforce.dll in the panel's process: where it is taken from, and the two exports the
// panel calls. On the panel's window thread only.
#pragma once

#include "include/quorforce.h"
#include "platform/win32.h"

namespace quorforce::panel {

class DriverLibrary {
public:
    using ConfigFunction = int(QUORFORCE_CDECL*)(int, DeviceConfig*);

    // The machine's registration of the driver's class in this process's own registry view,
    // when it names a full path; else the copy in the folder of the module that holds the
    // panel (quorpanel.exe, or quorpage.dll in the Game Controllers applet). Never a search
    // by name: not the current directory, not PATH, not a user's own class registration.
    // Once loaded, it stays.
    bool Load();
    bool Loaded() const { return get_ != nullptr && set_ != nullptr; }
    // Why the last Load failed: a system error code.
    DWORD Error() const { return error_; }

    // ZXGetDeviceConfig and ZXSetDeviceConfig (whose results say nothing); false, with
    // nothing called, without the driver.
    bool Get(int joystick, DeviceConfig* config) const;
    bool Set(int joystick, DeviceConfig* config) const;

private:
    bool LoadFrom(const wchar_t* path);

    HMODULE module_ = nullptr;
    ConfigFunction get_ = nullptr;
    ConfigFunction set_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

}  // namespace quorforce::panel
