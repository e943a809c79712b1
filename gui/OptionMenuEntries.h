// The bookkeeping of an option menu's entries without any window: texts, check
// flags, the current entry and the prefix numbers. OptionMenu keeps one.
//
// Entry texts: "-" alone is a separator; "-M" starts a submenu's title, "-G" a
// greyed entry, "-T" a title (shown disabled). The two marker characters are not
// shown. A literal entry is shown as it is written, whatever it starts with
// (names from users and files). "Counting separators" means plain entry
// positions; without it only entries that are neither separators nor titles are
// counted.
#pragma once

#include <cstdint>

namespace qp {

// The prefix-number styles: how many characters the number and its space take.
enum MenuPrefixStyle : std::int32_t {
    kMenuPrefixNone = 0,
    kMenuPrefixOneDigit = 2,    // "%1d "
    kMenuPrefixTwoDigits = 3,   // "%02d "
    kMenuPrefixThreeDigits = 4  // "%03d "
};

class OptionMenuEntries {
public:
    static constexpr std::int32_t kMaxEntries = 1024;
    // Each entry is a buffer of this many characters, terminator included.
    static constexpr std::int32_t kEntrySize = 256;
    static constexpr std::int32_t kSlotsPerGrowth = 32;
    // The marker of "-M", "-G" and "-T" entries.
    static constexpr std::int32_t kMarkerSize = 2;

    OptionMenuEntries() = default;
    ~OptionMenuEntries();
    OptionMenuEntries(const OptionMenuEntries&) = delete;
    OptionMenuEntries& operator=(const OptionMenuEntries&) = delete;

    static bool isSeparator(const char* text);
    static bool isSubmenuTitle(const char* text);
    static bool isGreyed(const char* text);
    static bool isTitle(const char* text);
    // Neither a separator nor a title: counted when separators are not.
    static bool isCountable(const char* text);

    enum class Kind : std::int32_t {
        plain,
        separator,
        submenu,
        greyed,
        title
    };
    // What the entry at index is by its text; a literal entry is always plain.
    Kind kind(std::int32_t index) const;
    bool isLiteral(std::int32_t index) const;

    // index < 0 appends; otherwise the entry goes before index (at most at the
    // end) and the later entries, with their check flags, move down. The text is
    // numbered under the prefix style (separators excepted). The first entry
    // becomes current. False when full, when storage cannot grow, or no text.
    bool add(const char* text, std::int32_t index = -1, bool literal = false);
    // The entry of a submenu: "-M" + the (numbered) title, appended.
    bool addSubmenuTitle(const char* title);
    bool remove(std::int32_t index);
    void removeAll();
    bool setText(std::int32_t index, const char* text);
    // The entry's full text (markers and number included), or none.
    const char* text(std::int32_t index) const;
    // The text a user sees: without marker and prefix number.
    const char* shownText(std::int32_t index) const;
    std::int32_t count() const { return count_; }
    // The first entry whose full text equals text, or -1.
    std::int32_t indexOf(const char* text) const;
    // Which submenu (0, 1, ...) the "-M" entry at index stands for, or -1.
    std::int32_t submenuOrdinal(std::int32_t index) const;

    // -1 when there is no current entry.
    std::int32_t current() const { return current_; }
    // The current entry as counted with or without separators, or -1.
    std::int32_t currentCounted(bool countSeparators) const;
    // False for an index outside the entries (as counted), or a separator when
    // counting separators.
    bool setCurrentCounted(std::int32_t index, bool countSeparators);
    bool setCurrent(std::int32_t index);

    bool check(std::int32_t index, bool state);
    bool checkAlone(std::int32_t index);
    bool isChecked(std::int32_t index) const;

    void setPrefixStyle(std::int32_t style);
    std::int32_t prefixStyle() const { return prefixStyle_; }

private:
    bool grow();
    static std::int32_t markerLength(const char* text);
    static Kind kindOf(const char* text);
    bool countable(std::int32_t index) const;

    char** texts_ = nullptr;
    bool* checks_ = nullptr;
    bool* literals_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
    std::int32_t current_ = -1;
    std::int32_t prefixStyle_ = kMenuPrefixNone;
};

}  // namespace qp
