// Methods that answer every failure with a neutral result still let out of
// memory through: a full heap is no answer about a folder.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/temp_files.h"

namespace kor {
namespace {

// Every folder creation fails as `fail` says.
class FailingCreation final : public platform::FileCreation {
 public:
  explicit FailingCreation(std::function<void()> fail) : fail_(std::move(fail)) { platform::SetFileCreation(this); }
  ~FailingCreation() override { platform::SetFileCreation(nullptr); }

  // CreatePath makes folders only.
  std::uint32_t GetTempPath(std::uint32_t, char*) override { return 0; }
  std::uint32_t GetTempFileName(std::string_view, std::string_view, std::uint32_t, char*, std::uint32_t*) override {
    return 0;
  }
  void MkDir(std::string_view name) override {
    made.emplace_back(name);
    fail_();
  }

  std::vector<std::string> made;

 private:
  std::function<void()> fail_;
};

TEST(OutOfMemory, CreatePathAnswersFalseForItsErrorsButLetsOutOfMemoryThrough) {
  korFileMan fm;
  // A folder that cannot exist, so that only the creations decide.
  const String path = u"Z:\\nonexistent-kortools-oom\\a\\b\\";
  {
    FailingCreation creation([] { throw Error::Runtime(75); });
    EXPECT_EQ(fm.CreatePath(path), kFalse);
    EXPECT_GE(creation.made.size(), 2u) << "the level-by-level attempt follows the one-step one";
  }
  {
    FailingCreation creation([] { throw std::bad_alloc(); });
    EXPECT_THROW(fm.CreatePath(path), std::bad_alloc);
    EXPECT_EQ(creation.made.size(), 1u) << "nothing is tried once memory ran out";
  }
}

}  // namespace
}  // namespace kor
