// The import table of a library loaded in this process, slot by slot: what
// ImportCounter and ImportCalls rewrite to see the library's calls from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qp::test {

struct ImportSlot {
    std::string library;  // as the image names it ("KERNEL32.dll")
    std::string name;     // the function's name, or "#" and its ordinal
    bool byOrdinal;
    void** slot;
};

// Every import slot of the module; none when it is no image of this process's
// own width (a slot holds an address of this process, so only such an image
// can be rewritten).
std::vector<ImportSlot> importSlots(HMODULE module);

// Points an import slot at target, atomically for threads calling through it;
// the address it held.
void* redirectSlot(void** slot, void* target);

}  // namespace qp::test
