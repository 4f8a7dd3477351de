#include "window/window_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <system_error>

#include "base/text.h"

namespace nvx::app {
namespace {

constexpr std::string_view kSection = "Active";
constexpr std::string_view kUsedX = "L_Used_X";
constexpr std::string_view kUsedY = "L_Used_Y";
constexpr std::string_view kUsedW = "L_Used_W";
constexpr std::string_view kUsedH = "L_Used_H";
constexpr std::string_view kPanelW = "T_Used_W";

// Counts UTF-8 characters by their lead bytes.
bool IsLeadByte(unsigned char c) { return (c & 0xC0) != 0x80; }

std::size_t CharacterCount(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += IsLeadByte(c);
  return n;
}

// Byte offset of character `index` (or the end).
std::size_t ByteOffsetOfCharacter(std::string_view text, std::size_t index) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (seen == index) return i;
      ++seen;
    }
  }
  return text.size();
}

}  // namespace

int PreviewHeightFor(int panelWidth) {
  return static_cast<int>(std::nearbyint(panelWidth * 1.414));
}

WindowMetrics ReadWindowMetrics(const SettingsFiles& files) {
  WindowMetrics m;
  const long long x = ReadSettingNumber(files, kSection, kUsedX);
  const long long y = ReadSettingNumber(files, kSection, kUsedY);
  if (x >= 0 && y >= 0) {
    m.x = static_cast<int>(x);
    m.y = static_cast<int>(y);
  }
  const long long h = ReadSettingNumber(files, kSection, kUsedH);
  if (h >= kMinRememberedHeight) {
    m.height = static_cast<int>(h);
    const long long w = ReadSettingNumber(files, kSection, kUsedW);
    const long long panel = ReadSettingNumber(files, kSection, kPanelW);
    // A remembered size of nothing would leave the window unusable; keep the defaults then.
    if (w > 0) m.width = static_cast<int>(w);
    if (panel > 0) m.panelWidth = static_cast<int>(panel);
  }
  m.previewHeight = PreviewHeightFor(m.panelWidth);
  return m;
}

void WriteWindowMetrics(const SettingsFiles& files, const WindowMetrics& m) {
  const std::string x = std::to_string(m.x), y = std::to_string(m.y);
  const std::string h = std::to_string(m.height), w = std::to_string(m.width);
  const std::string panel = std::to_string(m.panelWidth);
  WriteSettings(files, {{kSection, kUsedX, x},
                        {kSection, kUsedY, y},
                        {kSection, kUsedH, h},
                        {kSection, kUsedW, w},
                        {kSection, kPanelW, panel}});
}

QRect KeepOnScreen(const QRect& frame, const QRect& available) {
  QRect kept(frame.topLeft(), frame.size().boundedTo(available.size()));
  kept.moveLeft(std::clamp(kept.left(), available.left(), available.right() + 1 - kept.width()));
  kept.moveTop(std::clamp(kept.top(), available.top(), available.bottom() + 1 - kept.height()));
  return kept;
}

QSize QuickPreviewArea(const QSize& area) {
  const double pixels = double(area.width()) * area.height();
  if (pixels <= kQuickPreviewPixels) return area;
  const double k = std::sqrt(kQuickPreviewPixels / pixels);
  return {std::max(1, static_cast<int>(area.width() * k)),
          std::max(1, static_cast<int>(area.height() * k))};
}

std::string RecentFileLabel(std::string_view path) {
  const std::size_t n = CharacterCount(path);
  if (n <= 35) return std::string(path);
  const std::string_view head = path.substr(0, ByteOffsetOfCharacter(path, 3));
  const std::string_view tail = path.substr(ByteOffsetOfCharacter(path, n - 32));
  return std::string(head) + "..." + std::string(tail);
}

EmptyPreview EmptyPreviewFor(int panelWidth) {
  if (panelWidth < 300) return EmptyPreview::Small;
  if (panelWidth < 450) return EmptyPreview::Medium;
  if (panelWidth < 600) return EmptyPreview::Large;
  return EmptyPreview::ExtraLarge;
}

bool IsImageFileName(const std::filesystem::path& file) {
  // The formats of the file dialog, with the long spellings of two of them.
  static constexpr std::array<std::string_view, 15> kExtensions = {
      ".tif",  ".psd",  ".png",  ".gif", ".jpg", ".bmp", ".jpeg", ".tiff",
      ".webp", ".heic", ".heif", ".pdf", ".svg", ".eps", ".ps"};
  const std::string ext = AsciiLower(file.extension().string());
  for (std::string_view e : kExtensions) {
    if (ext == e) return true;
  }
  return false;
}

std::filesystem::path ResolveDroppedFile(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path target = std::filesystem::canonical(file, ec);
  return ec ? file : target;
}

}  // namespace nvx::app
