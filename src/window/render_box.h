#pragma once

#include <QWidget>

#include "settings/live_settings.h"

class QLabel;
class QSpinBox;

namespace nvx::app {

class Captions;

// Vector artwork's own controls: the resolution a PDF, SVG, EPS or PostScript
// page is rendered at, and the page of a document of more than one page (the
// chooser is hidden otherwise). Changing either asks for the page again.
class RenderBox : public QWidget {
  Q_OBJECT
 public:
  explicit RenderBox(Captions& captions, QWidget* parent = nullptr);

  // The resolution; the page is the loaded document's and only changes with it.
  void Read(LiveSettings& live) const;
  void Show(const LiveSettings& live);
  // The document now shown: its page count and the page it shows.
  void ShowDocument(int pageCount, int page);
  // After a load: the new document's pages, or, when it failed, the page of the
  // document still shown back in the boxes and in `live`.
  void LoadEnded(bool loaded, int pageCount, LiveSettings& live);
  // The page the chooser shows.
  int ChosenPage() const;
  QList<QWidget*> TabOrder() const;

 signals:
  void resolutionChanged();
  void pageChosen();

 private:
  QSpinBox* dpi_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QSpinBox* page_ = nullptr;
  int shownPage_ = 1;
  int shownDpi_ = 0;
};

}  // namespace nvx::app
