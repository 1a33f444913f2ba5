// Editing the problem from the main window: the properties dialog's paint tool in the
// drawing area, the boundary editor's highlight, and runs that show what was edited.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <memory>
#include <set>
#include <utility>

#include "gui/dialogs/AddSeg.h"
#include "gui/dialogs/Boundary.h"
#include "gui/dialogs/PhysicalProp.h"
#include "gui/dialogs/Process.h"
#include "gui/document/problemfile.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/platform/help.h"
#include "gui/platform/widgets.h"
#include "sim/materials.h"
#include "tests/gui/support.h"

namespace {

using VolumeSet = std::set<std::pair<int, int>>;

void Type(QWidget* dialog, const char* field, const QString& text) {
  auto* edit = dialog->findChild<QLineEdit*>(field);
  ASSERT_NE(edit, nullptr) << field;
  // Typed over the selection, so the field never passes through empty (which would release
  // the paint tool).
  edit->selectAll();
  QTest::keyClicks(edit, text);
  ASSERT_EQ(edit->text(), text);
}

bool IsGold(const VolumeProperties& p) {
  return p.conductivity == 317 && p.density == 19300 && p.specificHeat == 129 &&
         p.heatGeneration == 0;
}

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<THeatForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    props = form->physicalPropDlg;
    ASSERT_NE(props, nullptr);
  }
  void TearDown() override {
    form.reset();
    // The window's shut-down released every condition the editing made.
    EXPECT_EQ(FHeat::Instances(), 0);
  }

  // The drawing-area pixel of a world point, by the plot's own mapping.
  QPoint PixelOf(double x, double y) const {
    QImage image(1, 1, QImage::Format_RGB32);
    Surface surface(&image);
    RCanvas canvas(surface, form->viewport, form->boundsMin, form->boundsMax, 4);
    return QPoint(canvas.MapX(x), canvas.MapY(y));
  }
  // A press at `from`, the pointer dragged pixel by pixel to `to`, and a release there.
  void Drag(Point from, Point to, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint a = PixelOf(from.x, from.y);
    const QPoint b = PixelOf(to.x, to.y);
    QTest::mouseMove(form->Draw, a);
    QTest::mousePress(form->Draw, button, {}, a);
    const int n = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    for (int k = 1; k <= n; ++k) {
      const QPoint p(a.x() + (b.x() - a.x()) * k / n, a.y() + (b.y() - a.y()) * k / n);
      QTest::mouseMove(form->Draw, p);
    }
    QTest::mouseRelease(form->Draw, button, {}, b);
  }
  // Makes a window the active one, as a click on it would: shortcuts go to the active
  // window, and the offscreen platform does not hand activation back when a dialog closes.
  static bool Activate(QWidget* window) {
    window->activateWindow();
    for (int k = 0; k < 100 && QApplication::activeWindow() != window; ++k)
      QTest::qWait(10);
    return QApplication::activeWindow() == window;
  }
  void ClickAt(Point at, Qt::MouseButton button) {
    const QPoint p = PixelOf(at.x, at.y);
    QTest::mouseMove(form->Draw, p);
    QTest::mouseClick(form->Draw, button, {}, p);
  }
  VolumeSet NotGold() const {
    VolumeSet changed;
    for (int i = 0; i < form->media->ni; ++i) {
      for (int j = 0; j < form->media->nj; ++j) {
        if (!IsGold(form->media->volume(i, j)))
          changed.insert({i, j});
      }
    }
    return changed;
  }
  // Long implicit steps: the runs below end at the steady state.
  void RunToSteadyState() {
    form->SetParameters(1e-12, 1e-12, 60, 100000, 1e7);
    form->SetManager(RunToEnd(*form, UniformStart(*form)).release());
  }
  const NumMatrix<double>& Field() const { return form->manager->Snapshot(form->curSnapshot).T; }

  std::unique_ptr<THeatForm> form;
  TPhysicalPropDlg* props = nullptr;
};

TEST_F(Editing, PaintToolPaintsEveryVolumeADragEntersAndPicksUpWithTheRightButton) {
  ClickAt({0.55, 0.55}, Qt::LeftButton);  // no tool yet: a press only probes
  EXPECT_TRUE(NotGold().empty());

  form->PhyPropBtn->click();
  ASSERT_TRUE(props->isVisible());
  ASSERT_TRUE(props->Painting());
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::BitmapCursor);
  Type(props, "Conductivity", "401");
  Type(props, "Density", "8933");
  Type(props, "SpecificHeat", "385");
  Type(props, "HeatGen", "5");
  ASSERT_TRUE(props->Painting());

  // Slope 1/2 on the 10 x 10 unit square, crossing grid lines away from every corner.
  Drag({0.15, 0.25}, {0.55, 0.45});
  VolumeSet expected = {{1, 2}, {2, 2}, {2, 3}, {3, 3}, {4, 3}, {4, 4}, {5, 4}};
  EXPECT_EQ(NotGold(), expected);
  for (const auto& [i, j] : expected) {
    const VolumeProperties& p = form->media->volume(i, j);
    EXPECT_EQ(p.conductivity, 401);
    EXPECT_EQ(p.density, 8933);
    EXPECT_EQ(p.specificHeat, 385);
    EXPECT_EQ(p.heatGeneration, 5);
  }
  // Moving without the button paints nothing.
  for (double x = 0.05; x < 1; x += 0.1)
    QTest::mouseMove(form->Draw, PixelOf(x, 0.85));
  EXPECT_EQ(NotGold(), expected);
  // A press paints the volume under it even when no move reported that volume.
  QTest::mouseClick(form->Draw, Qt::LeftButton, {}, PixelOf(0.95, 0.05));
  expected.insert({9, 0});
  EXPECT_EQ(NotGold(), expected);

  // The right button takes a volume's material, never its heat generation, and paints none.
  Type(props, "HeatGen", "7");
  ClickAt({0.85, 0.85}, Qt::RightButton);
  EXPECT_EQ(props->Conductivity->text(), "317");
  EXPECT_EQ(props->Density->text(), "19300");
  EXPECT_EQ(props->SpecificHeat->text(), "129");
  EXPECT_EQ(props->MaterialName->text(), "Gold");
  EXPECT_EQ(props->HeatGen->text(), "7");
  ClickAt({0.35, 0.35}, Qt::RightButton);
  EXPECT_EQ(props->MaterialName->text(), "Copper");
  EXPECT_EQ(props->HeatGen->text(), "7");
  EXPECT_EQ(NotGold(), expected);
  EXPECT_TRUE(props->Painting());

  // Closed, the dialog takes its tool away.
  props->close();
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::ArrowCursor);
  Drag({0.95, 0.05}, {0.95, 0.95});
  EXPECT_EQ(NotGold(), expected);
}

// After a run the temperature view would hide every material painted: the dialog shows the
// materials while it is open and gives the student's view back after. A field typed through
// something that is not a number turns the tool off, and the pointer and the status bar say
// so and why. A new problem starts the dialogs afresh.
TEST_F(Editing, ThePropertiesDialogShowsTheMaterialsAndSaysWhyTheToolIsOff) {
  RunToSteadyState();
  ASSERT_EQ(form->viewMode, ViewMode::Temperature);
  form->PhyPropBtn->click();
  ASSERT_TRUE(props->isVisible());
  EXPECT_EQ(form->viewMode, ViewMode::Media);
  // Placed on the screen, beside the window where there is room.
  EXPECT_TRUE(form->screen()->availableGeometry().contains(props->frameGeometry().topLeft()));

  const auto status = [this] { return form->statusBar()->currentMessage(); };
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::BitmapCursor);
  Type(props, "Density", "0");
  EXPECT_FALSE(props->Painting());
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::ForbiddenCursor);
  EXPECT_EQ(status(), "The paint tool is off: Density must be a number above 1E-5");
  Type(props, "Density", "8933");
  EXPECT_EQ(status(), "The paint tool is off: press Apply to paint volumes");
  Drag({0.15, 0.25}, {0.55, 0.45});
  EXPECT_TRUE(NotGold().empty());
  // A hint that comes and goes leaves the tool's state on the status bar.
  QEvent enter(QEvent::Enter), leave(QEvent::Leave);
  QApplication::sendEvent(form->PlayBtn, &enter);
  QApplication::sendEvent(form->PlayBtn, &leave);
  EXPECT_EQ(status(), "The paint tool is off: press Apply to paint volumes");

  props->Apply->click();
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::BitmapCursor);
  Drag({0.15, 0.25}, {0.55, 0.45});
  EXPECT_FALSE(NotGold().empty());
  props->close();
  EXPECT_EQ(form->viewMode, ViewMode::Temperature);
  EXPECT_EQ(form->Draw->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(status(), "");

  // A view chosen while the dialog is open is the student's: it stays.
  form->PhyPropBtn->click();
  form->BoundsItem->trigger();
  props->close();
  EXPECT_EQ(form->viewMode, ViewMode::Bounds);

  // New problem: the last material and the last segment's limits are gone.
  Type(props, "HeatGen", "1e308");
  Type(form->segmentDlg, "Start", "0.4");
  form->segmentDlg->CBType->setCurrentIndex(2);
  form->NewProblem();
  EXPECT_EQ(props->HeatGen->text(), "0");
  EXPECT_EQ(props->MaterialName->text(), "Gold");
  EXPECT_EQ(form->segmentDlg->Start->text(), "0");
  EXPECT_EQ(form->segmentDlg->CBType->currentText(), "Convection");
}

TEST_F(Editing, ACopperStripeCarriesTheSameHeatWithASmallerDrop) {
  form->PhyPropBtn->click();
  Type(props, "Conductivity", "401");
  Type(props, "Density", "8933");
  Type(props, "SpecificHeat", "385");
  ASSERT_TRUE(props->Painting());
  Drag({0.55, 0.02}, {0.55, 0.98});
  const VolumeSet column = {{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4},
                            {5, 5}, {5, 6}, {5, 7}, {5, 8}, {5, 9}};
  ASSERT_EQ(NotGold(), column);
  props->close();

  // West at 0, East at 1, insulated North and South: one-dimensional conduction in series.
  // Between the centres of columns 4 and 6 the heat crosses half a gold volume, a copper one
  // and half a gold one; between 1 and 3, two gold volumes.
  RunToSteadyState();
  const NumMatrix<double>& T = Field();
  const double expected = (1.0 / 317 + 1.0 / 401) / (2.0 / 317);
  for (int j = 0; j < 10; ++j) {
    const double acrossCopper = T[6][j] - T[4][j];
    const double acrossGold = T[3][j] - T[1][j];
    ASSERT_GT(acrossGold, 0.1);
    EXPECT_NEAR(acrossCopper / acrossGold, expected, 2e-4) << "row " << j;
  }
}

TEST_F(Editing, ATemperatureSegmentOnNorthWarmsTheFieldBelowIt) {
  RunToSteadyState();
  const NumMatrix<double> before = Field();

  form->BConditionsBtn->click();
  TBoundaryDlg& editor = *form->boundaryDlg;
  ASSERT_TRUE(editor.isVisible());
  EXPECT_TRUE(form->boundaryDialogVisible);
  EXPECT_EQ(form->boundaryPage, "North");

  // The segment dialog comes up modally from Add.
  TSegmentDlg& segment = *form->segmentDlg;
  bool asked = false;
  QTimer::singleShot(0, &segment, [&] {
    asked = segment.isVisible() && segment.isModal();
    segment.CBType->setCurrentIndex(2);
    Type(&segment, "Start", "0.2");
    Type(&segment, "End", "0.4");
    segment.CBF0->setCurrentIndex(1);  // the constant 1
    QTest::mouseClick(segment.OkBtn, Qt::LeftButton);
  });
  QTest::mouseClick(editor.AddBtn, Qt::LeftButton);
  ASSERT_TRUE(asked);
  ASSERT_EQ(form->northFace->count, 3);
  EXPECT_STREQ(form->northFace->f[1]->Name(), "Temperature");

  RunToSteadyState();
  const NumMatrix<double>& T = Field();
  // Raising a boundary temperature raises the field everywhere (and most right below it).
  double largest = 0;
  std::pair<int, int> where{-1, -1};
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 10; ++j) {
      EXPECT_GE(T[i][j], before[i][j] - 1e-9) << i << ", " << j;
      if (T[i][j] - before[i][j] > largest) {
        largest = T[i][j] - before[i][j];
        where = {i, j};
      }
    }
  }
  EXPECT_GT(largest, 0.2);
  EXPECT_EQ(where.second, 9);
  EXPECT_TRUE(where.first == 2 || where.first == 3) << where.first;

  QTest::mouseClick(editor.CloseBtn, Qt::LeftButton);
  EXPECT_FALSE(form->boundaryDialogVisible);
}

// The student's evening: a copper stripe, a convective segment on North, a new grid from
// the wizard; three Ctrl+Z give the problem back to the byte, three redos bring the changes
// back. Each step is named in the Edit menu; the editor left open follows every undo and
// takes the keys itself; results stay through an undo that keeps the grid and go with one
// that changes it; while the run window is open, Undo and Redo wait.
TEST_F(Editing, ThreeUndosGiveBackTheProblemToTheByteAndThreeRedosTheChanges) {
  THeatForm& f = *form;
  RunToSteadyState();
  const QByteArray start = problemfile::Serialize(f);
  EXPECT_FALSE(f.UndoItem->isEnabled());
  EXPECT_FALSE(f.UndoBtn->isEnabled());
  EXPECT_EQ(f.UndoItem->text(), "&Undo");

  f.PhyPropBtn->click();
  Type(props, "Conductivity", "401");
  Type(props, "Density", "8933");
  Type(props, "SpecificHeat", "385");
  ASSERT_TRUE(props->Painting());
  Drag({0.55, 0.02}, {0.55, 0.98});
  ASSERT_EQ(NotGold().size(), 10u);
  // A right click picks up a material and changes nothing: no step.
  ClickAt({0.15, 0.15}, Qt::RightButton);
  props->close();
  EXPECT_EQ(f.Model().History().count(), 1) << "one step for the whole drag";
  EXPECT_EQ(f.UndoItem->text(), "&Undo Paint Copper");
  EXPECT_TRUE(f.UndoBtn->isEnabled());
  EXPECT_FALSE(f.RedoItem->isEnabled());
  EXPECT_EQ(f.windowTitle(), "Calorivectrix v1.1*");
  ASSERT_NE(f.manager, nullptr) << "painting keeps the results";

  f.BConditionsBtn->click();
  TBoundaryDlg& editor = *f.boundaryDlg;
  TSegmentDlg& segment = *f.segmentDlg;
  QTimer::singleShot(0, &segment, [&] {
    segment.CBType->setCurrentIndex(0);
    Type(&segment, "Start", "0.3");
    Type(&segment, "End", "0.7");
    QTest::mouseClick(segment.OkBtn, Qt::LeftButton);
  });
  QTest::mouseClick(editor.AddBtn, Qt::LeftButton);
  ASSERT_EQ(f.northFace->count, 3);
  EXPECT_EQ(editor.NGrid->rowCount(), 3);
  EXPECT_EQ(f.UndoItem->text(), "&Undo Add Convection Segment on North");
  const QByteArray withSegment = problemfile::Serialize(f);

  ASSERT_TRUE(f.SetMedia(std::make_unique<PolarMedia>(2.5, 0.75, 120, 7, 5, DefaultMaterial())));
  EXPECT_EQ(f.UndoItem->text(), "&Undo New Annular Sector Grid");
  RunToSteadyState();
  const QByteArray end = problemfile::Serialize(f);

  // The first undo from the open editor, which holds the same keys.
  ASSERT_TRUE(Activate(&editor));
  QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(f.media->ni, 10);
  EXPECT_EQ(f.manager, nullptr) << "results of another grid";
  EXPECT_EQ(NotGold().size(), 10u) << "the old grid comes back with its materials";
  EXPECT_EQ(f.RedoItem->text(), "&Redo New Annular Sector Grid");
  ASSERT_TRUE(Activate(&f));
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor.NGrid->rowCount(), 1) << "the editor shows the undo at once";
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(problemfile::Serialize(f), start);
  EXPECT_FALSE(f.UndoItem->isEnabled());
  EXPECT_EQ(f.windowTitle(), "Calorivectrix v1.1") << "undone back to the start: unchanged";

  QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(problemfile::Serialize(f), withSegment);
  EXPECT_EQ(editor.NGrid->rowCount(), 3);
  QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(problemfile::Serialize(f), end);
  EXPECT_FALSE(f.RedoItem->isEnabled());

  // Watching is a step too, and its undo takes the marker away.
  ASSERT_TRUE(f.WatchVolume(VolumeIndex{2, 3}, true));
  EXPECT_EQ(f.UndoItem->text(), "&Undo Watch Volume (3, 4)");
  f.UndoItem->trigger();
  EXPECT_TRUE(f.watched.empty());
  f.RedoItem->trigger();
  ASSERT_EQ(f.watched.size(), 1u);

  // A run holds the problem: nothing to undo while its window is open.
  bool undoWhileRunning = true;
  QTimer::singleShot(0, f.processDlg, [&] {
    undoWhileRunning = f.UndoItem->isEnabled() || f.UndoBtn->isEnabled();
    f.processDlg->close();
  });
  f.SimulationBtnClick();
  EXPECT_FALSE(undoWhileRunning);
  EXPECT_TRUE(f.UndoItem->isEnabled());
}

TEST_F(Editing, InTheWhatIsThisModeTheCommandsExplainThemselves) {
  HelpViewer::Instance().SetShowWindows(false);
  form->HelpBtnCPopup->click();
  form->PhyPropBtn->click();
  EXPECT_EQ(HelpViewer::Instance().LastRequest().command, HelpViewer::Command::Popup);
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, 1060);
  EXPECT_FALSE(props->isVisible());
  form->HelpBtnCPopup->click();
  form->BoundaryItem->trigger();
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, 1070);
  EXPECT_FALSE(form->boundaryDlg->isVisible());
  HelpViewer::Instance().SetShowWindows(true);

  form->BoundaryItem->trigger();
  EXPECT_TRUE(form->boundaryDlg->isVisible());
  form->PhysicalPropertiesItem->trigger();
  EXPECT_TRUE(props->isVisible());
}

}  // namespace
