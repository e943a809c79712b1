// A minimal VST 2 host for the end-to-end tests: it loads the built library the
// way a host does (LoadLibrary and "main" on Windows, dlopen and "VSTPluginMain"
// on Linux), hands the entry a recording callback and then drives the effect through its record only. Nothing of the
// product is linked in; what the tests see is what any host would see.
//
// Several PluginHost objects may live at once (each with its own effect). The
// callback finds its PluginHost from the record pointer it is called with; the
// version query `main` makes before any record exists (and anything the effect's
// constructor sends) goes to the PluginHost whose open() is running.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/PluginInterface.h"
#include "tests/support/RecordingHost.h"
#include "tools/hostlib/PluginModule.h"

namespace qp::test {

// Two input and two output channels of one block, laid out as hosts pass them.
class StereoBlock {
public:
    explicit StereoBlock(std::size_t frames, float inputValue = 0.0f, float outputValue = 0.0f);

    std::vector<float> in[2];
    std::vector<float> out[2];

    Int32 frames() const { return Int32(in[0].size()); }
    float** inputs();
    float** outputs();
    void fillInputs(float value);
    void fillOutputs(float value);

private:
    float* inputPointers_[2] = {};
    float* outputPointers_[2] = {};
};

class PluginHost {
public:
    // The library beside the running executable, or QP_PLUGIN_DLL when set.
    static std::string defaultLibraryPath();

    // Loads the library (not yet the effect); see loaded() and loadError().
    explicit PluginHost(std::string libraryPath = defaultLibraryPath());
    // Closes the effect if it is still open, then unloads the library.
    ~PluginHost();

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    bool loaded() const { return module_.loaded(); }
    const std::string& loadError() const { return loadError_; }

    // Calls `main` with the recording callback; the record, or null.
    AEffect* open();
    AEffect* effect() const { return effect_; }
    // Sends effClose (the effect is gone afterwards) and returns the answer.
    IntPtr close();

    IntPtr dispatch(Int32 opcode, Int32 index = 0, IntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // Hands a zeroed buffer of bufferSize bytes to a text opcode and returns what
    // came back, up to the first zero.
    std::string getString(Int32 opcode, Int32 index = 0, std::size_t bufferSize = 256);

    void setParameter(Int32 index, float value);
    float getParameter(Int32 index);
    void processReplacing(float** inputs, float** outputs, Int32 sampleFrames);
    void process(float** inputs, float** outputs, Int32 sampleFrames);
    void processReplacing(StereoBlock& block);
    void process(StereoBlock& block);

    // What the callback answers: a fixed answer per opcode (audioMasterVersion is
    // 2400 unless changed, everything else 0), or a handler that decides per call.
    void setAnswer(Int32 opcode, IntPtr answer);
    void setHandler(std::function<IntPtr(const HostCall&)> handler);

    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsWith(Int32 opcode) const;
    std::size_t countCalls(Int32 opcode) const;
    void clearCalls();

private:
    static IntPtr QP_CDECL hostCallback(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                        float opt);
    IntPtr answer(const HostCall& call);

    hostlib::PluginModule module_;
    std::string loadError_;
    AEffect* effect_ = nullptr;

    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
    std::map<Int32, IntPtr> answers_;
    std::function<IntPtr(const HostCall&)> handler_;
};

// Four-character code as text ("1028" for 0x31303238).
std::string fourCharText(Int32 code);

}  // namespace qp::test
