// The export table made real: the cdecl twins of the stdcall entries, and a
// compile-time check of every row's argument bytes against the header.
//
// Each operation's body is its stdcall entry, defined in its family's source.
// On the 32-bit targets its cdecl twin is a small assembly forwarder generated
// from the table row: it copies the caller's argument slots and calls the
// stdcall entry, which removes the copy; the caller's own slots stay, as cdecl
// requires. Results pass through untouched in eax/edx or st(0). On x86-64 the
// two conventions coincide and the twins are link-time aliases instead.
#include "abi/abi.h"
#include "tqcalc.h"

namespace {

#define TQ_CHECK_BYTES(symbol, bytes)                                  \
  static_assert(tq::abi::argumentBytes(&symbol) == (bytes),            \
                "argument bytes of " #symbol " differ from the table");

#define TQ_CHECK_PAIR(name, bytes) TQ_CHECK_BYTES(name, bytes) TQ_CHECK_BYTES(name##_cdecl, bytes)
#define TQ_CHECK_CDECL_ONLY(name, bytes) TQ_CHECK_BYTES(name##_cdecl, bytes)
#define TQ_CHECK_DECORATED(name, bytes) TQ_CHECK_BYTES(name, bytes)
#define TQ_CHECK_DECORATED_PAIR(name, bytes) TQ_CHECK_PAIR(name, bytes)

#define TQ_EXPORT(form, name, bytes) TQ_CHECK_##form(name, bytes)
#define TQ_PLANNED(form, name, bytes)
#define TQ_ALIAS(alias, target)
#include "exports.inc"
#undef TQ_EXPORT
#undef TQ_PLANNED
#undef TQ_ALIAS

}  // namespace

#if defined(__i386__)

#define TQ_STR2(x) #x
#define TQ_STR(x) TQ_STR2(x)

#if defined(_WIN32)
#define TQ_TWIN_SYMBOL(name) "_" #name "_cdecl"
#define TQ_TWIN_TYPE(name)
#define TQ_STDCALL_SYMBOL(name, bytes) "_" #name "@" #bytes
#define TQ_DECORATED_SYMBOL(name, bytes) "_" #name "@" #bytes
#else
#define TQ_TWIN_SYMBOL(name) #name "_cdecl"
#define TQ_TWIN_TYPE(name) ".type " #name "_cdecl, @function\n"
#define TQ_STDCALL_SYMBOL(name, bytes) #name
#define TQ_DECORATED_SYMBOL(name, bytes) "_" #name
#endif

// Frame: [ebp+8] is the first argument slot, [ebp+4+bytes] the last. The
// slots are pushed last to first, so the copy has the caller's layout.
#define TQ_TWIN(name, target, bytes)                    \
  asm(".text\n"                                         \
      ".globl " TQ_TWIN_SYMBOL(name) "\n"               \
      TQ_TWIN_TYPE(name)                                \
      ".p2align 4\n"                                    \
      TQ_TWIN_SYMBOL(name) ":\n"                        \
      "  pushl %ebp\n"                                  \
      "  movl %esp, %ebp\n"                             \
      "  .set .Ltq_slot, 4 + " #bytes "\n"              \
      "  .rept " #bytes " / 4\n"                        \
      "  pushl .Ltq_slot(%ebp)\n"                       \
      "  .set .Ltq_slot, .Ltq_slot - 4\n"               \
      "  .endr\n"                                       \
      "  call " target "\n"                             \
      "  leave\n"                                       \
      "  ret\n");

#define TQ_TWIN_PAIR(name, bytes) TQ_TWIN(name, TQ_STDCALL_SYMBOL(name, bytes), bytes)
#define TQ_TWIN_DECORATED_PAIR(name, bytes) TQ_TWIN(name, TQ_DECORATED_SYMBOL(name, bytes), bytes)
#define TQ_TWIN_CDECL_ONLY(name, bytes)
#define TQ_TWIN_DECORATED(name, bytes)

#define TQ_EXPORT(form, name, bytes) TQ_TWIN_##form(name, bytes)
#define TQ_PLANNED(form, name, bytes)
#define TQ_ALIAS(alias, target)
#include "exports.inc"
#undef TQ_EXPORT
#undef TQ_PLANNED
#undef TQ_ALIAS

#endif  // __i386__
