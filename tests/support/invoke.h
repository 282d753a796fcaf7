// Calling exports through a chosen entry, for the tests that must hold for
// every export: stdcall entry and cdecl twin agree bit for bit, each cleans
// the stack as its convention says, the floating-point environment survives,
// and every target computes the same bits (the harness rows' digests,
// tests/abi).
//
// On i386 `call` goes through an assembly trampoline that places the
// arguments on a stack aligned to only 4 (or 16) bytes and records the stack
// pointer, the callee-saved registers, MXCSR, the x87 control and status
// words and st(0) around the call; the checks fail the running test. On
// x86-64 it is a plain call through a typed pointer.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <vector>

#include "abi/abi.h"
#include "tqcalc.h"

namespace tq::test {

struct EntryUnderTest {
  const void* address;
  unsigned removedBytes;  // what the entry must pop: argument bytes or 0
  unsigned stackMisalignment;  // 0 or 4..12: the caller's stack mod 16
};

#if defined(__i386__)
// Filled by the trampoline (tests/support/trampoline_i386.S).
struct CallRecord {
  std::uint32_t espBefore, espAfter;
  std::uint32_t eax, edx;
  std::uint32_t ebx, esi, edi;
  std::uint32_t mxcsrBefore, mxcsrAfter;
  std::uint16_t fcwBefore, fcwAfter;
  std::uint16_t fswBefore, fswAfter, fswPopped;
  std::uint16_t padding;
  unsigned char st0[12];  // 80-bit x87 value, when the result is floating
};
struct CallFrame {
  const void* entry;
  const std::uint32_t* slots;
  std::uint32_t slotCount;
  std::uint32_t misalignment;
  std::uint32_t popsFloatResult;
};
extern "C" void tqTestCallThroughTrampoline(const CallFrame* frame, CallRecord* record);
static_assert(offsetof(CallRecord, mxcsrBefore) == 28 && offsetof(CallRecord, fcwBefore) == 36 &&
              offsetof(CallRecord, fswPopped) == 44 && offsetof(CallRecord, st0) == 48);
static_assert(offsetof(CallFrame, misalignment) == 12 && offsetof(CallFrame, popsFloatResult) == 16);

inline void checkCallRecord(const CallRecord& r, const EntryUnderTest& entry, bool floatResult, unsigned slotBytes) {
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
  // A floating result leaves exactly st(0) pushed (popped by the trampoline); anything else, an empty stack.
  const auto top = [](std::uint16_t fsw) { return (fsw >> 11) & 7; };
  EXPECT_EQ(top(r.fswAfter), (top(r.fswBefore) + (floatResult ? 7 : 0)) & 7) << "x87 stack left unbalanced";
  EXPECT_EQ(top(r.fswPopped), top(r.fswBefore)) << "more than st(0) left on the x87 stack";
}
#endif

class Invoker {
 public:
  explicit Invoker(EntryUnderTest entry) : entry_(entry) {}

  // Calls the entry under test as a function of type F (spell it as
  // decltype(<export name>)); arguments convert to F's parameter types.
  template <class F, class... Args>
  typename abi::Signature<F>::Result call(Args... args) {
    using Sig = abi::Signature<F>;
#if defined(__i386__)
    using Result = typename Sig::Result;
    typename Sig::Parameters typed(args...);
    std::vector<std::uint32_t> slots;
    std::apply([&](auto... p) { (pack(slots, p), ...); }, typed);
    constexpr bool floatResult = std::is_floating_point_v<Result>;
    CallFrame frame{entry_.address, slots.data(), std::uint32_t(slots.size()), entry_.stackMisalignment,
                    floatResult};
    CallRecord record{};
    tqTestCallThroughTrampoline(&frame, &record);
    checkCallRecord(record, entry_, floatResult, unsigned(slots.size() * 4));
    if constexpr (std::is_void_v<Result>) {
      return;
    } else if constexpr (floatResult) {
      long double wide;
      std::memcpy(&wide, record.st0, 10);
      const Result narrow = Result(wide);
      EXPECT_TRUE(wide == (long double)narrow || wide != wide)
          << "result in st(0) is not exactly a value of the result type";
      return narrow;
    } else {
      std::uint64_t both = record.eax | (std::uint64_t(record.edx) << 32);
      Result r;
      std::memcpy(&r, &both, sizeof r);
      return r;
    }
#else
    using Plain = typename Sig::Plain;
    return reinterpret_cast<Plain*>(const_cast<void*>(entry_.address))(args...);
#endif
  }

 private:
#if defined(__i386__)
  template <class P>
  static void pack(std::vector<std::uint32_t>& slots, P value) {
    // Narrow integers and bools fill the low bytes of a whole slot.
    std::uint32_t words[(sizeof(P) + 3) / 4] = {};
    std::memcpy(words, &value, sizeof value);
    for (auto w : words) slots.push_back(w);
  }
#endif
  EntryUnderTest entry_;
};

}  // namespace tq::test
