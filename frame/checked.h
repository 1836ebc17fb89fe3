// Integer arithmetic that traps overflow as the runtime does: a result that
// does not fit its Integer or Long raises error 6 "Overflow".
//
//   Long next = checked::Add<Long>(pos, len);
#pragma once

#include "kortools/error.h"

namespace kor::checked {

template <typename T>
T Add(T a, T b) {
  T r;
  if (__builtin_add_overflow(a, b, &r)) throw Error::Runtime(6);
  return r;
}

template <typename T>
T Sub(T a, T b) {
  T r;
  if (__builtin_sub_overflow(a, b, &r)) throw Error::Runtime(6);
  return r;
}

template <typename T>
T Mul(T a, T b) {
  T r;
  if (__builtin_mul_overflow(a, b, &r)) throw Error::Runtime(6);
  return r;
}

// A length or position as a Long; error 6 beyond 2,147,483,647.
template <typename N>
Long ToLong(N n) {
  Long r;
  if (__builtin_add_overflow(n, 0, &r)) throw Error::Runtime(6);
  return r;
}

}  // namespace kor::checked
