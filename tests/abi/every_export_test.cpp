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
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "support/export_rows.h"
#include "support/harness.h"

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

INSTANTIATE_TEST_SUITE_P(Table, EveryExport, ::testing::ValuesIn(exportRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tq::test
