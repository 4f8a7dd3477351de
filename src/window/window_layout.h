#pragma once

#include <QRect>
#include <filesystem>
#include <string>
#include <string_view>

#include "settings/settings_file.h"

namespace nvx::app {

// The main window's size and the width of its preview panel, in pixels.
struct WindowMetrics {
  int x = -1;  // -1: let the desktop place the window
  int y = -1;
  int width = 1017;
  int height = 511;
  int panelWidth = 310;
  int previewHeight = 438;  // always panelWidth x 1.414
};

inline constexpr int kMinRememberedHeight = 438;

int PreviewHeightFor(int panelWidth);

// The metrics from L_Used_X/Y/W/H and T_Used_W: a negative position keeps the
// desktop's placement, a remembered height below 438 keeps the default size.
WindowMetrics ReadWindowMetrics(const SettingsFiles& files);
void WriteWindowMetrics(const SettingsFiles& files, const WindowMetrics& metrics);

// A window frame kept on a screen's free area: no larger than the area, and
// moved in where it would stand out of it.
QRect KeepOnScreen(const QRect& frame, const QRect& available);

// The preview is drawn at once on an area of at most the default's pixels, so
// a larger window redraws as fast as the default one while a slider moves; the
// full area is drawn when the changes pause.
inline constexpr int kQuickPreviewPixels = 310 * 438;
QSize QuickPreviewArea(const QSize& area);

// A recent-file menu entry: the path, or its first 3 characters, "..." and its
// last 32 when it is longer than 35 characters (counted in characters, not bytes).
std::string RecentFileLabel(std::string_view path);

// The picture the empty preview shows for a panel of that width.
enum class EmptyPreview { Small, Medium, Large, ExtraLarge };
EmptyPreview EmptyPreviewFor(int panelWidth);

// The formats a dropped file is opened as (extension, letter case ignored).
bool IsImageFileName(const std::filesystem::path& file);

// A dropped name made usable: symbolic links followed to their target.
std::filesystem::path ResolveDroppedFile(const std::filesystem::path& file);

}  // namespace nvx::app
