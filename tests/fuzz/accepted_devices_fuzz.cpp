// The accepted-devices list as a maker, a player or another program may leave it: any bytes,
// then the edits the setup makes. The reading never runs past the text, keeps at most the
// names the driver reads, and an edit changes the one model only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/accepted_devices.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace quorforce;

int Count(const std::string& text) {
    AcceptedDevice devices[kMaxAcceptedDevices];
    const int count = ParseAcceptedDevices(text.c_str(), devices);
    if (count < 0 || count > kMaxAcceptedDevices) std::abort();
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    AcceptedDevice wheel;
    wheel.vendorId = input.Take<std::uint16_t>();
    wheel.productId = input.Take<std::uint16_t>();
    // The rest is the stored text, ended where the registry reader ends it.
    std::string text(reinterpret_cast<const char*>(data) + (size - input.Left()), input.Left());
    text = text.c_str();
    const int before = Count(text);

    std::string removed = text;
    RemoveFromList(removed, wheel);
    if (ListNamesDevice(removed.c_str(), wheel) || Count(removed) > before) std::abort();

    std::string added = removed;
    if (AddToList(added, wheel)) {
        if (!ListNamesDevice(added.c_str(), wheel)) std::abort();
        // Taking it away again leaves the names the removal left.
        RemoveFromList(added, wheel);
        if (Count(added) != Count(removed)) std::abort();
    } else if (Count(removed) != kMaxAcceptedDevices) {
        std::abort();
    }
    return 0;
}
