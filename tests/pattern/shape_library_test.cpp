#include "pattern/shape_library.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "pattern/shape_test_support.h"
#include "settings/settings_keys.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::FrameShape;
using test::PolygonShape;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

float FloatAt(const std::string& bytes, std::size_t at) {
  float value;
  std::memcpy(&value, bytes.data() + at, 4);  // the machine is little-endian, as the file
  return value;
}

std::int32_t IntAt(const std::string& bytes, std::size_t at) {
  std::int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

TEST(ShapeRecordLayout, FieldsLieWhereTheLibraryFileHasThem) {
  ShapeRecord shape = FrameShape("Ring");
  shape.pitchAdjust45 = 0.25f;
  shape.pitchAdjust0 = -0.5f;
  const std::string bytes = EncodeShapeRecord(shape);
  ASSERT_EQ(bytes.size(), 32252u);
  EXPECT_EQ(IntAt(bytes, 0), 2);
  EXPECT_EQ(bytes.substr(4, 10), std::string("R\0i\0n\0g\0 \0", 10));
  EXPECT_EQ(bytes.substr(82, 2), std::string(" \0", 2));  // padded to 40 units
  EXPECT_EQ(FloatAt(bytes, 84), 0.25f);
  EXPECT_EQ(FloatAt(bytes, 88), -0.5f);
  EXPECT_EQ(IntAt(bytes, 92), 4);                   // path 1: point count
  EXPECT_EQ(FloatAt(bytes, 92 + 4 + 8 + 0), 1.0f);  // point 2: x
  EXPECT_EQ(FloatAt(bytes, 92 + 4 + 8 + 4), 0.0f);  //          y
  EXPECT_EQ(IntAt(bytes, 92 + 1604), 4);            // path 2
  EXPECT_EQ(FloatAt(bytes, 92 + 1604 + 4), 0.3f);
  EXPECT_EQ(IntAt(bytes, 32172), 0);  // fills
  EXPECT_EQ(IntAt(bytes, 32176), 0xFFFFFF);

  const ShapeRecord back = DecodeShapeRecord(bytes);
  EXPECT_EQ(back.name, "Ring");
  EXPECT_EQ(EncodeShapeRecord(back), bytes);
}

TEST(ShapeRecordLayout, LongNamesAreCutToFortyUnitsNeverInsideAPair) {
  EXPECT_EQ(DecodeShapeRecord(EncodeShapeRecord(PolygonShape(std::string(45, 'a'), {}))).name,
            std::string(40, 'a'));
  // U+1F600 takes two units; the pair that would be cut in half is left out.
  const std::string name = std::string(39, 'b') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(StoredShapeName(name), std::string(39, 'b'));
}

struct CountCase {
  std::uintmax_t bytes;
  std::size_t records;
};
class ShapeRecordCountTest : public ::testing::TestWithParam<CountCase> {};
TEST_P(ShapeRecordCountTest, IsTheLengthInRecordsRounded) {
  EXPECT_EQ(ShapeRecordCount(GetParam().bytes), GetParam().records);
}
INSTANTIATE_TEST_SUITE_P(Lengths, ShapeRecordCountTest,
                         ::testing::Values(CountCase{0, 0}, CountCase{10, 0}, CountCase{16126, 0},
                                           CountCase{16127, 1}, CountCase{32252, 1},
                                           CountCase{48378, 2}, CountCase{80630, 2}));

class ShapeLibraryTest : public ::testing::Test {
 protected:
  std::filesystem::path Library() const { return folder_ / "shape.lib"; }

  // A library of the named shapes, in order.
  void Write(std::initializer_list<std::string> names) {
    std::string bytes;
    for (const std::string& name : names) bytes += EncodeShapeRecord(PolygonShape(name, {{0, 0}}));
    WriteFileBytes(Library(), bytes);
  }

  std::vector<std::string> StoredNames() const {
    std::vector<std::string> names;
    const Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(Library());
    for (const ShapeRecord& shape : *shapes) names.push_back(shape.name);
    return names;
  }

  TempFolder folder_;
};

TEST_F(ShapeLibraryTest, TheCleanUpLineOfTenBytesHoldsNoShapeAndTheNextAddIsRecordOne) {
  WriteFileBytes(Library(), "Clean up\r\n");
  EXPECT_TRUE(ListShapeNames(Library()).empty());
  ASSERT_TRUE(AddShape(Library(), PolygonShape("Star", {{0, 0}}), nullptr));
  EXPECT_EQ(ReadFileBytes(Library()).size(), kShapeRecordBytes);
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"Star"});
}

TEST_F(ShapeLibraryTest, MissingLibraryListsNothingAndFindsNothing) {
  EXPECT_TRUE(ListShapeNames(Library()).empty());
  EXPECT_FALSE(FindShape(Library(), "star"));
}

TEST_F(ShapeLibraryTest, ListsNamesLowerCasedWithACapitalAndFindsThemInAnyCase) {
  Write({"  STAR_one ", "", "heart"});
  EXPECT_EQ(ListShapeNames(Library()), (std::vector<std::string>{"Star_one", "Heart"}));
  std::optional<ShapeRecord> found = FindShape(Library(), "star_ONE");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, "  STAR_one");
}

TEST_F(ShapeLibraryTest, BlankForUnderscoreInOtherCaseAsksAndReplacesInPlace) {
  Write({"a", "My_Shape", "b"});
  const std::string before = ReadFileBytes(Library());
  int asked = 0;
  Status cancelled = AddShape(Library(), PolygonShape(" my shape ", {{0, 0}, {2, 1}}), [&] {
    ++asked;
    return false;
  });
  ASSERT_FALSE(cancelled);
  EXPECT_EQ(cancelled.failure().message, "Matching Name in Library");
  EXPECT_EQ(ReadFileBytes(Library()), before);

  ASSERT_TRUE(AddShape(Library(), PolygonShape(" my shape ", {{0, 0}, {2, 1}}), [&] {
    ++asked;
    return true;
  }));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"a", "my_shape", "b"}));
  const Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(Library());
  EXPECT_EQ((*shapes)[1].paths[0].pointCount, 2);
}

TEST_F(ShapeLibraryTest, RemovingTheFirstOfThreeKeepsTheOthersByteForByte) {
  Write({"one", "two", "three"});
  const std::string before = ReadFileBytes(Library());
  ASSERT_TRUE(RemoveShapes(Library(), {" one "}));
  EXPECT_EQ(ReadFileBytes(Library()), before.substr(kShapeRecordBytes));
}

TEST_F(ShapeLibraryTest, RemovalComparesLetterCaseAndDropsNamelessRecords) {
  Write({"Star", "", "star", "dot"});
  ASSERT_TRUE(RemoveShapes(Library(), {"star"}));
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Star", "dot"}));
}

TEST_F(ShapeLibraryTest, FullLibraryRefusesANewNameButReplacesAndRemoves) {
  std::string bytes;
  for (int i = 1; i <= 200; ++i) {
    bytes += EncodeShapeRecord(PolygonShape("s" + std::to_string(i), {{0, 0}}));
  }
  WriteFileBytes(Library(), bytes);
  Status refused = AddShape(Library(), PolygonShape("new", {{0, 0}}), nullptr);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.failure().kind, Failure::Kind::Refused);
  EXPECT_EQ(ReadFileBytes(Library()), bytes);
  EXPECT_TRUE(AddShape(Library(), PolygonShape("S7", {{0, 0}}), [] { return true; }));

  ASSERT_TRUE(RemoveShapes(Library(), {"s1"}));
  const std::vector<std::string> names = StoredNames();
  ASSERT_EQ(names.size(), 199u);
  EXPECT_EQ(names.back(), "s200");
}

// More than 200 records is no library the program wrote: it is read no
// further, named in the message, and left as it is.
TEST_F(ShapeLibraryTest, ALongerFileIsRefusedWithoutBeingRead) {
  const std::string bytes(200 * kShapeRecordBytes + kShapeRecordBytes / 2 + 1, '\0');
  WriteFileBytes(Library(), bytes);
  Result<std::vector<ShapeRecord>> read = ReadShapeLibrary(Library());
  ASSERT_FALSE(read);
  EXPECT_NE(read.failure().message.find("more than 200 shapes"), std::string::npos);
  EXPECT_FALSE(AddShape(Library(), PolygonShape("new", {{0, 0}}), nullptr));
  EXPECT_FALSE(RemoveShapes(Library(), {"s1"}));
  EXPECT_EQ(ReadFileBytes(Library()), bytes);
}

TEST_F(ShapeLibraryTest, ReadOnlyLibraryReportsTheErrorNumberAndStaysAsItWas) {
  Write({"one"});
  const std::string before = ReadFileBytes(Library());
  ::chmod(Library().c_str(), 0444);
  Status added = AddShape(Library(), PolygonShape("two", {{0, 0}}), nullptr);
  ASSERT_FALSE(added);
  EXPECT_EQ(added.failure().message, "Error lib is readonly  13");
  Status removed = RemoveShapes(Library(), {"one"});
  ASSERT_FALSE(removed);
  EXPECT_EQ(removed.failure().message, "Error  13");
  EXPECT_EQ(ReadFileBytes(Library()), before);
}

class ProvisionTest : public ::testing::Test {
 protected:
  ProvisionTest() {
    files_.userFolder = root_ / "user";
    files_.machineFolder = root_ / "machine";
    folders_ = {root_ / "machine", root_ / "program", root_ / "user"};
    std::filesystem::create_directories(folders_.user);
  }
  void PutMaster(const std::filesystem::path& folder, std::string_view bytes) {
    std::filesystem::create_directories(folder);
    WriteFileBytes(folder / "shape.lib", bytes);
  }
  std::string Stored() const { return ReadSetting(files_, keys::kActive, keys::kShapeLibrary); }

  TempFolder root_;
  SettingsFiles files_;
  LibraryFolders folders_;
};

TEST_F(ProvisionTest, CopiesTheMachineMasterBeforeTheProgramsAndStoresThePath) {
  PutMaster(folders_.machine, "machine");
  PutMaster(folders_.program, "program");
  EXPECT_TRUE(ProvisionShapeLibrary(files_, folders_).ok());
  EXPECT_EQ(ReadFileBytes(folders_.user / "shape.lib"), "machine");
  EXPECT_EQ(Stored(), (folders_.user / "shape.lib").string());
}

TEST_F(ProvisionTest, FallsBackToTheProgramsMaster) {
  PutMaster(folders_.program, "program");
  EXPECT_TRUE(ProvisionShapeLibrary(files_, folders_).ok());
  EXPECT_EQ(ReadFileBytes(folders_.user / "shape.lib"), "program");
}

TEST_F(ProvisionTest, WithoutAMasterReportsItAndStoresNothing) {
  const Status provided = ProvisionShapeLibrary(files_, folders_);
  ASSERT_FALSE(provided.ok());
  EXPECT_EQ(provided.failure().message, "Master Shape.lib Missing");
  EXPECT_EQ(provided.failure().code, ENOENT);  // a first import may start an empty library
  EXPECT_EQ(Stored(), "");
  EXPECT_EQ(ShapeLibraryPath(files_, folders_), folders_.user / "shape.lib");
}

TEST_F(ProvisionTest, KeepsALibraryTheUserAlreadyHas) {
  PutMaster(folders_.machine, "machine");
  PutMaster(folders_.user, "own shapes");
  EXPECT_TRUE(ProvisionShapeLibrary(files_, folders_).ok());
  EXPECT_EQ(ReadFileBytes(folders_.user / "shape.lib"), "own shapes");
  EXPECT_EQ(Stored(), (folders_.user / "shape.lib").string());
}

TEST_F(ProvisionTest, AStoredLibraryIsNeitherCheckedNorRecreated) {
  PutMaster(folders_.machine, "machine");
  WriteSetting(files_, keys::kActive, keys::kShapeLibrary, (root_ / "gone.lib").string());
  EXPECT_TRUE(ProvisionShapeLibrary(files_, folders_).ok());
  EXPECT_FALSE(std::filesystem::exists(root_ / "gone.lib"));
  EXPECT_FALSE(std::filesystem::exists(folders_.user / "shape.lib"));
}

}  // namespace
}  // namespace nvx
