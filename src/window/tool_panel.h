#pragma once

#include <QList>
#include <QWidget>

#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/units.h"
#include "window/panel_parts.h"

namespace nvx::app {

class AlignPanel;
class ImagePanel;
class PrinterPanel;
class SheetPanel;
class SizePanel;
class WhitePanel;

// The controls beside the preview: the printer panel on the left, the white
// and image panels in the middle, the alignment and size panels on the right.
// It reads them all into the live settings and shows them from there.
class ToolPanel : public QWidget {
  Q_OBJECT
 public:
  ToolPanel(bool faceUpExit, qreal dpr, QWidget* parent = nullptr);

  void Read(LiveSettings& live) const;
  // Every control as `live` has it, the white choke in `unit`; no control
  // signals a change meanwhile.
  void Show(const LiveSettings& live, DisplayUnit unit, const QString& unitLabel);
  // The sliders' values beside them.
  void ShowLabels();
  // The unit the sizes and the white choke are shown in.
  void ShowUnit(const LiveSettings& live, DisplayUnit unit, const QString& label);
  void ApplyTexts(const TextTable& texts) { captions_.Apply(texts); }
  QList<QWidget*> TabOrder() const;
  // The gang sheet's panel in place of the alignment and size panels, or back.
  void ShowSheet(bool shown);

  PrinterPanel& Printer() const { return *printer_; }
  WhitePanel& White() const { return *white_; }
  ImagePanel& Image() const { return *image_; }
  AlignPanel& Align() const { return *align_; }
  SizePanel& Size() const { return *size_; }
  SheetPanel& Sheet() const { return *sheet_; }

 private:
  Captions captions_;  // every caption, relabelled when the language changes
  PrinterPanel* printer_ = nullptr;
  WhitePanel* white_ = nullptr;
  ImagePanel* image_ = nullptr;
  AlignPanel* align_ = nullptr;
  SizePanel* size_ = nullptr;
  SheetPanel* sheet_ = nullptr;
};

}  // namespace nvx::app
