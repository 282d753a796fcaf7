// The DLL as a Windows host's loader sees it. Every other test of this
// executable calls it through the import library; here:
//  - every built name of the table resolves by name and by its ordinal to one
//    address, the one the import library bound the header's declaration to
//    (so a wrong name, decoration or ordinal fails, whichever way a host
//    resolves it); names a host must not find do not resolve;
//  - the loader keeps thread notifications away from the DLL's entry point
//    (DllMain turned them off).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "support/export_rows.h"

namespace tq::test {
namespace {

HMODULE loadedDll() {
  static const HMODULE module = LoadLibraryA("tqcalc-avx.dll");
  return module;
}

// A declaration bound through the import library is a `jmp *[slot]` stub;
// the slot holds the address the loader resolved.
const void* boundTarget(const void* declaration) {
  const auto* code = static_cast<const unsigned char*>(declaration);
  if (code[0] != 0xFF || code[1] != 0x25) return declaration;
  const void* const* slot;
  std::memcpy(&slot, code + 2, sizeof slot);
  return *slot;
}

TEST(LoadedDll, EveryNameResolvesByNameAndOrdinalToItsDeclaration) {
  ASSERT_NE(loadedDll(), nullptr) << "LoadLibrary error " << GetLastError();
  for (const auto& n : exportedNames(true)) {
    const void* entry = reinterpret_cast<const void*>(GetProcAddress(loadedDll(), n.name.c_str()));
    EXPECT_EQ(n.built, entry != nullptr) << n.name << (n.built ? " not found" : " found, but not built or not in the table");
    if (!n.built || !entry) continue;
    EXPECT_EQ(reinterpret_cast<const void*>(GetProcAddress(loadedDll(), MAKEINTRESOURCEA(n.ordinal))), entry) << n.name << ", ordinal " << n.ordinal;
    const bool cdeclName = n.name.size() > 6 && n.name.compare(n.name.size() - 6, 6, "_cdecl") == 0;
    EXPECT_EQ(boundTarget(cdeclName ? n.row->cdeclEntry : n.row->stdcallEntry), entry) << n.name;
  }
}

// The loader's record of a module (32-bit layout, unchanged since NT 4):
// DisableThreadLibraryCalls sets the flag that keeps thread starts and ends
// from calling the module's entry point.
struct LoaderEntry {
  LIST_ENTRY links[3];
  void* base;
  void* entryPoint;
  ULONG imageSize;
  struct { USHORT length, capacity; wchar_t* text; } fullName, baseName;
  ULONG flags;
};
static_assert(offsetof(LoaderEntry, entryPoint) == 0x1C && offsetof(LoaderEntry, flags) == 0x34);
constexpr ULONG kNoThreadCalls = 0x00040000;

TEST(LoadedDll, ThreadNotificationsAreTurnedOff) {
  using FindEntry = LONG(NTAPI*)(void*, LoaderEntry**);
  const auto find = reinterpret_cast<FindEntry>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrFindEntryForAddress")));
  LoaderEntry* entry = nullptr;
  ASSERT_TRUE(find && loadedDll() && find(loadedDll(), &entry) == 0 && entry->base == loadedDll());
  EXPECT_TRUE(entry->flags & kNoThreadCalls) << "thread notifications reach the DLL";
}

}  // namespace
}  // namespace tq::test
