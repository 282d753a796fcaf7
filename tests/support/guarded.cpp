#include "support/guarded.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tq::test {

GuardedPages::GuardedPages(std::size_t bytes) {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const std::size_t page = info.dwPageSize;
#else
  const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
#endif
  usableBytes = (bytes + page - 1) / page * page;
  totalBytes = usableBytes + 2 * page;
#if defined(_WIN32)
  base = static_cast<std::byte*>(VirtualAlloc(nullptr, totalBytes, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  DWORD old;
  if (!base || !VirtualProtect(base + page, usableBytes, PAGE_READWRITE, &old)) std::abort();
#else
  void* p = mmap(nullptr, totalBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  base = static_cast<std::byte*>(p);
  if (p == MAP_FAILED || mprotect(base + page, usableBytes, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
  usable = base + page;
}

GuardedPages::~GuardedPages() {
#if defined(_WIN32)
  VirtualFree(base, 0, MEM_RELEASE);
#else
  munmap(base, totalBytes);
#endif
}

std::vector<Layout> sweepLayouts(std::size_t maxCount, std::size_t offsetStep) {
  std::vector<Layout> layouts;
  for (std::size_t count = 0; count <= maxCount; ++count) {
    layouts.push_back({count, Placement::AtEnd, 0});
    for (std::size_t offset = 0; offset < 32; offset += offsetStep) layouts.push_back({count, Placement::AtStart, offset});
  }
  return layouts;
}

}  // namespace tq::test
