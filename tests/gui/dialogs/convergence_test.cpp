// The choice of solver in the parameters dialog, and the run dialog's convergence check:
// the ledger it shows, the warning on a field whose sweeps stopped too early, and what it
// says when a step fails.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/dialogs/Parameters.h"
#include "gui/dialogs/Process.h"
#include "gui/dialogs/outputreport.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/runverdict.h"
#include "sim/materials.h"
#include "sim/problem.h"
#include "tests/gui/dialogs/dialogsupport.h"

namespace {

class Target : public RunTarget {
 public:
  ProblemRecord& Problem() override { return problem; }
  const SimManager* Results() const override { return results.get(); }
  bool SetManager(SimManager* manager) override {
    if (manager != results.get())
      results.reset(manager);
    return true;
  }

  ProblemRecord problem;
  std::unique_ptr<SimManager> results;
};

QString Label(QWidget& dialog, const char* name) {
  auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
  EXPECT_NE(label, nullptr) << name;
  return label ? label->text() : QString();
}

TEST(SolverChoice, ShownStoredOnOkAndLeftAloneOnCancel) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  dlg.show();
  auto* solver = dlg.findChild<QComboBox*>(QStringLiteral("Solver"));
  ASSERT_NE(solver, nullptr);
  ASSERT_EQ(solver->count(), 2);
  EXPECT_EQ(solver->itemText(0), QStringLiteral("Gauss\u2013Seidel"));
  EXPECT_EQ(solver->itemText(1), QStringLiteral("Direct (sparse LU)"));
  EXPECT_EQ(solver->currentIndex(), 0);

  solver->setCurrentIndex(1);
  QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
  EXPECT_EQ(problem.solver, SolverKind::GaussSeidel);

  dlg.show();
  EXPECT_EQ(solver->currentIndex(), 0);
  solver->setCurrentIndex(1);
  QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
  EXPECT_EQ(problem.solver, SolverKind::Direct);
  dlg.show();
  EXPECT_EQ(solver->currentIndex(), 1);

  // The sweeps' limit and tolerance do not act on a direct solve: greyed and saying why, and
  // never holding OK back, since they cannot be mended while greyed.
  for (const char* name : {"MaxIterSpace", "TolSpace"}) {
    EXPECT_FALSE(Child(dlg, name)->isEnabled()) << name;
    EXPECT_EQ(Child(dlg, name)->toolTip(),
              "Used by Gauss\u2013Seidel only: the direct solver solves each time step exactly");
  }
  solver->setCurrentIndex(0);
  Type(dlg, "MaxIterSpace", "many");
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  solver->setCurrentIndex(1);
  EXPECT_TRUE(dlg.OKBtn->isEnabled());
  QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
  EXPECT_EQ(problem.maxIterSpace, 10000);
  dlg.show();
  solver->setCurrentIndex(0);
  EXPECT_TRUE(Child(dlg, "TolSpace")->isEnabled());
  EXPECT_EQ(Child(dlg, "TolSpace")->toolTip(), "");
}

// The default problem refined to 200 x 200, run for two steps of the chosen solver.
void RunFineDefault(Target& target, TProcessDlg& dlg, SolverKind solver) {
  target.problem.media = std::make_unique<CartesianMedia>(1, 1, 200, 200, DefaultMaterial());
  target.results.reset();
  target.problem.SetParameters(1e-5, 1e-5, 2, 10000, 20);
  target.problem.solver = solver;
  dlg.show();
  EXPECT_EQ(Label(dlg, "Verdict"), "The balance of heat is checked whenever a run stops.");
  EXPECT_EQ(Label(dlg, "InEast"), "(none)");
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  ASSERT_TRUE(dlg.Finish->isEnabled());
  ASSERT_FALSE(dlg.Run->isEnabled());
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  ASSERT_NE(target.results, nullptr);
}

TEST(ConvergenceCheck, WarnsOnTheFineDefaultProblemWithGaussSeidelOnly) {
  Target target;
  TProcessDlg dlg(target);
  dlg.pumpIntervalMs = 1000;

  RunFineDefault(target, dlg, SolverKind::GaussSeidel);
  // The panel keeps the check of the run that was just finished until the next showing.
  EXPECT_TRUE(dlg.WarningShown());
  const QString warning = Label(dlg, "Verdict");
  // Two steps of a run of two: not steady, and not a solution of its equations either.
  EXPECT_TRUE(Label(dlg, "SteadyVerdict")
                  .startsWith("Not at steady state: the last step still changed the field by "));
  EXPECT_TRUE(warning.startsWith("Not converged: ")) << warning.toStdString();
  EXPECT_TRUE(
      warning.contains("Tighten the solver tolerance in Simulation Parameters, or choose "
                       "the direct solver there"));
  // The numbers are those of the results handed over: heat enters through East and leaves
  // through West.
  const SimSnapshot& last = target.results->LastSnapshot();
  double east = 0, west = 0;
  for (int j = 0; j < 200; ++j) {
    east += last.heatWE[200][j];
    west += last.heatWE[0][j];
  }
  EXPECT_EQ(Label(dlg, "InEast"), FormatExponent(east, 3));
  EXPECT_GT(west, 0);
  EXPECT_EQ(Label(dlg, "OutWest"), FormatExponent(west, 3));
  EXPECT_EQ(Label(dlg, "InWest"), FormatExponent(0, 3));
  EXPECT_EQ(Label(dlg, "OutNorth"), FormatExponent(0, 3));
  EXPECT_EQ(Label(dlg, "Generated"), FormatExponent(0, 3));
  EXPECT_GT(last.ledger.ImbalanceFraction(), 0.01);
  EXPECT_EQ(Label(dlg, "Imbalance"),
            FormatGeneral(100 * last.ledger.ImbalanceFraction(), 3) + " %");

  // The report ends with the same check and says it plainly too.
  const ReportLines report = OutputReport(ReportSource{*target.results, last});
  ASSERT_GE(report.size(), 13u);
  const std::size_t end = report.size();
  EXPECT_EQ(report[end - 13], "");
  EXPECT_EQ(report[end - 12], "*** Convergence check:");
  EXPECT_EQ(report[end - 10],
            "Heat rate (W/m):                     North           South            "
            "East            West");
  EXPECT_EQ(report[end - 9], "    In:                   " + ReportReal(0) + ReportReal(0) +
                                 ReportReal(east) + ReportReal(0));
  EXPECT_EQ(report[end - 8], "    Out:                  " + ReportReal(0) + ReportReal(0) +
                                 ReportReal(0) + ReportReal(west));
  EXPECT_EQ(report[end - 5],
            "Imbalance (%):            " + ReportReal(100 * last.ledger.ImbalanceFraction()));
  EXPECT_EQ(
      report[end - 2].rfind("Not at steady state: the last step still changed the field by ", 0),
      0u)
      << report[end - 2];
  EXPECT_EQ(report[end - 1],
            "NOT CONVERGED: more than 1 % of the heat is unaccounted for. Tighten the solver "
            "tolerance or choose the direct solver, and run again.");

  RunFineDefault(target, dlg, SolverKind::Direct);
  // Solved exactly, but two steps are still no steady state: the warning says that alone.
  EXPECT_TRUE(dlg.WarningShown());
  EXPECT_EQ(OutputReport(ReportSource{*target.results, target.results->LastSnapshot()}).back(),
            "Equations solved: the heat balances to within 1 % of the largest heat rate.");
  EXPECT_TRUE(Label(dlg, "SteadyVerdict").startsWith("Not at steady state: "));
  EXPECT_TRUE(
      Label(dlg, "Verdict").startsWith("Equations solved: the heat rates balance to within "));
  EXPECT_LT(target.results->LastSnapshot().ledger.ImbalanceFraction(), 1e-9);
}

TEST(ConvergenceCheck, AFailedFirstStepSaysWhatHappenedAndWhatToCheck) {
  Target target;
  // Boundary temperatures at the ends of the range of numbers: the first step overflows.
  target.problem.functionList.push_back(std::make_unique<FConstant>(1e308));
  target.problem.functionList.push_back(std::make_unique<FConstant>(-1e308));
  target.problem.westFace->Insert(
      Segment{0, 1, new FTemperature(target.problem.functionList[4].get())});
  target.problem.eastFace->Insert(
      Segment{0, 1, new FTemperature(target.problem.functionList[5].get())});
  TProcessDlg dlg(target);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  EXPECT_TRUE(dlg.Run->isEnabled());
  EXPECT_FALSE(dlg.Preview->isEnabled());
  EXPECT_EQ(Label(dlg, "TIter"), "0");
  EXPECT_TRUE(dlg.WarningShown());
  // It names the likely cause, not the grid (a grid the program takes has no crossed
  // volumes).
  EXPECT_EQ(Label(dlg, "Verdict"),
            "Time step 1 failed: the temperatures or the heat rates grew beyond the largest "
            "numbers the computer can hold. A material property or a boundary condition far too "
            "large (or an initial temperature) is the usual cause; check them and run again.");

  // The same with the direct solver, and a sweep limit that stops Gauss-Seidel.
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  target.problem.solver = SolverKind::Direct;
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  EXPECT_TRUE(Label(dlg, "Verdict").startsWith("Time step 1 failed: the temperatures or the"));
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);

  Target limited;
  limited.problem.SetParameters(1e-5, 1e-5, 1000, 3, 20);
  TProcessDlg second(limited);
  second.show();
  QTest::mouseClick(second.Run, Qt::LeftButton);
  EXPECT_TRUE(second.WarningShown());
  EXPECT_TRUE(Label(second, "Verdict")
                  .startsWith("Time step 1 was undone: the solver reached its limit of 3 "
                              "iterations before it converged."));
}

TEST(ConvergenceCheck, VerdictWithoutAStepAndOnAConvergedCoarseRun) {
  EnergyLedger none;
  EXPECT_EQ(ConvergenceVerdict(none, SolverKind::GaussSeidel),
            "No time step has been completed: there is nothing to check yet.");
  Target fresh;
  NumMatrix<double> start(10, 10);
  start.SetAll(0);
  const SimManager unrun(fresh.problem.media.get(), fresh.problem.northFace.get(),
                         fresh.problem.southFace.get(), fresh.problem.eastFace.get(),
                         fresh.problem.westFace.get(), 1e-5, 1e-5, 10, 10, 20, start, nullptr,
                         nullptr, fresh.problem._marks.get());
  EXPECT_EQ(OutputReport(ReportSource{unrun, unrun.LastSnapshot()}).back(),
            "No time step led to this snapshot: there is nothing to check.");

  // The default 10 x 10 problem converges with Gauss-Seidel at its own tolerances.
  Target target;
  TProcessDlg dlg(target);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  EXPECT_FALSE(dlg.WarningShown());
  EXPECT_TRUE(Label(dlg, "SteadyVerdict").startsWith("Steady state at step "));
  EXPECT_TRUE(Label(dlg, "Verdict").startsWith("Equations solved: "));
  EXPECT_LT(dlg.CheckGroup->geometry().bottom(), dlg.Run->geometry().top());
}

// A student's composite wall, brick beside hardwood, 0.2 x 0.1 m in 20 x 2 volumes, West at
// 50 and East at 0: the default 1000 steps of 20 s end far from steady state although every
// step's equations balance. The run window and the report say so before anything else,
// where a plain "Converged" once had the student report 2.3 times the steady heat rate.
TEST(ConvergenceCheck, ARunThatEndsStillChangingIsNotCalledSteady) {
  Target target;
  ProblemRecord& p = target.problem;
  p.media = std::make_unique<CartesianMedia>(0.2, 0.1, 20, 2, DefaultMaterial());
  const Material& brick = materials[8];
  const Material& hardwood = materials[4];
  ASSERT_STREQ(brick.name, "Brick, common");
  ASSERT_STREQ(hardwood.name, "Hardwoods");
  for (int i = 0; i < 20; ++i) {
    const Material& m = i < 10 ? brick : hardwood;
    for (int j = 0; j < 2; ++j)
      p.media->volume(i, j) = VolumeProperties{m.conductivity, m.density, m.specificHeat, 0};
  }
  p.functionList.push_back(std::make_unique<FConstant>(50));
  p.westFace->Insert(Segment{0, 1, new FTemperature(p.functionList.back().get())});
  p.eastFace->Insert(Segment{0, 1, new FTemperature(p.functionList[0].get())});

  TProcessDlg dlg(target);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
  ASSERT_NE(target.results, nullptr);
  const SimSnapshot& last = target.results->LastSnapshot();
  ASSERT_EQ(last.Iteration(), 1000);
  ASSERT_TRUE(last.ledger.Converged());
  ASSERT_EQ(SteadyStateOf(*target.results, last), SteadyState::NotReached);
  EXPECT_EQ(FormatExponent(last.timeError, 2), "3.1E-4");

  const QString notSteady = QStringLiteral(
                                "Not at steady state: the last step still changed the field by "
                                "%1; raise the number of steps or the time step.")
                                .arg(FormatExponent(last.timeError, 2));
  EXPECT_EQ(Label(dlg, "SteadyVerdict"), notSteady);
  EXPECT_TRUE(Label(dlg, "Verdict").startsWith("Equations solved: "));
  EXPECT_TRUE(dlg.WarningShown());

  const ReportLines report = OutputReport(ReportSource{*target.results, last});
  ASSERT_GE(report.size(), 2u);
  EXPECT_EQ(report[report.size() - 2], notSteady.toStdString());

  // Ten times the time step reaches the steady state within the same 1000 steps.
  p.SetParameters(1e-5, 1e-5, 1000, 10000, 200);
  dlg.show();
  QTest::mouseClick(dlg.Run, Qt::LeftButton);
  EXPECT_FALSE(dlg.WarningShown());
  EXPECT_TRUE(Label(dlg, "SteadyVerdict").startsWith("Steady state at step "));
  QTest::mouseClick(dlg.Finish, Qt::LeftButton);
}

}  // namespace
