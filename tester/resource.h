// The tester's resource and control ids, shared by the program and its resource script.
#pragma once

#define QUORTEST_DIALOG 101
#define QUORTEST_ICON 102
#define QUORTEST_CONSTANT 1000
#define QUORTEST_RAMP 1001
#define QUORTEST_PERIODIC 1002
#define QUORTEST_STOP 1004
#define QUORTEST_DEVICE_NAME 1005

#ifdef __cplusplus
namespace quortest {
constexpr int kTesterDialog = QUORTEST_DIALOG;
constexpr WORD kConstantButton = QUORTEST_CONSTANT;
constexpr WORD kRampButton = QUORTEST_RAMP;
constexpr WORD kPeriodicButton = QUORTEST_PERIODIC;
constexpr WORD kStopButton = QUORTEST_STOP;
constexpr int kDeviceNameEdit = QUORTEST_DEVICE_NAME;
}  // namespace quortest
#endif
