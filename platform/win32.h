// The driver's one way into Windows. On Windows it includes the SDK; elsewhere the host
// stand-in, which declares the same names with the same types and behaviour.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
// windows.h first: the other SDK headers need its types. clang-format keeps this order.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
#include <dinput.h>
#include <dinputd.h>
#include <setupapi.h>
#include <sddl.h>
// clang-format on
extern "C" {
#include <hidsdi.h>
}
#else
#include "platform/host/host.h"
#endif
