// Guarded test buffers: arrays placed flush against an inaccessible page so
// that a kernel touching one element beyond its arguments crashes the test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tq::test {

// Where an array sits in its region [guard page][usable pages][guard page]:
//  - AtEnd: its last byte is the last usable byte (reads and writes past
//    the end fault);
//  - AtStart: it starts `offset` bytes after the leading guard (accesses
//    before the start fault; offsets sweep every misalignment).
enum class Placement { AtEnd, AtStart };

// Usable bytes outside the array hold a sentinel, so that stray writes that
// land there are found by untouched().
class GuardedBytes {
 public:
  static constexpr std::uint8_t kSentinel = 0xA5;
  GuardedBytes(std::size_t bytes, Placement placement, std::size_t offset);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  unsigned char* begin() const { return begin_; }
  bool untouched() const;

 private:
  unsigned char *region_, *usable_, *begin_;
  std::size_t usableBytes_, bytes_;
};

// A guarded copy of `values`; data() may be misaligned for T.
template <class T>
struct GuardedArray : GuardedBytes {
  GuardedArray(const std::vector<T>& values, Placement placement, std::size_t offset = 0)
      : GuardedBytes(values.size() * sizeof(T), placement, offset) {
    if (!values.empty()) std::memcpy(begin(), values.data(), values.size() * sizeof(T));
  }
  T* data() const { return reinterpret_cast<T*>(begin()); }
};

}  // namespace tq::test
