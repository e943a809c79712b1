#include "PluginHost.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace qp::test {

namespace {

constexpr IntPtr kDefaultHostVersion = 2400;

// Which PluginHost a record belongs to. `main` asks for the host version before
// any record exists, so the PluginHost whose open() is running takes the calls
// that come with a null or still unknown record.
std::mutex registryMutex;
std::map<AEffect*, PluginHost*> hostsByEffect;
PluginHost* openingHost = nullptr;
std::mutex openMutex;  // one open() at a time keeps openingHost unambiguous

#ifndef _WIN32
// The Linux library keeps its settings in $XDG_CONFIG_HOME: unless the run names
// a folder, the tests get one of their own and never write into a real home.
void keepSettingsOutOfTheHome() {
    static const bool done = [] {
        if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
            return true;
        }
        std::string folder = "/tmp/qp-e2e-XXXXXX";
        if (::mkdtemp(folder.data()) != nullptr) {
            ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        }
        return true;
    }();
    (void)done;
}
#endif

PluginHost* findHost(AEffect* effect) {
    std::lock_guard<std::mutex> lock(registryMutex);
    if (effect != nullptr) {
        auto found = hostsByEffect.find(effect);
        if (found != hostsByEffect.end()) {
            return found->second;
        }
    }
    return openingHost;
}

}  // namespace

StereoBlock::StereoBlock(std::size_t frames, float inputValue, float outputValue) {
    for (int channel = 0; channel < 2; ++channel) {
        in[channel].assign(frames, inputValue);
        out[channel].assign(frames, outputValue);
    }
}

float** StereoBlock::inputs() {
    inputPointers_[0] = in[0].data();
    inputPointers_[1] = in[1].data();
    return inputPointers_;
}

float** StereoBlock::outputs() {
    outputPointers_[0] = out[0].data();
    outputPointers_[1] = out[1].data();
    return outputPointers_;
}

void StereoBlock::fillInputs(float value) {
    for (auto& channel : in) {
        channel.assign(channel.size(), value);
    }
}

void StereoBlock::fillOutputs(float value) {
    for (auto& channel : out) {
        channel.assign(channel.size(), value);
    }
}

std::string PluginHost::defaultLibraryPath() {
    if (const char* configured = std::getenv("QP_PLUGIN_DLL"); configured && *configured) {
        return configured;
    }
    return hostlib::besideExecutable(hostlib::kPluginFileName);
}

PluginHost::PluginHost(std::string libraryPath) {
#ifndef _WIN32
    keepSettingsOutOfTheHome();
#endif
    answers_[audioMasterVersion] = kDefaultHostVersion;
    module_.load(libraryPath, &loadError_);
}

PluginHost::~PluginHost() {
    if (effect_ != nullptr) {
        close();
    }
}

AEffect* PluginHost::open() {
    if (!module_.loaded() || effect_ != nullptr) {
        return effect_;
    }
    std::lock_guard<std::mutex> serial(openMutex);
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        openingHost = this;
    }
    // Unchecked: the tests look at the record exactly as `main` returns it.
    AEffect* effect = module_.entry()(&PluginHost::hostCallback);
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        openingHost = nullptr;
        if (effect != nullptr) {
            hostsByEffect[effect] = this;
        }
    }
    effect_ = effect;
    return effect;
}

IntPtr PluginHost::close() {
    if (effect_ == nullptr) {
        return 0;
    }
    IntPtr result = effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        hostsByEffect.erase(effect_);
    }
    effect_ = nullptr;
    return result;
}

IntPtr PluginHost::dispatch(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    if (opcode == effClose) {
        return close();
    }
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginHost::getString(Int32 opcode, Int32 index, std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    dispatch(opcode, index, 0, buffer.data());
    return std::string(buffer.data(), strnlen(buffer.data(), bufferSize));
}

void PluginHost::setParameter(Int32 index, float value) { effect_->setParameter(effect_, index, value); }

float PluginHost::getParameter(Int32 index) { return effect_->getParameter(effect_, index); }

void PluginHost::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    effect_->processReplacing(effect_, inputs, outputs, sampleFrames);
}

void PluginHost::process(float** inputs, float** outputs, Int32 sampleFrames) {
    effect_->process(effect_, inputs, outputs, sampleFrames);
}

void PluginHost::processReplacing(StereoBlock& block) {
    processReplacing(block.inputs(), block.outputs(), block.frames());
}

void PluginHost::process(StereoBlock& block) { process(block.inputs(), block.outputs(), block.frames()); }

void PluginHost::setAnswer(Int32 opcode, IntPtr answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[opcode] = answer;
}

void PluginHost::setHandler(std::function<IntPtr(const HostCall&)> handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<HostCall> PluginHost::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<HostCall> PluginHost::callsWith(Int32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HostCall> matching;
    for (const HostCall& call : calls_) {
        if (call.opcode == opcode) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::size_t PluginHost::countCalls(Int32 opcode) const { return callsWith(opcode).size(); }

void PluginHost::clearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

IntPtr PluginHost::answer(const HostCall& call) {
    std::function<IntPtr(const HostCall&)> handler;
    IntPtr fixed = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        handler = handler_;
        auto found = answers_.find(call.opcode);
        if (found != answers_.end()) {
            fixed = found->second;
        }
    }
    // The handler runs unlocked so that it may call back into the effect.
    return handler ? handler(call) : fixed;
}

IntPtr QP_CDECL PluginHost::hostCallback(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                         float opt) {
    const HostCall call = HostCall::of(effect, opcode, index, value, ptr, opt);
    PluginHost* host = findHost(effect);
    return host != nullptr ? host->answer(call) : 0;
}

std::string fourCharText(Int32 code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((std::uint32_t(code) >> shift) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return text;
}

}  // namespace qp::test
