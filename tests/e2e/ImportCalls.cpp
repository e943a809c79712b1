#include "ImportCalls.h"

#include "ImportTable.h"

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
    0x50,                                                     // push rax
    0x51,                                                     // push rcx
    0x65, 0x48, 0x8B, 0x04, 0x25, 0x48, 0x00, 0x00, 0x00,     // mov rax, gs:[0x48]
    0x48, 0xB9, 0,    0,    0,    0,    0,    0,    0,    0,  // mov rcx, &armedThread
    0x3B, 0x01,                                               // cmp eax, [rcx]
    0x75, 0x0D,                                               // jne past the increment
    0x48, 0xB9, 0,    0,    0,    0,    0,    0,    0,    0,  // mov rcx, &count
    0xF0, 0xFF, 0x01,                                         // lock inc dword [rcx]
    0x59,                                                     // pop rcx
    0x58,                                                     // pop rax
    0xFF, 0x25, 0x00, 0x00, 0x00, 0x00,                       // jmp [the next eight bytes]
    0,    0,    0,    0,    0,    0,    0,    0,              // target
};
constexpr std::size_t kArmedAt = 13;
constexpr std::size_t kCountAt = 27;
constexpr std::size_t kTargetAt = 46;
#else
// i386 machine code; the TEB's ClientId.UniqueThread sits at fs:[0x24].
constexpr std::uint8_t kThunkCode[] = {
    0x50,                                   // push eax
    0x64, 0xA1, 0x24, 0x00, 0x00, 0x00,     // mov eax, fs:[0x24]
    0x3B, 0x05, 0,    0,    0,    0,        // cmp eax, [armedThread]
    0x75, 0x07,                             // jne past the increment
    0xF0, 0xFF, 0x05, 0,    0,    0,    0,  // lock inc dword [count]
    0x58,                                   // pop eax
    0xFF, 0x25, 0,    0,    0,    0,        // jmp [target]
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
    std::vector<Entry> found;
    for (const ImportSlot& import : importSlots(module)) {
        found.push_back(Entry{import.library + "!" + import.name, import.slot, *import.slot});
    }
    if (found.empty()) {
        return;
    }

    thunks_ = static_cast<Thunk*>(VirtualAlloc(nullptr, found.size() * sizeof(Thunk),
                                               MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    if (thunks_ == nullptr) {
        return;
    }
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
        redirectSlot(found[i].slot, thunks_[i].code);
    }
    entries_ = std::move(found);
}

ImportCalls::~ImportCalls() {
    disarm();
    for (const Entry& entry : entries_) {
        redirectSlot(entry.slot, entry.previous);
    }
    // A thread may still be inside a thunk it entered before the slots were put
    // back (a window procedure, a worker of the library); the few pages stay.
}

void ImportCalls::arm(DWORD threadId) { armedThread = threadId; }

void ImportCalls::disarm() { armedThread = 0; }

void ImportCalls::reset() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        InterlockedExchange(&thunks_[i].count, 0);
    }
}

std::map<std::string, long> ImportCalls::counts() const {
    std::map<std::string, long> result;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (const long n = thunks_[i].count) {
            result[entries_[i].name] += n;
        }
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
