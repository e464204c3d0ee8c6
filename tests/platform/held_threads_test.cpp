// The stand-in's held threads: a run in virtual time may end its process while the engine
// threads it held are still waiting at their start, and the exit must not wait for them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/win32.h"

namespace {

DWORD WINAPI ReturnAtOnce(LPVOID) { return 0; }

TEST(HeldThreadsDeathTest, ProcessExitsWhileThreadsAreHeld) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            alarm(5);  // a hang ends the child by the alarm's signal, not with code 0
            host::HoldNewThreads(true);
            CreateThread(nullptr, 0, ReturnAtOnce, nullptr, 0, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            // A change of the kernel objects wakes the held thread, which waits again.
            SetEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
