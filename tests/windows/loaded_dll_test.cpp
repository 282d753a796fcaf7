// The DLL as a Windows host's loader sees it. Every other test of this
// executable calls it through the import library; here:
//  - every built name of the table resolves by name and by its ordinal to one
//    address, the one the import library bound the header's declaration to
//    (so a wrong name, decoration or ordinal fails, whichever way a host
//    resolves it); names a host must not find do not resolve;
//  - threads started and ended while the DLL is loaded never reach its entry
//    point (DllMain turned the notifications off);
//  - the guard pages of the test buffers fault under this host, so the
//    sweeps' "any stray access crashes" holds here too.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "support/export_rows.h"
#include "support/guarded.h"

namespace tq::test {
namespace {

class LoadedDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("tqcalc-avx.dll");
    ASSERT_NE(module_, nullptr) << "LoadLibrary error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  const void* byName(const std::string& name) const {
    return reinterpret_cast<const void*>(GetProcAddress(module_, name.c_str()));
  }
  const void* byOrdinal(std::size_t ordinal) const {
    return reinterpret_cast<const void*>(GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)));
  }
  HMODULE module_ = nullptr;
};

// A declaration bound through the import library is a `jmp *[slot]` stub;
// the slot holds the address the loader resolved.
const void* boundTarget(const void* declaration) {
  const auto* code = static_cast<const unsigned char*>(declaration);
  if (code[0] != 0xFF || code[1] != 0x25) return declaration;
  const void* const* slot;
  std::memcpy(&slot, code + 2, sizeof slot);
  return *slot;
}

TEST_F(LoadedDll, EveryNameResolvesByNameAndOrdinalToItsDeclaration) {
  std::vector<std::string> keys;
  for (const auto& n : exportedNames(true)) keys.push_back(ordinalKey(n.name));
  std::sort(keys.begin(), keys.end());
  for (const auto& n : exportedNames(true)) {
    SCOPED_TRACE(n.name);
    const void* entry = byName(n.name);
    if (!n.built) {
      EXPECT_EQ(entry, nullptr) << "not built yet, but exported";
      continue;
    }
    ASSERT_NE(entry, nullptr);
    const auto ordinal = std::find(keys.begin(), keys.end(), ordinalKey(n.name)) - keys.begin() + 1;
    EXPECT_EQ(byOrdinal(ordinal), entry) << "ordinal " << ordinal;
    const bool cdeclName = n.name.size() > 6 && n.name.compare(n.name.size() - 6, 6, "_cdecl") == 0;
    for (const auto& row : exportRows())
      if (row.name == n.operation) {
        EXPECT_EQ(boundTarget(cdeclName ? row.cdeclEntry : row.stdcallEntry), entry);
      }
  }
}

TEST_F(LoadedDll, NamesAHostMustNotFindDoNotResolve) {
  for (const auto& row : exportRows()) {
    const std::string decorated = "_" + row.name + "@" + std::to_string(row.bytes);
    const bool decoratedForm = row.form == Form::DECORATED || row.form == Form::DECORATED_PAIR;
    if (row.form != Form::PAIR) {
      EXPECT_EQ(byName(row.name), nullptr) << row.name;
    }
    if (!decoratedForm) {
      EXPECT_EQ(byName(decorated), nullptr) << decorated;
    }
    if (row.form == Form::DECORATED) {
      EXPECT_EQ(byName(row.name + "_cdecl"), nullptr) << row.name;
    }
    EXPECT_EQ(byName(row.name + "@" + std::to_string(row.bytes)), nullptr) << row.name;
  }
}

// The loader's record of a module (32-bit layout, unchanged since NT 4).
struct LoaderEntry {
  LIST_ENTRY links[3];
  void* base;
  void* entryPoint;
  ULONG imageSize;
  struct { USHORT length, capacity; wchar_t* text; } fullName, baseName;
  ULONG flags;
};
static_assert(offsetof(LoaderEntry, entryPoint) == 0x1C && offsetof(LoaderEntry, flags) == 0x34);
constexpr ULONG kNoThreadCalls = 0x00040000;  // set by DisableThreadLibraryCalls

LONG threadNotifications = 0;
BOOL WINAPI countingEntry(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_ATTACH || reason == DLL_THREAD_DETACH) InterlockedIncrement(&threadNotifications);
  return TRUE;
}
DWORD WINAPI idleThread(LPVOID) { return 0; }
void startAndJoinAThread() {
  HANDLE thread = CreateThread(nullptr, 0, idleThread, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

// The DLL's entry point is swapped for a counter while a thread starts and
// ends; then, to prove the probe can see anything, once more with the
// loader's flag cleared.
TEST_F(LoadedDll, ThreadsStartedAndEndedReachNoEntryCode) {
  using FindEntry = LONG(NTAPI*)(void*, LoaderEntry**);
  const auto find = reinterpret_cast<FindEntry>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrFindEntryForAddress")));
  ASSERT_NE(find, nullptr);
  LoaderEntry* entry = nullptr;
  ASSERT_EQ(find(module_, &entry), 0);
  ASSERT_EQ(entry->base, static_cast<void*>(module_));
  ASSERT_NE(entry->entryPoint, nullptr);

  void* const original = entry->entryPoint;
  const ULONG flags = entry->flags;
  threadNotifications = 0;
  entry->entryPoint = reinterpret_cast<void*>(countingEntry);
  startAndJoinAThread();
  const LONG asLoaded = threadNotifications;
  entry->flags = flags & ~kNoThreadCalls;
  startAndJoinAThread();
  entry->flags = flags;
  entry->entryPoint = original;

  EXPECT_EQ(asLoaded, 0) << "thread notifications reach the DLL";
  EXPECT_EQ(threadNotifications - asLoaded, 2) << "the probe misses notifications";
}

// Windows reports a guard-page access as an access violation; Wine on
// qemu-user reports the same fault as an illegal instruction.
bool faultedOnAccess(int exitCode) {
  return DWORD(exitCode) == EXCEPTION_ACCESS_VIOLATION || DWORD(exitCode) == EXCEPTION_ILLEGAL_INSTRUCTION;
}

TEST(GuardPages, AnAccessJustOutsideAnArrayFaults) {
  GuardedArray<float> atEnd(3, Placement::AtEnd), atStart(3, Placement::AtStart);
  EXPECT_EXIT(static_cast<volatile float*>(atEnd.data())[3] = 0.0f, faultedOnAccess, "");
  EXPECT_EXIT(static_cast<volatile float*>(atStart.data())[-1] = 0.0f, faultedOnAccess, "");
  EXPECT_EXIT((void)static_cast<volatile float*>(atEnd.data())[3], faultedOnAccess, "");
}

}  // namespace
}  // namespace tq::test
