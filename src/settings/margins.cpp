#include "settings/margins.h"

#include <array>
#include <string>

#include "settings/numbers.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

int ReadMargin(const SettingsFiles& files, std::string_view key, int standard) {
  std::string text = ReadSettingOr(files, keys::kActive, key, std::to_string(standard));
  return static_cast<int>(LeadingInteger(text));
}

struct MarginTexts {
  std::string top, left, right, bottom;
  explicit MarginTexts(const PageMargins& m)
      : top(std::to_string(m.top)),
        left(std::to_string(m.left)),
        right(std::to_string(m.right)),
        bottom(std::to_string(m.bottom)) {}
  std::array<IniAssignment, 4> Assignments() const {
    using namespace keys;
    return {{{kActive, kTopMargin, top},
             {kActive, kLeftMargin, left},
             {kActive, kRightMargin, right},
             {kActive, kBottomMargin, bottom}}};
  }
};

}  // namespace

PageMargins ReadMargins(const SettingsFiles& files) {
  using namespace keys;
  return {ReadMargin(files, kTopMargin, kStandardMargins.top),
          ReadMargin(files, kLeftMargin, kStandardMargins.left),
          ReadMargin(files, kRightMargin, kStandardMargins.right),
          ReadMargin(files, kBottomMargin, kStandardMargins.bottom)};
}

void WriteMargins(const SettingsFiles& files, const PageMargins& margins) {
  MarginTexts texts(margins);
  WriteSettings(files, texts.Assignments());
}

void SetRunMargins(const SettingsFiles& files, const PageMargins& margins) {
  MarginTexts texts(margins);
  WriteRunOnlySettings(files, texts.Assignments());
}

}  // namespace nvx
