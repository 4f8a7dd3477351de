#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/live_settings.h"
#include "settings/margins.h"
#include "settings/settings_file.h"

namespace nvx {

// A paper size the user defined, one "^"-joined record in section Papers:
// name^width^height^width class^top^left^right^bottom, lengths in points.
struct CustomPaper {
  std::string name;
  double widthPt = 0;
  double heightPt = 0;
  int widthClass = 0;  // 0 up to A4 width, 5 up to A3 width, 9 wider
  double topPt = 0;
  double leftPt = 0;
  double rightPt = 0;
  double bottomPt = 0;
};

CustomPaper ParseCustomPaper(std::string_view record);
std::string FormatCustomPaper(const CustomPaper& paper);  // five decimals per length
int WidthClassFor(double widthPt);

// The stored custom sizes in record order; empty records are left out.
std::vector<CustomPaper> ReadCustomPapers(const SettingsFiles& files);

// A size of the built-in table, matched on the first six characters of the list text.
struct StandardPaper {
  std::string_view name;
  int widthPt;
  int heightPt;
  bool multiPurposeTrayOnly;  // fed only through the multi-purpose tray
};
const StandardPaper* FindStandardPaper(std::string_view listText);

// Sets the page size for the chosen list text: a built-in size, else the custom
// size of that name, whose margins (when its top margin is not 0) become the
// current margins. Papers that only the multi-purpose tray takes select that tray
// (`multiPurposeTrayText`, text-table entry 122) and lock the tray list. Returns
// false, leaving the size as it was, when no size of that name exists.
bool SetPaper(const SettingsFiles& files, LiveSettings& live, std::string_view name,
              std::string_view multiPurposeTrayText);

// 1 for the A4 models, 2 for the "920WT"/"9420WT" models, 3 for "8432" ones.
int PrinterClassFromModel(std::string_view modelName);

// The main window's "Paper Size" list for the model: the built-in sizes the class
// takes, then the custom sizes of widths it can feed.
std::vector<std::string> PaperList(const SettingsFiles& files, std::string_view modelKey);

struct PrintableSize {
  float widthPt = 0;
  float heightPt = 0;
};
// The paper size less the current margins.
PrintableSize PrintableArea(const SettingsFiles& files, const LiveSettings& live);
// The paper size less the given margins.
PrintableSize PrintableAreaFor(double paperWidthPt, double paperHeightPt, const PageMargins& m);

// Stores a custom size with the current margins, replacing the record of the
// same name when there is one. False, storing nothing, when the name (outer
// blanks removed) is empty or holds the field separator "^".
bool AddCustomPaper(const SettingsFiles& files, std::string_view name, double widthPt,
                    double heightPt);
// Removes the first record of that name, moving the later ones down. False when none.
bool DeleteCustomPaper(const SettingsFiles& files, std::string_view name);

}  // namespace nvx
