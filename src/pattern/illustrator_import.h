#pragma once

#include <filesystem>
#include <string_view>

#include "base/result.h"
#include "pattern/shape_record.h"

namespace nvx {

// Why an Illustrator file gives no shape (the codes the import has always used).
enum class ImportRefusal {
  TooManyNodes = -1,
  UnexpectedFile = -3,
  VersionAbove8 = -4,
  PdfBased = -5,
};

// The reason shown after "Conversion failed".
std::string_view RefusalReason(ImportRefusal refusal);

// "Conversion failed", CR LF and the reason.
std::string ImportFailureMessage(ImportRefusal refusal);

// Turns the filled outline of an Illustrator file (versions 3 to 8) into a
// shape: curves flattened into straight segments (fewer steps when a path would
// not fit), the result normalised to a height of 1 with y downwards. `name`
// becomes the record's name. A refusal fails with kind Refused and
// ImportFailureMessage.
Result<ShapeRecord> ImportIllustratorText(std::string_view text, std::string_view name);

// The same for a file; the record is named after the file (without folder and
// extension).
Result<ShapeRecord> ImportIllustratorFile(const std::filesystem::path& file);

}  // namespace nvx
