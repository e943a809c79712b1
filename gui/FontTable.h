// The toolkit's eight fonts. Views name a font by its FontId and, optionally, a
// size in pixels; 0 takes the table's size.
#pragma once

#include <cstdint>

namespace qp {

enum FontId : std::int32_t {
    fontSystem = 0,  // always bold
    fontHuge = 1,
    fontLarge = 2,
    fontMedium = 3,
    fontSmall = 4,
    fontSmaller = 5,
    fontTiny = 6,
    fontSymbol = 7,
};

constexpr std::int32_t fontCount = 8;

// Style bits of selectFont.
enum FontStyle : std::int32_t {
    fontStyleBold = 1,
    fontStyleItalic = 2,
    fontStyleUnderline = 4,
};

struct FontTableEntry {
    const char* face;
    std::int32_t size;  // pixels (character height)
};

// Out-of-range ids fall back to the system font, as selectFont does.
constexpr FontId validFontId(std::int32_t id) { return (id < 0 || id >= fontCount) ? fontSystem : FontId(id); }

const FontTableEntry& fontTableEntry(FontId id);

}  // namespace qp
