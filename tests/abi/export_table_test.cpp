// The built binaries against the export table: the ELF library resolves
// exactly the table's built names; the generated module
// definition carries them at ordinals that follow the byte order of all
// names.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "support/export_rows.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace tq::test {
namespace {

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
  std::vector<std::string> keys;  // ordinals: the byte order of every name, planned ones included
  for (const auto& n : exportedNames(true)) keys.push_back(ordinalKey(n.name));
  std::sort(keys.begin(), keys.end());
  for (const auto& n : exportedNames(true)) {
    if (!n.built) continue;
    const auto ordinal = std::find(keys.begin(), keys.end(), ordinalKey(n.name)) - keys.begin() + 1;
    const bool cdecl = n.name.size() > 6 && n.name.compare(n.name.size() - 6, 6, "_cdecl") == 0;
    const auto row = std::find_if(exportRows().begin(), exportRows().end(), [&](const auto& r) { return r.name == n.operation; });
    // An alias's cdecl name leads to its target's cdecl twin.
    const std::string twin = n.name == n.operation + "_cdecl" ? "" : " = " + n.operation + "_cdecl";
    expected.insert(n.name + (cdecl ? twin : " = " + n.operation + "@" + std::to_string(row->bytes)) + " @" + std::to_string(ordinal));
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
  std::set<std::string> built, candidates;
  for (const auto& n : exportedNames(false)) {
    candidates.insert(n.name);
    if (n.built) built.insert(n.name);
  }
  for (const auto& row : exportRows()) candidates.insert({row.name, row.name + "_cdecl", "_" + row.name, "_" + row.name + "_cdecl"});
  for (const auto& name : candidates) EXPECT_EQ(built.count(name), dlsym(handle, name.c_str()) ? 1u : 0u) << name;
  for (const auto& a : aliasRows())
    for (const std::string suffix : {"", "_cdecl"})
      EXPECT_EQ(dlsym(handle, (a.alias + suffix).c_str()), dlsym(handle, (a.target + suffix).c_str())) << a.alias;
  dlclose(handle);
}
#endif

}  // namespace
}  // namespace tq::test
