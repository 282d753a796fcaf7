// Properties every export must have, checked for each row of the export
// table through its digest case:
//  - the stdcall entry and the cdecl twin give bit-identical outputs;
//  - on i386 each removes exactly its convention's bytes from the stack,
//    preserves the callee-saved registers, MXCSR and the x87 control word,
//    returns floating results alone in st(0), also when called on a stack
//    aligned to only 4 bytes;
//  - the outputs' digest equals the recorded one, which is the same on every
//    target: no FMA, no x87 excess precision and no path difference crept in.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "support/export_rows.h"
#include "support/invoke.h"

namespace tq::test {
namespace {

class EveryExport : public ::testing::TestWithParam<ExportRow> {};

TEST_P(EveryExport, EntriesAgreeKeepTheConventionAndGiveTheRecordedDigest) {
  const ExportRow& row = GetParam();
  const auto found = digestCases().find(row.name);
  ASSERT_NE(found, digestCases().end()) << "no digest case registered for " << row.name;
  std::vector<std::uint64_t> digests;
  for (unsigned misalignment : {0u, 4u, 8u, 12u}) {
    for (const EntryUnderTest entry : {EntryUnderTest{row.stdcallEntry, row.bytes, misalignment}, {row.cdeclEntry, 0, misalignment}}) {
      if (!entry.address || (misalignment && sizeof(void*) == 8)) continue;  // stacks are the i386 trampoline's
      SCOPED_TRACE(testing::Message() << (entry.removedBytes ? "stdcall" : "cdecl") << " entry, stack mod 16 = " << (16 - misalignment) % 16);
      Invoker invoker(entry);
      found->second.run(invoker);
      ASSERT_GT(invoker.calls(), 0u) << "the digest case made no call";
      digests.push_back(invoker.value());
      EXPECT_EQ(digests.back(), digests.front()) << "entries of " << row.name << " disagree";
    }
  }
  std::printf("digest %-55s 0x%016" PRIx64 "\n", row.name.c_str(), digests.front());
  EXPECT_EQ(found->second.recorded, digests.front())
      << std::hex << "the outputs of " << row.name << "'s digest case changed: digest 0x" << digests.front()
      << ", recorded 0x" << found->second.recorded << " (a new case records the printed value)";
}

std::vector<ExportRow> builtRows() {
  std::vector<ExportRow> rows;
  std::copy_if(exportRows().begin(), exportRows().end(), std::back_inserter(rows), [](const auto& row) { return row.built; });
  return rows;
}
INSTANTIATE_TEST_SUITE_P(Table, EveryExport, ::testing::ValuesIn(builtRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tq::test
