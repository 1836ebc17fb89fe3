// The names a colliding item gets, without a file system: the cases the
// shell operation's own table does not reach (folders with dots, dot files,
// later attempts).
#include <gtest/gtest.h>

#include "winrules/shell_plan.h"

namespace kor::platform::shell_plan {
namespace {

TEST(ShellPlan, CollisionNames) {
  struct Case {
    const char* base;
    bool folder, copyOfItself;
    unsigned attempt;
    const char* name;
  };
  for (const Case& c :
       {Case{"report.txt", false, true, 1, "report - Copy (2).txt"}, Case{"a.b.c", false, false, 1, "a.b (3).c"},
        Case{".profile", false, true, 0, ".profile - Copy"}, Case{"v1.2", true, false, 0, "v1.2 (2)"}})
    EXPECT_EQ(CollisionName(c.base, c.folder, c.copyOfItself, c.attempt), c.name) << c.base << " " << c.attempt;
}

}  // namespace
}  // namespace kor::platform::shell_plan
