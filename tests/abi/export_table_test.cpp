// The built binaries against the export table: the ELF library's dynamic
// symbols are exactly the table's built names; the generated module
// definition carries them at ordinals that follow the byte order of all
// names.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "support/export_rows.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <elf.h>
#endif

namespace tq::test {
namespace {

std::vector<std::string> sortedKeysOfAllNames() {
  std::vector<std::string> keys;
  for (const auto& n : exportedNames(true)) keys.push_back(ordinalKey(n.name));
  std::sort(keys.begin(), keys.end());  // std::string compares bytes
  return keys;
}

// The totals row of the table against its names: a row lost, doubled or of
// the wrong form changes one of them.
TEST(ExportTable, NamesAndEntriesMatchTheTotalsRow) {
  const auto names = exportedNames(true);
  std::set<std::string> distinct;
  for (const auto& n : names) distinct.insert(ordinalKey(n.name));
  EXPECT_EQ(distinct.size(), names.size()) << "names must differ after stripping decoration";
  EXPECT_EQ(names.size(), totals().names);
  EXPECT_EQ(names.size() - 2 * aliasRows().size(), totals().entries) << "entries: every name but the aliases";
}

TEST(ExportTable, OrdinalsFollowByteOrder) {
  const auto keys = sortedKeysOfAllNames();
  ASSERT_EQ(keys.size(), totals().names);
  // Upper case sorts first: the three capital-C operations take 1..6.
  EXPECT_EQ(keys[0], "tqCalcCACopyRawDataToChannels");
  EXPECT_EQ(keys[5], "tqCalcCARunningVal_cdecl");
  EXPECT_EQ(keys[6], "tqcalcATan_float");
  EXPECT_EQ(keys[8], "tqcalcAddScalarToVector_double_cdecl");
  EXPECT_EQ(keys.back(), "tqcalcVectorsMax_float_cdecl");
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
  const auto keys = sortedKeysOfAllNames();
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
// Defined global symbols of the dynamic symbol table of an ELF file.
template <class Ehdr, class Shdr, class Sym>
std::set<std::string> dynamicSymbols(const std::string& image) {
  std::set<std::string> names;
  const auto* header = reinterpret_cast<const Ehdr*>(image.data());
  const auto* sections = reinterpret_cast<const Shdr*>(image.data() + header->e_shoff);
  for (unsigned s = 0; s < header->e_shnum; ++s) {
    if (sections[s].sh_type != SHT_DYNSYM) continue;
    const char* strings = image.data() + sections[sections[s].sh_link].sh_offset;
    const auto* symbols = reinterpret_cast<const Sym*>(image.data() + sections[s].sh_offset);
    const std::size_t count = sections[s].sh_size / sizeof(Sym);
    for (std::size_t i = 1; i < count; ++i) {
      const unsigned bind = symbols[i].st_info >> 4;
      if (symbols[i].st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)) continue;
      names.insert(strings + symbols[i].st_name);
    }
  }
  return names;
}

TEST(ExportTable, ElfLibraryExportsExactlyTheBuiltNames) {
  std::ifstream file(TQCALC_LIBRARY_FILE, std::ios::binary);
  ASSERT_TRUE(file) << TQCALC_LIBRARY_FILE;
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(image.size(), sizeof(Elf32_Ehdr));
  const bool elf64 = image[EI_CLASS] == ELFCLASS64;
  const auto actual = elf64 ? dynamicSymbols<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(image)
                            : dynamicSymbols<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(image);
  std::set<std::string> expected;
  for (const auto& n : exportedNames(false))
    if (n.built) expected.insert(n.name);
  EXPECT_EQ(actual, expected);
}

// What a host's loader sees: every built name (the exact set is checked
// above), aliases at their target's entries.
TEST(ExportTable, LoadedNamesResolveAndAliasesShareTheirEntry) {
  void* handle = dlopen(TQCALC_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  for (const auto& n : exportedNames(false)) EXPECT_TRUE(!n.built || dlsym(handle, n.name.c_str())) << n.name;
  for (const auto& a : aliasRows())
    for (const std::string suffix : {"", "_cdecl"})
      EXPECT_EQ(dlsym(handle, (a.alias + suffix).c_str()), dlsym(handle, (a.target + suffix).c_str())) << a.alias;
  dlclose(handle);
}
#endif

}  // namespace
}  // namespace tq::test
