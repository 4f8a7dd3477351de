#pragma once

#include <string>

#include "postscript/features.h"
#include "settings/ui_hooks.h"

namespace nvx {

// The raster's size and place, as the image procedure writes them.
struct ImagePlacement {
  long long cols = 0;
  long long rows = 0;
  std::string position;    // operands of "translate", e.g. " 57 100"
  std::string size;        // operands of "scale", e.g. " 72 72"
  bool runLength = false;  // the rows follow run-length encoded (RunLengthDecode)
};

// Everything a job's text depends on, worked out before the text is written.
struct JobValues {
  std::string title;
  std::string creationDate;
  PaperFeatures paper;
  std::string inputSlotBlock;
  std::string outputBinBlock;
  std::string mediaBlock;
  int copies = 1;
  ImagePlacement image;
};

// The job header is sections A to E; the trailer, F, is written by the job writer.
void WriteHeaderAndPrologue(std::string& out, const JobValues& values);  // A
void WriteSetupStart(std::string& out, const UiHooks& hooks);            // B
void WriteCopiesBlock(std::string& out, int copies);
void WriteSetupFeatures(std::string& out, const JobValues& values);       // C
void WritePageSetup(std::string& out);                                    // D
void WriteImageProcedure(std::string& out, const ImagePlacement& image);  // E

}  // namespace nvx
