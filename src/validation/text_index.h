// An open-addressing hash index from texts held elsewhere to the positions that hold them. It
// allocates nothing per entry, which matters when a check files a hundred thousand part numbers
// per call.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "frame/text.h"

namespace kvpw::validation {

// Texts one after another in one buffer, by position: a hundred thousand of them cost a few
// allocations instead of one each.
class TextList {
 public:
  void reserve(size_t count) { end_.reserve(count); }
  size_t size() const { return end_.size(); }
  void push_back(TextView text) {
    texts_ += text;
    end_.push_back(texts_.size());
  }
  TextView operator[](size_t i) const {
    const size_t begin = i == 0 ? 0 : end_[i - 1];
    return TextView(texts_).substr(begin, end_[i] - begin);
  }

 private:
  Text texts_;
  std::vector<size_t> end_;
};

class TextIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  explicit TextIndex(size_t expected = 0) { Resize(CapacityFor(expected)); }

  // The position filed under `key`, or kNone. `key_of(position)` gives a filed position's text.
  template <class KeyOf>
  uint32_t Find(TextView key, const KeyOf& key_of) const {
    const uint32_t hash = HashOf(key);
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.position == kNone) return kNone;
      if (slot.hash == hash && key_of(slot.position) == key) return slot.position;
    }
  }

  // Files `position` under `key` unless a position is filed there already; returns the position
  // that is filed under `key` afterwards.
  template <class KeyOf>
  uint32_t Insert(TextView key, uint32_t position, const KeyOf& key_of) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    const uint32_t hash = HashOf(key);
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.position == kNone) {
        slot = {position, hash};
        ++size_;
        return position;
      }
      if (slot.hash == hash && key_of(slot.position) == key) return slot.position;
    }
  }

 private:
  struct Slot {
    uint32_t position = kNone;
    uint32_t hash = 0;
  };

  static uint32_t HashOf(TextView key) { return static_cast<uint32_t>(std::hash<TextView>{}(key)); }
  static size_t CapacityFor(size_t entries) {
    size_t capacity = 16;
    while (capacity < entries * 2) capacity *= 2;
    return capacity;
  }
  void Resize(size_t capacity) {
    slots_.assign(capacity, Slot{});
    mask_ = capacity - 1;
  }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    Resize(old.size() * 2);
    for (const Slot& slot : old) {
      if (slot.position == kNone) continue;
      size_t i = slot.hash & mask_;
      while (slots_[i].position != kNone) i = (i + 1) & mask_;
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t size_ = 0;
};

}  // namespace kvpw::validation
