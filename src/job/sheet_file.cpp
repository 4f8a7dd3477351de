// The sheet file: a small JSON document the command line and the window both
// read and write.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cmath>
#include <string_view>

#include "job/sheet.h"
#include "platform/atomic_file.h"
#include "platform/readable_file.h"

namespace nvx {
namespace {

constexpr std::size_t kMaxSheetFileBytes = 16 * 1024 * 1024;
constexpr std::string_view kFormatName = "nvxprint-sheet";

namespace key {
constexpr auto kFormat = "format";
constexpr auto kVersion = "version";
constexpr auto kDpi = "dpi";
constexpr auto kPaper = "paper";
constexpr auto kArrangement = "arrangement";
constexpr auto kItems = "items";
constexpr auto kFile = "file";
constexpr auto kWidth = "width_mm";
constexpr auto kHeight = "height_mm";
constexpr auto kCopies = "copies";
constexpr auto kMayTurn = "may_turn";
constexpr auto kPositions = "positions";
constexpr auto kSheet = "sheet";
constexpr auto kX = "x_mm";
constexpr auto kY = "y_mm";
constexpr auto kTurned = "turned";
}  // namespace key

constexpr auto kAutomatic = "automatic";
constexpr auto kManual = "manual";

// Reading stops at the first fault, keeping what it says in `error`.
class Reader {
 public:
  explicit Reader(std::filesystem::path folder) : folder_(std::move(folder)) {}

  std::string error;

  double Millimetres(const QJsonObject& o, const char* name, const std::string& where) {
    const QJsonValue v = o.value(name);
    if (v.isUndefined() || v.isNull()) return 0;
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < 0 ||
        v.toDouble() > 100000) {
      Fault(where + ": \"" + name + "\" must be a size in millimetres");
      return 0;
    }
    return v.toDouble() * kPointsPerMillimetre;
  }

  // Positions may lie a little left of or above the area: the check says so
  // with the item's name, which is more use than refusing the whole file.
  double Coordinate(const QJsonObject& o, const char* name, const std::string& where) {
    const QJsonValue v = o.value(name);
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || std::abs(v.toDouble()) > 100000) {
      Fault(where + ": \"" + name + "\" must be a number of millimetres");
      return 0;
    }
    return v.toDouble() * kPointsPerMillimetre;
  }

  int Whole(const QJsonObject& o, const char* name, int fallback, int low, int high,
            const std::string& where) {
    const QJsonValue v = o.value(name);
    if (v.isUndefined()) return fallback;
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || d != std::floor(d) || d < low || d > high) {
      Fault(where + ": \"" + name + "\" must be a whole number from " + std::to_string(low) +
            " to " + std::to_string(high));
      return fallback;
    }
    return static_cast<int>(d);
  }

  bool Flag(const QJsonObject& o, const char* name, bool fallback, const std::string& where) {
    const QJsonValue v = o.value(name);
    if (v.isUndefined()) return fallback;
    if (!v.isBool()) Fault(where + ": \"" + name + "\" must be true or false");
    return v.toBool(fallback);
  }

  CopyPosition Position(const QJsonValue& value, const std::string& where) {
    CopyPosition p;
    if (!value.isObject()) {
      Fault(where + " must be an object with x_mm and y_mm");
      return p;
    }
    const QJsonObject o = value.toObject();
    p.sheet = Whole(o, key::kSheet, 1, 1, 100000, where) - 1;
    p.xPt = Coordinate(o, key::kX, where);
    p.yPt = Coordinate(o, key::kY, where);
    p.turned = Flag(o, key::kTurned, false, where);
    return p;
  }

  SheetItem Item(const QJsonValue& value, int index) {
    const std::string where = "item " + std::to_string(index + 1);
    SheetItem item;
    if (!value.isObject()) {
      Fault(where + " is not an object");
      return item;
    }
    const QJsonObject o = value.toObject();
    const QString file = o.value(key::kFile).toString();
    if (file.isEmpty()) {
      Fault(where + " names no file");
      return item;
    }
    std::filesystem::path path(file.toStdString());
    item.file = (path.is_relative() ? folder_ / path : path).lexically_normal().string();
    item.widthPt = Millimetres(o, key::kWidth, where);
    item.heightPt = Millimetres(o, key::kHeight, where);
    item.copies = Whole(o, key::kCopies, 1, 1, kMaxItemCopies, where);
    item.mayTurn = Flag(o, key::kMayTurn, true, where);
    const QJsonValue positions = o.value(key::kPositions);
    if (positions.isArray()) {
      const QJsonArray list = positions.toArray();
      for (int i = 0; i < list.size() && error.empty(); ++i) {
        item.positions.push_back(
            Position(list.at(i), where + ", position " + std::to_string(i + 1)));
      }
    } else if (!positions.isUndefined()) {
      Fault(where + ": \"positions\" must be a list");
    }
    return item;
  }

  Sheet Read(const QJsonObject& o) {
    Sheet sheet;
    sheet.dpi = Whole(o, key::kDpi, kDefaultSheetDpi, kMinSheetDpi, kMaxSheetDpi, "the sheet");
    const QJsonValue paper = o.value(key::kPaper);
    if (paper.isString()) sheet.paper = paper.toString().toStdString();
    const QString arrangement = o.value(key::kArrangement).toString(kAutomatic);
    if (arrangement == kManual) {
      sheet.arrangement = SheetArrangement::Manual;
    } else if (arrangement != kAutomatic) {
      Fault("\"arrangement\" must be \"automatic\" or \"manual\"");
    }
    const QJsonValue items = o.value(key::kItems);
    if (!items.isArray()) {
      Fault("it has no list of items");
      return sheet;
    }
    const QJsonArray list = items.toArray();
    for (int i = 0; i < list.size() && error.empty(); ++i)
      sheet.items.push_back(Item(list.at(i), i));
    return sheet;
  }

 private:
  void Fault(std::string text) {
    if (error.empty()) error = std::move(text);
  }

  std::filesystem::path folder_;
};

double Mm(double pt) { return pt / kPointsPerMillimetre; }

// Inside the sheet's folder, a file is written relative to it, so a folder of
// designs and its sheet can move together.
QString StoredPath(const std::filesystem::path& folder, const std::string& file) {
  const std::filesystem::path path = std::filesystem::absolute(file).lexically_normal();
  const std::filesystem::path relative = path.lexically_relative(folder);
  const bool inside = !relative.empty() && *relative.begin() != "..";
  return QString::fromStdString((inside ? relative : path).string());
}

QJsonObject ItemObject(const std::filesystem::path& folder, const SheetItem& item, bool manual) {
  QJsonObject o;
  o.insert(key::kFile, StoredPath(folder, item.file));
  if (item.widthPt > 0) o.insert(key::kWidth, Mm(item.widthPt));
  if (item.heightPt > 0) o.insert(key::kHeight, Mm(item.heightPt));
  o.insert(key::kCopies, item.copies);
  o.insert(key::kMayTurn, item.mayTurn);
  if (manual || !item.positions.empty()) {
    QJsonArray positions;
    for (const CopyPosition& p : item.positions) {
      QJsonObject place;
      place.insert(key::kSheet, p.sheet + 1);
      place.insert(key::kX, Mm(p.xPt));
      place.insert(key::kY, Mm(p.yPt));
      place.insert(key::kTurned, p.turned);
      positions.append(place);
    }
    o.insert(key::kPositions, positions);
  }
  return o;
}

std::string SheetFileName(const std::filesystem::path& file) { return file.filename().string(); }

}  // namespace

Result<Sheet> ReadSheetFile(const std::filesystem::path& file) {
  Result<std::string> bytes = platform::ReadRegularFile(file, kMaxSheetFileBytes);
  if (!bytes) {
    return Fail("The sheet file " + file.string() +
                " could not be read: " + bytes.failure().message + ".");
  }
  QJsonParseError parse;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())), &parse);
  if (parse.error != QJsonParseError::NoError || !document.isObject()) {
    return Fail(
        SheetFileName(file) + " is not a sheet file (" +
        (parse.error != QJsonParseError::NoError
             ? parse.errorString().toStdString() + " at byte " + std::to_string(parse.offset)
             : std::string("not a JSON object")) +
        ").");
  }
  const QJsonObject root = document.object();
  const QJsonValue format = root.value(key::kFormat);
  if (!format.isUndefined() && format.toString().toStdString() != kFormatName) {
    return Fail(SheetFileName(file) + " is not a sheet file (its format is not " +
                std::string(kFormatName) + ").");
  }
  Reader reader(std::filesystem::absolute(file).parent_path());
  Sheet sheet = reader.Read(root);
  if (!reader.error.empty()) {
    return Fail("The sheet file " + SheetFileName(file) + " is not valid: " + reader.error + ".");
  }
  return sheet;
}

Status WriteSheetFile(const std::filesystem::path& file, const Sheet& sheet) {
  const std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
  const bool manual = sheet.arrangement == SheetArrangement::Manual;
  QJsonObject root;
  root.insert(key::kFormat, QString::fromUtf8(kFormatName.data(), kFormatName.size()));
  root.insert(key::kVersion, 1);
  root.insert(key::kDpi, sheet.dpi);
  if (!sheet.paper.empty()) root.insert(key::kPaper, QString::fromStdString(sheet.paper));
  root.insert(key::kArrangement, manual ? kManual : kAutomatic);
  QJsonArray items;
  for (const SheetItem& item : sheet.items) items.append(ItemObject(folder, item, manual));
  root.insert(key::kItems, items);
  const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Indented);
  const std::string_view pieces[] = {std::string_view(text.constData(), text.size())};
  Status written = platform::ReplaceFile(file, pieces);
  if (!written) {
    return Fail("The sheet file " + file.string() +
                " could not be written: " + written.failure().message);
  }
  return {};
}

}  // namespace nvx
