#include "support/harness.h"

#include "support/bits.h"

namespace tq::test {

void store(const Arg& a, Bytes& out, std::size_t i, double v) {
  if (a.kind == F32) put(out, i, float(v));
  if (a.kind == F64 || a.kind == RAW) put(out, i, v);
  if (a.kind == I16) put(out, i, int16_t(int64_t(v)));
  if (a.kind == I32) put(out, i, int32_t(uint32_t(int64_t(v))));
}

void generate(const Arg& a, unsigned flags, uint32_t seed, Bytes& out) {
  const std::size_t count = out.size() / a.size();
  const auto real = randomValues<double>(count, seed, 100.0);
  const auto edges = edgeValues<double>();
  const int32_t bounds[] = {0, -1, 1, 32767, 32768, -32768, -32769, 65535, 65536, INT32_MIN, INT32_MAX};
  const bool integer = a.kind == I16 || a.kind == I32;
  for (std::size_t i = 0; i < count; ++i) {
    const int exact = int((i * 37 + seed) % 201) - 100;
    const int32_t w = i % 3 ? int32_t(uint32_t(int64_t(real[i] * 4e7))) : bounds[(i / 3 + seed) % 11];
    store(a, out, i, flags & EXACT ? (integer ? exact : exact / 8.0) : integer ? w : real[i]);
  }
  for (std::size_t i = 0; flags & EDGES && !integer && i < edges.size() && i < count; ++i) store(a, out, (i * 7 + seed) % count, edges[i]);
}

double valueOf(const Arg& a, const unsigned char* p) {
  float f;
  double d;
  int16_t s;
  int32_t w;
  if (a.kind == F32) return std::memcpy(&f, p, 4), f;
  if (a.kind == I16) return std::memcpy(&s, p, 2), s;
  if (a.kind == I32) return std::memcpy(&w, p, 4), w;
  return std::memcpy(&d, p, 8), d;
}

std::vector<Bytes> arrays(const std::vector<Arg>& args, uint32_t n, const long double* q, unsigned flags, uint32_t seed) {
  std::vector<Bytes> out;
  for (std::size_t k = 0; k < args.size(); ++k) {
    out.emplace_back(args[k].count(n, q) * args[k].size(), 0xA5);
    if (args[k].role != OUT) generate(args[k], flags, seed + uint32_t(k), out[k]);
  }
  return out;
}

std::vector<void*> pointers(const std::vector<Arg>& args, const std::vector<unsigned char*>& starts, uint32_t n,
                            const long double* q) {
  std::vector<void*> p;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::size_t bytes = args[k].count(n, q) * args[k].size();
    p.push_back(bytes == 0 ? nullptr : starts[k] + (args[k].role == BACKWARD ? bytes - args[k].size() : 0));
  }
  return p;
}

// Which NaN an operation passes on is IEEE's to leave open: all NaNs digest as one.
void digestRow(Invoker& invoker, const Op& o) {
  const auto args = parseArgs(o.shape);
  for (const Params& q : o.params.empty() ? std::vector<Params>{{}} : o.params)
    for (uint32_t n : {0u, 1u, 3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 33u, 63u, 64u, 65u, 127u, 128u, 129u, 255u, 256u, 1000u, 4099u})
      for (unsigned flags : {0u, unsigned(EDGES)}) {
        std::vector<Bytes> a = arrays(args, n, q.data(), flags, n * 5);
        std::vector<unsigned char*> starts;
        for (Bytes& b : a) starts.push_back(b.data());
        const double result = o.invoke(invoker, pointers(args, starts, n, q.data()).data(), q.data(), n);
        invoker.digest(std::isnan(result) ? NAN : result);
        for (std::size_t k = 0; k < args.size(); ++k) {
          for (std::size_t i = 0; args[k].kind <= F64 && i < a[k].size(); i += args[k].size())
            if (std::isnan(valueOf(args[k], &a[k][i]))) store(args[k], a[k], i / args[k].size(), NAN);
          if (args[k].role != IN && args[k].role != BACKWARD) invoker.digest(a[k]);
        }
      }
}

}  // namespace tq::test
