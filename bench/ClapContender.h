// The CLAP edition as a host drives it, for the native bench: the module's entry
// (the built Quorrelphone.clap opened with dlopen where the tree builds one, else
// the entry linked in, as in the sanitizer trees), instances made through its
// factory, and each block handed to the instance record's process.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/BenchRunner.h"
#include "clap/ClapAbi.h"

namespace qp::bench {

class ClapContender {
public:
    // Opens and initialises the module; exits with a message when it cannot.
    ClapContender();
    // Stops, deactivates and destroys every instance, then deinitialises the module.
    ~ClapContender();
    ClapContender(const ClapContender&) = delete;
    ClapContender& operator=(const ClapContender&) = delete;

    // How the entry was reached, for the bench's heading.
    const char* origin() const;

    // A new instance at its defaults, activated at 44.1 kHz for blocks of up to
    // `maximumBlock` frames and processing. Each call of the processor is one
    // process() as a host makes it: the stereo pair in one port each way, the
    // steady time advancing, and empty event lists, which a host always passes.
    BlockProcessor fresh(std::uint32_t maximumBlock);

private:
    struct Instance;

    void* handle_ = nullptr;
    const clap_plugin_entry* entry_ = nullptr;
    const clap_plugin_factory* factory_ = nullptr;
    std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace qp::bench
