#include "support/guarded.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace tq::test {
namespace {

constexpr std::size_t kPage = 4096;  // every x86 target's

// Released regions by usable size, kept for the next array of that size: the
// sweeps make a few hundred thousand guarded arrays, and mapping, protecting
// and unmapping each one cost more than everything else in the tests.
std::vector<std::pair<std::size_t, unsigned char*>>& spares() {
  static std::vector<std::pair<std::size_t, unsigned char*>> kept;
  return kept;
}

}  // namespace

GuardedBytes::GuardedBytes(std::size_t bytes, Placement placement, std::size_t offset) : bytes_(bytes) {
  usableBytes_ = (bytes + offset + 64 + kPage - 1) / kPage * kPage;
  auto& kept = spares();
  const auto spare = std::find_if(kept.begin(), kept.end(), [&](const auto& s) { return s.first == usableBytes_; });
  if (spare != kept.end()) {
    region_ = spare->second;
    kept.erase(spare);
  } else {  // [guard page][usable pages][guard page]
#if defined(_WIN32)
    region_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, usableBytes_ + 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
    DWORD old;
    if (!region_ || !VirtualProtect(region_ + kPage, usableBytes_, PAGE_READWRITE, &old)) std::abort();
#else
    void* p = mmap(nullptr, usableBytes_ + 2 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    region_ = static_cast<unsigned char*>(p);
    if (p == MAP_FAILED || mprotect(region_ + kPage, usableBytes_, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  }
  usable_ = region_ + kPage;
  std::memset(usable_, kSentinel, usableBytes_);
  begin_ = placement == Placement::AtEnd ? usable_ + usableBytes_ - bytes : usable_ + offset;
}

GuardedBytes::~GuardedBytes() {
  if (spares().size() < 32) spares().push_back({usableBytes_, region_});
#if defined(_WIN32)
  else VirtualFree(region_, 0, MEM_RELEASE);
#else
  else munmap(region_, usableBytes_ + 2 * kPage);
#endif
}

bool GuardedBytes::untouched() const {
  for (const unsigned char* p = usable_; p != usable_ + usableBytes_; ++p)
    if ((p < begin_ || p >= begin_ + bytes_) && *p != kSentinel) return false;
  return true;
}

}  // namespace tq::test
