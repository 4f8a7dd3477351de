#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/result.h"
#include "lang/text_table.h"
#include "pattern/mask_plane.h"
#include "settings/units.h"

class QLineEdit;
class QPushButton;
class QSlider;

// The pieces the pattern dialogs share.
namespace nvx::app::pattern_ui {

QString Entry(const TextTable& text, int entry);

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

// The pattern at its real size on the screen: the area's own dots per inch,
// times a zoom. `draw` makes the mask plane for the area.
class PatternPreview : public QWidget {
 public:
  using Draw = std::function<Result<std::vector<std::uint8_t>>(const MaskRequest&)>;

  explicit PatternPreview(Draw draw);
  void SetZoom(double zoom);
  void Redraw();
  const QImage& Image() const { return image_; }

 protected:
  void resizeEvent(QResizeEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  Draw draw_;
  double zoom_ = 1;
  QImage image_;
  QString failure_;
};

}  // namespace nvx::app::pattern_ui
