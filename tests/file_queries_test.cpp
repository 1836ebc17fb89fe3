// Placeholder: filled in by the work on file management.
#include <gtest/gtest.h>
