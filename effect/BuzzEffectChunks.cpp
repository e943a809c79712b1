// Bank and preset chunks and the default bank. (Being written.)
#include "effect/BuzzEffect.h"

namespace qp {

Int32 BuzzEffect::getChunk(void**, bool) { return 0; }
Int32 BuzzEffect::setChunk(void*, Int32, bool) { return 1; }
void BuzzEffect::loadBankBlock(const void*, Int32) {}
void BuzzEffect::getProgramNameAt(char* text, Int32) {
    if (text) text[0] = 0;
}
void BuzzEffect::loadDefaultBank(std::uint16_t, bool, bool) {}

}  // namespace qp
