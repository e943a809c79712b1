#include "gui/FontTable.h"

namespace qp {

namespace {

constexpr FontTableEntry kFontTable[kFontCount] = {
    {"Arial", 12},   // system (always bold)
    {"Arial", 18},   // huge
    {"Arial", 14},   // large
    {"Arial", 12},   // medium
    {"Arial", 11},   // small
    {"Arial", 10},   // smaller
    {"Arial", 9},    // tiny
    {"Symbol", 13},  // symbol
};

}  // namespace

const FontTableEntry& fontTableEntry(FontId id) { return kFontTable[validFontId(id)]; }

}  // namespace qp
