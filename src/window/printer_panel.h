#pragma once

#include <QList>
#include <QWidget>
#include <string>
#include <vector>

#include "settings/live_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace nvx {
struct PrintSession;
}  // namespace nvx

namespace nvx::app {

class Captions;

// The printer panel: the printer, media, paper and tray lists, the copies, the
// Print and Pattern Print buttons, the face-up exit and the media's hands. It
// reads its controls into the live settings and shows them from there; what a
// choice does is the window's.
class PrinterPanel : public QWidget {
  Q_OBJECT
 public:
  PrinterPanel(Captions& captions, bool faceUpExit, QWidget* parent = nullptr);

  // The media, tray and paper lists as the session offers them.
  void FillLists(const PrintSession& session);
  void FillPapers(const std::vector<std::string>& papers);
  // The media and tray lists relabelled in place (the language changed).
  void RenameLists(const PrintSession& session);
  // The printers offered for `modelKey`, the `stored` one chosen; returns the
  // name chosen (empty when none is listed).
  std::string FillPrinters(const std::string& modelKey, const std::string& stored);
  bool HasPrinters() const;

  void Read(LiveSettings& live) const;
  void Show(const LiveSettings& live);
  // The hands that say which way the media goes in.
  void ShowHands(bool visible, bool left, bool right);
  bool HandChecked(bool left) const;
  // Print and Pattern Print: only with an image and no work running; Pattern
  // Print only where `pattern` (a gang sheet has none).
  void SetPrintable(bool printable, bool pattern = true);
  int MediaIndex() const;
  int TrayIndex() const;
  QString TrayText() const;
  // The controls in the order Tab visits them.
  QList<QWidget*> TabOrder() const;

 signals:
  void printerChanged();
  void mediaChanged();
  void paperChanged();
  void trayChanged();
  void copiesEdited();
  void settingChanged();  // the face-up exit
  void printClicked();
  void patternClicked();
  void handClicked(bool left);

 private:
  QComboBox* printerList_ = nullptr;
  QComboBox* mediaList_ = nullptr;
  QComboBox* paperList_ = nullptr;
  QComboBox* trayList_ = nullptr;
  QLineEdit* copies_ = nullptr;
  QPushButton* printButton_ = nullptr;
  QPushButton* patternButton_ = nullptr;
  QCheckBox* faceUpExit_ = nullptr;
  QToolButton* leftHand_ = nullptr;
  QToolButton* rightHand_ = nullptr;
};

}  // namespace nvx::app
