#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_folder.h"

// Vector artwork made by writers other than ours: Ghostscript's pdfwrite (what
// ps2pdf runs) for PDF, hand-written SVG and EPS. The artwork is a circle of
// 20 mm radius in the middle of an otherwise empty 100 x 80 mm page.
namespace nvx::test {

inline constexpr double kArtworkWidthPt = 283.465;   // 100 mm
inline constexpr double kArtworkHeightPt = 226.772;  // 80 mm

// PostScript drawing one page of the page size in the given colour per page.
inline std::string CirclePages(const std::vector<std::string>& colours,
                               double widthPt = kArtworkWidthPt,
                               double heightPt = kArtworkHeightPt) {
  std::string ps = "%!PS\n<< /PageSize [" + std::to_string(widthPt) + " " +
                   std::to_string(heightPt) + "] >> setpagedevice\n";
  for (const std::string& colour : colours) {
    ps += colour + " setrgbcolor " + std::to_string(widthPt / 2) + " " +
          std::to_string(heightPt / 2) + " 56.693 0 360 arc fill showpage\n";
  }
  return ps;
}

// Runs Ghostscript's pdfwrite over `postscript`; extra arguments (passwords) after the device.
inline bool WritePdf(const std::filesystem::path& pdf, const std::string& postscript,
                     const std::vector<std::string>& extra = {}) {
  const std::filesystem::path source = pdf.string() + ".ps";
  WriteFileBytes(source, postscript);
  std::vector<std::string> argv{NVX_GS,    "-q",        "-dSAFER",
                                "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.push_back("-sOutputFile=" + pdf.string());
  argv.push_back(source.string());
  const std::filesystem::path log = pdf.string() + ".log";
  return WaitForProcess(StartProcess(argv, {}, log, log)) == 0;
}

inline std::string CircleSvg(const std::string& extra = {}) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!-- drawn by hand -->\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
         "width=\"100mm\" height=\"80mm\" viewBox=\"0 0 100 80\">\n"
         "<circle cx=\"50\" cy=\"40\" r=\"20\" fill=\"#ff0000\"/>\n" +
         extra + "</svg>\n";
}

inline std::string CircleEps() {
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 283 227\n%%EndComments\n"
         "1 0 0 setrgbcolor 141.5 113.5 56.693 0 360 arc fill\n%%EOF\n";
}

}  // namespace nvx::test
