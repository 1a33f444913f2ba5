#include "gui/dialogs/Process.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>

#include "gui/platform/help.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "sim/problem.h"
#include "tests/gui/support.h"

namespace {

// The main window as the dialog sees it: the default problem and the results handed over.
class FakeTarget : public RunTarget {
 public:
  ProblemRecord& Problem() override { return problem; }
  const SimManager* Results() const override { return results.get(); }
  bool SetManager(SimManager* manager) override {
    ++handOvers;
    if (manager != results.get())
      results.reset(manager);
    return true;
  }

  ProblemRecord problem;
  std::unique_ptr<SimManager> results;
  int handOvers = 0;
};

enum class State { Shown, Running, Paused, Failed, Finished };

void ExpectState(const TProcessDlg& dlg, State s) {
  const bool running = s == State::Running;
  EXPECT_EQ(dlg.Run->isEnabled(), s == State::Shown || s == State::Paused || s == State::Failed);
  EXPECT_EQ(dlg.Pause->isEnabled(), running);
  EXPECT_EQ(dlg.Preview->isEnabled(), s == State::Paused || s == State::Finished);
  EXPECT_EQ(dlg.Finish->isEnabled(), !running);
  EXPECT_EQ(dlg.Finish->text(), s == State::Shown ? "&Cancel" : "&Close");
  if (s != State::Shown) {
    EXPECT_FALSE(dlg.CKInitial->isEnabled());
  }
  const QWidget* focused = s == State::Finished ? dlg.Finish : running ? dlg.Pause : dlg.Run;
  EXPECT_EQ(dlg.focusWidget(), focused);
}

// Clicks Pause from inside a run, at the first event processing where `when` holds, after
// doing `first` there.
class PauseWhen {
 public:
  PauseWhen(TProcessDlg& dlg, std::function<bool()> when, std::function<void()> first = {}) {
    QObject::connect(&timer, &QTimer::timeout, [this, &dlg, when, first] {
      if (!dlg.Pause->isEnabled() || !when())
        return;
      timer.stop();
      if (first)
        first();
      QTest::mouseClick(dlg.Pause, Qt::LeftButton);
    });
    timer.start(0);
  }

 private:
  QTimer timer;
};

int Steps(const TProcessDlg& dlg) {
  return dlg.TIter->text().toInt();
}

int CountPixels(const QImage& image, int row, QRgb colour) {
  int n = 0;
  for (int x = 0; x < image.width(); ++x)
    n += image.pixel(x, row) == colour;
  return n;
}

}  // namespace

TEST(ProcessDlg, DefaultProblemRunsToSteadyStateAndFinishHandsItOver) {
  FakeTarget target;
  TProcessDlg dlg(target);
  dlg.show();
  ExpectState(dlg, State::Shown);
  EXPECT_FALSE(dlg.CKInitial->isEnabled());
  EXPECT_TRUE(dlg.CKInitial->isChecked());
  EXPECT_EQ(dlg.TIterMax->text(), "1000");
  EXPECT_EQ(dlg.TTol->text(), "1E-5");
  EXPECT_EQ(dlg.SIterMax->text(), "10000");
  EXPECT_EQ(dlg.TError->text(), "(none)");
  EXPECT_EQ(dlg.Time->text(), "0");

  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Finished);
  const SimManager* run = dlg.Manager();
  ASSERT_NE(run, nullptr);
  const int steps = run->Sim()->Iteration();
  EXPECT_GT(steps, 1);
  EXPECT_LT(steps, 1000) << "the default problem settles between its two animation times";
  EXPECT_EQ(dlg.TIter->text(), FormatInteger(steps));
  EXPECT_EQ(dlg.Time->text(), FormatExponent(20.0 * steps, 3));

  // One point per step, and the tolerance line across the whole time axis.
  const Data& error = *dlg.ErrorSeries();
  ASSERT_EQ(error.Count(), steps);
  EXPECT_EQ(error.Point(steps - 1).x, static_cast<float>(20.0 * steps));
  EXPECT_EQ(error.Point(steps - 1).y, static_cast<float>(std::log(run->Sim()->timeError + 1e-20)));
  EXPECT_GE(dlg.Graph->XMax(), error.Point(steps - 1).x);
  EXPECT_EQ(dlg.Tolerance().Point(1).x, dlg.Graph->XMax());
  const float tol = static_cast<float>(std::log(1e-5 + 1e-20));
  EXPECT_EQ(dlg.Tolerance().Point(1).y, tol);
  const QImage& image = dlg.Graph->Image();
  const float h = static_cast<float>(image.height());
  const float ymin = dlg.Graph->YMin(), ymax = dlg.Graph->YMax();
  const int row =
      static_cast<int>(std::round(h - (0.1f * h + 0.8f * h * (tol - ymin) / (ymax - ymin))));
  EXPECT_GE(CountPixels(image, row, qRgb(0, 0, 255)), 200) << "tolerance line on row " << row;
  int red = 0;
  for (int y = 0; y < image.height(); ++y)
    red += CountPixels(image, y, qRgb(255, 0, 0));
  EXPECT_GT(red, 100);

  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.Manager(), nullptr);
  EXPECT_EQ(dlg.ErrorSeries(), nullptr);
  EXPECT_EQ(dlg.StartingField(), nullptr);
  EXPECT_EQ(dlg.Graph->SeriesCount(), 1);
  ASSERT_EQ(target.handOvers, 1);
  ASSERT_NE(target.results, nullptr);
  EXPECT_EQ(target.results->Sim(), nullptr);
  ASSERT_EQ(target.results->Count(), 2);
  EXPECT_EQ(target.results->LastSnapshot().Iteration(), steps);

  const auto reference = RunToEnd(target.problem, UniformStart(target.problem));
  ExpectSameField(target.results->LastSnapshot().T, reference->LastSnapshot().T);
  // Steady conduction between West at 0 and East at 1: linear in x.
  const NumMatrix<double>& T = target.results->LastSnapshot().T;
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 10; ++j)
      EXPECT_NEAR(T[i][j], (i + 0.5) / 10, 2e-3);
  }
}

// 500 x 500 volumes with 1,001 animation times store about 12 GB of snapshots. On a
// computer of 8 GB the run does not start and says why; with 24 GB the student is asked, and
// No leaves the dialog as it was. Either way no run holds the problem.
TEST(ProcessDlg, ARunTooLargeForTheMemoryIsRefusedOrAskedAbout) {
  FakeTarget target;
  target.problem.media = std::make_unique<CartesianMedia>(1, 1, 500, 500, DefaultMaterial());
  auto marks = std::make_unique<NumVector<int>>(1001);
  for (int k = 0; k <= 1000; ++k)
    (*marks)[k] = k;
  ASSERT_TRUE(target.problem.SetMarks(std::move(marks)));
  // Forty-eight bytes a volume (six fields of doubles), for each animation time and the
  // last state.
  const uint64_t needed = RunSnapshotBytes(500, 500, 1001);
  EXPECT_NEAR(static_cast<double>(needed) / (1002 * 250000.0), 48, 0.5);

  std::vector<messages::Shown> boxes;
  messages::SetAnswerer([&](const messages::Shown& box) {
    boxes.push_back(box);
    return QMessageBox::No;
  });
  TProcessDlg dlg(target);
  dlg.show();
  constexpr uint64_t gigabyte = 1ull << 30;
  const struct {
    uint64_t memory;
    QMessageBox::Icon icon;
    const char* says;
  } cases[] = {
      {8 * gigabyte, QMessageBox::Critical,
       "up to 1002 snapshots of 11.5 MB each, 11.3 GB in all: more than half of the 8.0 GB of "
       "memory this computer can give the program. Choose fewer animation times"},
      {24 * gigabyte, QMessageBox::Warning, "more than a quarter of the 24.0 GB of memory"},
  };
  for (const auto& c : cases) {
    boxes.clear();
    dlg.machineMemory = [&] { return c.memory; };
    QTest::mouseClick(dlg.Run, Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, c.icon);
    EXPECT_TRUE(boxes[0].text.contains(c.says)) << boxes[0].text.toStdString();
    ExpectState(dlg, State::Shown);
    EXPECT_EQ(dlg.Manager(), nullptr);
    EXPECT_EQ(dlg.ErrorSeries(), nullptr);
    EXPECT_FALSE(target.problem.HeldByRun());
  }
  EXPECT_TRUE(boxes[0].text.endsWith("Run anyway?"));

  // Yes runs: here on the default grid, with a memory just under four times what it needs.
  FakeTarget small;
  TProcessDlg smallDlg(small);
  smallDlg.show();
  const uint64_t smallNeed = RunSnapshotBytes(10, 10, 2);
  smallDlg.machineMemory = [&] { return 4 * smallNeed - 4; };
  boxes.clear();
  messages::SetAnswerer([&](const messages::Shown& box) {
    boxes.push_back(box);
    return QMessageBox::Yes;
  });
  QTest::mouseClick(smallDlg.Run, Qt::LeftButton);
  EXPECT_EQ(boxes.size(), 1u);
  ExpectState(smallDlg, State::Finished);
  messages::SetAnswerer(nullptr);
}

TEST(ProcessDlg, ContinuesFromTheLastResultsAtTimeZero) {
  FakeTarget target;
  target.problem.SetParameters(1e-5, 1e-5, 50, 10000, 20);
  target.results = RunToEnd(target.problem, UniformStart(target.problem));
  const NumMatrix<double> last = target.results->LastSnapshot().T;

  TProcessDlg dlg(target);
  dlg.show();
  ExpectState(dlg, State::Shown);
  EXPECT_TRUE(dlg.CKInitial->isEnabled());
  EXPECT_TRUE(dlg.CKInitial->isChecked());
  dlg.CKInitial->setChecked(false);

  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Finished);
  ASSERT_NE(dlg.StartingField(), nullptr);
  ExpectSameField(*dlg.StartingField(), last);
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);

  const SimManager& continued = *target.results;
  EXPECT_EQ(continued[0].Time(), 0);
  ExpectSameField(continued[0].T, last);
  // 50 steps on from 50 steps is 100 steps from the start.
  target.problem.SetParameters(1e-5, 1e-5, 100, 10000, 20);
  const auto reference = RunToEnd(target.problem, UniformStart(target.problem));
  ExpectSameField(continued.LastSnapshot().T, reference->LastSnapshot().T);

  // The user's choice stays for the next showing.
  dlg.show();
  EXPECT_TRUE(dlg.CKInitial->isEnabled());
  EXPECT_FALSE(dlg.CKInitial->isChecked());

  // Without results (a new grid discarded them) there is nothing to continue from: the
  // box is checked again, and cannot be unchecked.
  dlg.Finish->click();
  target.results.reset();
  dlg.show();
  EXPECT_FALSE(dlg.CKInitial->isEnabled());
  EXPECT_TRUE(dlg.CKInitial->isChecked());
}

TEST(ProcessDlg, PauseAndRunAgainReachTheSameField) {
  FakeTarget target;
  TProcessDlg dlg(target);
  dlg.pumpIntervalMs = 0;  // the pause is steered by the counters
  dlg.show();
  bool sawRunning = false;
  PauseWhen pause(
      dlg, [&] { return Steps(dlg) >= 40; },
      [&] {
        ExpectState(dlg, State::Running);
        sawRunning = true;
      });
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  EXPECT_TRUE(sawRunning);
  ExpectState(dlg, State::Paused);
  const int pausedAt = dlg.Manager()->Sim()->Iteration();
  // Seen during the sweeps of step 40, Pause undoes that step.
  EXPECT_GE(pausedAt, 39);
  EXPECT_LT(pausedAt, 100);
  EXPECT_EQ(dlg.ErrorSeries()->Count(), pausedAt);

  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Finished);
  // The same series goes on; no point is plotted twice.
  EXPECT_EQ(dlg.Graph->SeriesCount(), 2);
  EXPECT_EQ(dlg.ErrorSeries()->Count(), dlg.Manager()->Sim()->Iteration());
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);

  const auto reference = RunToEnd(target.problem, UniformStart(target.problem));
  EXPECT_EQ(target.results->LastSnapshot().Iteration(), reference->LastSnapshot().Iteration());
  ExpectSameField(target.results->LastSnapshot().T, reference->LastSnapshot().T);
}

TEST(ProcessDlg, FinishBeforeAnyStepKeepsThePreviousResults) {
  FakeTarget target;
  target.results = RunToEnd(target.problem, UniformStart(target.problem));
  const SimManager* previous = target.results.get();
  TProcessDlg dlg(target);

  dlg.show();
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());

  // A pause at the very first sweep undoes step 1, leaving a manager with nothing in it.
  // Events are processed at the first counter update of a run, however seldom later.
  dlg.show();
  PauseWhen pause(dlg, [] { return true; });
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Paused);
  ASSERT_NE(dlg.Manager(), nullptr);
  EXPECT_EQ(dlg.Manager()->Sim()->Iteration(), 0);
  EXPECT_EQ(dlg.ErrorSeries()->Count(), 0);
  EXPECT_TRUE(dlg.OwnsManager());
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);

  EXPECT_EQ(target.handOvers, 0);
  EXPECT_EQ(target.results.get(), previous);
  EXPECT_EQ(dlg.Manager(), nullptr);
  EXPECT_FALSE(dlg.OwnsManager());
}

TEST(ProcessDlg, SolverLabelsChangeOnEveryFiftiethSweepAndOnConvergence) {
  FakeTarget target;
  TProcessDlg dlg(target);
  dlg.show();
  ProblemRecord& p = target.problem;
  Simulator sim(p.media.get(), p.northFace.get(), p.southFace.get(), p.eastFace.get(),
                p.westFace.get(), p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt,
                UniformStart(p), nullptr, nullptr);

  auto report = [&](int32_t code, double value) {
    return TProcessDlg::Progress(&sim, code, value, &dlg);
  };
  struct Case {
    int32_t code;
    const char* iteration;
  };
  for (const Case& c : {Case{1, "1"}, Case{2, "1"}, Case{50, "1"}, Case{51, "51"}, Case{100, "51"},
                        Case{101, "101"}, Case{progress::Converged(7), "7"}, Case{150, "7"},
                        Case{progress::Converged(150), "150"}}) {
    report(c.code, 0.25);
    EXPECT_EQ(dlg.SIter->text(), c.iteration) << "after code " << c.code;
  }
  EXPECT_EQ(dlg.SError->text(), "2.50000E-1");
  EXPECT_EQ(dlg.Time->text(), FormatExponent(0, 3));
  EXPECT_EQ(dlg.TError->text(), FormatExponent(0, 6));

  for (int32_t code : {progress::TargetReached, progress::StepUndone, progress::RunComplete}) {
    EXPECT_TRUE(report(code, 0.75));
    EXPECT_EQ(dlg.SError->text(), "2.50000E-1");
  }
  // The answer is whether Pause is enabled, displayed sweep or not.
  EXPECT_FALSE(report(2, 0.5));
  dlg.Pause->setEnabled(true);
  EXPECT_TRUE(report(2, 0.5));
  EXPECT_TRUE(report(51, 0.5));
}

TEST(ProcessDlg, SteadyAtTheFirstStepStillSetsTheRanges) {
  FakeTarget target;
  // Every side at 0 or insulated, starting at 0: nothing ever changes.
  target.problem.eastFace->Insert(
      Segment{0, 1, new FTemperature(target.problem.functionList[0].get())});
  TProcessDlg dlg(target);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Finished);
  EXPECT_EQ(dlg.Manager()->Sim()->Iteration(), 1);
  EXPECT_EQ(dlg.Graph->YMin(), static_cast<float>(std::log(1e-5 / 3 + 1e-20)));
  EXPECT_EQ(dlg.Graph->YMax(), static_cast<float>(std::log(1e-20)));
  EXPECT_EQ(dlg.Graph->XMin(), 20.0f);
  EXPECT_EQ(dlg.Graph->XMax(), 30.0f);
}

TEST(ProcessDlg, ClosingIsRefusedWhileRunningAndHandsResultsOverWhenPaused) {
  FakeTarget target;
  TProcessDlg dlg(target);
  dlg.pumpIntervalMs = 0;  // the pause is steered by the counters
  dlg.show();
  int stepsAtTries = 0;
  PauseWhen pause(
      dlg, [&] { return Steps(dlg) >= 10; },
      [&] {
        stepsAtTries = dlg.Manager()->Sim()->Iteration();
        EXPECT_FALSE(dlg.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        // Clicks that could arrive while the run is pumping events must not re-enter it.
        dlg.RunClick();
        dlg.PreviewClick();
        dlg.FinishClick();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.Manager()->Sim()->Iteration(), stepsAtTries);
        EXPECT_EQ(target.handOvers, 0);
      });
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Paused);
  const int pausedAt = dlg.Manager()->Sim()->Iteration();
  EXPECT_GE(pausedAt, 9);

  EXPECT_TRUE(dlg.close());
  EXPECT_FALSE(dlg.isVisible());
  ASSERT_EQ(target.handOvers, 1);
  EXPECT_EQ(target.results->Sim(), nullptr);
  EXPECT_EQ(target.results->LastSnapshot().Iteration(), pausedAt);
  EXPECT_EQ(dlg.ErrorSeries(), nullptr);

  // The next showing starts clean and offers the results just handed over.
  dlg.show();
  ExpectState(dlg, State::Shown);
  EXPECT_TRUE(dlg.CKInitial->isEnabled());
}

TEST(ProcessDlg, PreviewShowsTheStoppedStateAndReturnsToIt) {
  FakeTarget target;
  TProcessDlg dlg(target);
  TPreviewDlg& window = dlg.PreviewWindow();
  EXPECT_EQ(window.windowTitle(), "Preview");
  EXPECT_EQ(window.Return->text(), "&Return");
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  dlg.pumpIntervalMs = 0;  // the pause is steered by the counters
  dlg.show();
  PauseWhen pause(dlg, [&] { return Steps(dlg) >= 20; });
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  const int pausedAt = dlg.Manager()->Sim()->Iteration();

  // The preview's modal loop runs inside the click; a zero timer looks around and returns.
  int previews = 0;
  auto lookAndReturn = [&] {
    EXPECT_TRUE(dlg.Previewing());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Return->mapToGlobal(QPoint(0, 0)), dlg.Preview->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(target.results.get(), dlg.Manager());
    ++previews;
    QTest::mouseClick(window.Return, Qt::LeftButton);
  };
  QTimer::singleShot(0, &dlg, lookAndReturn);
  QTest::mouseClick(dlg.Preview, Qt::LeftButton);
  EXPECT_EQ(previews, 1);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.Previewing());
  EXPECT_FALSE(window.isVisible());
  ExpectState(dlg, State::Paused);
  ASSERT_EQ(target.handOvers, 1);
  EXPECT_FALSE(dlg.OwnsManager());
  EXPECT_EQ(target.results->LastSnapshot().Iteration(), pausedAt);
  EXPECT_NE(target.results->Sim(), nullptr) << "the run can still go on";

  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Finished);
  QTimer::singleShot(0, &dlg, lookAndReturn);
  QTest::mouseClick(dlg.Preview, Qt::LeftButton);
  EXPECT_EQ(previews, 2);
  ExpectState(dlg, State::Finished);
  const SimManager* handed = target.results.get();
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  EXPECT_EQ(target.handOvers, 3);
  EXPECT_EQ(target.results.get(), handed);
  EXPECT_EQ(target.results->Sim(), nullptr);
  const auto reference = RunToEnd(target.problem, UniformStart(target.problem));
  ExpectSameField(target.results->LastSnapshot().T, reference->LastSnapshot().T);
}

TEST(ProcessDlg, PreviewDoesNotEndAModalShowing) {
  FakeTarget target;
  TProcessDlg dlg(target);
  bool finishedInside = false;
  QTimer::singleShot(0, &dlg, [&] {
    QTest::mouseClick(dlg.Run, Qt::LeftButton);
    QTimer::singleShot(0, &dlg.PreviewWindow(), &QDialog::accept);
    QTest::mouseClick(dlg.Preview, Qt::LeftButton);
    // Finish comes from the showing's own loop, which must still be running.
    QTimer::singleShot(0, &dlg, [&] {
      finishedInside = true;
      QTest::mouseClick(dlg.Finish, Qt::LeftButton);
    });
  });
  // Should the showing not end, this ends it and the test fails instead of hanging.
  QTimer::singleShot(60000, &dlg, [&] {
    ADD_FAILURE() << "the showing did not end";
    dlg.Finish->setEnabled(true);
    dlg.reject();
  });
  EXPECT_EQ(dlg.exec(), QDialog::Accepted);
  EXPECT_TRUE(finishedInside);
  EXPECT_EQ(target.handOvers, 2);
}

TEST(ProcessDlg, FailedStepStopsTheRunQuietly) {
  FakeTarget target;
  target.problem.SetParameters(1e-5, 1e-5, 1000, 1, 20);
  TProcessDlg dlg(target);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Failed);
  EXPECT_EQ(dlg.Manager()->Sim()->Iteration(), 0);
  EXPECT_EQ(dlg.SIter->text(), "1");
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible());

  // Running again fails again in the same way; the step is never half taken.
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ExpectState(dlg, State::Failed);
  EXPECT_EQ(dlg.Manager()->Sim()->Iteration(), 0);
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  EXPECT_EQ(target.handOvers, 0);
  EXPECT_EQ(target.results, nullptr);
}

TEST(ProcessDlg, HelpTopicsOfTheButtonAndTheControls) {
  FakeTarget target;
  TProcessDlg dlg(target);
  EXPECT_EQ(dlg.windowTitle(), "Simulation");
  // The convergence check adds its panel below the counters, with room for both verdicts.
  EXPECT_EQ(dlg.size(), QSize(546, 446));
  EXPECT_EQ(dlg.Graph->size(), QSize(280, 206));
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_TRUE(dlg.Run->isDefault());

  HelpViewer& help = HelpViewer::Instance();
  help.SetShowWindows(false);
  dlg.show();
  QTest::mouseClick(dlg.HelpBtn, Qt::LeftButton);
  EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Topic);
  EXPECT_EQ(help.LastRequest().topic, 420);
  // Context help: the control's own topic, or that of the group it sits in.
  const std::pair<QWidget*, int> controls[] = {
      {dlg.Graph, 1960},   {dlg.TIter, 1900}, {dlg.SError, 1910}, {dlg.CKInitial, 1920},
      {dlg.Preview, 1930}, {dlg.Run, 1940},   {dlg.Pause, 1950}};
  for (const auto& [w, topic] : controls) {
    const QPoint centre = w->rect().center();
    QHelpEvent event(QEvent::WhatsThis, centre, w->mapToGlobal(centre));
    QApplication::sendEvent(w, &event);
    EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Popup);
    EXPECT_EQ(help.LastRequest().topic, topic) << w->objectName().toStdString();
  }
}
