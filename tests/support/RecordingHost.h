// The host every in-process test hands its effects: it keeps each call the
// effect makes and answers as the test chooses.
#pragma once

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/PluginInterface.h"

namespace qp::test {

// One call the plug-in made to the host.
struct HostCall {
    AEffect* effect;
    Int32 opcode;
    Int32 index;
    IntPtr value;
    void* ptr;
    float opt;
    std::string text;  // the name asked about for audioMasterCanDo, else empty

    static HostCall of(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
        HostCall call{effect, opcode, index, value, ptr, opt, {}};
        if (opcode == audioMasterCanDo && ptr != nullptr) {
            const char* name = static_cast<const char*>(ptr);
            call.text.assign(name, strnlen(name, kMaxCapabilityName));
        }
        return call;
    }

    // Longer names than any capability are cut rather than read on without end.
    static constexpr std::size_t kMaxCapabilityName = 256;
};

// The calls seen and the answers given. The version query answers as a real
// host would unless versionAnswer is cleared; everything else gets `answer`.
class CallLog {
public:
    explicit CallLog(std::optional<IntPtr> version = 2400)
        : versionAnswer(version) {}

    IntPtr take(const HostCall& call) {
        calls.push_back(call);
        if (respond) {
            return respond(call);
        }
        if (call.opcode == audioMasterVersion && versionAnswer) {
            return *versionAnswer;
        }
        return answer;
    }

    std::vector<HostCall> callsWith(Int32 opcode) const {
        std::vector<HostCall> found;
        for (const HostCall& call : calls) {
            if (call.opcode == opcode) {
                found.push_back(call);
            }
        }
        return found;
    }

    // Forgets the calls and the answers chosen; the version answer stays.
    void reset() {
        calls.clear();
        answer = 0;
        respond = nullptr;
    }

    std::optional<IntPtr> versionAnswer;
    IntPtr answer = 0;
    // When set, answers instead of `answer` (and may write through ptr).
    std::function<IntPtr(const HostCall&)> respond;
    std::vector<HostCall> calls;
};

// The callback has no context argument, so the log it reports to is a global
// one; each test makes a fresh one with a RecordingHost scope.
class RecordingHost : public CallLog {
public:
    RecordingHost() { active = this; }
    ~RecordingHost() { active = nullptr; }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static IntPtr QP_CDECL callback(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                    float opt) {
        if (active == nullptr) {
            return 0;
        }
        return active->take(HostCall::of(effect, opcode, index, value, ptr, opt));
    }

private:
    static inline RecordingHost* active = nullptr;
};

}  // namespace qp::test
