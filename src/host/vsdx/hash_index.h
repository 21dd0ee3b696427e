// Values filed under hashes the caller has already computed, several under one hash: the index
// of a sheet that holds tens of thousands of rows (the document sheet's device list). One array
// with open addressing, so an entry costs a slot, not a node of its own, and a look-up touches
// one or two cache lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvpw::host::vsdx {

template <class Value>
class HashIndex {
 public:
  void Add(size_t hash, Value value) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    Place(Slot{static_cast<uint32_t>(hash), true, value});
    ++size_;
  }

  // The first value, in the order they were added, filed under `hash` for which `match(value)`
  // holds; `none` when there is none.
  template <class Match>
  Value Find(size_t hash, Match match, Value none = Value()) const {
    if (slots_.empty()) return none;
    const auto key = static_cast<uint32_t>(hash);
    for (size_t i = key & Mask(); slots_[i].used; i = (i + 1) & Mask())
      if (slots_[i].key == key && match(slots_[i].value)) return slots_[i].value;
    return none;
  }

  size_t size() const { return size_; }

 private:
  struct Slot {
    uint32_t key = 0;  // the hash's low half: enough to place and to rule out most others
    bool used = false;
    Value value{};
  };

  size_t Mask() const { return slots_.size() - 1; }

  // Linear probing keeps values of one key in the order they were added along its probe run.
  void Place(const Slot& slot) {
    size_t i = slot.key & Mask();
    while (slots_[i].used) i = (i + 1) & Mask();
    slots_[i] = slot;
  }

  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 32 : slots_.size() * 2);
    old.swap(slots_);
    if (old.empty()) return;
    // Re-placed from the start of a run, every run is walked in probe order, so values of one
    // key keep the order they were added in.
    size_t start = 0;
    while (old[start].used) ++start;
    for (size_t k = 0; k < old.size(); ++k)
      if (const Slot& s = old[(start + k) & (old.size() - 1)]; s.used) Place(s);
  }

  std::vector<Slot> slots_;
  size_t size_ = 0;
};

}  // namespace kvpw::host::vsdx
