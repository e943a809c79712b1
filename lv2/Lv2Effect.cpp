#include "lv2/Lv2Effect.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "lv2/Lv2Ports.h"

namespace qp::lv2 {

namespace {

// The chain counts frames in 32 bits, signed; a larger LV2 block (its count is
// unsigned) is rendered in parts of at most this many frames.
constexpr std::uint32_t kLargestPart = std::uint32_t(std::numeric_limits<std::int32_t>::max());

// The controls as one run reads them: the same pair for every sample.
struct BlockValues {
    float sensValue;
    float buzzValue;

    const BlockValues& atSample() const { return *this; }
    float sens() const { return sensValue; }
    float buzz() const { return buzzValue; }
};

void silence(float* out, std::uint32_t frames) {
    if (out != nullptr) {
        std::fill_n(out, frames, 0.0f);
    }
}

}  // namespace

Lv2Effect::Lv2Effect() {
    chain_.tune();
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        values_[index] = kParameterDefinitions[index].defaultValue;
    }
}

void Lv2Effect::connectPort(std::uint32_t port, void* data) {
    switch (port) {
        case kInLeft:
            inLeft_ = static_cast<const float*>(data);
            break;
        case kInRight:
            inRight_ = static_cast<const float*>(data);
            break;
        case kOutLeft:
            outLeft_ = static_cast<float*>(data);
            break;
        case kOutRight:
            outRight_ = static_cast<float*>(data);
            break;
        case kSens:
        case kBuzz:
            controls_[kPorts[port].parameter] = static_cast<const float*>(data);
            break;
        default:
            break;
    }
}

void Lv2Effect::activate() { chain_.reset(); }

void Lv2Effect::takeControlValues() {
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        if (controls_[index] == nullptr) {
            continue;
        }
        const float value = *controls_[index];
        if (std::isfinite(value)) {
            values_[index] = std::clamp(value, kControlMinimum, kControlMaximum);
        }
    }
}

void Lv2Effect::run(std::uint32_t frames) {
    takeControlValues();
    if (inLeft_ == nullptr || inRight_ == nullptr || outLeft_ == nullptr || outRight_ == nullptr) {
        silence(outLeft_, frames);
        silence(outRight_, frames);
        return;
    }
    const BlockValues values{values_[kSensIndex], values_[kBuzzIndex]};
    const auto replace = [](float& out, float sample) { out = sample; };
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t part = std::min(frames - done, kLargestPart);
        chain_.render(inLeft_ + done, inRight_ + done, outLeft_ + done, outRight_ + done, std::int32_t(part),
                      values, replace);
        done += part;
    }
}

}  // namespace qp::lv2
