#include "gui/OptionMenuEntries.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace qp {

namespace {

bool hasMarker(const char* text, char kind) { return text && text[0] == '-' && text[1] == kind; }

// Writes text into an entry buffer, numbered under the prefix style. The marker
// of a submenu, greyed or title entry stays in front of the number.
void composeEntry(char* buffer, const char* text, std::int32_t prefixStyle, std::int32_t number,
                  std::int32_t markerLength) {
    const std::int32_t size = OptionMenuEntries::kEntrySize;
    const char* format = nullptr;
    switch (prefixStyle) {
        case kMenuPrefixOneDigit:
            format = "%.*s%1d %s";
            break;
        case kMenuPrefixTwoDigits:
            format = "%.*s%02d %s";
            break;
        case kMenuPrefixThreeDigits:
            format = "%.*s%03d %s";
            break;
        default:
            break;
    }
    if (format) {
        std::snprintf(buffer, size, format, int(markerLength), text, int(number), text + markerLength);
    } else {
        std::snprintf(buffer, size, "%s", text);
    }
}

}  // namespace

OptionMenuEntries::~OptionMenuEntries() {
    removeAll();
    delete[] texts_;
    delete[] checks_;
    delete[] literals_;
}

bool OptionMenuEntries::isSeparator(const char* text) { return text && std::strcmp(text, "-") == 0; }
bool OptionMenuEntries::isSubmenuTitle(const char* text) { return hasMarker(text, 'M'); }
bool OptionMenuEntries::isGreyed(const char* text) { return hasMarker(text, 'G'); }
bool OptionMenuEntries::isTitle(const char* text) { return hasMarker(text, 'T'); }
bool OptionMenuEntries::isCountable(const char* text) { return !isSeparator(text) && !isTitle(text); }

OptionMenuEntries::Kind OptionMenuEntries::kindOf(const char* text) {
    if (isSeparator(text)) {
        return Kind::separator;
    }
    if (isSubmenuTitle(text)) {
        return Kind::submenu;
    }
    if (isGreyed(text)) {
        return Kind::greyed;
    }
    if (isTitle(text)) {
        return Kind::title;
    }
    return Kind::plain;
}

OptionMenuEntries::Kind OptionMenuEntries::kind(std::int32_t index) const {
    if (index < 0 || index >= count_ || literals_[index]) {
        return Kind::plain;
    }
    return kindOf(texts_[index]);
}

bool OptionMenuEntries::isLiteral(std::int32_t index) const {
    return index >= 0 && index < count_ && literals_[index];
}

bool OptionMenuEntries::countable(std::int32_t index) const {
    const Kind k = kind(index);
    return k != Kind::separator && k != Kind::title;
}

std::int32_t OptionMenuEntries::markerLength(const char* text) {
    return (isSubmenuTitle(text) || isGreyed(text) || isTitle(text)) ? OptionMenuEntries::kMarkerSize : 0;
}

bool OptionMenuEntries::grow() {
    const std::int32_t capacity = capacity_ + kSlotsPerGrowth;
    char** texts = new (std::nothrow) char*[std::size_t(capacity)];
    bool* checks = new (std::nothrow) bool[std::size_t(capacity)];
    bool* literals = new (std::nothrow) bool[std::size_t(capacity)];
    if (!texts || !checks || !literals) {
        delete[] texts;
        delete[] checks;
        delete[] literals;
        return false;
    }
    for (std::int32_t i = 0; i < count_; ++i) {
        texts[i] = texts_[i];
        checks[i] = checks_[i];
        literals[i] = literals_[i];
    }
    delete[] texts_;
    delete[] checks_;
    delete[] literals_;
    texts_ = texts;
    checks_ = checks;
    literals_ = literals;
    capacity_ = capacity;
    return true;
}

bool OptionMenuEntries::add(const char* text, std::int32_t index, bool literal) {
    if (!text || count_ >= kMaxEntries) {
        return false;
    }
    if (count_ == capacity_ && !grow()) {
        return false;
    }
    char* buffer = new (std::nothrow) char[kEntrySize];
    if (!buffer) {
        return false;
    }

    std::int32_t position = count_;
    if (index >= 0) {
        position = index < count_ ? index : count_;
        for (std::int32_t i = count_; i > position; --i) {
            texts_[i] = texts_[i - 1];
            checks_[i] = checks_[i - 1];
            literals_[i] = literals_[i - 1];
        }
        // The current entry keeps being the same entry.
        if (current_ >= position) {
            ++current_;
        }
    }
    // A numbered separator ("3 -") would stop being a separator.
    if (literal) {
        composeEntry(buffer, text, prefixStyle_, position + 1, 0);
    } else if (isSeparator(text)) {
        composeEntry(buffer, text, kMenuPrefixNone, 0, 0);
    } else {
        composeEntry(buffer, text, prefixStyle_, position + 1, markerLength(text));
    }
    texts_[position] = buffer;
    checks_[position] = false;
    literals_[position] = literal;
    ++count_;
    if (current_ < 0) {
        current_ = 0;
    }
    return true;
}

bool OptionMenuEntries::addSubmenuTitle(const char* title) {
    if (!title) {
        return false;
    }
    char marked[kEntrySize];
    std::snprintf(marked, sizeof(marked), "-M%s", title);
    return add(marked, -1);
}

bool OptionMenuEntries::remove(std::int32_t index) {
    if (index < 0 || index >= count_) {
        return false;
    }
    delete[] texts_[index];
    for (std::int32_t i = index; i + 1 < count_; ++i) {
        texts_[i] = texts_[i + 1];
        checks_[i] = checks_[i + 1];
        literals_[i] = literals_[i + 1];
    }
    --count_;
    if (count_ == 0) {
        current_ = -1;
    } else if (current_ >= index && current_ > 0) {
        --current_;
    }
    return true;
}

void OptionMenuEntries::removeAll() {
    for (std::int32_t i = 0; i < count_; ++i) {
        delete[] texts_[i];
    }
    count_ = 0;
    current_ = -1;
}

bool OptionMenuEntries::setText(std::int32_t index, const char* text) {
    if (index < 0 || index >= count_ || !text) {
        return false;
    }
    std::snprintf(texts_[index], kEntrySize, "%s", text);
    return true;
}

const char* OptionMenuEntries::text(std::int32_t index) const {
    return (index >= 0 && index < count_) ? texts_[index] : nullptr;
}

const char* OptionMenuEntries::shownText(std::int32_t index) const {
    const char* full = text(index);
    if (!full) {
        return nullptr;
    }
    const Kind k = kind(index);
    if (k == Kind::submenu || k == Kind::greyed || k == Kind::title) {
        full += kMarkerSize;
    }
    if (k != Kind::separator) {
        for (std::int32_t i = 0; i < prefixStyle_ && *full; ++i) {
            ++full;
        }
    }
    return full;
}

std::int32_t OptionMenuEntries::indexOf(const char* text) const {
    if (!text) {
        return -1;
    }
    for (std::int32_t i = 0; i < count_; ++i) {
        if (std::strcmp(texts_[i], text) == 0) {
            return i;
        }
    }
    return -1;
}

std::int32_t OptionMenuEntries::submenuOrdinal(std::int32_t index) const {
    if (kind(index) != Kind::submenu) {
        return -1;
    }
    std::int32_t ordinal = 0;
    for (std::int32_t i = 0; i < index; ++i) {
        if (kind(i) == Kind::submenu) {
            ++ordinal;
        }
    }
    return ordinal;
}

std::int32_t OptionMenuEntries::currentCounted(bool countSeparators) const {
    if (current_ < 0) {
        return -1;
    }
    if (countSeparators) {
        return current_;
    }
    std::int32_t counted = 0;
    for (std::int32_t i = 0; i < current_; ++i) {
        if (countable(i)) {
            ++counted;
        }
    }
    return counted;
}

bool OptionMenuEntries::setCurrentCounted(std::int32_t index, bool countSeparators) {
    if (index < 0 || index >= count_) {
        return false;
    }
    if (countSeparators) {
        if (kind(index) == Kind::separator) {
            return false;
        }
        current_ = index;
        return true;
    }
    std::int32_t counted = 0;
    for (std::int32_t i = 0; i < count_; ++i) {
        if (!countable(i)) {
            continue;
        }
        if (counted == index) {
            current_ = i;
            return true;
        }
        ++counted;
    }
    return false;
}

bool OptionMenuEntries::setCurrent(std::int32_t index) {
    if (index < 0 || index >= count_) {
        return false;
    }
    current_ = index;
    return true;
}

bool OptionMenuEntries::check(std::int32_t index, bool state) {
    if (index < 0 || index >= count_) {
        return false;
    }
    checks_[index] = state;
    return true;
}

bool OptionMenuEntries::checkAlone(std::int32_t index) {
    if (index < 0 || index >= count_) {
        return false;
    }
    for (std::int32_t i = 0; i < count_; ++i) {
        checks_[i] = false;
    }
    checks_[index] = true;
    return true;
}

bool OptionMenuEntries::isChecked(std::int32_t index) const {
    return index >= 0 && index < count_ && checks_[index];
}

void OptionMenuEntries::setPrefixStyle(std::int32_t style) {
    switch (style) {
        case kMenuPrefixOneDigit:
        case kMenuPrefixTwoDigits:
        case kMenuPrefixThreeDigits:
            prefixStyle_ = style;
            break;
        default:
            prefixStyle_ = kMenuPrefixNone;
            break;
    }
}

}  // namespace qp
