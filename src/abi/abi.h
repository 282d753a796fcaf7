// Argument-slot arithmetic of the 32-bit calling conventions, shared by the
// export checks in the library and by the calling-convention tests.
#pragma once

#include <cstdint>
#include <tuple>
#include <type_traits>

#include "tqcalc.h"

namespace tq::abi {

// On a 32-bit stack every argument occupies whole 4-byte slots: pointers,
// 32-bit integers and floats one, doubles and 64-bit integers two. Pointers
// count as one slot on every target so that the check also runs on x86-64.
template <class T>
constexpr unsigned slotBytes() {
  if constexpr (std::is_pointer_v<T>) {
    return 4;
  } else {
    return (sizeof(T) + 3) / 4 * 4;
  }
}

template <class F>
struct Signature;

template <class R, class... A>
struct Signature<R(A...)> {
  using Result = R;
  using Parameters = std::tuple<A...>;
  using Plain = R(A...);
  static constexpr unsigned argumentBytes = (0u + ... + slotBytes<A>());
};

#if defined(__i386__)
// stdcall is part of a function's type on i386: match it separately.
template <class R, class... A>
struct Signature<R TQCALC_STDCALL(A...)> : Signature<R(A...)> {};
#endif

template <class F>
constexpr unsigned argumentBytes(F*) {
  return Signature<F>::argumentBytes;
}

}  // namespace tq::abi
