// Input reports of any bytes and lengths from the bound wheel, through the poll pass (the
// read into the poll buffer, the X value, the buttons) and the motion estimate, at any
// tick counts.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    harness::VirtualRig& rig = SharedRig();
    ProcessState& process = Module().process;
    // Exactly the poll buffer's size, so that a read past it is caught.
    static BYTE* buffer = new BYTE[kPollBufferSize];
    FuzzInput in(data, size);
    std::uint32_t now = in.Word();
    while (!in.Empty()) {
        const int reports = in.Byte() % 4;
        for (int i = 0; i < reports; ++i) {
            std::size_t length = in.Byte();
            if (in.Chance(16)) length *= 8;
            rig.wheel->QueueInput(in.Bytes(length));
        }
        PollPass(process, buffer, now);
        now += in.Byte();
    }
    rig.wheel->inputQueue.clear();
    process.motion[0] = MotionState{};
    return 0;
}
