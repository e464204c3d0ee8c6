// The sample effects' parameters.
#include "tester/sample_effect.h"

namespace quortest {
namespace {

constexpr DWORD kFiveSeconds = 5000000;  // µs
constexpr DWORD kOneMillisecond = 1000;  // µs, the sample period
constexpr DWORD kOneSecond = 1000000;    // µs, the sine's period
// DIJOFS_X and DIJOFS_Y: offsets of lX and lY in the DIJOYSTATE data format.
constexpr DWORD kAxisX = 0;
constexpr DWORD kAxisY = 4;

void FillBlock(int kind, SampleEffect& sample) {
    DIEFFECT& e = sample.effect;
    switch (kind) {
    case kConstantSample:
        sample.block.constant.lMagnitude = 10000;
        sample.directions[0] = -8000;
        sample.directions[1] = 8000;
        e.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
        break;
    case kRampSample:
        sample.block.ramp.lStart = 0;
        sample.block.ramp.lEnd = 10000;
        sample.directions[0] = 10000;
        sample.directions[1] = 10000;
        e.cbTypeSpecificParams = sizeof(DIRAMPFORCE);
        break;
    default:
        sample.block.periodic = {4000, 0, 0, kOneSecond};
        e.cbTypeSpecificParams = sizeof(DIPERIODIC);
        break;
    }
}

}  // namespace

HRESULT FillSampleEffect(int kind, DWORD axisCount, SampleEffect& sample) {
    if (kind < kConstantSample || kind > kPeriodicSample) return E_FAIL;
    sample.axes[0] = kAxisX;
    sample.axes[1] = kAxisY;
    sample.directions[0] = sample.directions[1] = 0;
    sample.block = {};
    DIEFFECT& e = sample.effect;
    e = {};
    e.dwSize = kSampleEffectSize;
    e.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    e.dwDuration = kFiveSeconds;
    e.dwSamplePeriod = kOneMillisecond;
    e.dwGain = 10000;
    e.dwTriggerButton = DIEB_NOTRIGGER;
    e.dwTriggerRepeatInterval = 0;
    e.cAxes = axisCount;
    e.rgdwAxes = sample.axes;
    e.rglDirection = sample.directions;
    e.lpEnvelope = nullptr;
    e.lpvTypeSpecificParams = &sample.block;
    e.dwStartDelay = 0;
    FillBlock(kind, sample);
    return S_OK;
}

}  // namespace quortest
