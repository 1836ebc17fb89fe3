// The shell operation's planning, without a file system: the names a
// colliding item gets and what a copy or move does with a taken name.
#include <gtest/gtest.h>

#include "platform/shell_file_operation.h"
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
       {Case{"report.txt", false, true, 0, "report - Copy.txt"},
        Case{"report.txt", false, true, 1, "report - Copy (2).txt"},
        Case{"report.txt", false, false, 0, "report (2).txt"}, Case{"a.b.c", false, false, 1, "a.b (3).c"},
        Case{".profile", false, true, 0, ".profile - Copy"}, Case{"v1.2", true, false, 0, "v1.2 (2)"}})
    EXPECT_EQ(CollisionName(c.base, c.folder, c.copyOfItself, c.attempt), c.name) << c.base << " " << c.attempt;
}

TEST(ShellPlan, TakenNames) {
  const std::uint32_t ask = 0, yes = kFofNoConfirmation, rename = kFofRenameOnCollision;
  EXPECT_EQ(OnCollision(true, false, false, false, ask), Collision::kSameFile);
  EXPECT_EQ(OnCollision(true, false, false, false, rename), Collision::kFreeName);
  EXPECT_EQ(OnCollision(true, false, false, true, rename), Collision::kSameFile);
  EXPECT_EQ(OnCollision(false, true, true, false, yes), Collision::kMerge);
  EXPECT_EQ(OnCollision(false, false, true, false, yes), Collision::kFileOntoFolder);
  EXPECT_EQ(OnCollision(false, true, false, false, yes), Collision::kFolderOntoFile);
  EXPECT_EQ(OnCollision(false, false, false, true, ask), Collision::kSkip);
  EXPECT_EQ(OnCollision(false, false, false, true, yes), Collision::kReplace);
  EXPECT_EQ(CheckDestinations(2, 1, kFofMultiDestFiles), kManySourcesOneDest);
  EXPECT_EQ(CheckDestinations(1, 2, 0), kManyDestinations);
  EXPECT_EQ(SplitList(std::string_view("a\0b\0\0c", 6)), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace kor::platform::shell_plan
