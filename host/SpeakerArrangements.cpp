// EffectHostServices' speaker-arrangement memory: creating, releasing and copying
// the variable-length arrangements that hosts and effects hand each other.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "host/EffectHostServices.h"

namespace qp {

namespace {

// No speaker layout a host describes comes near this; the cap keeps a wild channel
// count from turning into gigabytes (or an overflowing size) of arrangement.
constexpr Int32 kMaxSpeakerChannels = 1024;
constexpr std::size_t kArrangementHeaderSize = offsetof(VstSpeakerArrangement, speakers);

}  // namespace

// --- Speaker arrangements ----------------------------------------------------
// An arrangement is one block of 8 + 112 x channels bytes from malloc, so that the
// host or another module can free what it receives.

bool EffectHostServices::createSpeakerArrangement(VstSpeakerArrangement** arrangement, Int32 channelCount) {
    if (arrangement == nullptr) {
        return false;
    }
    if (*arrangement != nullptr) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    if (channelCount < 0 || channelCount > kMaxSpeakerChannels) {
        return false;
    }
    const std::size_t size =
        kArrangementHeaderSize + sizeof(VstSpeakerProperties) * std::size_t(channelCount);
    void* block = std::malloc(size);
    if (block == nullptr) {
        return false;
    }
    std::memset(block, 0, size);
    *arrangement = static_cast<VstSpeakerArrangement*>(block);
    (*arrangement)->numChannels = channelCount;
    return true;
}

bool EffectHostServices::releaseSpeakerArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement != nullptr && *arrangement != nullptr) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool EffectHostServices::copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (to == nullptr || from == nullptr) {
        return false;
    }
    // The name comes from a host: bounded, so a missing terminator ends it at 63.
    const void* end = std::memchr(from->name, '\0', sizeof(from->name) - 1);
    const std::size_t nameLength =
        end != nullptr ? std::size_t(static_cast<const char*>(end) - from->name) : sizeof(from->name) - 1;
    std::memmove(to->name, from->name, nameLength);
    to->name[nameLength] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memmove(to->future, from->future, sizeof(to->future));
    return true;
}

bool EffectHostServices::copySpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (from == nullptr || to == nullptr) {
        return false;
    }
    // Releasing the destination would free the source too: a copy onto itself is done.
    if (*to == from) {
        return true;
    }
    if (!releaseSpeakerArrangement(to)) {
        return false;
    }
    if (!createSpeakerArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
    // The speakers run past the declared array, to numChannels entries: walked by
    // pointer rather than subscript.
    VstSpeakerProperties* destination = (*to)->speakers;
    VstSpeakerProperties* source = from->speakers;
    for (Int32 i = 0; i < (*to)->numChannels; ++i) {
        if (!copySpeakerProperties(destination + i, source + i)) {
            return false;
        }
    }
    return true;
}

}  // namespace qp
