#include "lv2/Lv2Descriptor.h"

#include <new>

#include "lv2/Lv2Effect.h"
#include "lv2/Lv2Ports.h"

namespace qp::lv2 {

namespace {

Lv2Effect* effectOf(LV2_Handle instance) { return static_cast<Lv2Effect*>(instance); }

// No feature is required, so none is looked for: whatever a host offers (nothing,
// or features unknown here) the instance is the same. The rate is not needed
// either: the filters keep their 44100 Hz coefficients at every rate, as the VST 2
// edition does, so any rate a host names is accepted.
LV2_Handle instantiate(const LV2_Descriptor*, double, const char*, const LV2_Feature* const*) {
    return new (std::nothrow) Lv2Effect();
}

void connectPort(LV2_Handle instance, std::uint32_t port, void* data) {
    effectOf(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance) { effectOf(instance)->activate(); }

void run(LV2_Handle instance, std::uint32_t frames) { effectOf(instance)->run(frames); }

void cleanup(LV2_Handle instance) { delete effectOf(instance); }

const void* extensionData(const char*) { return nullptr; }

constexpr LV2_Descriptor kDescriptor = {
    kPluginUri, instantiate, connectPort, activate, run, nullptr, cleanup, extensionData,
};

}  // namespace

const LV2_Descriptor* descriptor(std::uint32_t index) { return index == 0 ? &kDescriptor : nullptr; }

}  // namespace qp::lv2
