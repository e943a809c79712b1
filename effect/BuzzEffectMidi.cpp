// MIDI input, MIDI learn and the user settings. (Being written.)
#include "effect/BuzzEffect.h"

namespace qp {

Int32 BuzzEffect::processEvents(VstEvents*) { return 1; }
void BuzzEffect::handleCommand(Int32, float) {}
void BuzzEffect::handleNote(Int32, Int32, bool) {}
Int32 BuzzEffect::learnedController(Int32 parameter) {
    return parameter >= 0 && parameter < kParameterCount ? block_.parameters[parameter].learnedController : 0;
}
void BuzzEffect::loadSettings() {}

}  // namespace qp
