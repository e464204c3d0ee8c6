// The fixture every Wine test on the virtual wheel shares. Once per suite the wheel is
// installed in the prefix (by an earlier run, or now) and its test channel opened; before
// each test the channel is checked and the reports the wheel received so far are dropped, so
// a test reads only its own. RegisteredWheelTest also registers quorforce.dll of the test's
// folder with regsvr32 once per suite, for the tests whose programs reach the driver through
// its registration.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wine_test_support.h"

namespace wine_test {

// Base: ::testing::Test, or ::testing::TestWithParam<T> for a parameterised suite.
template <class Base = ::testing::Test>
class WheelTest : public Base {
protected:
    static void SetUpTestSuite() { channel_ = OpenWheelChannel(); }
    static void TearDownTestSuite() {
        if (channel_ != INVALID_HANDLE_VALUE) CloseHandle(channel_);
        channel_ = INVALID_HANDLE_VALUE;
    }
    void SetUp() override {
        ASSERT_NE(channel_, INVALID_HANDLE_VALUE) << "the virtual wheel did not install";
        Received(channel_);
    }

    // The reports the wheel receives from now on, once `ms` have passed.
    static std::vector<std::pair<int, Bytes>> ReportsAfter(DWORD ms) {
        Received(channel_);
        Sleep(ms);
        return Received(channel_);
    }

    static inline HANDLE channel_ = INVALID_HANDLE_VALUE;
};

template <class Base = ::testing::Test>
class RegisteredWheelTest : public WheelTest<Base> {
protected:
    static void SetUpTestSuite() {
        WheelTest<Base>::SetUpTestSuite();
        registered_ = RunCommandLine("regsvr32 /s \"" + ThisFolder() + "quorforce.dll\"") == 0;
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WheelTest<Base>::SetUp());
        ASSERT_TRUE(registered_) << "regsvr32 failed";
    }

    static inline bool registered_ = false;
};

}  // namespace wine_test
