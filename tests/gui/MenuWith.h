// An option menu with the given entries, as several of the toolkit's tests build one.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "gui/OptionMenu.h"

namespace qp::test {

inline OptionMenu* menuWith(std::initializer_list<const char*> texts, std::int32_t style = 0,
                            ControlListener* listener = nullptr, std::int32_t tag = 0) {
    auto* menu = new OptionMenu(Rect(20, 20, 140, 40), listener, tag, nullptr, nullptr, style);
    for (const char* t : texts) {
        menu->addEntry(t);
    }
    return menu;
}

}  // namespace qp::test
