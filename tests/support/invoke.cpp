#include "support/invoke.h"

#include <cstddef>

namespace tq::test {

std::map<std::string, DigestCase>& digestCases() {
  static std::map<std::string, DigestCase> cases;
  return cases;
}

#if defined(__i386__)
static_assert(offsetof(CallRecord, mxcsrBefore) == 28 && offsetof(CallRecord, fcwBefore) == 36 &&
              offsetof(CallRecord, fswPopped) == 44 && offsetof(CallRecord, st0) == 48);
static_assert(offsetof(CallFrame, misalignment) == 12 && offsetof(CallFrame, popsFloatResult) == 16);

void checkCallRecord(const CallRecord& r, const EntryUnderTest& entry, bool floatResult, unsigned slotBytes) {
  EXPECT_EQ(r.espAfter - r.espBefore, entry.removedBytes)
      << "stack bytes removed by the callee (" << slotBytes << " argument bytes pushed)";
  EXPECT_EQ(r.ebx, 0x0B0B0B0Bu) << "ebx not preserved";
  EXPECT_EQ(r.esi, 0x05050505u) << "esi not preserved";
  EXPECT_EQ(r.edi, 0x0D0D0D0Du) << "edi not preserved";
  // The control bits (rounding, FTZ/DAZ, masks) must survive; the six sticky
  // exception flags are raised by IEEE arithmetic itself (an overflow, an
  // underflow) and are the host's to read.
  EXPECT_EQ(r.mxcsrAfter & ~0x3Fu, r.mxcsrBefore & ~0x3Fu) << "MXCSR control bits changed";
  EXPECT_EQ(r.fcwAfter, r.fcwBefore) << "x87 control word changed";
  const unsigned topBefore = (r.fswBefore >> 11) & 7;
  const unsigned topAfter = (r.fswAfter >> 11) & 7;
  const unsigned topPopped = (r.fswPopped >> 11) & 7;
  if (floatResult) {
    EXPECT_EQ(topAfter, (topBefore + 7) & 7) << "a floating result must leave exactly st(0) pushed";
    EXPECT_EQ(topPopped, topBefore);
  } else {
    EXPECT_EQ(topAfter, topBefore) << "the x87 stack must be left empty";
  }
}
#endif

}  // namespace tq::test
