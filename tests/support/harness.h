// The table-driven harness: one row per export says how to call it (and its
// reference, with the same text), the shape of its arrays, its sample types
// and its scalar arguments. From the row alone the harness sweeps counts,
// misalignments and guard pages, checks sentinels, compares with the
// reference, and checks described cases.
#pragma once

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "reference/reference.h"
#include "support/bits.h"
#include "support/invoke.h"
#include "tqcalc.h"

namespace tq::test {

// Sample types: F32, F64, I16 and I32 values; RAW a block of doubles whose
// bytes are compared exactly (the in-place conversions).
enum Kind : unsigned char { F32, F64, I16, I32, RAW };
enum Role : unsigned char { IN, OUT, INOUT, BACKWARD };  // BACKWARD: in, passed at its last element

struct Arg {
  Kind kind;
  Role role;
  int mul, add;  // count(n) = max(0, mul * n + add) elements
  bool strided;  // count(n) = (n - 1) * q[0] + 1 elements (n > 0): a stride taken from the scalars
  std::size_t count(uint32_t n, const long double* q) const {
    return strided ? (n ? (n - 1) * std::size_t(q[0]) + 1 : 0) : std::size_t(std::max(0, mul * int(n) + add));
  }
  std::size_t size() const { return kind == F64 || kind == RAW ? 8 : kind == I16 ? 2 : 4; }
};
// "of if if*2 bs+3 uf*0+1 if/": role (i in, o out, u in and out, b
// backward) and kind (f float, d double, s int16, w int32, x raw doubles),
// then the count as *mul and +add/-add of n, or / for strided by q[0].
inline std::vector<Arg> parseArgs(const char* shape) {
  std::vector<Arg> args;
  for (const char* s = shape; *s;) {
    static const Role roles[] = {IN, INOUT, OUT, BACKWARD};
    Arg a{Kind(std::string("fdswx").find(s[1])), roles[std::string("iuob").find(s[0])], 1, 0, s[2] == '/'};
    char* end = const_cast<char*>(s + 2 + a.strided);
    if (*end == '*') a.mul = int(std::strtol(end + 1, &end, 10));
    if (*end == '+' || *end == '-') a.add = int(std::strtol(end, &end, 10));
    args.push_back(a);
    s = *end ? end + 1 : end;
  }
  return args;
}

using Params = std::vector<long double>;  // exact for every float, double and 64-bit integer
enum Flags : unsigned {
  BYTES = 1,        // no alignment required: misaligned by every byte
  EXACT = 2,        // inputs: small multiples of 1/8, exact sums in any order
  EDGES = 4,        // inputs: random values with NaN, infinities, zeros, subnormals
  ELEMENTWISE = 8,  // output i from inputs i: one-element calls, overlap
};

// `digest`: the recorded digest of the export's outputs over the row's
// shapes and scalars (digestRow), the same on every target.
struct Op {
  const char* name;
  const char* shape;
  unsigned flags;
  std::uint64_t digest;
  std::vector<Params> params;  // each sweep runs with every set; [0] is the default
  double (*run)(void* const* p, const long double* q, uint32_t n);
  double (*reference)(void* const* p, const long double* q, uint32_t n);
  double (*invoke)(Invoker& invoker, void* const* p, const long double* q, uint32_t n) = nullptr;  // the entry under test
};
const std::vector<Op>& ops();
inline void PrintTo(const Op& o, std::ostream* out) { *out << o.name; }
const Op& op(const std::string& name);

using Bytes = std::vector<unsigned char>;
template <class T>
void put(Bytes& out, std::size_t i, T v) { std::memcpy(out.data() + i * sizeof v, &v, sizeof v); }
// Element i as a's kind.
inline void store(const Arg& a, Bytes& out, std::size_t i, double v) {
  if (a.kind == F32) put(out, i, float(v));
  if (a.kind == F64 || a.kind == RAW) put(out, i, v);
  if (a.kind == I16) put(out, i, int16_t(int64_t(v)));
  if (a.kind == I32) put(out, i, int32_t(uint32_t(int64_t(v))));
}

// Fills an input array: exact small values, or random ones with the edge
// values spread over them; integers over their whole range, boundaries included.
inline void generate(const Arg& a, unsigned flags, uint32_t seed, Bytes& out) {
  const std::size_t count = out.size() / a.size();
  const bool exact = flags & EXACT;
  const auto real = exact ? std::vector<double>() : randomValues<double>(count, seed, 100.0);
  const auto edges = edgeValues<double>();
  const int32_t bounds[] = {0, -1, 1, 32767, 32768, -32768, -32769, 65535, 65536, INT32_MIN, INT32_MAX};
  const bool integer = a.kind == I16 || a.kind == I32;
  for (std::size_t i = 0; i < count; ++i) {
    const int small = int((i * 37 + seed) % 201) - 100;
    if (exact) {
      store(a, out, i, integer ? small : small / 8.0);
      continue;
    }
    const int32_t w = i % 3 ? int32_t(uint32_t(int64_t(real[i] * 4e7))) : bounds[(i / 3 + seed) % 11];
    store(a, out, i, integer ? w : real[i]);
  }
  for (std::size_t i = 0; flags & EDGES && !integer && i < edges.size() && i < count; ++i) store(a, out, (i * 7 + seed) % count, edges[i]);
}

// An element as a double.
inline double valueOf(const Arg& a, const unsigned char* p) {
  const auto get = [p](auto v) { return std::memcpy(&v, p, sizeof v), double(v); };
  return a.kind == F32 ? get(0.0f) : a.kind == I16 ? get(int16_t()) : a.kind == I32 ? get(int32_t()) : get(0.0);
}

// A row's arrays at count n: inputs generated from seed + their position,
// outputs all sentinel bytes.
inline std::vector<Bytes> arrays(const std::vector<Arg>& args, uint32_t n, const long double* q, unsigned flags, uint32_t seed) {
  std::vector<Bytes> out;
  for (std::size_t k = 0; k < args.size(); ++k) {
    out.emplace_back(args[k].count(n, q) * args[k].size(), 0xA5);
    if (args[k].role != OUT) generate(args[k], flags, seed + uint32_t(k), out[k]);
  }
  return out;
}

// The arrays as a row passes them: null when empty, at the last element for
// arrays read backwards.
inline std::vector<void*> pointers(const std::vector<Arg>& args, const std::vector<unsigned char*>& starts, uint32_t n,
                                   const long double* q) {
  std::vector<void*> p;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::size_t bytes = args[k].count(n, q) * args[k].size();
    p.push_back(bytes == 0 ? nullptr : starts[k] + (args[k].role == BACKWARD ? bytes - args[k].size() : 0));
  }
  return p;
}

}  // namespace tq::test

// A row. CALL calls `f` (the export, its reference, or the export through
// an Invoker) with the arrays p[k] and the scalars q[k]; its value is the
// result (0 for void operations).
#define TQ_ROW(operation, entry, shape, flags, digest, CALL, ...)                                                     \
  ::tq::test::Op{#operation, shape, flags, digest, {__VA_ARGS__}, TQ_ROW_FUNCTION((), auto* f = &entry, CALL),                 \
                 TQ_ROW_FUNCTION((), auto* f = &::tq::ref::operation, CALL),                                          \
                 TQ_ROW_FUNCTION((::tq::test::Invoker & invoker,),                                                    \
                                 auto f = [&invoker](auto... a) { return invoker.call<decltype(entry)>(a...); }, CALL)}
#define TQ_ROW_FUNCTION(invoker, binding, CALL)                                                                       \
  [](TQ_ROW_UNPAREN invoker[[maybe_unused]] void* const* p, [[maybe_unused]] const long double* q,                     \
     [[maybe_unused]] uint32_t n) -> double {                                                                         \
    [[maybe_unused]] binding;                                                                                         \
    return double(CALL);                                                                                              \
  }
#define TQ_ROW_UNPAREN(...) __VA_ARGS__
#define TQ_PAIR_ROW(operation, ...) TQ_ROW(operation, operation, __VA_ARGS__)
#define TQ_CDECL_ROW(operation, ...) TQ_ROW(operation, operation##_cdecl, __VA_ARGS__)
#define PF(k) static_cast<float*>(p[k])
#define PD(k) static_cast<double*>(p[k])
#define PS(k) static_cast<int16_t*>(p[k])
#define PW(k) static_cast<int32_t*>(p[k])
