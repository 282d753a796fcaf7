// The built binaries against the export table: the ELF library resolves
// exactly the table's built names; the generated module
// definition carries them at ordinals that follow the byte order of all
// names. And the public header compiles as C (header_from_c.c).
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "support/export_rows.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

extern "C" double tqTestSumFromC(const float* values, uint32_t count);

namespace tq::test {
namespace {

TEST(PublicHeader, UsableFromC) {
  const float values[] = {1.5f, 2.5f, -1.0f};
  EXPECT_EQ(tqTestSumFromC(values, 3), 3.0);
}

// The generated module definition is exactly the built names at their
// ordinals, the stdcall entries bound to their decorated internal symbols.
TEST(ExportTable, ModuleDefinitionHasEveryBuiltNameAtItsOrdinal) {
  std::ifstream file(TQCALC_DEF_FILE);
  ASSERT_TRUE(file) << TQCALC_DEF_FILE;
  std::set<std::string> actual, expected;
  for (std::string line; std::getline(file, line);) {
    line.erase(0, line.find_first_not_of(" \t"));
    if (line.rfind("tq", 0) == 0 || line.rfind("_tq", 0) == 0) actual.insert(line);
  }
  for (const auto& n : exportedNames(true)) {
    if (!n.built) continue;
    const bool cdecl = n.name.size() > 6 && n.name.compare(n.name.size() - 6, 6, "_cdecl") == 0;
    const std::string& operation = n.row->name;
    // An alias's cdecl name leads to its target's cdecl twin.
    const std::string twin = n.name == operation + "_cdecl" ? "" : " = " + operation + "_cdecl";
    expected.insert(n.name + (cdecl ? twin : " = " + operation + "@" + std::to_string(n.row->bytes)) + " @" + std::to_string(n.ordinal));
  }
  EXPECT_EQ(expected, actual);
}

#if !defined(_WIN32)
// What a host's loader sees: every built name and none of the planned ones,
// nor a row's name in a form the row does not have; aliases at their
// target's entries.
TEST(ExportTable, LoadedLibraryResolvesExactlyTheBuiltNames) {
  void* handle = dlopen(TQCALC_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  for (const auto& n : exportedNames(false)) EXPECT_EQ(n.built, dlsym(handle, n.name.c_str()) != nullptr) << n.name;
  for (const auto& a : aliasRows())
    for (const std::string suffix : {"", "_cdecl"})
      EXPECT_EQ(dlsym(handle, (a.alias + suffix).c_str()), dlsym(handle, (a.target + suffix).c_str())) << a.alias;
  dlclose(handle);
}
#endif

}  // namespace
}  // namespace tq::test
