#include "support/guarded.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace tq::test {
namespace {

constexpr std::size_t kPage = 4096;  // every x86 target's

// [guard page][usable pages][guard page], the usable pages writable.
unsigned char* mapRegion(std::size_t usableBytes) {
#if defined(_WIN32)
  auto* region = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, usableBytes + 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  DWORD old;
  if (!region || !VirtualProtect(region + kPage, usableBytes, PAGE_READWRITE, &old)) std::abort();
#else
  void* p = mmap(nullptr, usableBytes + 2 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  auto* region = static_cast<unsigned char*>(p);
  if (p == MAP_FAILED || mprotect(region + kPage, usableBytes, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  return region;
}

void unmapRegion(unsigned char* region, std::size_t usableBytes) {
#if defined(_WIN32)
  (void)usableBytes;
  VirtualFree(region, 0, MEM_RELEASE);
#else
  munmap(region, usableBytes + 2 * kPage);
#endif
}

// Released regions, kept for the next array of the same size: the sweeps
// make a few hundred thousand guarded arrays, and mapping, protecting and
// unmapping each one cost more than everything else in the tests.
struct Spare {
  std::size_t usableBytes;
  unsigned char* region;
};
std::vector<Spare>& spares() {
  static std::vector<Spare> kept;
  return kept;
}
constexpr std::size_t kMostSpares = 32;

}  // namespace

GuardedBytes::GuardedBytes(std::size_t bytes, Placement placement, std::size_t offset) : bytes_(bytes) {
  usableBytes_ = (bytes + offset + 64 + kPage - 1) / kPage * kPage;
  auto& kept = spares();
  std::size_t k = 0;
  while (k < kept.size() && kept[k].usableBytes != usableBytes_) ++k;
  if (k < kept.size()) {
    region_ = kept[k].region;
    kept.erase(kept.begin() + std::ptrdiff_t(k));
  } else {
    region_ = mapRegion(usableBytes_);
  }
  usable_ = region_ + kPage;
  std::memset(usable_, kSentinel, usableBytes_);
  begin_ = placement == Placement::AtEnd ? usable_ + usableBytes_ - bytes : usable_ + offset;
}

GuardedBytes::~GuardedBytes() {
  auto& kept = spares();
  if (kept.size() < kMostSpares) kept.push_back({usableBytes_, region_});
  else unmapRegion(region_, usableBytes_);
}

bool GuardedBytes::untouched() const {
  for (const unsigned char* p = usable_; p != usable_ + usableBytes_; ++p)
    if ((p < begin_ || p >= begin_ + bytes_) && *p != kSentinel) return false;
  return true;
}

}  // namespace tq::test
