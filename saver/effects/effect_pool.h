#pragma once

// The pools behind the effects: fixed arrays searched from the start for a free slot, grown by a
// fixed step when full and never shrunk. Growing builds the larger pool first, so a pool that
// cannot grow keeps every particle it had.

#include <cstddef>
#include <iterator>
#include <new>
#include <vector>

namespace ironwood {

// The first slot whose active flag is clear, or null when every slot is busy.
template <typename T>
T* FirstFreeSlot(std::vector<T>& pool) {
  for (T& slot : pool) {
    if (!slot.active) return &slot;
  }
  return nullptr;
}

// Grows the pool by `step` free slots after the existing ones, which keep their order. False,
// with the pool as it was, when the memory cannot be had.
template <typename T>
bool GrowPool(std::vector<T>& pool, std::size_t step) {
  try {
    std::vector<T> larger;
    larger.reserve(pool.size() + step);  // the one allocation; nothing below can fail
    larger.insert(larger.end(), std::make_move_iterator(pool.begin()),
                  std::make_move_iterator(pool.end()));
    larger.resize(larger.size() + step);
    pool.swap(larger);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

template <typename T>
int CountActive(const std::vector<T>& pool) {
  int n = 0;
  for (const T& slot : pool) n += slot.active ? 1 : 0;
  return n;
}

}  // namespace ironwood
