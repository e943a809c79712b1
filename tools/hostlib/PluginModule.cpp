// What every host checks before it calls into a record, on either system.
#include "tools/hostlib/PluginModule.h"

#include "tools/EffectInfo.h"

namespace qp::hostlib {

AEffect* PluginModule::create(HostCallback callback, std::string* error) const {
    if (entry_ == nullptr) {
        *error = "no plug-in loaded";
        return nullptr;
    }
    AEffect* effect = entry_(callback);
    if (effect == nullptr) {
        *error = path_ + " refused to create its effect (main returned no record)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        *error = path_ + " is not a VST 2 plug-in: its record starts with " +
                 tools::describeFourCharCode(effect->magic) + " instead of 'VstP'";
        return nullptr;  // not a record we may call into, so it is not closed either
    }
    if (effect->dispatcher == nullptr || effect->process == nullptr || effect->setParameter == nullptr ||
        effect->getParameter == nullptr || effect->numInputs < 0 || effect->numOutputs < 0 ||
        effect->numParams < 0 || effect->numPrograms < 0) {
        *error = path_ + " returned a damaged record (missing entry points or negative counts)";
        return nullptr;
    }
    return effect;
}

}  // namespace qp::hostlib
