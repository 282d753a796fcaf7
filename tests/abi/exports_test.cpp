// The exports against the export table, as hosts see them.
//
// Properties every export must have, checked for each row of the export
// table by its harness row's digest run (every built export has a row):
//  - the stdcall entry and the cdecl twin give bit-identical outputs;
//  - on i386 each removes exactly its convention's bytes from the stack,
//    preserves the callee-saved registers, MXCSR and the x87 control word,
//    returns floating results alone in st(0), also when called on a stack
//    aligned to only 4 bytes;
//  - the outputs' digest equals the row's recorded one, which is the same on
//    every target: no FMA, no x87 excess precision and no path difference
//    crept in.
// And the built binaries: the ELF library resolves exactly the table's built
// names; the generated module definition carries them at ordinals that
// follow the byte order of all names. The public header compiles as C
// (header_from_c.c).
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <set>

#include "support/export_rows.h"
#include "support/harness.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

extern "C" double tqTestSumFromC(const float* values, uint32_t count);

namespace tq::test {
namespace {

// Runs the row through `invoker` at counts around every step and regime
// threshold, on random values without and with the edge values, and digests
// the result and the written arrays. Which NaN an operation passes on is
// IEEE's to leave open: all NaNs digest as one. FNV-1a, 64 bit: stable
// over byte strings.
std::uint64_t digestRow(Invoker& invoker, const Op& o) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  const auto digest = [&h](const void* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) h = (h ^ static_cast<const unsigned char*>(bytes)[i]) * 0x100000001b3ull;
  };
  const auto args = parseArgs(o.shape);
  for (const Params& q : o.params.empty() ? std::vector<Params>{{}} : o.params)
    for (uint32_t n : {0u, 1u, 3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 33u, 63u, 64u, 65u, 127u, 128u, 129u, 255u, 256u, 1000u, 4099u})
      for (unsigned flags : {0u, unsigned(EDGES)}) {
        std::vector<Bytes> a = arrays(args, n, q.data(), flags, n * 5);
        std::vector<unsigned char*> starts;
        for (Bytes& b : a) starts.push_back(b.data());
        double result = o.invoke(invoker, pointers(args, starts, n, q.data()).data(), q.data(), n);
        digest(&(result = std::isnan(result) ? NAN : result), sizeof result);
        for (std::size_t k = 0; k < args.size(); ++k) {
          for (std::size_t i = 0; args[k].kind <= F64 && i < a[k].size(); i += args[k].size())
            if (std::isnan(valueOf(args[k], &a[k][i]))) store(args[k], a[k], i / args[k].size(), NAN);
          if (args[k].role != IN && args[k].role != BACKWARD) digest(a[k].data(), a[k].size());
        }
      }
  return h;
}

class EveryExport : public ::testing::TestWithParam<ExportRow> {};

TEST_P(EveryExport, EntriesAgreeKeepTheConventionAndGiveTheRecordedDigest) {
  const ExportRow& row = GetParam();
  if (!row.built) GTEST_SKIP() << "planned";
  const Op& o = op(row.name);
  std::vector<std::uint64_t> digests;
  for (unsigned misalignment : {0u, 4u, 8u, 12u}) {
    for (const EntryUnderTest entry : {EntryUnderTest{row.stdcallEntry, row.bytes, misalignment}, {row.cdeclEntry, 0, misalignment}}) {
      if (!entry.address || (misalignment && sizeof(void*) == 8)) continue;  // stacks are the i386 trampoline's
      SCOPED_TRACE(testing::Message() << (entry.removedBytes ? "stdcall" : "cdecl") << " entry, stack mod 16 = " << (16 - misalignment) % 16);
      Invoker invoker(entry);
      digests.push_back(digestRow(invoker, o));
      EXPECT_EQ(digests.back(), digests.front()) << "entries of " << row.name << " disagree";
    }
  }
  std::printf("digest %-55s 0x%016" PRIx64 "\n", row.name.c_str(), digests.front());
  EXPECT_EQ(o.digest, digests.front())
      << std::hex << "the outputs of " << row.name << "'s harness row changed: digest 0x" << digests.front()
      << ", recorded 0x" << o.digest << " (a new row records the printed value)";
}

INSTANTIATE_TEST_SUITE_P(Table, EveryExport, ::testing::ValuesIn(exportTable().rows),
                         [](const auto& info) { return info.param.name; });

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
  for (const auto& a : exportTable().aliases)
    for (const std::string suffix : {"", "_cdecl"})
      EXPECT_EQ(dlsym(handle, (a.alias + suffix).c_str()), dlsym(handle, (a.target + suffix).c_str())) << a.alias;
  dlclose(handle);
}
#endif

}  // namespace
}  // namespace tq::test
