#include "support/guarded.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace tq::test {

GuardedBytes::GuardedBytes(std::size_t bytes, Placement placement, std::size_t offset) : bytes_(bytes) {
  const std::size_t page = 4096;  // every x86 target's
  usableBytes_ = (bytes + offset + 64 + page - 1) / page * page;
  regionBytes_ = usableBytes_ + 2 * page;
#if defined(_WIN32)
  region_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, regionBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  DWORD old;
  if (!region_ || !VirtualProtect(region_ + page, usableBytes_, PAGE_READWRITE, &old)) std::abort();
#else
  void* p = mmap(nullptr, regionBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  region_ = static_cast<unsigned char*>(p);
  if (p == MAP_FAILED || mprotect(region_ + page, usableBytes_, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  usable_ = region_ + page;
  std::memset(usable_, kSentinel, usableBytes_);
  begin_ = placement == Placement::AtEnd ? usable_ + usableBytes_ - bytes : usable_ + offset;
}

GuardedBytes::~GuardedBytes() {
#if defined(_WIN32)
  VirtualFree(region_, 0, MEM_RELEASE);
#else
  munmap(region_, regionBytes_);
#endif
}

bool GuardedBytes::untouched() const {
  for (const unsigned char* p = usable_; p != usable_ + usableBytes_; ++p)
    if ((p < begin_ || p >= begin_ + bytes_) && *p != kSentinel) return false;
  return true;
}

}  // namespace tq::test
