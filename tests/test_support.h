// Small helpers shared by the test suites.
#pragma once

#include <cstdint>

#include "kortools/error.h"

namespace kor::testing_support {

// The number of the kor::Error that `f` raises, 0 when it raises none.
template <typename F>
std::int32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace kor::testing_support
