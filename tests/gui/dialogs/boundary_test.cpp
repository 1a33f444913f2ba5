// The boundary editor with its real segment and custom-function dialogs, shown modally as
// the main window shows them: the tables, Add, Del and their refusals, the highlighted side,
// the kinds and limits of a segment, custom functions and their preview.

#include "gui/dialogs/Boundary.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "gui/dialogs/AddFun.h"
#include "gui/dialogs/AddSeg.h"
#include "gui/platform/help.h"
#include "gui/platform/messages.h"
#include "gui/platform/widgets.h"
#include "sim/problem.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

template <class T>
T* Find(QWidget* parent, const char* name) {
  T* control = parent->findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

void Type(QWidget* parent, const char* field, const QString& text) {
  auto* edit = Find<QLineEdit>(parent, field);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

void Click(QWidget* parent, const char* button) {
  QTest::mouseClick(Find<QPushButton>(parent, button), Qt::LeftButton);
}

// Runs `steps` inside the dialog's modal loop, as a user would act on it once it is up.
int ExecWith(QDialog& dialog, std::function<void()> steps) {
  QTimer::singleShot(0, &dialog, [&dialog, steps] {
    EXPECT_TRUE(dialog.isVisible());
    steps();
    // A step that forgot to close it must not leave the test waiting.
    if (dialog.isVisible())
      dialog.reject();
  });
  return dialog.exec();
}

// Chooses the entry of a closed list with the keyboard, as a user picking from it does.
// Choosing "Custom..." may land elsewhere, so the presses are counted, not the result.
void Choose(QComboBox* list, int index) {
  list->setFocus();
  const int steps = index - list->currentIndex();
  for (int k = 0; k < std::abs(steps); ++k)
    QTest::keyClick(list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

// The same on a function list of the segment dialog, whose arrows only move: Enter chooses
// "Custom...".
void Pick(QComboBox* list, int index) {
  Choose(list, index);
  if (list->currentText() == "Custom...")
    QTest::keyClick(list, Qt::Key_Return);
}

// The main window as the editor sees it, owning the real segment and function dialogs.
class FakeWindow : public BoundaryTarget, public SegmentTarget {
 public:
  explicit FakeWindow(ProblemModel& model) : segmentDlg(model, *this), functionDlg() {}

  void ShowBoundarySide(bool visible, const QString& page) override {
    highlighted = visible;
    side = page;
    ++redraws;
  }
  std::optional<NewSegment> AskSegment() override {
    if (ExecWith(segmentDlg, [this] { segmentSteps(segmentDlg); }) != QDialog::Accepted)
      return std::nullopt;
    return segmentDlg.BuildSegment();
  }
  std::unique_ptr<Function1D> AskCustomFunction() override {
    if (ExecWith(functionDlg, [this] { functionSteps(functionDlg); }) != QDialog::Accepted)
      return nullptr;
    return functionDlg.TakeFunction();
  }

  TSegmentDlg segmentDlg;
  TFunctionDlg functionDlg;
  std::function<void(TSegmentDlg&)> segmentSteps = [](TSegmentDlg& d) { Click(&d, "CancelBtn"); };
  std::function<void(TFunctionDlg&)> functionSteps = [](TFunctionDlg& d) {
    Click(&d, "CancelBtn");
  };
  bool highlighted = false;
  QString side;
  int redraws = 0;
};

struct Row {
  QString type, start, end, value;
};

std::vector<Row> Rows(QTableWidget* grid) {
  std::vector<Row> rows;
  for (int r = 0; r < grid->rowCount(); ++r) {
    rows.push_back({grid->item(r, 0)->text(), grid->item(r, 1)->text(), grid->item(r, 2)->text(),
                    grid->item(r, 3)->text()});
  }
  return rows;
}

void ExpectRows(QTableWidget* grid, const std::vector<Row>& expected) {
  const std::vector<Row> rows = Rows(grid);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].type, expected[r].type) << "row " << r;
    EXPECT_EQ(rows[r].start, expected[r].start) << "row " << r;
    EXPECT_EQ(rows[r].end, expected[r].end) << "row " << r;
    EXPECT_EQ(rows[r].value, expected[r].value) << "row " << r;
  }
}

class BoundaryEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    instancesBefore = FHeat::Instances();
    problem = std::make_unique<ProblemRecord>();
    model = std::make_unique<ProblemModel>(*problem);
    window = std::make_unique<FakeWindow>(*model);
    dlg = std::make_unique<TBoundaryDlg>(*model, *window);
    messages::SetAnswerer([this](const messages::Shown& box) {
      shown.push_back(box);
      return QMessageBox::Ok;
    });
  }
  void TearDown() override {
    messages::SetAnswerer({});
    dlg.reset();
    window.reset();
    model.reset();
    problem.reset();
    // Every add, delete and cancel left the counts balanced.
    EXPECT_EQ(FHeat::Instances(), instancesBefore);
  }
  // Adds a segment through the segment dialog: kind, limits, and the function index of CBF0.
  void Add(int kind, const QString& start, const QString& end, int function) {
    window->segmentSteps = [=](TSegmentDlg& d) {
      Choose(Find<QComboBox>(&d, "CBType"), kind);
      Type(&d, "Start", start);
      Type(&d, "End", end);
      Choose(Find<QComboBox>(&d, "CBF0"), function);
      Click(&d, "OkBtn");
    };
    Click(dlg.get(), "AddBtn");
  }
  void SelectRow(QTableWidget* grid, int row) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(row, 0)).center());
    ASSERT_EQ(grid->currentRow(), row);
  }

  int instancesBefore = 0;
  std::unique_ptr<ProblemRecord> problem;
  std::unique_ptr<ProblemModel> model;
  std::unique_ptr<FakeWindow> window;
  std::unique_ptr<TBoundaryDlg> dlg;
  std::vector<messages::Shown> shown;
};

TEST_F(BoundaryEditor, TablesShowTheSidesAndTheCurrentSideIsHighlighted) {
  dlg->show();
  EXPECT_TRUE(window->highlighted);
  EXPECT_EQ(window->side, "North");
  auto* n = Find<QTableWidget>(dlg.get(), "NGrid");
  EXPECT_EQ(n->horizontalHeaderItem(0)->text(), "Type");
  EXPECT_EQ(n->horizontalHeaderItem(3)->text(), "Value");
  ExpectRows(n, {{"Flux", "0", "1", "0"}});
  ExpectRows(Find<QTableWidget>(dlg.get(), "EGrid"), {{"Temperature", "0", "1", "1"}});

  // The whole condition, both functions of a convection, is the row's tooltip; the
  // dialog and its columns take the room the student gives them.
  EXPECT_EQ(n->item(0, 3)->toolTip(),
            "Flux from 0 to 1 of the side\nq\" = 0\n(x is the position along the side, 0 at its "
            "start and 1 at its end)");
  FConvection convection(problem->functionList[1].get(), problem->functionList[2].get());
  {
    const DecimalCommaScope comma;
    EXPECT_EQ(
        ConditionDescription(convection, 0.25, 1.0 / 3),
        "Convection from 0,25 to 0,3333 of the side\nh = 1\nT\u221e = 0+1sin(3,14159x)\n(x is "
        "the position along the side, 0 at its start and 1 at its end)");
  }
  EXPECT_EQ(dlg->minimumSize(), QSize(420, 230));
  EXPECT_GT(dlg->maximumWidth(), 1000);
  EXPECT_TRUE(n->horizontalHeader()->stretchLastSection());
  EXPECT_EQ(n->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);

  auto* page = Find<QTabWidget>(dlg.get(), "Page");
  page->setCurrentIndex(2);
  EXPECT_EQ(window->side, "East");
  EXPECT_TRUE(window->highlighted);
  EXPECT_EQ(&dlg->CurrentFace(), problem->eastFace.get());

  Click(dlg.get(), "CloseBtn");
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_FALSE(window->highlighted);
  // The side stays current for the next showing.
  dlg->show();
  EXPECT_EQ(window->side, "East");
  HelpViewer::Instance().SetShowWindows(false);
  Click(dlg.get(), "HelpBtn");
  HelpViewer::Instance().SetShowWindows(true);
  EXPECT_EQ(HelpViewer::Instance().LastRequest().topic, 320);
  dlg->close();
}

TEST_F(BoundaryEditor, AddSplitsAndDelGivesTheRangeToANeighbour) {
  dlg->show();
  auto* n = Find<QTableWidget>(dlg.get(), "NGrid");
  Add(2, "0.2", "0.4", 1);  // Temperature, the function "1"
  ExpectRows(
      n,
      {{"Flux", "0", "0.2", "0"}, {"Temperature", "0.2", "0.4", "1"}, {"Flux", "0.4", "1", "0"}});
  EXPECT_EQ(n->currentRow(), 1);  // the new segment
  EXPECT_EQ(problem->northFace->f[0], problem->northFace->f[2]);

  // A third of the side, shown to four digits.
  Add(0, "0.6", QString::number(2.0 / 3, 'g', 17), 1);
  ExpectRows(n, {{"Flux", "0", "0.2", "0"},
                 {"Temperature", "0.2", "0.4", "1"},
                 {"Flux", "0.4", "0.6", "0"},
                 {"Convection", "0.6", "0.6667", "1 / 0"},
                 {"Flux", "0.6667", "1", "0"}});

  // The middle row goes to its follower, which is not merged with its like.
  SelectRow(n, 1);
  Click(dlg.get(), "DelBtn");
  ExpectRows(n, {{"Flux", "0", "0.2", "0"},
                 {"Flux", "0.2", "0.6", "0"},
                 {"Convection", "0.6", "0.6667", "1 / 0"},
                 {"Flux", "0.6667", "1", "0"}});
  // The last row goes to the one before it.
  SelectRow(n, 3);
  Click(dlg.get(), "DelBtn");
  ExpectRows(n, {{"Flux", "0", "0.2", "0"},
                 {"Flux", "0.2", "0.6", "0"},
                 {"Convection", "0.6", "1", "1 / 0"}});
  EXPECT_EQ(problem->northFace->bounds[3], 1);
  EXPECT_TRUE(shown.empty());
  dlg->close();
}

TEST_F(BoundaryEditor, RefusalsLeaveTheSideAsItWas) {
  dlg->show();
  auto* n = Find<QTableWidget>(dlg.get(), "NGrid");
  const int conditions = FHeat::Instances();

  Click(dlg.get(), "DelBtn");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Error");
  EXPECT_EQ(shown[0].text, "Cannot delete last boundary condition");
  EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
  ExpectRows(n, {{"Flux", "0", "1", "0"}});

  // Cancel creates nothing.
  window->segmentSteps = [](TSegmentDlg& d) {
    Type(&d, "Start", "0.3");
    Click(&d, "CancelBtn");
  };
  Click(dlg.get(), "AddBtn");
  ExpectRows(n, {{"Flux", "0", "1", "0"}});
  EXPECT_EQ(FHeat::Instances(), conditions);

  // A side one short of its capacity takes no split, which needs two slots, but still takes
  // a segment over a bound.
  Face& north = *problem->northFace;
  for (int s = 1; s < 99; ++s)
    north.Insert(Segment{s / 100.0, 1, north.f[0]});
  ASSERT_EQ(north.count, 99);
  Add(2, "0.985", "0.987", 1);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].caption, "Error");
  EXPECT_EQ(shown[1].icon, QMessageBox::Critical);
  EXPECT_TRUE(shown[1].text.startsWith("Cannot add boundary condition"));
  EXPECT_EQ(north.count, 99);
  EXPECT_EQ(north.bounds[98], 0.98);
  EXPECT_EQ(FHeat::Instances(), conditions);
  Add(2, "0.975", "0.985", 1);
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_EQ(north.count, 100);
  EXPECT_EQ(n->rowCount(), 100);
  dlg->close();
}

TEST_F(BoundaryEditor, SegmentKindsAndLimits) {
  TSegmentDlg& d = window->segmentDlg;
  d.show();
  auto* kind = Find<QComboBox>(&d, "CBType");
  auto* ok = Find<QPushButton>(&d, "OkBtn");
  auto* pictures = Find<QStackedWidget>(&d, "NotebookImg");
  EXPECT_EQ(d.windowTitle(), "Segment Definition");
  EXPECT_EQ(kind->currentText(), "Convection");
  EXPECT_EQ(Find<QLabel>(&d, "LF0")->text(), "h");
  EXPECT_TRUE(Find<QComboBox>(&d, "CBF1")->isVisible());
  EXPECT_EQ(pictures->currentWidget()->objectName(), "ConvImg");
  Choose(kind, 1);
  EXPECT_EQ(Find<QLabel>(&d, "LF0")->text(), "q\"");
  EXPECT_FALSE(Find<QComboBox>(&d, "CBF1")->isVisible());
  EXPECT_FALSE(Find<QLabel>(&d, "LF1")->isVisible());
  EXPECT_EQ(pictures->currentWidget()->objectName(), "FluxImg");
  Choose(kind, 2);
  EXPECT_EQ(Find<QLabel>(&d, "LF0")->text(), "T");
  EXPECT_EQ(pictures->currentWidget()->objectName(), "TempImg");

  EXPECT_TRUE(ok->isEnabled());
  const struct {
    const char* start;
    const char* end;
    bool ok;
  } limits[] = {{"0.5", "0.5", false}, {"0", "1.5", false}, {"-0.1", "1", false},
                {"0.7", "0.2", false}, {"a", "1", false},   {"0", "", false},
                {"0", "1", true},      {"0.999", "1", true}};
  for (const auto& l : limits) {
    Type(&d, "Start", l.start);
    Type(&d, "End", l.end);
    EXPECT_EQ(ok->isEnabled(), l.ok) << l.start << " " << l.end;
    EXPECT_EQ(d.BuildSegment().has_value(), l.ok);
  }
  d.close();
}

TEST_F(BoundaryEditor, CustomFunctionJoinsBothListsAndIsChosenWhereAsked) {
  TSegmentDlg& d = window->segmentDlg;
  d.show();
  auto* f0 = Find<QComboBox>(&d, "CBF0");
  auto* f1 = Find<QComboBox>(&d, "CBF1");
  ASSERT_EQ(f0->count(), 5);
  EXPECT_EQ(f0->itemText(2), "0+1sin(3.14159x)");
  EXPECT_EQ(f0->itemText(4), "Custom...");
  {
    // The lists show numbers in the user's notation.
    const DecimalCommaScope comma;
    d.FillFunctionLists();
    EXPECT_EQ(f0->itemText(2), "0+1sin(3,14159x)");
  }
  d.FillFunctionLists();
  Pick(f1, 1);

  int asked = 0;
  window->functionSteps = [&asked](TFunctionDlg& fd) {
    ++asked;
    Choose(Find<QComboBox>(&fd, "CBType"), 1);
    Type(&fd, "LinA", "2");
    Type(&fd, "LinB", "-1");
    Click(&fd, "OkBtn");
  };
  // Arrowing onto "Custom..." shows it and no more; with no function chosen OK waits.
  Choose(f0, 4);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(f0->currentIndex(), 4);
  EXPECT_FALSE(Find<QPushButton>(&d, "OkBtn")->isEnabled());
  Choose(f0, 3);
  EXPECT_TRUE(Find<QPushButton>(&d, "OkBtn")->isEnabled());
  // Enter on it asks for the function.
  Pick(f0, 4);
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(problem->functionList.size(), 5u);
  ASSERT_EQ(f0->count(), 6);
  EXPECT_EQ(f0->itemText(4), "2x + -1");
  EXPECT_EQ(f1->itemText(4), "2x + -1");
  EXPECT_EQ(f0->currentIndex(), 4);
  EXPECT_EQ(f1->currentIndex(), 1);
  EXPECT_EQ(f0->itemText(5), "Custom...");

  // Cancelled, the list that asked shows the last function.
  window->functionSteps = [](TFunctionDlg& fd) { Click(&fd, "CancelBtn"); };
  Pick(f1, 5);
  EXPECT_EQ(problem->functionList.size(), 5u);
  EXPECT_EQ(f1->currentIndex(), 4);

  // The segment is built on the chosen functions.
  Type(&d, "Start", "0.25");
  std::optional<NewSegment> segment = d.BuildSegment();
  ASSERT_TRUE(segment.has_value());
  EXPECT_EQ(segment->lower, 0.25);
  EXPECT_EQ(segment->upper, 1);
  auto* convection = dynamic_cast<FConvection*>(segment->condition.get());
  ASSERT_NE(convection, nullptr);
  EXPECT_EQ(convection->h, problem->functionList[4].get());
  EXPECT_EQ(convection->ambient, problem->functionList[4].get());
  d.close();
}

TEST_F(BoundaryEditor, FunctionPreviewRangesAndBadFields) {
  EXPECT_EQ(PreviewScale(0.5), 1);
  EXPECT_EQ(PreviewScale(0.05), 0.1);
  EXPECT_EQ(PreviewScale(0.1), 1);
  EXPECT_EQ(PreviewScale(5), 10);
  EXPECT_EQ(PreviewScale(10), 100);
  EXPECT_EQ(PreviewScale(1), 1);
  EXPECT_EQ(PreviewScale(-2), -10);
  EXPECT_EQ(PreviewScale(0), 1);
  EXPECT_EQ(PreviewScale(-1), -1);
  EXPECT_TRUE(std::isinf(PreviewScale(1e308)));

  TFunctionDlg& fd = window->functionDlg;
  fd.show();
  EXPECT_EQ(fd.windowTitle(), "Custom Function");
  auto* ok = Find<QPushButton>(&fd, "OkBtn");
  auto* draw = Find<TPaintBox>(&fd, "Draw");
  auto redPixels = [draw] {
    const QImage image = draw->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x)
        red += image.pixel(x, y) == qRgb(255, 0, 0);
    }
    return red;
  };
  EXPECT_EQ(Find<QLineEdit>(&fd, "SinC")->text(), "3.1415");
  EXPECT_EQ(fd.YMin(), 0);
  EXPECT_EQ(fd.YMax(), 1);
  EXPECT_GT(redPixels(), 100);
  Type(&fd, "ConstK", "-5");
  EXPECT_EQ(fd.YMin(), -10);
  EXPECT_EQ(fd.YMax(), 0);
  Type(&fd, "ConstK", "--5");
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_EQ(fd.Pending(), nullptr);
  EXPECT_EQ(redPixels(), 0);

  Choose(Find<QComboBox>(&fd, "CBType"), 2);
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(fd.YMin(), -1);
  EXPECT_EQ(fd.YMax(), 1);
  ASSERT_NE(fd.Pending(), nullptr);
  EXPECT_STREQ(fd.Pending()->Name(), "Sin");
  // Each field goes to its own constant, on the sine's page and on the cosine's: values that
  // differ, and a range from |a| + |b|.
  const struct {
    int kind;
    const char *a, *b, *c;
    double at025;  // the function at x = 0.25, worked out by hand
  } periodic[] = {
      {2, "2", "-0.5", "6", 2 - 0.5 * std::sin(1.5)},
      {3, "-3", "4", "2", -3 + 4 * std::cos(0.5)},
  };
  for (const auto& f : periodic) {
    Choose(Find<QComboBox>(&fd, "CBType"), f.kind);
    const char* const names[2][3] = {{"SinA", "SinB", "SinC"}, {"CosA", "CosB", "CosC"}};
    Type(&fd, names[f.kind - 2][0], f.a);
    Type(&fd, names[f.kind - 2][1], f.b);
    Type(&fd, names[f.kind - 2][2], f.c);
    const Function1D* pending = fd.Pending();
    ASSERT_NE(pending, nullptr) << f.kind;
    EXPECT_STREQ(pending->Name(), f.kind == 2 ? "Sin" : "Cos");
    EXPECT_DOUBLE_EQ(pending->Value(0.25), f.at025) << f.kind;
    EXPECT_EQ(fd.YMin(), -10);
    EXPECT_EQ(fd.YMax(), 10);
  }
  // Values beyond the numbers still make a function, with no curve to show and no hang.
  Choose(Find<QComboBox>(&fd, "CBType"), 1);
  Type(&fd, "LinA", "1e308");
  Type(&fd, "LinB", "1e308");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(redPixels(), 0);
  Type(&fd, "LinA", "-5");
  Type(&fd, "LinB", "3");
  EXPECT_EQ(fd.YMin(), -10);  // from f(0) = 3, the larger end
  EXPECT_EQ(fd.YMax(), 10);
  EXPECT_GT(redPixels(), 100);

  // Cancel drops the function built.
  Click(&fd, "CancelBtn");
  EXPECT_EQ(fd.Pending(), nullptr);
}

}  // namespace
