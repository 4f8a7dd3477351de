// The items of a sheet as the command line gives them: a file with, after
// colons, its printed size and its copies ("logo.png:50mm:x10").
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string_view>

#include "job/sheet.h"

namespace nvx {
namespace {

struct Unit {
  std::string_view name;
  double points;
};
constexpr Unit kUnits[] = {
    {"mm", kPointsPerMillimetre}, {"cm", 10 * kPointsPerMillimetre}, {"in", 72}, {"pt", 1}};
constexpr double kLongestItemPt = 10000 * kPointsPerMillimetre;  // ten metres

std::optional<double> Length(std::string_view number, double unitPt, bool zeroAllowed) {
  double value = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
    return std::nullopt;
  const double pt = value * unitPt;
  if (pt < 0 || (pt == 0 && !zeroAllowed) || pt > kLongestItemPt) return std::nullopt;
  return pt;
}

// "50mm", "2in", "50x30mm", "0x30mm": the width, or both sides.
bool ReadSize(std::string_view text, SheetItem& item) {
  for (const Unit& unit : kUnits) {
    if (!text.ends_with(unit.name)) continue;
    const std::string_view number = text.substr(0, text.size() - unit.name.size());
    const std::size_t x = number.find_first_of("xX");
    if (x == std::string_view::npos) {
      const std::optional<double> width = Length(number, unit.points, false);
      if (width) item.widthPt = *width;
      return width.has_value();
    }
    const std::optional<double> width = Length(number.substr(0, x), unit.points, true);
    const std::optional<double> height = Length(number.substr(x + 1), unit.points, true);
    if (!width || !height || (*width == 0 && *height == 0)) return false;
    item.widthPt = *width;
    item.heightPt = *height;
    return true;
  }
  return false;
}

bool ReadCopies(std::string_view text, SheetItem& item) {
  int copies = 0;
  auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), copies);
  if (error != std::errc() || end != text.data() + text.size() || copies < 1 ||
      copies > kMaxItemCopies)
    return false;
  item.copies = copies;
  return true;
}

// A part after the last colons that starts as a size or a count is meant as
// one; anything else belongs to the file's name.
bool LooksLikeItemPart(std::string_view part) {
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  return part == "noturn" || (!part.empty() && (digit(part[0]) || part[0] == '.')) ||
         (part.size() > 1 && part[0] == 'x' && digit(part[1]));
}

}  // namespace

Result<SheetItem> ParseSheetItem(const std::string& text, bool mayTurn) {
  SheetItem item;
  item.mayTurn = mayTurn;
  std::string file = text;
  // A file whose own name ends like a size or a count is still that file.
  std::error_code error;
  if (std::filesystem::is_regular_file(text, error)) {
    item.file = text;
    return item;
  }
  bool sized = false;
  bool counted = false;
  for (std::size_t colon = file.rfind(':'); colon != std::string::npos; colon = file.rfind(':')) {
    const std::string part = file.substr(colon + 1);
    if (!LooksLikeItemPart(part)) break;
    bool read = true;
    if (part == "noturn") {
      item.mayTurn = false;
    } else if (part[0] == 'x') {
      read = !counted && ReadCopies(part, item);
      counted = true;
    } else {
      read = !sized && ReadSize(part, item);
      sized = true;
    }
    if (!read) {
      return Fail("'" + text + "': '" + part +
                      "' is not a size (50mm, 2in, 50x30mm, 0x30mm) nor a count of copies (x1 "
                      "to x" +
                      std::to_string(kMaxItemCopies) + "), or it is given twice",
                  Failure::Kind::Refused);
    }
    file.resize(colon);
  }
  if (file.empty()) return Fail("'" + text + "' names no file", Failure::Kind::Refused);
  item.file = file;
  return item;
}

}  // namespace nvx
