// Freed memory in the editor's tests is filled with 0xDD and held back for a
// while before it goes to the heap, so a use after free (a view or frame freed
// under a caller) reads the pattern and crashes at its first virtual call
// instead of quietly working on a block the heap has not reused yet.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kHeldBlocks = 256;

std::mutex& heldLock() {
    static std::mutex lock;
    return lock;
}

void poisonAndHold(void* block) {
    if (!block) {
        return;
    }
    std::memset(block, 0xDD, _msize(block));
    static void* held[kHeldBlocks] = {};
    static std::size_t next = 0;
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

void operator delete(void* block) noexcept { poisonAndHold(block); }
void operator delete(void* block, std::size_t) noexcept { poisonAndHold(block); }
void operator delete[](void* block) noexcept { poisonAndHold(block); }
void operator delete[](void* block, std::size_t) noexcept { poisonAndHold(block); }
