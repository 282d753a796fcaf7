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
// Region bytes outside the array hold a sentinel, so stray writes that land
// there are found by untouched().
enum class Placement { AtEnd, AtStart };

struct Layout {
  std::size_t count;
  Placement placement;
  std::size_t offset;  // bytes, AtStart only
};

// Pages of which the first and last are inaccessible; `usable` points past
// the first, page-aligned, `usableBytes` rounded up to whole pages.
struct GuardedPages {
  explicit GuardedPages(std::size_t bytes);
  ~GuardedPages();
  GuardedPages(const GuardedPages&) = delete;
  GuardedPages& operator=(const GuardedPages&) = delete;
  std::byte *base, *usable;
  std::size_t totalBytes, usableBytes;
};

template <class T>
class GuardedArray {
 public:
  static constexpr std::uint8_t kSentinel = 0xA5;

  GuardedArray(std::size_t count, Placement placement, std::size_t offset = 0)
      : pages_(count * sizeof(T) + offset + 64), count_(count) {
    std::memset(pages_.usable, kSentinel, pages_.usableBytes);
    bytes_ = placement == Placement::AtEnd ? pages_.usable + pages_.usableBytes - count * sizeof(T) : pages_.usable + offset;
  }
  explicit GuardedArray(const Layout& layout) : GuardedArray(layout.count, layout.placement, layout.offset) {}

  // The array may be misaligned for T: access it through these, or hand
  // data() to a kernel.
  T* data() const { return reinterpret_cast<T*>(bytes_); }
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
    for (std::byte* p = pages_.usable; p != pages_.usable + pages_.usableBytes; ++p)
      if ((p < bytes_ || p >= bytes_ + count_ * sizeof(T)) && std::uint8_t(*p) != kSentinel) return false;
    return true;
  }

 private:
  GuardedPages pages_;
  std::size_t count_;
  std::byte* bytes_;
};

// Every layout of the sweep: counts 0..maxCount, each flush at the end and at
// every start offset 0..31 bytes that is a multiple of `offsetStep`.
std::vector<Layout> sweepLayouts(std::size_t maxCount, std::size_t offsetStep);

}  // namespace tq::test
