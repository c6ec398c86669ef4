#pragma once

// The pools behind the effects: fixed arrays handing out their first free slot, grown by a
// fixed step when full and never shrunk. Growing builds the larger pool first, so a pool that
// cannot grow keeps every particle it had.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <vector>

namespace ironwood {

// Grows the pool by `step` free slots after the existing ones, which keep their order. False,
// with the pool as it was, when the memory cannot be had. The pool's size grows by the step,
// but its storage at least doubles when it must move, so that a pool grown again and again
// does not copy every slot each time.
template <typename T>
bool GrowPool(std::vector<T>& pool, std::size_t step) {
  const std::size_t wanted = pool.size() + step;
  if (wanted <= pool.capacity()) {
    pool.resize(wanted);  // within the storage it has: nothing to allocate
    return true;
  }
  try {
    std::vector<T> larger;
    try {
      larger.reserve(std::max(wanted, 2 * pool.capacity()));
    } catch (const std::bad_alloc&) {
      larger.reserve(wanted);  // no room to spare: just what is asked
    }
    larger.insert(larger.end(), std::make_move_iterator(pool.begin()),
                  std::make_move_iterator(pool.end()));
    larger.resize(wanted);
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

// Slots of T, each free while its `active` flag is clear. A spawn takes the first free slot
// (the slots' order is the drawing order, which the blending depends on), found from a bound
// below which every slot is busy instead of from the start. A slot is set active by whoever
// takes it and freed only through Free, which keeps the bound.
template <typename T>
class EffectPool {
 public:
  EffectPool() = default;
  explicit EffectPool(std::size_t size) : slots_(size) {}

  // `size` free slots in place of whatever the pool held.
  void Reset(std::size_t size) {
    slots_.clear();
    slots_.resize(size);
    firstFree_ = 0;
  }

  // The first slot whose active flag is clear, or null when every slot is busy.
  T* FirstFree() {
    for (; firstFree_ < slots_.size(); ++firstFree_) {
      if (!slots_[firstFree_].active) return &slots_[firstFree_];
    }
    return nullptr;
  }

  void Free(T& slot) {
    slot.active = false;
    firstFree_ = std::min(firstFree_, static_cast<std::size_t>(&slot - slots_.data()));
  }

  // GrowPool on the slots; the new ones are free and follow the others.
  bool Grow(std::size_t step) { return GrowPool(slots_, step); }

  std::size_t size() const { return slots_.size(); }
  T& operator[](std::size_t i) { return slots_[i]; }
  typename std::vector<T>::iterator begin() { return slots_.begin(); }
  typename std::vector<T>::iterator end() { return slots_.end(); }
  const std::vector<T>& slots() const { return slots_; }
  int ActiveCount() const { return CountActive(slots_); }

 private:
  std::vector<T> slots_;
  std::size_t firstFree_ = 0;  // every slot before it is busy
};

}  // namespace ironwood
