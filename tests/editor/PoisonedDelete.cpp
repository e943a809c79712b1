// Freed memory in the editor's tests is filled with 0xDD and held back for a
// while before it goes to the heap, so a use after free (a view or frame freed
// under a caller) reads the pattern and crashes at its first virtual call
// instead of quietly working on a block the heap has not reused yet.
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kHeldBlocks = 256;
constexpr unsigned char kPoison = 0xDD;

std::mutex& heldLock() {
    static std::mutex lock;
    return lock;
}

void* held[kHeldBlocks] = {};
std::size_t next = 0;

void poisonAndHold(void* block) {
    if (!block) {
        return;
    }
    std::memset(block, kPoison, _msize(block));
    void* oldest = nullptr;
    {
        std::lock_guard<std::mutex> guard(heldLock());
        oldest = held[next];
        held[next] = block;
        next = (next + 1) % kHeldBlocks;
    }
    std::free(oldest);
}

}  // namespace

// A write into a block after its delete leaves a mark the poison does not: true
// while the block is held and holds nothing but the poison.
bool heldBlockUntouched(const void* block) {
    std::lock_guard<std::mutex> guard(heldLock());
    if (std::find(std::begin(held), std::end(held), block) == std::end(held)) {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(block);
    return std::all_of(bytes, bytes + _msize(const_cast<void*>(block)),
                       [](unsigned char b) { return b == kPoison; });
}

void operator delete(void* block) noexcept { poisonAndHold(block); }
void operator delete(void* block, std::size_t) noexcept { poisonAndHold(block); }
void operator delete[](void* block) noexcept { poisonAndHold(block); }
void operator delete[](void* block, std::size_t) noexcept { poisonAndHold(block); }
