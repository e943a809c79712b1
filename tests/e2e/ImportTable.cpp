#include "ImportTable.h"

#include <atomic>
#include <cstdint>

namespace qp::test {

std::vector<ImportSlot> importSlots(HMODULE module) {
    std::vector<ImportSlot> found;
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    if (base == nullptr) {
        return found;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        return found;
    }
    // The PE32 and PE32+ optional headers differ from ImageBase on; the magic,
    // which comes before, tells which one this is.
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const WORD ownMagic = sizeof(void*) == 8 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    if (nt->OptionalHeader.Magic != ownMagic) {
        return found;
    }
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return found;
    }
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        if (descriptor->OriginalFirstThunk == 0) {
            continue;
        }
        const char* library = reinterpret_cast<const char*>(base + descriptor->Name);
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            ImportSlot entry{library, {}, IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal), nullptr};
            if (entry.byOrdinal) {
                entry.name = std::to_string(IMAGE_ORDINAL(names->u1.Ordinal));
                entry.name.insert(entry.name.begin(), '#');
            } else {
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                entry.name = reinterpret_cast<const char*>(byName->Name);
            }
            entry.slot = reinterpret_cast<void**>(&slots->u1.Function);
            found.push_back(std::move(entry));
        }
    }
    return found;
}

void* redirectSlot(void** slot, void* target) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    void* previous = std::atomic_ref<void*>(*slot).exchange(target);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return previous;
}

}  // namespace qp::test
