// A recorded session on the host: a fresh LOCALAPPDATA folder, virtual wheels with the game's
// "Record" switch, the module through its entry points in virtual time, and the recording it
// leaves, read back. Shared by the recorder's, the replay's and the doctor's tests.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings_store.h"
#include "harness/effect_builder.h"
#include "harness/virtual_rig.h"
#include "platform/host/virtual_hid.h"
#include "platform/win32.h"
#include "record/recorder.h"
#include "record/recording_reader.h"

namespace quorforce::test {

using harness::DirectInputEffect;

// A temporary folder that stands for %LOCALAPPDATA%.
class LocalAppData {
public:
    LocalAppData() {
        char pattern[] = "/tmp/qfrec-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder_ = made != nullptr ? made : "/tmp";
        setenv("LOCALAPPDATA", folder_.c_str(), 1);
    }
    ~LocalAppData() { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    const std::string& Folder() const { return folder_; }
    // The recordings made in it.
    std::vector<std::string> Recordings() const {
        std::vector<std::string> paths;
        const std::string dir = folder_ + "/Quorvane/Recordings";
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* entry = readdir(d))
                if (std::string(entry->d_name).find(".qfrec") != std::string::npos)
                    paths.push_back(dir + "/" + entry->d_name);
            closedir(d);
        }
        return paths;
    }

private:
    std::string folder_;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A wheel's "Record" switch (or any game switch) in its device key under the current user.
inline void WriteDeviceSwitch(const char* name, DWORD value, WORD vid = 0x5A1C, WORD pid = 0xE410) {
    SharedEffectTable names = {};
    names.vendorIds[0] = vid;
    names.productIds[0] = pid;
    char key[kKeyPathSize];
    ASSERT_TRUE(DeviceKey(names, 0, key));
    host::SetRegistryDword(HKEY_CURRENT_USER, key, name, value);
}

// The module on virtual wheels in virtual time, recording when `record` is set.
class RecordedRig {
public:
    explicit RecordedRig(bool record = true, const RecorderOptions& options = RecorderOptions()) {
        harness::VirtualRig::ResetHost();
        SetRecorderOptions(options);
        if (record) WriteDeviceSwitch("Record", 1);
        // A force-feedback wheel (signed forces about 0x80), not a vibration device.
        harness::VirtualRig::WriteSetting("Shock_or_Force_Feedback", 1, 0x5A1C, 0xE410, 0);
    }
    ~RecordedRig() { Finish(); }

    // One more wheel (the built-in model) at `joystick` and `area`, with a driver object
    // bound to it.
    IDirectInputEffectDriver* AddWheel(DWORD joystick, DWORD area) {
        return AddDevice(host::BuiltInWheel(), joystick, area);
    }
    IDirectInputEffectDriver* AddDevice(host::VirtualHidConfig config, DWORD joystick, DWORD area) {
        if (!attached_) {
            rig.Attach(true, 1000);
            rig.GetFactory();
            attached_ = true;
        }
        config.path = host::HidDevicePath(config.vendorId, config.productId, std::to_string(area));
        const GUID instance = {0xABC00000u + area, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
        rig.PlugWheel(config, joystick, instance, static_cast<int>(rig.wheels.size()));
        IDirectInputEffectDriver* driver = nullptr;
        EXPECT_EQ(rig.NewDriverObject(&driver), S_OK);
        objects.push_back(driver);
        EXPECT_EQ(driver->DeviceID(0x0800, joystick, TRUE, area, nullptr), S_OK);
        return driver;
    }

    // Downloads (and starts) an effect; its handle.
    DWORD Play(IDirectInputEffectDriver* driver, DWORD id, DirectInputEffect effect,
               DWORD flags = DIEP_ALLPARAMS | DIEP_START) {
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(0, id, &handle, &effect.effect, flags), S_OK);
        return handle;
    }

    void Steps(int count) {
        for (int i = 0; i < count; ++i)
            rig.Step();
    }

    // Releases everything: the last driver object's release ends the session.
    void Finish() {
        for (IDirectInputEffectDriver* o : objects)
            o->Release();
        objects.clear();
        rig.TearDown();
        attached_ = false;
    }

    harness::VirtualRig rig;
    std::vector<IDirectInputEffectDriver*> objects;

private:
    bool attached_ = false;
};

}  // namespace quorforce::test
