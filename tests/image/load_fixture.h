#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "image/intake.h"
#include "support/temp_folder.h"

namespace nvx::test {

inline const std::filesystem::path kImages = std::filesystem::path(NVX_TEST_DATA_DIR) / "images";

// A load with its own settings files and temporary folder.
class LoadTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(settings_.userFolder);
    setenv("TMPDIR", temp_.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("TMPDIR"); }

  Result<LoadedImage> Load(const std::filesystem::path& path, LoadOptions options = {}) {
    options.printableWidthPt = options.printableWidthPt ? options.printableWidthPt : 571;
    options.printableHeightPt = options.printableHeightPt ? options.printableHeightPt : 817;
    return LoadImageFile(path.string(), options, settings_, texts_, hooks_);
  }

  bool TempFolderIsEmpty() const { return std::filesystem::is_empty(temp_.path()); }

  TempFolder folder_;
  TempFolder temp_;
  SettingsFiles settings_{folder_ / "user", folder_ / "machine"};
  TextTable texts_ = DefaultTextTable();
  UiHooks hooks_;
};

}  // namespace nvx::test
