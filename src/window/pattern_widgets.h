#pragma once

#include <QFuture>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

#include "lang/text_table.h"
#include "pattern/mask_plane.h"
#include "pattern/pattern_settings.h"
#include "settings/units.h"

class QLineEdit;
class QPushButton;
class QSlider;

// The pieces the pattern dialogs share.
namespace nvx::app::pattern_ui {

QString Entry(const TextTable& text, std::size_t entry);

// A button that Enter in a size box never presses.
QPushButton* Button(const QString& caption, const char* name);
// A length box: digits and the point, with `minus` also "-".
QLineEdit* LengthBox(const char* name, bool minus);
QSlider* Slider(const char* name, int from, int to);

// A length shown in the user's unit with at most `decimals` decimals.
QString LengthText(double mm, DisplayUnit unit, int decimals);
// The box's value (its leading number, in the user's unit) in millimetres.
double TypedMillimetres(const QLineEdit* box, DisplayUnit unit);
// Sets a slider without running what a user's move runs.
void PlaceSlider(QSlider* slider, int position);

// What a pattern preview draws; `blank` draws nothing.
struct PreviewPattern {
  PatternSettings settings;
  PatternShape shape;
  bool blank = false;
};

// The pattern at its real size on the screen: the area's own dots per inch,
// times a zoom. `source` says what to draw; the drawing runs off the
// user-interface thread, and changes made meanwhile are drawn after it.
class PatternPreview : public QWidget {
 public:
  explicit PatternPreview(std::function<PreviewPattern()> source);
  ~PatternPreview() override;
  void SetZoom(double zoom);
  void Redraw();

 protected:
  void resizeEvent(QResizeEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  struct Drawn {
    QImage image;
    QString failure;
  };
  void Show(Drawn drawn);

  std::function<PreviewPattern()> source_;
  double zoom_ = 1;
  bool drawing_ = false;
  bool again_ = false;  // a change came while drawing
  QFuture<Drawn> running_;
  Drawn drawn_;
};

}  // namespace nvx::app::pattern_ui
