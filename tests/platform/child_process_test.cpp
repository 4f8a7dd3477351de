#include "platform/child_process.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace nvx {
namespace {

// A helper missing from the installation is told apart from one that failed,
// with the path the program looked for.
TEST(ChildProgram, AMissingProgramIsNotStartedAndNamed) {
  test::TempFolder folder;
  const std::filesystem::path missing = folder / "nvxprint-missing";
  const platform::ChildEnd end = platform::RunChild({missing, {}, nullptr, nullptr}, {});
  EXPECT_EQ(end.how, platform::ChildEnd::How::NotStarted);
  EXPECT_NE(end.reply.find(missing.string()), std::string::npos) << end.reply;
}

}  // namespace
}  // namespace nvx
