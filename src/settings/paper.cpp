#include "settings/paper.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "base/text.h"
#include "settings/margins.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"
#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr char kFieldSeparator = '^';
constexpr long long kMaxCustomPapers = 9999;  // bounds a damaged Number

constexpr std::array<StandardPaper, 9> kStandardPapers = {{
    {"A3", 842, 1191, false},
    {"A4 SEF", 595, 842, false},
    {"A4", 595, 842, false},
    {"A4 S4", 595, 842, false},
    {"A5 SEF", 420, 595, false},
    {"Mug 90", 255, 695, false},
    {"A6 SEF", 297, 420, true},
    {"A4BC 2", 612, 907, true},
    {"A4XL 2", 612, 1191, true},
}};

struct ListEntry {
  std::string_view name;
  bool largeFormatOnly;  // offered on classes 2 and 3 only
};
constexpr std::array<ListEntry, 6> kPaperListEntries = {{
    {"A3", true},
    {"A4XL 216x420mm", false},
    {"A4", false},
    {"A4 SEF", true},
    {"A5 SEF", false},
    {"A6 SEF", false},
}};

std::string CustomKey(long long index) {
  return std::string(keys::kCustomPrefix) + std::to_string(index);
}

long long CustomCount(const IniDocument& doc) {
  auto number = FindIniValue(doc, keys::kPapers, keys::kNumber);
  return std::clamp(LeadingInteger(number.value_or("")), 0LL, kMaxCustomPapers);
}

std::string CustomRecord(const IniDocument& doc, long long index) {
  return FindIniValue(doc, keys::kPapers, CustomKey(index)).value_or("");
}

std::string FiveDecimals(double value) {
  char buffer[512];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 5);
  return std::string(buffer, result.ptr);
}

int Hundredths(double points) { return static_cast<int>(RoundHalfEven(points * 100)); }

double Points(int hundredths) { return hundredths / 100.0; }

bool ClassTakesWidth(int printerClass, int widthClass) {
  if (printerClass == 2) return true;
  if (printerClass == 3) return widthClass == 0 || widthClass == 5;
  return widthClass == 0;
}

void ApplyCustomMargins(const SettingsFiles& files, const CustomPaper& paper) {
  if (paper.topPt == 0) return;
  SetRunMargins(files, {Hundredths(paper.topPt), Hundredths(paper.leftPt),
                        Hundredths(paper.rightPt), Hundredths(paper.bottomPt)});
}

}  // namespace

CustomPaper ParseCustomPaper(std::string_view record) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t sep = record.find(kFieldSeparator, start);
    fields.push_back(record.substr(start, sep == std::string_view::npos ? sep : sep - start));
    if (sep == std::string_view::npos) break;
    start = sep + 1;
  }
  fields.resize(std::max<std::size_t>(fields.size(), 8));
  CustomPaper paper;
  paper.name = std::string(Trim(fields[0]));
  paper.widthPt = LeadingNumber(fields[1]);
  paper.heightPt = LeadingNumber(fields[2]);
  paper.widthClass = static_cast<int>(LeadingInteger(fields[3]));
  paper.topPt = LeadingNumber(fields[4]);
  paper.leftPt = LeadingNumber(fields[5]);
  paper.rightPt = LeadingNumber(fields[6]);
  paper.bottomPt = LeadingNumber(fields[7]);
  return paper;
}

std::string FormatCustomPaper(const CustomPaper& paper) {
  const std::string sep(1, kFieldSeparator);
  return paper.name + sep + FiveDecimals(paper.widthPt) + sep + FiveDecimals(paper.heightPt) + sep +
         std::to_string(paper.widthClass) + sep + FiveDecimals(paper.topPt) + sep +
         FiveDecimals(paper.leftPt) + sep + FiveDecimals(paper.rightPt) + sep +
         FiveDecimals(paper.bottomPt);
}

int WidthClassFor(double widthPt) {
  if (widthPt < 612.29) return 0;
  if (widthPt < 842) return 5;
  return 9;
}

std::vector<CustomPaper> ReadCustomPapers(const SettingsFiles& files) {
  IniDocument doc = UserSettingsDocument(files);
  std::vector<CustomPaper> papers;
  for (long long i = 1, count = CustomCount(doc); i <= count; ++i) {
    std::string record = CustomRecord(doc, i);
    if (!Trim(record).empty()) papers.push_back(ParseCustomPaper(record));
  }
  return papers;
}

const StandardPaper* FindStandardPaper(std::string_view listText) {
  std::string_view head = FirstCharacters(Trim(listText), 6);
  auto it = std::find_if(kStandardPapers.begin(), kStandardPapers.end(),
                         [&](const StandardPaper& p) { return p.name == head; });
  return it == kStandardPapers.end() ? nullptr : &*it;
}

bool SetPaper(const SettingsFiles& files, LiveSettings& live, std::string_view name,
              std::string_view multiPurposeTrayText) {
  if (const StandardPaper* paper = FindStandardPaper(name)) {
    live.paperWidthPt = paper->widthPt;
    live.paperHeightPt = paper->heightPt;
    if (paper->multiPurposeTrayOnly) {
      live.paperTray = std::string(multiPurposeTrayText);
      live.trayListEnabled = false;
    }
    return true;
  }
  std::vector<CustomPaper> customs = ReadCustomPapers(files);
  auto it = std::find_if(customs.begin(), customs.end(),
                         [&](const CustomPaper& p) { return p.name == Trim(name); });
  if (it == customs.end()) return false;
  live.paperWidthPt = static_cast<int>(RoundHalfEven(it->widthPt));
  live.paperHeightPt = static_cast<int>(RoundHalfEven(it->heightPt));
  ApplyCustomMargins(files, *it);
  return true;
}

int PrinterClassFromModel(std::string_view modelName) {
  if (modelName.find("8432") != std::string_view::npos) return 3;
  if (modelName.find("920WT") != std::string_view::npos ||
      modelName.find("9420WT") != std::string_view::npos) {
    return 2;
  }
  return 1;
}

std::vector<std::string> PaperList(const SettingsFiles& files, std::string_view modelKey) {
  int printerClass = PrinterClassFromModel(modelKey);
  std::vector<std::string> list;
  for (const ListEntry& entry : kPaperListEntries) {
    if (!entry.largeFormatOnly || printerClass != 1) list.emplace_back(entry.name);
  }
  for (const CustomPaper& paper : ReadCustomPapers(files)) {
    if (ClassTakesWidth(printerClass, paper.widthClass)) list.push_back(paper.name);
  }
  return list;
}

PrintableSize PrintableArea(const SettingsFiles& files, const LiveSettings& live) {
  return PrintableAreaFor(live.paperWidthPt, live.paperHeightPt, ReadMargins(files));
}

PrintableSize PrintableAreaFor(double paperWidthPt, double paperHeightPt, const PageMargins& m) {
  double width = paperWidthPt - Points(m.left) - Points(m.right);
  double height = paperHeightPt - Points(m.top) - Points(m.bottom);
  return {static_cast<float>(width), static_cast<float>(height)};
}

bool AddCustomPaper(const SettingsFiles& files, std::string_view name, double widthPt,
                    double heightPt) {
  name = Trim(name);
  if (name.empty() || name.find(kFieldSeparator) != std::string_view::npos) return false;
  const PageMargins m = ReadMargins(files);
  const CustomPaper paper{std::string(name),      widthPt,         heightPt,
                          WidthClassFor(widthPt), Points(m.top),   Points(m.left),
                          Points(m.right),        Points(m.bottom)};
  EditSettings(files, [&](const IniDocument& doc) {
    const long long count = CustomCount(doc);
    // A name that is stored already gets its record replaced: the paper list
    // could never tell two papers of one name apart.
    long long index = count + 1;
    for (long long i = count; i >= 1; --i) {
      if (ParseCustomPaper(CustomRecord(doc, i)).name == paper.name) index = i;
    }
    return std::vector<SettingsChange>{
        {std::string(keys::kPapers), std::string(keys::kNumber),
         std::to_string(std::max(count, index))},
        {std::string(keys::kPapers), CustomKey(index), FormatCustomPaper(paper)}};
  });
  return true;
}

bool DeleteCustomPaper(const SettingsFiles& files, std::string_view name) {
  name = Trim(name);
  if (name.empty()) return false;
  bool found = false;
  EditSettings(files, [&](const IniDocument& doc) {
    std::vector<SettingsChange> changes;
    const long long count = CustomCount(doc);
    long long at = 0;
    for (long long i = 1; i <= count && at == 0; ++i) {
      if (ParseCustomPaper(CustomRecord(doc, i)).name == name) at = i;
    }
    found = at != 0;
    if (!found) return changes;
    // The later records move down one; the last key is emptied.
    for (long long i = at; i <= count; ++i) {
      changes.push_back({std::string(keys::kPapers), CustomKey(i),
                         i < count ? CustomRecord(doc, i + 1) : std::string()});
    }
    changes.push_back(
        {std::string(keys::kPapers), std::string(keys::kNumber), std::to_string(count - 1)});
    return changes;
  });
  return found;
}

}  // namespace nvx
