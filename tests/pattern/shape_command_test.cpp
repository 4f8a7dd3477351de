#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::ReadFileBytes;

constexpr const char* kSquare =
    "%%Creator: Adobe Illustrator(R) 3.2\n%%EndSetup\n0 0 0 1 k\n"
    "10 10 m\n30 10 l\n30 20 l\n10 20 l\nf\n";

// nvxprint with its own user, machine and program folders.
class ShapeCommandTest : public ::testing::Test {
 protected:
  test::CliResult Run(std::vector<std::string> args, const std::string& programData) {
    args.insert(args.begin(), "shape");
    return test::RunNvxprint(args, {"XDG_CONFIG_HOME=" + (root_ / "config").string(),
                                    "XDG_CONFIG_DIRS=" + (root_ / "machine").string(),
                                    "NVXPRINT_DATA_DIR=" + programData});
  }
  // Without a master library anywhere.
  test::CliResult Run(std::vector<std::string> args) {
    return Run(std::move(args), (root_ / "no-data").string());
  }
  std::filesystem::path Library() const { return root_ / "config" / "NivaluxPro" / "shape.lib"; }
  std::filesystem::path File(const std::string& name, const std::string& text) {
    test::WriteFileBytes(root_ / name, text);
    return root_ / name;
  }

  test::TempFolder root_;
};

TEST_F(ShapeCommandTest, FirstImportWithoutAMasterStartsTheLibrary) {
  const std::string square = File("Square Tile.ai", kSquare).string();
  test::CliResult imported = Run({"import", square});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(ReadFileBytes(Library()).size(), 32252u);
  EXPECT_EQ(Run({"list"}).out, "Square_tile\n");

  const std::string before = ReadFileBytes(Library());
  test::CliResult again = Run({"import", square, "--name", "square_TILE", "--gap0", "2"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("Matching Name in Library"), std::string::npos) << again.err;
  EXPECT_EQ(ReadFileBytes(Library()), before);

  ASSERT_EQ(Run({"import", square, "--name", "square_TILE", "--gap0", "2", "--replace"}).status, 0);
  const std::string after = ReadFileBytes(Library());
  ASSERT_EQ(after.size(), 32252u);
  EXPECT_EQ(after.substr(4, 6), std::string("s\0q\0u\0", 6));
  EXPECT_NE(after, before);
}

TEST_F(ShapeCommandTest, ARefusedFileLeavesTheLibraryAlone) {
  ASSERT_EQ(Run({"import", File("a.ai", kSquare).string()}).status, 0);
  const std::string before = ReadFileBytes(Library());
  test::CliResult refused =
      Run({"import", File("new.ai", "%%Creator: Adobe Illustrator(R) 10.0\n").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Conversion failed\nAI file greater than Ver 8"), std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadFileBytes(Library()), before);
}

TEST_F(ShapeCommandTest, ListsAndRemovesTheShippedShapes) {
  test::CliResult listed = Run({"list"}, NVX_SHARE_DIR);
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "Diamond\nDot\nHeart\nHexagon\nRing\nStar\n");

  const std::string before = ReadFileBytes(Library());
  EXPECT_EQ(Run({"remove", "Star", "Moon"}).status, 1);
  EXPECT_EQ(ReadFileBytes(Library()), before);
  ASSERT_EQ(Run({"remove", "Star", "dot"}).status, 0);
  EXPECT_EQ(Run({"list"}).out, "Diamond\nHeart\nHexagon\nRing\n");
}

TEST_F(ShapeCommandTest, BadUsageExitsWithTwo) {
  const std::string square = File("a.ai", kSquare).string();
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"import"}).status, 2);
  EXPECT_EQ(Run({"import", square, "--gap45", "7"}).status, 2);
  EXPECT_EQ(Run({"import", square, "--name", "  "}).status, 2);
  EXPECT_EQ(Run({"list", "--replace"}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(Library()));
}

}  // namespace
}  // namespace nvx
