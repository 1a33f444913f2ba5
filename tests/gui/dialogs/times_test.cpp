// The animation-times dialog: the samplings and their previews, custom times, deleting, and
// the marks OK builds, with runs that store a snapshot at each.

#include "gui/dialogs/Times.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>

#include <vector>

#include "gui/platform/messages.h"
#include "gui/platform/surface.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

std::vector<int> MarksIn(const ProblemRecord& p) {
  std::vector<int> marks;
  for (int k = 0; k < p._marks->N(); ++k)
    marks.push_back((*p._marks)[k]);
  return marks;
}

void Select(QListWidget* list, std::initializer_list<int> rows) {
  list->clearSelection();
  for (int row : rows)
    list->item(row)->setSelected(true);
}

// Collects the message boxes a test provokes instead of showing them.
struct Messages {
  Messages() {
    messages::SetAnswerer([this](const messages::Shown& shown) {
      this->shown.push_back(shown);
      return QMessageBox::Ok;
    });
  }
  ~Messages() { messages::SetAnswerer(nullptr); }
  std::vector<messages::Shown> shown;
};

TEST(TimeSteps, LinearAndExponentialSamplings) {
  using V = std::vector<int32_t>;
  EXPECT_EQ(LinearSteps(5, 1000), (V{0, 250, 500, 750, 1000}));
  EXPECT_EQ(LinearSteps(3, 1000), (V{0, 500, 1000}));
  EXPECT_EQ(LinearSteps(4, 1000), (V{0, 333, 666, 1000}));
  EXPECT_EQ(LinearSteps(2, 7), (V{0, 7}));
  EXPECT_EQ(ExponentialSteps(3, 1000), (V{0, 142, 1000}));
  EXPECT_EQ(ExponentialSteps(5, 1000), (V{0, 27, 142, 422, 1000}));
  const V fifty = ExponentialSteps(50, 1000);
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(V(fifty.begin(), fifty.begin() + 10), (V{0, 1, 2, 3, 4, 5, 6, 7, 10, 13}));
  EXPECT_EQ(V(fifty.end() - 5, fifty.end()), (V{767, 820, 877, 937, 1000}));
  // The most samples the dialog allows still give strictly increasing steps.
  const V dense = ExponentialSteps(999, 1000);
  for (size_t k = 1; k < dense.size(); ++k)
    ASSERT_LT(dense[k - 1], dense[k]) << "at " << k;
}

TEST(TimeDlg, SetButtonsListTheSamplesInSeconds) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TTimeDlg dlg(model);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Animation Times");
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "20000"}));
  EXPECT_EQ(dlg.CTSteps->text(), "0");
  EXPECT_EQ(dlg.CDT->text(), "20");
  EXPECT_FALSE(dlg.AddBtn->isEnabled());
  EXPECT_TRUE(dlg.LinSetBtn->isEnabled());

  Type(dlg, "LSamples", "5");
  dlg.LinSetBtn->click();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "5000", "10000", "15000", "20000"}));
  for (const char* n : {"1", "1000", "", "4.5", "x"}) {
    Type(dlg, "LSamples", n);
    EXPECT_FALSE(dlg.LinSetBtn->isEnabled()) << n;
    EXPECT_FALSE(dlg.ExpSetBtn->isEnabled()) << n;
  }
  Type(dlg, "LSamples", "999");
  EXPECT_TRUE(dlg.LinSetBtn->isEnabled());
  Type(dlg, "LSamples", "2");
  dlg.LinSetBtn->click();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "20000"}));

  // Each page's count applies when the page is shown.
  dlg.Page->setCurrentIndex(1);
  EXPECT_EQ(dlg.Samples(), 50);
  Type(dlg, "ESamples", "3");
  dlg.ExpSetBtn->click();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "2840", "20000"}));
  dlg.Page->setCurrentIndex(0);
  EXPECT_EQ(dlg.Samples(), 2);

  // OK stores the steps; a run then stores a snapshot at each.
  problem.SetParameters(1e-300, problem.tolSpace, 40, problem.maxIterSpace, 20);
  dlg.show();
  Type(dlg, "LSamples", "5");
  dlg.LinSetBtn->click();
  dlg.OKBtn->click();
  EXPECT_EQ(MarksIn(problem), (std::vector<int>{0, 10, 20, 30, 40}));
  std::unique_ptr<SimManager> run = RunToEnd(problem, UniformStart(problem));
  ASSERT_EQ(run->Count(), 5);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(run->Snapshot(k).Iteration(), 10 * k);
    EXPECT_DOUBLE_EQ(run->Snapshot(k).Time(), 200.0 * k);
  }
  // The page shown last is shown again.
  EXPECT_EQ(dlg.Page->currentIndex(), 0);
}

TEST(TimeDlg, PreviewsDrawEverySample) {
  const QColor blue(0, 0, 255), red(255, 0, 0);
  const PixelRect rect{0, 0, 200, 150};
  auto paint = [&](bool linear, int n) {
    QImage image(200, 150, QImage::Format_RGB32);
    image.fill(Qt::gray);
    Surface surface(&image);
    if (linear)
      PaintLinearSampling(surface, rect, n);
    else
      PaintExponentialSampling(surface, rect, n);
    return image;
  };
  // Columns holding blue, left to right.
  auto blueColumns = [&](const QImage& image) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
      for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) == blue) {
          columns.push_back(x);
          break;
        }
      }
    }
    return columns;
  };
  // The unit square maps inside a 6-pixel margin: x = 6 + s * 188, y = 144 - s * 138.
  auto px = [](double s) { return static_cast<int>(6 + s * 188); };
  auto py = [](double s) { return static_cast<int>(144 - s * 138); };

  const QImage five = paint(true, 5);
  // The sample at 0 is a line of no length, which draws nothing.
  EXPECT_EQ(blueColumns(five), (std::vector<int>{px(0.25), px(0.5), px(0.75), px(1)}));
  EXPECT_EQ(five.pixelColor(px(0.5), py(0.25)), blue);
  EXPECT_EQ(five.pixelColor(px(0.5), py(0.5) + 1), blue);
  EXPECT_EQ(five.pixelColor(0, 0), QColor(Qt::black));  // the frame
  EXPECT_EQ(five.pixelColor(100, 2), QColor(Qt::white));
  const QImage four = paint(true, 4);
  EXPECT_EQ(blueColumns(four), (std::vector<int>{px(1.0 / 3), px(2.0 / 3), px(1)}));
  // Without samples: only the frame and the diagonal.
  const QImage none = paint(true, 1);
  EXPECT_TRUE(blueColumns(none).empty());
  int redPixels = 0;
  for (int x = 0; x < none.width(); ++x) {
    for (int y = 0; y < none.height(); ++y)
      redPixels += none.pixelColor(x, y) == red;
  }
  EXPECT_GE(redPixels, 188);

  const double c = 0.58197670686934174;
  auto expX = [&](double s) {
    const double f = (std::exp(s) - 1) * c;
    return px(f * f);
  };
  EXPECT_EQ(blueColumns(paint(false, 3)), (std::vector<int>{expX(0.5), px(1)}));
  EXPECT_EQ(blueColumns(paint(false, 5)),
            (std::vector<int>{expX(0.25), expX(0.5), expX(0.75), px(1)}));
  EXPECT_TRUE(blueColumns(paint(false, 0)).empty());
}

TEST(TimeDlg, CustomTimesAreAddedInOrderOncePerStep) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TTimeDlg dlg(model);
  dlg.show();
  dlg.Page->setCurrentIndex(2);
  Type(dlg, "CTSteps", "25");
  EXPECT_EQ(dlg.CTime->text(), "500");
  EXPECT_TRUE(dlg.AddBtn->isEnabled());
  dlg.AddBtn->click();
  EXPECT_FALSE(dlg.AddBtn->isEnabled());
  Type(dlg, "CTSteps", "10");
  dlg.AddBtn->click();
  Type(dlg, "CTSteps", "999");
  dlg.AddBtn->click();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "200", "500", "19980", "20000"}));
  const struct {
    const char* steps;
    const char* time;
  } refused[] = {{"25", "500"}, {"1000", "20000"}, {"1001", "20020"}, {"0", "0"},
                 {"-3", "-60"}, {"abc", "(none)"}, {"2.5", "(none)"}};
  for (const auto& r : refused) {
    Type(dlg, "CTSteps", r.steps);
    EXPECT_FALSE(dlg.AddBtn->isEnabled()) << r.steps;
    EXPECT_EQ(dlg.CTime->text(), r.time) << r.steps;
  }

  // Deleting: never the first or the last time; interior ones all at once.
  Messages boxes;
  for (int end : {0, 4}) {
    Select(dlg.LBTimes, {1, end});
    dlg.DelBtn->click();
    ASSERT_EQ(boxes.shown.size(), end == 0 ? 1u : 2u);
    EXPECT_EQ(boxes.shown.back().caption, "Error");
    EXPECT_EQ(boxes.shown.back().text, "Cannot delete first and last limits");
    EXPECT_EQ(boxes.shown.back().icon, QMessageBox::Critical);
    EXPECT_EQ(dlg.LBTimes->count(), 5);
  }
  Type(dlg, "CTSteps", "25");
  Select(dlg.LBTimes, {1, 2});
  dlg.DelBtn->click();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "19980", "20000"}));
  // The time just deleted may be added again.
  EXPECT_TRUE(dlg.AddBtn->isEnabled());

  dlg.OKBtn->click();
  EXPECT_EQ(MarksIn(problem), (std::vector<int>{0, 999, 1000}));
  // Cancel keeps the marks; the list is rebuilt from them.
  dlg.show();
  dlg.LinSetBtn->click();
  dlg.CancelBtn->click();
  EXPECT_EQ(MarksIn(problem), (std::vector<int>{0, 999, 1000}));
  dlg.show();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "19980", "20000"}));
}

// Times within half a step of each other are one step: OK stores it once, and a run then
// stores every listed step (repeated marks used to end a run part-way).
TEST(TimeDlg, OkRoundsToStepsAndStoresEachOnce) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TTimeDlg dlg(model);
  dlg.show();
  for (const char* t : {"509", "510", "500", "505", "520.1"})
    dlg.LBTimes->insertItem(dlg.LBTimes->count() - 1, t);
  const std::unique_ptr<NumVector<int>> marks = dlg.ListedMarks();
  ASSERT_EQ(marks->N(), 4);
  EXPECT_EQ((*marks)[0], 0);
  EXPECT_EQ((*marks)[1], 25);  // 509 s: 25.45 steps
  EXPECT_EQ((*marks)[2], 26);  // 510 s: 25.5 steps rounds up; 520.1 s is step 26 again
  EXPECT_EQ((*marks)[3], 1000);

  // A step whose time does not print exactly (0.30000000000000004 s shows as 0.3) is still
  // recognised as listed.
  problem.SetParameters(1e-300, problem.tolSpace, 10, problem.maxIterSpace, 0.1);
  dlg.FormShow();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "1"}));
  Type(dlg, "CTSteps", "3");
  EXPECT_EQ(dlg.CTime->text(), "0.3");
  dlg.AddBtn->click();
  Type(dlg, "CTSteps", "3");
  EXPECT_FALSE(dlg.AddBtn->isEnabled());
  Type(dlg, "CTSteps", "7");
  dlg.AddBtn->click();
  dlg.OKBtn->click();
  EXPECT_EQ(MarksIn(problem), (std::vector<int>{0, 3, 7, 10}));
  std::unique_ptr<SimManager> run = RunToEnd(problem, UniformStart(problem));
  ASSERT_EQ(run->Count(), 4);
  EXPECT_EQ(run->Snapshot(2).Iteration(), 7);
  EXPECT_EQ(run->LastSnapshot().Iteration(), 10);

  ExpectHelpTopic(*dlg.HelpBtn, 410);
}

TEST(TimeDlg, ReadsAndShowsTheDecimalComma) {
  DecimalCommaScope comma;
  ProblemRecord problem;
  ProblemModel model(problem);
  problem.SetParameters(1e-5, 1e-5, 10, 100, 0.5);
  auto marks = std::make_unique<NumVector<int>>(3);
  (*marks)[0] = 0;
  (*marks)[1] = 3;
  (*marks)[2] = 10;
  problem.SetMarks(std::move(marks));
  TTimeDlg dlg(model);
  dlg.show();
  EXPECT_EQ(dlg.ListedTimes(), QStringList({"0", "1,5", "5"}));
  EXPECT_EQ(dlg.CDT->text(), "0,5");
  Type(dlg, "CTSteps", "5");
  EXPECT_EQ(dlg.CTime->text(), "2,5");
  dlg.AddBtn->click();
  dlg.OKBtn->click();
  EXPECT_EQ(MarksIn(problem), (std::vector<int>{0, 3, 5, 10}));
}

}  // namespace
