#include "platform/child_process.h"

#include <gtest/gtest.h>

#include "platform/readable_file.h"
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

// The memory a decoder reads holds the file's bytes and nothing else: up to the
// limit, and none of what an earlier, longer file left in it.
TEST(SharedMemory, AFillHoldsTheFilesBytesAloneUpToTheLimit) {
  test::TempFolder folder;
  std::string longer(3 << 20, '\0');
  for (std::size_t i = 0; i < longer.size(); ++i) longer[i] = static_cast<char>(i * 7 % 251);
  test::WriteFileBytes(folder / "long.png", longer);
  test::WriteFileBytes(folder / "short.png", "a short file");
  Result<platform::SharedMemory> memory = platform::SharedMemory::Create();
  ASSERT_TRUE(memory);
  Result<platform::ReadableFile> big = platform::ReadableFile::Open(folder / "long.png");
  ASSERT_TRUE(big);
  const std::optional<std::string_view> whole = memory->FillFromFile(*big, longer.size());
  ASSERT_TRUE(whole);
  EXPECT_TRUE(*whole == longer);
  const std::optional<std::string_view> limited = memory->FillFromFile(*big, 1000);
  ASSERT_TRUE(limited);
  EXPECT_EQ(*limited, std::string_view(longer).substr(0, 1000));
  EXPECT_EQ(memory->Size(), 1000U);
  Result<platform::ReadableFile> small = platform::ReadableFile::Open(folder / "short.png");
  ASSERT_TRUE(small);
  const std::optional<std::string_view> again = memory->FillFromFile(*small, longer.size());
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, "a short file");
  EXPECT_EQ(memory->Size(), 12U);
}

}  // namespace
}  // namespace nvx
