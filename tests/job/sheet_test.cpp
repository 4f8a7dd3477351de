#include "job/sheet.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <fstream>

#include "image/intake.h"
#include "job/image_document.h"
#include "settings/paper.h"
#include "support/fresh_config.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

// A design at 300 dpi with every ink in it and a transparent corner.
std::string WriteDesign(const test::TempFolder& home, const char* name, int width, int height,
                        int hue) {
  QImage png(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool clear = x < width / 4 && y < height / 4;
      png.setPixelColor(
          x, y, QColor::fromHsv((hue + 7 * x + 3 * y) % 360, 200, 80 + y % 170, clear ? 0 : 255));
    }
  }
  png.setDotsPerMeterX(11811);
  png.setDotsPerMeterY(11811);
  const std::string file = (home / name).string();
  EXPECT_TRUE(png.save(QString::fromStdString(file), "PNG"));
  return file;
}

// An item's planes: rows of five plane rows of `width` bytes.
struct Planes {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;  // height x 5 x width
};

class SheetTest : public testing::Test {
 protected:
  test::TempFolder home;
  void SetUp() override { test::UseFreshConfig(home); }

  // The item printed alone (the window's whole-page job, whose bytes the
  // print command's equal): its planes cut from the job's raster (one copy,
  // at the raster's top-left corner).
  Planes PrintedAlone(const std::string& file, bool turned) {
    PrintSession s;
    EXPECT_TRUE(OpenPrintSession(s, "").ok());
    ImageDocument doc;
    EXPECT_TRUE(LoadImageDocument(s, doc, file).ok());
    s.live.rotate = turned;
    EXPECT_TRUE(OrientImage(s, doc, false).ok());
    PlaceOnPage(s, doc);
    Planes planes{doc.grid.workWidthPx, doc.grid.workHeightPx, {}};
    Result<PrintJob> job = BuildImageJob(s, doc, false);
    EXPECT_TRUE(job.ok());
    if (!job) return planes;
    EXPECT_FALSE(job->runLength);
    const int rasterWidth = planes.width + 2;
    for (int planeRow = 0; planeRow < planes.height * 5; ++planeRow) {
      const auto* row = &job->data[static_cast<std::size_t>(planeRow) * rasterWidth];
      planes.bytes.insert(planes.bytes.end(), row, row + planes.width);
    }
    return planes;
  }
};

struct SheetRaster {
  int width = 0;
  int height = 0;
  RasterBytes data;
  Notes notes;
  std::uint8_t At(int x, int y, int plane) const {
    return data[(static_cast<std::size_t>(y) * 5 + plane) * width + x];
  }
};

Result<SheetRaster> PrintSheet(Sheet sheet, bool mirror = false) {
  PrintSession s;
  if (Result<Notes> opened = OpenPrintSession(s, ""); !opened) return opened.failure();
  s.live.mirrorOn = mirror;
  Result<std::vector<ItemSize>> sizes = ItemSizes(s, sheet);
  if (!sizes) return sizes.failure();
  Result<SheetLayout> layout = ArrangeSheet(s, sheet, *sizes);
  if (!layout) return layout.failure();
  Notes notes;
  Result<PrintJob> job = BuildSheetJob(s, sheet, *layout, 0, &notes);
  if (!job) return job.failure();
  const PrintableSize area = PrintableArea(s.files, s.live);
  SheetRaster raster{static_cast<int>(area.widthPt * 300 / 72),
                     static_cast<int>(area.heightPt * 300 / 72), std::move(job->data),
                     std::move(notes)};
  EXPECT_EQ(raster.data.size(), static_cast<std::size_t>(raster.width) * raster.height * 5);
  EXPECT_FALSE(s.live.mirrorOn != mirror) << "the session's settings come back as they were";
  return raster;
}

SheetItem PlacedItem(const std::string& file, int xPx, int yPx, bool turned) {
  SheetItem item;
  item.file = file;
  item.positions.push_back({0, xPx * 72.0 / 300, yPx * 72.0 / 300, turned});
  return item;
}

TEST_F(SheetTest, EachItemsPlanesStandAtItsPlaceAsWhenPrintedAloneAndNothingElsePrints) {
  const std::string logo = WriteDesign(home, "logo.png", 40, 30, 0);
  const std::string name = WriteDesign(home, "name.png", 25, 50, 180);
  Sheet sheet;
  sheet.arrangement = SheetArrangement::Manual;
  sheet.items = {PlacedItem(logo, 12, 20, false), PlacedItem(name, 90, 7, true)};
  Result<SheetRaster> raster = PrintSheet(sheet);
  ASSERT_TRUE(raster.ok()) << raster.failure().message;

  struct Expected {
    Planes planes;
    int x;
    int y;
  };
  const Expected items[] = {{PrintedAlone(logo, false), 12, 20}, {PrintedAlone(name, true), 90, 7}};
  ASSERT_EQ(items[1].planes.width, 50);  // turned a quarter
  std::size_t inked = 0;
  std::size_t mismatches = 0;
  for (const Expected& e : items) {
    for (int y = 0; y < e.planes.height; ++y) {
      for (int p = 0; p < 5; ++p) {
        for (int x = 0; x < e.planes.width; ++x) {
          const std::uint8_t want =
              e.planes.bytes[(static_cast<std::size_t>(y) * 5 + p) * e.planes.width + x];
          inked += want != 0;
          mismatches += raster->At(e.x + x, e.y + y, p) != want;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(inked, 0u);
  EXPECT_EQ(static_cast<std::size_t>(std::count_if(raster->data.begin(), raster->data.end(),
                                                   [](std::uint8_t b) { return b != 0; })),
            inked)
      << "toner outside the items";
  // Their transparent corners print what the files store there: the user is told, once each.
  ASSERT_EQ(raster->notes.size(), 2u);
  EXPECT_TRUE(raster->notes[0].text.starts_with("logo.png has transparent areas"));
  EXPECT_TRUE(raster->notes[1].text.starts_with("name.png has transparent areas"));
}

TEST_F(SheetTest, AMirroredSheetIsTheWholeSheetMirroredNotEachItemInPlace) {
  const std::string logo = WriteDesign(home, "logo.png", 40, 30, 60);
  Sheet sheet;
  sheet.arrangement = SheetArrangement::Manual;
  sheet.items = {PlacedItem(logo, 5, 9, false)};
  Result<SheetRaster> plain = PrintSheet(sheet);
  Result<SheetRaster> mirrored = PrintSheet(sheet, true);
  ASSERT_TRUE(plain.ok() && mirrored.ok());
  std::size_t mismatches = 0;
  for (int y = 0; y < plain->height; ++y) {
    for (int p = 0; p < 5; ++p) {
      for (int x = 0; x < plain->width; ++x) {
        mismatches += plain->At(x, y, p) != mirrored->At(plain->width - 1 - x, y, p);
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(SheetTest, SheetsWithAnItemThatDoesNotLoadOrWithNoTonerAreRefused) {
  const std::string broken = (home / "broken.png").string();
  { std::ofstream(broken) << "not an image"; }
  Sheet sheet;
  sheet.items = {{broken, 50, 50, 2, true, {}}};
  Result<SheetRaster> refused = PrintSheet(sheet);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.failure().message.find("broken.png"), std::string::npos);

  QImage clear(20, 20, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const std::string empty = (home / "empty.png").string();
  ASSERT_TRUE(clear.save(QString::fromStdString(empty), "PNG"));
  sheet.items = {{empty, 0, 0, 3, true, {}}};
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  s.live.backgroundRemoval = true;
  Result<std::vector<ItemSize>> sizes = ItemSizes(s, sheet);
  ASSERT_TRUE(sizes.ok());
  Result<SheetLayout> layout = ArrangeSheet(s, sheet, *sizes);
  ASSERT_TRUE(layout.ok());
  Result<PrintJob> job = BuildSheetJob(s, sheet, *layout, 0);
  ASSERT_FALSE(job.ok());
  EXPECT_NE(job.failure().message.find("no blank page"), std::string::npos);
}

// The size read from a header, for arranging, is the one the load that
// prints the item finds, turned by the Exif orientation too.
TEST_F(SheetTest, AnItemsNaturalSizeIsTheSizeItsLoadFinds) {
  PrintSession s;
  ASSERT_TRUE(OpenPrintSession(s, "").ok());
  for (const char* name :
       {"images/png150.png", "images/nophys.png", "images/jfif200.jpg", "images/exif240_ii.jpg",
        "images/exif1200.jpg", "images/bmp96.bmp", "images/tiff200x250.tif", "images/psd150.psd",
        "images/plain.gif", "photos/coffee60.png"}) {
    const std::string file = std::string(NVX_TEST_DATA_DIR "/") + name;
    Result<ItemSize> size = NaturalSize(s, file);
    ASSERT_TRUE(size.ok()) << name;
    const LoadOptions options{false, false, 0, 0, {}};
    Result<LoadedImage> loaded = LoadImageFile(file, options, s.files, s.text, {});
    ASSERT_TRUE(loaded.ok()) << name;
    EXPECT_FLOAT_EQ(static_cast<float>(size->widthPt), loaded->image.imageWidthPt) << name;
    EXPECT_FLOAT_EQ(static_cast<float>(size->heightPt), loaded->image.imageHeightPt) << name;
  }
}

TEST_F(SheetTest, TheSheetFileKeepsItemsSizesAndPlacesAndRefusesWhatIsNotASheet) {
  Sheet sheet;
  sheet.dpi = 600;
  sheet.paper = "A3";
  sheet.arrangement = SheetArrangement::Manual;
  sheet.items = {{(home / "art" / "logo.png").string(),
                  50 * kPointsPerMillimetre,
                  0,
                  2,
                  false,
                  {{0, 10, 20, false}, {1, 30.5, 40.25, false}}},
                 {"/elsewhere/name.pdf", 0, 0, 1, true, {{0, 100, 0, true}}}};
  const auto file = home / "sheet.json";
  ASSERT_TRUE(WriteSheetFile(file, sheet).ok());
  const std::string text = [&] {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  EXPECT_NE(text.find("\"art/logo.png\""), std::string::npos) << text;  // beside the sheet
  Result<Sheet> read = ReadSheetFile(file);
  ASSERT_TRUE(read.ok()) << read.failure().message;
  EXPECT_EQ(read->dpi, 600);
  EXPECT_EQ(read->paper, "A3");
  EXPECT_EQ(read->arrangement, SheetArrangement::Manual);
  ASSERT_EQ(read->items.size(), 2u);
  EXPECT_EQ(read->items[0].file, sheet.items[0].file);
  EXPECT_NEAR(read->items[0].widthPt, sheet.items[0].widthPt, 1e-9);
  EXPECT_EQ(read->items[0].copies, 2);
  EXPECT_FALSE(read->items[0].mayTurn);
  ASSERT_EQ(read->items[0].positions.size(), 2u);
  EXPECT_EQ(read->items[0].positions[1].sheet, 1);
  EXPECT_NEAR(read->items[0].positions[1].yPt, 40.25, 1e-9);
  EXPECT_EQ(read->items[1].file, "/elsewhere/name.pdf");
  EXPECT_TRUE(read->items[1].positions[0].turned);

  for (const char* bad :
       {"[1, 2]", "{\"items\": 3}", "{\"items\": [{\"copies\": 2}]}",
        "{\"items\": [{\"file\": \"a.png\", \"copies\": -1}]}",
        "{\"items\": [{\"file\": \"a.png\", \"width_mm\": \"big\"}]}", "{\"ite"}) {
    { std::ofstream(file) << bad; }
    Result<Sheet> refused = ReadSheetFile(file);
    EXPECT_FALSE(refused.ok()) << bad;
    if (!refused) {
      EXPECT_NE(refused.failure().message.find("sheet.json"), std::string::npos);
    }
  }
  { std::ofstream(file) << R"({"items": [{"file": "a.png", "colour": "red"}], "owner": 1})"; }
  EXPECT_TRUE(ReadSheetFile(file).ok()) << "unknown keys are skipped";
}

}  // namespace
}  // namespace nvx
