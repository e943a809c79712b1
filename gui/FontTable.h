// The toolkit's eight fonts. Views name a font by its FontId and, optionally, a
// size in pixels; 0 takes the table's size.
#pragma once

#include <cstdint>

namespace qp {

enum FontId : std::int32_t {
    kFontSystem = 0,  // always bold
    kFontHuge = 1,
    kFontLarge = 2,
    kFontMedium = 3,
    kFontSmall = 4,
    kFontSmaller = 5,
    kFontTiny = 6,
    kFontSymbol = 7,
};

constexpr std::int32_t kFontCount = 8;

// Style bits of selectFont.
enum FontStyle : std::int32_t {
    kFontStyleBold = 1,
    kFontStyleItalic = 2,
    kFontStyleUnderline = 4,
};

struct FontTableEntry {
    const char* face;
    std::int32_t size;  // pixels (character height)
};

// Out-of-range ids fall back to the system font, as selectFont does.
constexpr FontId validFontId(std::int32_t id) {
    return (id < 0 || id >= kFontCount) ? kFontSystem : FontId(id);
}

const FontTableEntry& fontTableEntry(FontId id);

}  // namespace qp
