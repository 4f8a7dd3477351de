#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "server/server_app.h"
#include "server/server_jobs.h"

namespace nvx::server {
namespace {

constexpr double kInchesPerMetre = 39.3701;

// One page of a raster job on its way into a PNG file in the spool.
struct RasterPage {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::filesystem::path path;
  bool failed = false;

  ~RasterPage() { Close(); }
  void Close() {
    if (png) png_destroy_write_struct(&png, &info);
    if (file) std::fclose(file);
    png = nullptr;
    file = nullptr;
  }
};

RasterPage* PageOf(pappl_job_t* job) { return static_cast<RasterPage*>(papplJobGetData(job)); }

void EndPage(pappl_job_t* job) {
  delete PageOf(job);
  papplJobSetData(job, nullptr);
}

bool StartJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  TakePrinterTurn(job);
  return true;
}

bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  const auto& header = options->header;
  const bool colour = header.cupsBitsPerPixel == 24;
  if (header.cupsBitsPerColor != 8 || (!colour && header.cupsBitsPerPixel != 8)) {
    papplJobSetMessage(job, "Raster pages of %u bits per pixel are not taken.",
                       header.cupsBitsPerPixel);
    return false;
  }
  auto raster = std::make_unique<RasterPage>();
  char name[1024];
  const std::string ext = "page" + std::to_string(page) + ".png";
  const int fd =
      papplJobOpenFile(job, name, sizeof(name), Places().spool.c_str(), ext.c_str(), "w");
  raster->path = name;
  raster->file = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (!raster->file) return false;
  raster->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  raster->info = raster->png ? png_create_info_struct(raster->png) : nullptr;
  if (!raster->info) return false;
  if (setjmp(png_jmpbuf(raster->png))) return false;
  png_init_io(raster->png, raster->file);
  png_set_IHDR(raster->png, raster->info, header.cupsWidth, header.cupsHeight, 8,
               colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // The resolution the client drew at, so the page prints at its true size.
  png_set_pHYs(raster->png, raster->info,
               static_cast<png_uint_32>(std::lround(header.HWResolution[0] * kInchesPerMetre)),
               static_cast<png_uint_32>(std::lround(header.HWResolution[1] * kInchesPerMetre)),
               PNG_RESOLUTION_METER);
  png_set_compression_level(raster->png, 1);
  png_write_info(raster->png, raster->info);
  papplJobSetData(job, raster.release());
  return true;
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned,
               const unsigned char* line) {
  RasterPage* raster = PageOf(job);
  if (!raster || raster->failed) return false;
  if (setjmp(png_jmpbuf(raster->png))) {
    raster->failed = true;
    return false;
  }
  png_write_row(raster->png, line);
  return true;
}

// Each page is converted and sent as a job of its own, as `nvxprint print
// --pages all` sends the pages of a document.
bool EndPageAndSend(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device, unsigned) {
  RasterPage* raster = PageOf(job);
  if (!raster) return false;
  bool written = !raster->failed;
  if (written && setjmp(png_jmpbuf(raster->png))) written = false;
  if (written) png_write_end(raster->png, raster->info);
  raster->Close();
  const std::filesystem::path page = raster->path;
  EndPage(job);
  bool sent = false;
  if (written) {
    const std::lock_guard turn(PrinterTurn(papplJobGetPrinter(job)));
    sent = ConvertAndSend(job, page.c_str(), device);
  }
  std::error_code ignored;
  std::filesystem::remove(page, ignored);
  return sent;
}

bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  {
    const std::lock_guard turn(PrinterTurn(papplJobGetPrinter(job)));
    HandPrinterOn(job);
  }
  if (RasterPage* raster = PageOf(job)) {
    const std::filesystem::path page = raster->path;
    EndPage(job);
    std::error_code ignored;
    std::filesystem::remove(page, ignored);
  }
  return true;
}

}  // namespace

void AddRasterCallbacks(pappl_pr_driver_data_t& data) {
  data.rstartjob_cb = StartJob;
  data.rstartpage_cb = StartPage;
  data.rwriteline_cb = WriteLine;
  data.rendpage_cb = EndPageAndSend;
  data.rendjob_cb = EndJob;
}

}  // namespace nvx::server
