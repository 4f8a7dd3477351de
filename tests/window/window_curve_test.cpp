#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "lang/text_table.h"
#include "window/curve_editor.h"
#include "window/offscreen_app.h"
#include "window/white_choke_box.h"

namespace nvx::app {
namespace {

// The white-first points: the three inks start out different.
const ColourAdjustPoints kStart = DefaultColourAdjustPoints(TonerOrder::WhiteFirst);

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

Point PointOf(const ColourAdjustPoints& points, int ink, int index) {
  const std::size_t at = static_cast<std::size_t>(8 * ink + 2 * index);
  return {points.values[at], points.values[at + 1]};
}

int IndexOf(CurveHandle handle) {
  return handle == CurveHandle::P0 ? 0 : handle == CurveHandle::P1 ? 1 : 2;
}

class CurveEditorTest : public testing::Test {
 protected:
  TextTable text = DefaultTextTable();
  std::unique_ptr<CurveEditor> editor;
  CurveCanvas* canvas = nullptr;

  void SetUp() override {
    App();
    editor = std::make_unique<CurveEditor>(nullptr, text, kStart);
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    canvas = editor->findChild<CurveCanvas*>(QStringLiteral("curveCanvas"));
  }

  void ChooseInk(int listIndex) {
    editor->findChild<QComboBox*>(QStringLiteral("curveInk"))->setCurrentIndex(listIndex);
  }

  // Presses at `from`, moves there by `delta` in a few steps, and lets go.
  void Drag(QPoint from, QPoint delta) {
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) QTest::mouseMove(canvas, from + delta * step / 4);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from + delta);
  }
  void DragHandle(CurveHandle handle, QPoint delta) {
    Drag(canvas->HandlePosition(handle).toPoint(), delta);
  }
};

struct DragCase {
  const char* name;
  int listIndex;  // 0 "All", 1 "Cyan", 2 "Magenta", 3 "Yellow"
  CurveHandle handle;
  QPoint delta;  // on the canvas: y grows downwards
  Point expected;
};

class CurveDragTest : public CurveEditorTest, public testing::WithParamInterface<DragCase> {};

// The dragged point lands where the mouse took it: in the chosen ink only, or
// (for "All") in cyan, copied to the other two; the end point keeps its x.
TEST_P(CurveDragTest, MovesTheHandleInTheChosenInks) {
  const DragCase& c = GetParam();
  ChooseInk(c.listIndex);
  QSignalSpy announced(editor.get(), &CurveEditor::pointsChanged);
  DragHandle(c.handle, c.delta);
  const ColourAdjustPoints& after = editor->Points();
  const int edited = c.listIndex == 0 ? 0 : c.listIndex - 1;
  EXPECT_EQ(PointOf(after, edited, IndexOf(c.handle)), c.expected);
  EXPECT_GT(announced.count(), 0);
  for (int ink = 0; ink < 3; ++ink) {
    const std::size_t from = static_cast<std::size_t>(8 * ink);
    const bool same =
        std::equal(after.values.begin() + from, after.values.begin() + from + 8,
                   c.listIndex == 0 ? after.values.begin() : kStart.values.begin() + from);
    if (c.listIndex == 0 || ink != edited) {
      EXPECT_TRUE(same) << "ink " << ink;
    }
  }
}

// kStart: cyan FF FD FA B5 84 61 00 00, magenta FF FD AB CD 66 75 00 00, yellow FF FD A2 F7 60 7D.
INSTANTIATE_TEST_SUITE_P(
    Handles, CurveDragTest,
    testing::Values(DragCase{"AllEndPoint", 0, CurveHandle::P0, {-30, 40}, {255, 213}},
                    DragCase{"AllP1", 0, CurveHandle::P1, {-20, 10}, {230, 171}},
                    DragCase{"AllP2", 0, CurveHandle::P2, {15, -15}, {147, 112}},
                    DragCase{"MagentaEndPoint", 2, CurveHandle::P0, {12, 100}, {255, 153}},
                    DragCase{"MagentaP1", 2, CurveHandle::P1, {-40, -20}, {131, 225}},
                    DragCase{"YellowP2PastTheCorner", 3, CurveHandle::P2, {-200, -300}, {0, 255}}),
    [](const testing::TestParamInfo<DragCase>& info) { return info.param.name; });

TEST_F(CurveEditorTest, PressingBesideTheMarkersMovesNothing) {
  QSignalSpy announced(editor.get(), &CurveEditor::pointsChanged);
  const QPoint beside = canvas->HandlePosition(CurveHandle::P1).toPoint() + QPoint(9, 9);
  Drag(beside, {-40, -40});
  EXPECT_EQ(editor->Points(), kStart);
  EXPECT_EQ(announced.count(), 0);
}

TEST_F(CurveEditorTest, CancelBringsBackAndAnnouncesThePointsItOpenedWith) {
  DragHandle(CurveHandle::P0, {0, 50});
  ChooseInk(1);
  DragHandle(CurveHandle::P2, {30, 0});
  ASSERT_NE(editor->Points(), kStart);
  QSignalSpy announced(editor.get(), &CurveEditor::pointsChanged);
  editor->findChild<QPushButton*>(QStringLiteral("curveCancel"))->click();
  EXPECT_EQ(editor->result(), QDialog::Rejected);
  EXPECT_EQ(editor->Points(), kStart);
  ASSERT_EQ(announced.count(), 1);
  EXPECT_EQ(announced.front().front().value<ColourAdjustPoints>(), kStart);
}

TEST_F(CurveEditorTest, OkKeepsTheEditedPoints) {
  DragHandle(CurveHandle::P1, {10, 10});
  const ColourAdjustPoints edited = editor->Points();
  editor->findChild<QPushButton*>(QStringLiteral("curveOk"))->click();
  EXPECT_EQ(editor->result(), QDialog::Accepted);
  EXPECT_EQ(editor->Points(), edited);
  EXPECT_NE(edited, kStart);
}

// The box shows the stored millimetres in the window's unit and gives back
// millimetres, never more than 2.
TEST(WhiteChokeBox, ShowsTheUnitAndGivesBackMillimetres) {
  App();
  WhiteChokeBox box;
  box.Show(1.2, DisplayUnit::Centimetres, QStringLiteral("cm"));
  EXPECT_EQ(box.text(), QStringLiteral("0.12 cm"));
  EXPECT_DOUBLE_EQ(box.Millimetres(), 1.2);
  box.Show(2, DisplayUnit::Inches, QStringLiteral("Inch"));
  EXPECT_EQ(box.text(), QStringLiteral("0.079 Inch"));
  EXPECT_DOUBLE_EQ(box.Millimetres(), 2) << "the rounded inch value is held to 2 mm";
  QSignalSpy changed(&box, &WhiteChokeBox::millimetresChanged);
  box.Show(0.5, DisplayUnit::Millimetres, QStringLiteral("mm"));
  EXPECT_EQ(changed.count(), 0) << "showing is not a change";
  QTest::keyClick(&box, Qt::Key_Up);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_NEAR(changed.front().front().toDouble(), 0.6, 1e-9);
}

}  // namespace
}  // namespace nvx::app
