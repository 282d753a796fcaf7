#include "support/guarded.h"

#include <cstdlib>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tq::test {
namespace {

std::size_t pageSize() {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return std::size_t(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

GuardedRegion::GuardedRegion(std::size_t usableBytes) {
  const std::size_t page = pageSize();
  usableBytes_ = (usableBytes + page - 1) / page * page;
  if (usableBytes_ == 0) usableBytes_ = page;
  totalBytes_ = usableBytes_ + 2 * page;
#if defined(_WIN32)
  base_ = static_cast<std::byte*>(VirtualAlloc(nullptr, totalBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  if (!base_) throw std::runtime_error("VirtualAlloc failed");
  DWORD old;
  VirtualProtect(base_ + page, usableBytes_, PAGE_READWRITE, &old);
#else
  void* p = mmap(nullptr, totalBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
  base_ = static_cast<std::byte*>(p);
  if (mprotect(base_ + page, usableBytes_, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  usable_ = base_ + page;
}

GuardedRegion::~GuardedRegion() {
#if defined(_WIN32)
  VirtualFree(base_, 0, MEM_RELEASE);
#else
  munmap(base_, totalBytes_);
#endif
}

std::vector<Layout> sweepLayouts(std::size_t maxCount, std::size_t offsetStep) {
  std::vector<Layout> layouts;
  for (std::size_t count = 0; count <= maxCount; ++count) {
    layouts.push_back({count, Placement::AtEnd, 0});
    for (std::size_t offset = 0; offset < 32; offset += offsetStep)
      layouts.push_back({count, Placement::AtStart, offset});
  }
  return layouts;
}

}  // namespace tq::test
