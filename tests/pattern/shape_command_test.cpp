#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/named_case.h"
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

struct HostileCase {
  const char* name;
  // Puts something in the place of a file under `root`; returns its path.
  std::filesystem::path (*make)(const std::filesystem::path& root);
  const char* reason;
};

std::filesystem::path Sparse(const std::filesystem::path& root) {
  test::WriteFileBytes(root / "sparse", "");
  std::filesystem::resize_file(root / "sparse", std::uintmax_t{3} << 30);
  return root / "sparse";
}

std::filesystem::path Fifo(const std::filesystem::path& root) {
  ::mkfifo((root / "fifo").c_str(), 0600);
  return root / "fifo";
}

const HostileCase kHostile[] = {
    {"EndlessDevice",
     [](const std::filesystem::path&) { return std::filesystem::path("/dev/zero"); },
     "not a regular file"},
    {"FullDevice",
     [](const std::filesystem::path& root) {
       const std::filesystem::path device = test::MakeFullDevice(root);
       return device.empty() ? std::filesystem::path("/dev/zero") : device;
     },
     "not a regular file"},
    {"Fifo", Fifo, "not a regular file"},
    {"SparseThreeGigabytes", Sparse, "larger than"},
};

class ShapeHostileFile : public ShapeCommandTest,
                         public testing::WithParamInterface<HostileCase> {};

// A library or an Illustrator file that is no file of ours is refused at once
// with what it is, never read without end into memory nor waited on.
TEST_P(ShapeHostileFile, IsRefusedWithTheReason) {
  const std::filesystem::path file = GetParam().make(root_.path());
  const std::filesystem::path settings = root_ / "config/NivaluxPro/NivaluxPro.ini";
  std::filesystem::create_directories(settings.parent_path());
  test::WriteFileBytes(settings, "[Active]\nShape Library=" + file.string() + "\n");
  test::CliResult listed = Run({"list"});
  EXPECT_EQ(listed.status, 1);
  EXPECT_NE(listed.err.find(GetParam().reason), std::string::npos) << listed.err;

  std::filesystem::remove(settings);
  test::CliResult imported = Run({"import", file.string(), "--name", "x"});
  EXPECT_EQ(imported.status, 1);
  EXPECT_NE(imported.err.find(GetParam().reason), std::string::npos) << imported.err;
}

INSTANTIATE_TEST_SUITE_P(Places, ShapeHostileFile, testing::ValuesIn(kHostile), test::CaseName());

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
