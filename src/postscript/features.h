#pragma once

#include <string>
#include <string_view>

#include "lang/text_table.h"

namespace nvx {

// The page values the paper choice brings to the job.
struct PaperFeatures {
  std::string pageOrigin;      // translation of the "mysetup" matrix, "x y"
  std::string paperSizeBlock;  // a CustomPageSize block or a PageRegion block
};

// The paper table knows an "A4 SEF" row only for the print job; the blank
// page treats that name as a custom size.
enum class PaperTableKind { PrintJob, BlankJob };

// paperName is the paper list's text; widthPt and heightPt the current size.
PaperFeatures BuildPaperFeatures(std::string_view paperName, int widthPt, int heightPt,
                                 PaperTableKind kind);

// Empty unless the model has a face-up exit (model key contains "920" or "9420").
std::string BuildOutputBinFeature(std::string_view modelKey, bool faceUpExit);

// The tray list's text searched for the AUTO, multi-purpose and Tray 1 texts.
std::string BuildInputSlotFeature(std::string_view trayText, const TextTable& text);

// The constant page-size-check block (it has no featurebegin wrapper).
std::string PageSizeCheckFeature();

// The printer's media code: the number stored with the media list entry, or,
// for transfer media (above 12), the code its list text stands for.
int MediaCodeFor(int storedNumber, std::string_view mediaText, std::string_view modelKey,
                 const TextTable& text);

// The OKMediaType block for a media code; familyCode is the printer's.
std::string BuildMediaFeature(int mediaCode, int familyCode);

}  // namespace nvx
