// The module's entry points: the load and unload of the DLL in a process, the two COM
// exports DirectInput uses and regsvr32's three. On the host these are plain functions that tests
// and tools call the way the loader and DirectInput would.
#pragma once

#include "platform/win32.h"

namespace quorforce {

// The load sequence; false refuses the load, with nothing left open.
bool AttachModule(HINSTANCE instance);
// The unload sequence. processExiting: the threads are already gone, do not wait for them.
void DetachModule(bool processExiting);

}  // namespace quorforce

extern "C" {
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow(void);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
STDAPI DllInstall(BOOL install, LPCWSTR commandLine);
}
