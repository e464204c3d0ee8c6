// What the session recorder costs the game and the engine: a driver call (an effect's update,
// the call a busy game makes most) and a force tick of one wheel with four playing effects,
// each with the recorder off and on; and the size of the file a minute of a busy game makes
// (a constant updated every tick, a spring, a damper and a sine playing, the wheel turning).
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "config/settings_store.h"
#include "driver/module_state.h"
#include "harness/effect_builder.h"
#include "harness/virtual_rig.h"
#include "record/recorder.h"

namespace quorforce {
namespace {

using harness::DirectInputEffect;

// The recordings go to a folder of their own, removed at the end.
class RecordingFolder {
public:
    RecordingFolder() {
        char pattern[] = "/tmp/qfrec-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder_ = made != nullptr ? made : "/tmp";
        setenv("LOCALAPPDATA", folder_.c_str(), 1);
    }
    ~RecordingFolder() { std::system(("rm -rf '" + folder_ + "'").c_str()); }

private:
    std::string folder_;
};

DirectInputEffect Effect(EffectKind kind) {
    DirectInputEffect e;
    e.directions[0] = 9000;
    e.constant.lMagnitude = 3000;
    e.periodic = {3000, 0, 0, 200000};
    e.conditions[0] = {0, 5000, 5000, 10000, 10000, 0};
    return e.Use(kind);
}

// One wheel bound, recording when `record`, with a constant, a spring, a damper and a sine
// playing.
struct Game {
    harness::VirtualRig rig;
    DirectInputEffect constant = Effect(EffectKind::Constant);
    DWORD constantHandle = 0;

    explicit Game(bool record) {
        harness::VirtualRig::ResetHost();
        RecorderOptions options;
        options.queueLines = 1 << 16;
        options.flushEveryMs = 10;
        SetRecorderOptions(options);
        if (record) {
            SharedEffectTable names = {};
            names.vendorIds[0] = 0x5A1C;
            names.productIds[0] = 0xE410;
            char key[kKeyPathSize];
            DeviceKey(names, 0, key);
            host::SetRegistryDword(HKEY_CURRENT_USER, key, "Record", 1);
        }
        const GUID instance = {0xB0, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
        rig.PlugWheel(host::BuiltInWheel(), 0, instance);
        rig.Attach(true, 1000);
        rig.GetFactory();
        rig.CreateDriverObject();
        rig.DeviceID(0, 0);
        constantHandle = Play(kEffectConstant, constant);
        DirectInputEffect spring = Effect(EffectKind::Condition);
        Play(kEffectSpring, spring);
        Play(kEffectDamper, spring);
        DirectInputEffect sine = Effect(EffectKind::Periodic);
        Play(kEffectSine, sine);
    }
    DWORD Play(DWORD id, DirectInputEffect& e) {
        DWORD handle = 0;
        rig.driver->DownloadEffect(0, id, &handle, &e.effect, DIEP_ALLPARAMS | DIEP_START);
        return handle;
    }
    void Update(LONG magnitude) {
        constant.constant.lMagnitude = magnitude;
        DWORD handle = constantHandle;
        rig.driver->DownloadEffect(0, kEffectConstant, &handle, &constant.effect,
                                   DIEP_TYPESPECIFICPARAMS | DIEP_START);
    }
};

void BM_Call(benchmark::State& state) {
    RecordingFolder folder;
    Game game(state.range(0) != 0);
    LONG magnitude = 0;
    for (auto _ : state)
        game.Update(magnitude = (magnitude + 37) % 10000);
    state.counters["dropped"] = static_cast<double>(RecordingDrops());
    state.SetLabel(state.range(0) != 0 ? "recording" : "off");
}
BENCHMARK(BM_Call)->Arg(0)->Arg(1);

void BM_Tick(benchmark::State& state) {
    RecordingFolder folder;
    Game game(state.range(0) != 0);
    std::int32_t x = 0;
    for (auto _ : state) {
        game.rig.QueueSteering(0, 0, 400 + (x = (x + 3) % 200));
        game.rig.Step();
    }
    state.counters["dropped"] = static_cast<double>(RecordingDrops());
    state.SetLabel(state.range(0) != 0 ? "recording" : "off");
}
BENCHMARK(BM_Tick)->Arg(0)->Arg(1);

// A minute of virtual time; the file's size once the session ends.
void BM_BusyMinute(benchmark::State& state) {
    RecordingFolder folder;
    for (auto _ : state) {
        std::uint64_t bytes = 0;
        {
            Game game(true);
            const int steps = 60000 / 16;
            for (int i = 0; i < steps; ++i) {
                game.Update(2000 + (i % 50) * 100);
                game.rig.QueueSteering(0, 0, 512 + (i % 100 < 50 ? i % 50 : 50 - i % 50) * 4);
                game.rig.Step();
                if (i % 64 == 0) Sleep(1);  // the writer's turn, as a real minute gives it
            }
            const std::string path = RecordingPath();
            game.rig.TearDown();
            struct stat info = {};
            if (stat(path.c_str(), &info) == 0) bytes = static_cast<std::uint64_t>(info.st_size);
        }
        state.counters["file_bytes"] = static_cast<double>(bytes);
        state.counters["dropped"] = static_cast<double>(RecordingDrops());
    }
}
BENCHMARK(BM_BusyMinute)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorforce
