// The exact integer layer of every stage: the run's 32-bit numbers, whose overflow ends the run
// (CheckedAdd, CheckedMul, Narrow32), sizes that saturate, and one set of operations over the
// three coefficient types of the solvers (checked 64-bit, checked 128-bit, GMP), so that an
// algorithm is written once over its type. A checked solver operation whose result leaves its
// type throws `Overflow`; the solver then computes again in the next wider type, so a result is
// never wrong and never refused for its size.
#pragma once

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>

#include "matrix/failure.h"

namespace pelorin::exact {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// A value left the range of the integer type in use; the computation is done again wider.
struct Overflow {};

// a*x + b*y.
inline int64_t MulAdd(int64_t a, int64_t x, int64_t b, int64_t y) {
  int64_t p = 0, q = 0, r = 0;
  if (__builtin_mul_overflow(a, x, &p) || __builtin_mul_overflow(b, y, &q) || __builtin_add_overflow(p, q, &r))
    throw Overflow{};
  return r;
}
inline Int128 MulAdd(Int128 a, Int128 x, Int128 b, Int128 y) {
  Int128 p = 0, q = 0, r = 0;
  if (__builtin_mul_overflow(a, x, &p) || __builtin_mul_overflow(b, y, &q) || __builtin_add_overflow(p, q, &r))
    throw Overflow{};
  return r;
}
inline mpz_class MulAdd(const mpz_class& a, const mpz_class& x, const mpz_class& b, const mpz_class& y) {
  return a * x + b * y;
}

// |v| and -v.
inline int64_t Abs(int64_t v) {
  if (v == INT64_MIN) throw Overflow{};
  return v < 0 ? -v : v;
}
inline Int128 Abs(Int128 v) {
  if (v == static_cast<Int128>(UInt128{1} << 127)) throw Overflow{};
  return v < 0 ? -v : v;
}
inline mpz_class Abs(const mpz_class& v) { return abs(v); }
template <class T>
T Neg(const T& v) {
  return v < 0 ? T(Abs(v)) : T(-v);
}

// The greatest common divisor of two non-negative numbers.
template <class T>
T Gcd(T a, T b) {
  while (b != 0) {
    const T r = a % b;
    a = b;
    b = r;
  }
  return a;
}
inline mpz_class Gcd(const mpz_class& a, const mpz_class& b) { return gcd(a, b); }

// Bezout: g = gcd(a, b) = s*a + t*b for a > 0, with |s| <= |b| / g and |t| <= a / g, so that
// s and t fit wherever a and b do.
template <class T>
void ExtendedGcd(const T& a, const T& b, T& g, T& s, T& t) {
  T r0 = a, r1 = b, s0 = 1, s1 = 0, t0 = 0, t1 = 1;
  while (r1 != 0) {
    const T q = r0 / r1;
    T next = MulAdd(r0, T(1), Neg(q), r1);
    r0 = r1;
    r1 = next;
    next = MulAdd(s0, T(1), Neg(q), s1);
    s0 = s1;
    s1 = next;
    next = MulAdd(t0, T(1), Neg(q), t1);
    t0 = t1;
    t1 = next;
  }
  if (r0 < 0) {
    r0 = Neg(r0);
    s0 = Neg(s0);
    t0 = Neg(t0);
  }
  g = r0;
  s = s0;
  t = t0;
}

// floor(a / b) for b > 0.
template <class T>
T FloorDiv(const T& a, const T& b) {
  T q = a / b;
  if (q * b != a && a < 0) q = MulAdd(q, T(1), T(1), T(-1));
  return q;
}
inline mpz_class FloorDiv(const mpz_class& a, const mpz_class& b) {
  mpz_class q;
  mpz_fdiv_q(q.get_mpz_t(), a.get_mpz_t(), b.get_mpz_t());
  return q;
}

inline mpz_class ToMpz(int64_t v) { return mpz_class(static_cast<long>(v)); }
inline mpz_class ToMpz(Int128 v) {
  const bool negative = v < 0;
  const UInt128 u = negative ? -static_cast<UInt128>(v) : static_cast<UInt128>(v);
  mpz_class r(static_cast<unsigned long>(u >> 64));
  r <<= 64;
  r += mpz_class(static_cast<unsigned long>(static_cast<uint64_t>(u)));
  return negative ? mpz_class(-r) : r;
}
inline mpz_class ToMpz(const mpz_class& v) { return v; }

}  // namespace pelorin::exact

namespace pelorin {

// a + b and a * b, ending the run with the overflow message when the result leaves 32 bits.
inline int32_t CheckedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) FailOverflow();
  return r;
}
inline int32_t CheckedMul(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) FailOverflow();
  return r;
}

// Whether a 64-bit value lies in the signed 32-bit range.
inline bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// |v| of a 32-bit number, as 64 bits so that the smallest 32-bit value has one.
inline int64_t Magnitude(int32_t v) { return v < 0 ? -int64_t{v} : int64_t{v}; }

// A coefficient of a wider type as a 32-bit number; beyond that range the overflow message.
inline int32_t Narrow32(int64_t v) {
  if (!FitsInt32(v)) FailOverflow();
  return static_cast<int32_t>(v);
}
inline int32_t Narrow32(const mpz_class& v) {
  if (!v.fits_sint_p()) FailOverflow();
  return static_cast<int32_t>(v.get_si());
}

// Sizes (counts of rays, bytes) that stop at SIZE_MAX instead of wrapping.
inline size_t SaturatedMul(size_t a, size_t b) {
  size_t r = 0;
  return __builtin_mul_overflow(a, b, &r) ? SIZE_MAX : r;
}
inline size_t SaturatedAdd(size_t a, size_t b) {
  size_t r = 0;
  return __builtin_add_overflow(a, b, &r) ? SIZE_MAX : r;
}

}  // namespace pelorin
