// Fields of the parameter block that one thread writes while another reads them:
// host automation and the editor set values, a bank load replaces values, flags
// and learnt controllers, and the sample loop reads them every sample. Each field
// is a single aligned word or byte, so relaxed atomic access through atomic_ref
// keeps the block's plain layout (the chunks are images of it) and is race-free;
// no ordering between different fields is promised or needed.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace qp {

static_assert(std::atomic_ref<float>::is_always_lock_free);
static_assert(std::atomic_ref<std::int32_t>::is_always_lock_free);
static_assert(std::atomic_ref<std::uint8_t>::is_always_lock_free);

// The block is never a const object; a const view of it only promises not to
// write, which an atomic load keeps.
template <class T>
T loadShared(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

template <class T>
void storeShared(T& field, std::type_identity_t<T> value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

}  // namespace qp
