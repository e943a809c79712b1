#include "ImportCalls.h"

#include <atomic>
#include <cstring>
#include <sstream>

namespace qp::test {

namespace {

// The thread whose calls count; 0 (no thread has that id) counts none. The
// thunks read it by its absolute address.
volatile DWORD armedThread = 0;

#if defined(__x86_64__)
// x86-64 machine code; the TEB's ClientId.UniqueThread sits at gs:[0x48]. rax and
// rcx are put back before the jump, so the import sees its arguments untouched.
constexpr std::uint8_t kThunkCode[] = {
    0x50,                                                  // push rax
    0x51,                                                  // push rcx
    0x65, 0x48, 0x8B, 0x04, 0x25, 0x48, 0x00, 0x00, 0x00,  // mov rax, gs:[0x48]
    0x48, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0,                    // mov rcx, &armedThread
    0x3B, 0x01,                                            // cmp eax, [rcx]
    0x75, 0x0D,                                            // jne past the increment
    0x48, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0,                    // mov rcx, &count
    0xF0, 0xFF, 0x01,                                      // lock inc dword [rcx]
    0x59,                                                  // pop rcx
    0x58,                                                  // pop rax
    0xFF, 0x25, 0x00, 0x00, 0x00, 0x00,                    // jmp [the next eight bytes]
    0, 0, 0, 0, 0, 0, 0, 0,                                // target
};
constexpr std::size_t kArmedAt = 13;
constexpr std::size_t kCountAt = 27;
constexpr std::size_t kTargetAt = 46;
#else
// i386 machine code; the TEB's ClientId.UniqueThread sits at fs:[0x24].
constexpr std::uint8_t kThunkCode[] = {
    0x50,                                // push eax
    0x64, 0xA1, 0x24, 0x00, 0x00, 0x00,  // mov eax, fs:[0x24]
    0x3B, 0x05, 0, 0, 0, 0,              // cmp eax, [armedThread]
    0x75, 0x07,                          // jne past the increment
    0xF0, 0xFF, 0x05, 0, 0, 0, 0,        // lock inc dword [count]
    0x58,                                // pop eax
    0xFF, 0x25, 0, 0, 0, 0,              // jmp [target]
};
constexpr std::size_t kArmedAt = 9;
constexpr std::size_t kCountAt = 18;
constexpr std::size_t kTargetAt = 25;
#endif

// An absolute address as the thunk's instruction holds it; in 64-bit code the jump
// reads its target from the code itself, in 32-bit code from the thunk's field.
void putAddress(std::uint8_t* code, std::size_t at, const volatile void* address) {
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    std::memcpy(code + at, &value, sizeof value);
}

}  // namespace

struct ImportCalls::Thunk {
    std::uint8_t code[64];
    volatile LONG count;
    void* target;
};
static_assert(sizeof(kThunkCode) <= sizeof(ImportCalls::Thunk::code));

ImportCalls::ImportCalls(HMODULE module) {
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    if (base == nullptr)
        return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || directory.VirtualAddress == 0)
        return;

    std::vector<Entry> found;
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        const std::string library = reinterpret_cast<const char*>(base + descriptor->Name);
        if (descriptor->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            std::string name;
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                name = std::to_string(IMAGE_ORDINAL(names->u1.Ordinal));
                name.insert(name.begin(), '#');
            } else {
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                name = reinterpret_cast<const char*>(byName->Name);
            }
            auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
            found.push_back(Entry{library + "!" + name, slot, *slot});
        }
    }
    if (found.empty())
        return;

    thunks_ = static_cast<Thunk*>(
        VirtualAlloc(nullptr, found.size() * sizeof(Thunk), MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    if (thunks_ == nullptr)
        return;
    for (std::size_t i = 0; i < found.size(); ++i) {
        Thunk& thunk = thunks_[i];
        std::memcpy(thunk.code, kThunkCode, sizeof kThunkCode);
        thunk.count = 0;
        thunk.target = found[i].previous;
        putAddress(thunk.code, kArmedAt, &armedThread);
        putAddress(thunk.code, kCountAt, &thunk.count);
#if defined(__x86_64__)
        putAddress(thunk.code, kTargetAt, thunk.target);
#else
        putAddress(thunk.code, kTargetAt, &thunk.target);
#endif
    }
    FlushInstructionCache(GetCurrentProcess(), thunks_, found.size() * sizeof(Thunk));
    for (std::size_t i = 0; i < found.size(); ++i) {
        DWORD protection = 0;
        VirtualProtect(found[i].slot, sizeof(void*), PAGE_READWRITE, &protection);
        std::atomic_ref<void*>(*found[i].slot).store(thunks_[i].code);
        VirtualProtect(found[i].slot, sizeof(void*), protection, &protection);
    }
    entries_ = std::move(found);
}

ImportCalls::~ImportCalls() {
    disarm();
    for (const Entry& entry : entries_) {
        DWORD protection = 0;
        VirtualProtect(entry.slot, sizeof(void*), PAGE_READWRITE, &protection);
        std::atomic_ref<void*>(*entry.slot).store(entry.previous);
        VirtualProtect(entry.slot, sizeof(void*), protection, &protection);
    }
    // A thread may still be inside a thunk it entered before the slots were put
    // back (a window procedure, a worker of the library); the few pages stay.
}

void ImportCalls::arm(DWORD threadId) { armedThread = threadId; }

void ImportCalls::disarm() { armedThread = 0; }

void ImportCalls::reset() {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        InterlockedExchange(&thunks_[i].count, 0);
}

std::map<std::string, long> ImportCalls::counts() const {
    std::map<std::string, long> result;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (const long n = thunks_[i].count)
            result[entries_[i].name] += n;
    }
    return result;
}

std::string describeCalls(const std::map<std::string, long>& counts) {
    std::ostringstream text;
    const char* separator = "";
    for (const auto& [name, n] : counts) {
        text << separator << name << " " << n;
        separator = ", ";
    }
    return counts.empty() ? "none" : text.str();
}

}  // namespace qp::test
