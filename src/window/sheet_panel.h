#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace nvx::app {

class Captions;

// The gang sheet's items beside the preview: the list of files, the chosen
// item's printed size (proportions kept), copies and quarter turn, Remove and
// Arrange, and which of the sheets is shown with its use of the area.
class SheetPanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit SheetPanel(Captions& captions, QWidget* parent = nullptr);

  // One line per item; `selected` -1 chooses none. No signal is sent.
  void ShowItems(const QStringList& names, int selected);
  // The chosen item's fields, the sizes in the display unit; a sheet without a
  // chosen item (or one whose size is not known) leaves them empty and
  // disabled, Remove too unless `removable`.
  void ShowItem(double width, double height, int copies, bool mayTurn);
  void ShowNoItem(bool removable = false);
  void ShowUnit(const QString& label);
  // "Sheet 2 of 3" and "Area used 71.4 %"; no sheets: the fields say nothing.
  void ShowSheets(int shown, int count, double usedPercent);
  int SelectedItem() const;
  QList<QWidget*> TabOrder() const;

 signals:
  void itemChosen(int index);
  // A width (or height) typed for the chosen item, in the display unit.
  void widthEdited(double width);
  void heightEdited(double height);
  void copiesEdited(int copies);
  void mayTurnEdited(bool mayTurn);
  void removeClicked();
  void arrangeClicked();
  // -1: the sheet before, +1: the sheet after.
  void sheetStepped(int step);

 private:
  void EnableItemFields(bool enabled);

  QListWidget* items_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QLabel* unit_ = nullptr;
  QSpinBox* copies_ = nullptr;
  QCheckBox* mayTurn_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* arrange_ = nullptr;
  QToolButton* previous_ = nullptr;
  QToolButton* next_ = nullptr;
  QLabel* sheets_ = nullptr;
  QLabel* used_ = nullptr;
};

}  // namespace nvx::app
