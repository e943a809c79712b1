// The editor's changes on their way to the audio thread: a fixed ring with one
// writer (the main thread, where the editor lives) and one reader (whoever runs
// process or params.flush, never two at once). Each slot is written before the
// head that publishes it, and read before the tail that frees it, so neither
// side ever waits, allocates or calls the system.
//
// A gesture is begin, any number of values, end. Begins and values are refused
// while only one slot is free: that slot is kept for an end, so a gesture the
// host has seen begin can always be closed. A refused edit is not queued at all;
// the caller learns it from the false and may try again once the reader has
// drained the ring.
#pragma once

#include <atomic>
#include <cstdint>

#include "clap/ClapAbi.h"

namespace qp::clap {

class ClapEditQueue final {
public:
    enum class Kind : std::uint8_t {
        GestureBegin,
        Value,
        GestureEnd
    };
    struct Edit {
        Kind kind;
        clap_id id;
        float value;
    };

    // A drag sends a value per pointer motion, some hundred a second; blocks come
    // every few milliseconds, and a host asked for a flush answers within its
    // next idle. 512 slots hold seconds of dragging.
    static constexpr std::uint32_t kCapacity = 512;

    // Writer side.
    bool push(const Edit& edit) {
        const std::uint32_t head = head_.load(std::memory_order_relaxed);
        const std::uint32_t used = head - tail_.load(std::memory_order_acquire);
        const std::uint32_t needed = edit.kind == Kind::GestureEnd ? 1 : 2;
        if (kCapacity - used < needed) {
            return false;
        }
        slots_[head % kCapacity] = edit;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    // Either side: a hint, as the other may be moving.
    bool empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

    // Reader side: the oldest edit, left in place until pop, so one the host could
    // not take waits for the next block.
    const Edit* front() const {
        const std::uint32_t tail = tail_.load(std::memory_order_relaxed);
        return tail == head_.load(std::memory_order_acquire) ? nullptr : &slots_[tail % kCapacity];
    }
    void pop() { tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the counters wrap at a multiple of the capacity");

    Edit slots_[kCapacity] = {};
    // Free-running counters; head - tail is the number queued. Apart, so the two
    // threads do not share a cache line.
    alignas(64) std::atomic<std::uint32_t> head_{0};
    alignas(64) std::atomic<std::uint32_t> tail_{0};
};

}  // namespace qp::clap
