// A game, as far as the driver sees one: loads quorforce.dll of its own folder, binds
// joystick J in device area 0 and plays a constant force at 90 degrees until told to end.
// Built in both sizes, so that a 32-bit and a 64-bit game can share one table.
//   quorforce_game_client J MAGNITUDE READY_EVENT END_EVENT
// Sets the named event READY_EVENT once the force plays; waits for END_EVENT (two minutes at
// most) and unloads. Exit code 0, or the step that failed: 1 arguments or events, 2 the
// driver object, 3 DeviceID, 4 the download, 5 no end in time.
#include <cstdlib>

#include "harness/wine/wine_test_support.h"

int main(int argc, char** argv) {
    using namespace wine_test;
    if (argc != 5) return 1;
    const DWORD joystick = static_cast<DWORD>(std::atoi(argv[1]));
    DICONSTANTFORCE force = {std::atoi(argv[2])};
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE end = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (ready == nullptr || end == nullptr) return 1;
    int step = 0;
    {
        LoadedDriver dll;
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        if (driver == nullptr) return 2;
        DirectInputEffect effect = Effect(&force, sizeof force, 9000);
        DWORD handle = 0;
        if (driver->DeviceID(0x0800, joystick, TRUE, 0, nullptr) != S_OK) {
            step = 3;
        } else if (driver->DownloadEffect(joystick, 371, &handle, &effect.effect, DIEP_START) !=
                   S_OK) {
            step = 4;
        } else {
            SetEvent(ready);
            if (WaitForSingleObject(end, 120000) != WAIT_OBJECT_0) step = 5;
            driver->DestroyEffect(joystick, handle);
        }
        driver->Release();
    }
    CloseHandle(ready);
    CloseHandle(end);
    return step;
}
