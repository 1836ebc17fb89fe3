// Helpers of the korINI tests: the shared ones under the names the suites use.
#pragma once

#include "tests/test_support.h"

namespace kor::testing_ini {

using testing_support::ErrorOf;
using testing_support::ScopedHost;
using testing_support::TempFolder;

}  // namespace kor::testing_ini
