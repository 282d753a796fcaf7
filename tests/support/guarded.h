// Guarded test buffers: arrays placed flush against an inaccessible page so
// that a kernel touching one element beyond its arguments crashes the test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace tq::test {

// [guard page][usable pages][guard page]; the usable bytes are page-aligned
// at both ends.
class GuardedRegion {
 public:
  explicit GuardedRegion(std::size_t usableBytes);
  ~GuardedRegion();
  GuardedRegion(const GuardedRegion&) = delete;
  GuardedRegion& operator=(const GuardedRegion&) = delete;

  std::byte* begin() const { return usable_; }
  std::byte* end() const { return usable_ + usableBytes_; }
  std::size_t size() const { return usableBytes_; }

 private:
  std::byte* base_ = nullptr;
  std::size_t totalBytes_ = 0;
  std::byte* usable_ = nullptr;
  std::size_t usableBytes_ = 0;
};

// Where an array sits in its region:
//  - AtEnd: its last byte is the last usable byte (catches reads and writes
//    past the end);
//  - AtStart: it starts `offset` bytes after the leading guard (catches
//    accesses before the start, and with offset sweeps every misalignment).
// Bytes of the region outside the array hold a sentinel pattern, so stray
// writes that land there are found by untouched().
enum class Placement { AtEnd, AtStart };

struct Layout {
  std::size_t count;
  Placement placement;
  std::size_t offset;  // bytes, AtStart only
};

template <class T>
class GuardedArray {
 public:
  static constexpr std::uint8_t kSentinel = 0xA5;

  GuardedArray(std::size_t count, Placement placement, std::size_t offset = 0)
      : region_(count * sizeof(T) + offset + 64), count_(count) {
    std::memset(region_.begin(), kSentinel, region_.size());
    bytes_ = placement == Placement::AtEnd ? region_.end() - count * sizeof(T)
                                            : region_.begin() + offset;
  }
  explicit GuardedArray(const Layout& layout)
      : GuardedArray(layout.count, layout.placement, layout.offset) {}

  // The array may be misaligned for T: access it through these, or hand
  // data() to a kernel.
  T* data() const { return reinterpret_cast<T*>(bytes_); }
  std::size_t size() const { return count_; }
  void assign(const std::vector<T>& values) {
    if (count_) std::memcpy(bytes_, values.data(), count_ * sizeof(T));
  }
  std::vector<T> values() const {
    std::vector<T> out(count_);
    if (count_) std::memcpy(out.data(), bytes_, count_ * sizeof(T));
    return out;
  }
  // True when every region byte outside the array still holds the sentinel.
  bool untouched() const {
    for (std::byte* p = region_.begin(); p != region_.end(); ++p) {
      if (p >= bytes_ && p < bytes_ + count_ * sizeof(T)) continue;
      if (std::uint8_t(*p) != kSentinel) return false;
    }
    return true;
  }

 private:
  GuardedRegion region_;
  std::size_t count_;
  std::byte* bytes_;
};

// Every layout of the sweep: counts 0..maxCount, each flush at the end and at
// every start offset 0..31 bytes that is a multiple of `offsetStep`.
std::vector<Layout> sweepLayouts(std::size_t maxCount, std::size_t offsetStep);

}  // namespace tq::test
