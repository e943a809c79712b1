// Which thread a call came on, as far as the host can tell (clap.thread-check).
// Debug builds stop at a main-thread call made elsewhere, or an audio-thread call
// made off the audio thread; release builds check nothing. Without the host's
// word every thread passes: nothing else could tell them apart.
#pragma once

#include <cassert>

#include "clap/ClapAbi.h"

namespace qp::clap {

class ClapThreadCheck final {
public:
    // At init, the first moment the host may be asked for its extensions.
    void lookUp(const clap_host* host) {
        host_ = host;
        const auto* check =
            host != nullptr && host->get_extension != nullptr
                ? static_cast<const clap_host_thread_check*>(host->get_extension(host, CLAP_EXT_THREAD_CHECK))
                : nullptr;
        check_ = check != nullptr && check->is_main_thread != nullptr && check->is_audio_thread != nullptr
                     ? check
                     : nullptr;
    }

    bool onMainThread() const { return check_ == nullptr || check_->is_main_thread(host_); }
    bool onAudioThread() const { return check_ == nullptr || check_->is_audio_thread(host_); }

    void expectMain() const { assert(onMainThread() && "a main-thread call made on another thread"); }
    void expectAudio() const { assert(onAudioThread() && "an audio-thread call made on another thread"); }

private:
    const clap_host* host_ = nullptr;
    const clap_host_thread_check* check_ = nullptr;
};

}  // namespace qp::clap
