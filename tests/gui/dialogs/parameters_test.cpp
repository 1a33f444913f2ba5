// The parameters and initial-temperature dialogs driven through their fields, and runs that
// show their values reach the simulation; the help topics of every settings dialog.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui/dialogs/Geometry.h"
#include "gui/dialogs/InitialTemp.h"
#include "gui/dialogs/Parameters.h"
#include "gui/dialogs/Times.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "sim/problem.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

TEST(ParametersDlg, ShowsTheStoredValuesInTheProgramsFormats) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Simulation Parameters");
  EXPECT_EQ(TextOf(dlg, "Dt"), "20");
  EXPECT_EQ(TextOf(dlg, "MaxIterTime"), "1000");
  EXPECT_EQ(TextOf(dlg, "TolTime"), "1E-5");
  EXPECT_EQ(TextOf(dlg, "MaxIterSpace"), "10000");
  EXPECT_EQ(TextOf(dlg, "TolSpace"), "1E-5");
  EXPECT_TRUE(Enabled(dlg, "OKBtn"));
  EXPECT_TRUE(dlg.OKBtn->isDefault());
  // The field a student changes most takes the keys at once.
  EXPECT_EQ(dlg.focusWidget(), Child(dlg, "Dt"));
}

TEST(ParametersDlg, OkIsEnabledExactlyWhenEveryFieldReadsAboveZero) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  dlg.show();
  const struct {
    const char* field;
    const char* text;
    bool valid;
  } cases[] = {
      {"MaxIterTime", "0", false},   {"MaxIterTime", "-5", false}, {"MaxIterTime", "10.5", false},
      {"MaxIterTime", "1e3", false}, {"MaxIterTime", "", false},   {"MaxIterTime", "1000000", true},
      {"MaxIterSpace", "0", false},  {"MaxIterSpace", "7", true},  {"TolTime", "0", false},
      {"TolTime", "abc", false},     {"TolTime", "5", true},       {"TolSpace", "0", false},
      {"TolSpace", "", false},       {"TolSpace", "2.5E-9", true}, {"Dt", "0", false},
      {"Dt", "-1", false},           {"Dt", "0.001", true},        {"Dt", "99999999999", true},
  };
  for (const auto& c : cases) {
    dlg.FormShow();
    Type(dlg, c.field, c.text);
    EXPECT_EQ(dlg.OKBtn->isEnabled(), c.valid) << c.field << " = \"" << c.text << "\"";
    // OK on invalid values writes nothing.
    dlg.OKBtnClick();
  }
  EXPECT_EQ(problem.maxIterTime, 1000000);
  EXPECT_EQ(problem.maxIterSpace, 7);
  EXPECT_EQ(problem.tolTime, 5);
  EXPECT_EQ(problem.tolSpace, 2.5e-9);
  EXPECT_EQ(problem.dt, 99999999999.0);
}

TEST(ParametersDlg, OkStoresAllFiveAndKeepsTheMarksEndingAtTheLastStep) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  dlg.show();
  Type(dlg, "MaxIterTime", "2000");
  QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  ASSERT_EQ(problem._marks->N(), 2);
  EXPECT_EQ((*problem._marks)[0], 0);
  EXPECT_EQ((*problem._marks)[1], 2000);

  // A run with the values typed performs exactly the steps asked for, each of the typed
  // length: the tolerance is too small for a steady state to end it early.
  dlg.show();
  Type(dlg, "MaxIterTime", "7");
  Type(dlg, "Dt", "3.5");
  Type(dlg, "TolTime", "1E-300");
  Type(dlg, "MaxIterSpace", "400");
  Type(dlg, "TolSpace", "1E-9");
  dlg.OKBtn->click();
  EXPECT_EQ(problem.maxIterSpace, 400);
  EXPECT_EQ(problem.tolSpace, 1e-9);
  ASSERT_EQ(problem._marks->N(), 2);
  EXPECT_EQ((*problem._marks)[1], 7);
  std::unique_ptr<SimManager> run = RunToEnd(problem, UniformStart(problem));
  ASSERT_EQ(run->Count(), 2);
  EXPECT_EQ(run->LastSnapshot().Iteration(), 7);
  EXPECT_DOUBLE_EQ(run->LastSnapshot().Time(), 24.5);
}

// OK without a change of the step count used to drop the last animation time before it.
TEST(ParametersDlg, OkWithTheSameStepCountKeepsEveryAnimationTime) {
  ProblemRecord problem;
  ProblemModel model(problem);
  auto marks = std::make_unique<NumVector<int>>(4);
  (*marks)[0] = 0;
  (*marks)[1] = 10;
  (*marks)[2] = 100;
  (*marks)[3] = 1000;
  problem.SetMarks(std::move(marks));
  TParametersDlg dlg(model);
  dlg.show();
  Type(dlg, "Dt", "5");
  dlg.OKBtn->click();
  ASSERT_EQ(problem._marks->N(), 4);
  EXPECT_EQ((*problem._marks)[2], 100);
  EXPECT_EQ((*problem._marks)[3], 1000);
  // A count equal to an interior mark ends the list there.
  dlg.show();
  Type(dlg, "MaxIterTime", "100");
  dlg.OKBtn->click();
  ASSERT_EQ(problem._marks->N(), 3);
  EXPECT_EQ((*problem._marks)[1], 10);
  EXPECT_EQ((*problem._marks)[2], 100);
}

TEST(ParametersDlg, CancelKeepsEverythingAndTheNextShowingShowsTheStoredValues) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  dlg.show();
  Type(dlg, "Dt", "5");
  Type(dlg, "MaxIterTime", "17");
  dlg.CancelBtn->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(problem.dt, 20);
  EXPECT_EQ(problem.maxIterTime, 1000);
  EXPECT_EQ((*problem._marks)[1], 1000);
  dlg.show();
  EXPECT_EQ(TextOf(dlg, "Dt"), "20");
  EXPECT_EQ(TextOf(dlg, "MaxIterTime"), "1000");

  ExpectHelpTopic(*dlg.HelpBtn, 400);
}

// The steady mode shows the direct solver, greyed, with its note, and greys the time fields;
// the solver chosen for transients is what OK stores and what the transient mode shows again.
TEST(ParametersDlg, SteadyModeShowsTheDirectSolverAndKeepsTheTransientChoice) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TParametersDlg dlg(model);
  const auto expectShown = [&dlg](bool steady, int solver) {
    EXPECT_EQ(dlg.Mode->currentIndex(), steady ? 1 : 0);
    EXPECT_EQ(dlg.Solver->currentIndex(), solver);
    EXPECT_EQ(dlg.Solver->isEnabled(), !steady);
    EXPECT_EQ(dlg.SteadyNote->text().contains("Seidel is not offered"), steady);
    EXPECT_EQ(dlg.TimeGroup->isEnabled(), !steady);
    EXPECT_EQ(Enabled(dlg, "Dt"), !steady);
  };
  for (const SolverKind transientSolver : {SolverKind::GaussSeidel, SolverKind::Direct}) {
    const int chosen = transientSolver == SolverKind::Direct ? 1 : 0;
    problem.solver = SolverKind::GaussSeidel;
    problem.runMode = RunMode::Transient;
    dlg.show();
    expectShown(false, 0);
    dlg.Solver->setCurrentIndex(chosen);
    dlg.Mode->setCurrentIndex(1);
    expectShown(true, 1);
    dlg.OKBtn->click();
    EXPECT_EQ(problem.runMode, RunMode::Steady);
    EXPECT_EQ(problem.solver, transientSolver);

    // Shown again in the steady mode, and back to the transient one.
    dlg.show();
    expectShown(true, 1);
    dlg.Mode->setCurrentIndex(0);
    expectShown(false, chosen);
    dlg.CancelBtn->click();
    EXPECT_EQ(problem.runMode, RunMode::Steady);
    dlg.show();
    dlg.Mode->setCurrentIndex(0);
    dlg.OKBtn->click();
    EXPECT_EQ(problem.runMode, RunMode::Transient);
    EXPECT_EQ(problem.solver, transientSolver);
  }
}

TEST(InitialTempDlg, AcceptsAnyNumberAndTheRunStartsFromIt) {
  ProblemRecord problem;
  ProblemModel model(problem);
  TInitialTempDlg dlg(model);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Temperature");
  EXPECT_EQ(TextOf(dlg, "Temp"), "0");
  EXPECT_EQ(dlg.focusWidget(), Child(dlg, "Temp"));
  for (const char* text : {"-40", "0", "1E3", " 12.5 "}) {
    Type(dlg, "Temp", text);
    EXPECT_TRUE(dlg.OKBtn->isEnabled()) << text;
  }
  for (const char* text : {"abc", "", "1,5", "--2"}) {
    Type(dlg, "Temp", text);
    EXPECT_FALSE(dlg.OKBtn->isEnabled()) << text;
  }
  dlg.OKBtnClick();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(problem.initialTemp, 0);

  Type(dlg, "Temp", "-40");
  dlg.OKBtn->click();
  EXPECT_EQ(problem.initialTemp, -40);
  dlg.show();
  Type(dlg, "Temp", "99");
  dlg.CancelBtn->click();
  EXPECT_EQ(problem.initialTemp, -40);
  dlg.show();
  EXPECT_EQ(TextOf(dlg, "Temp"), "-40");

  // The first snapshot of a run is the field the run started from.
  problem.SetParameters(problem.tolTime, problem.tolSpace, 3, problem.maxIterSpace, 1);
  std::unique_ptr<SimManager> run = RunToEnd(problem, UniformStart(problem));
  const SimSnapshot& first = run->Snapshot(0);
  EXPECT_EQ(first.minT, -40);
  EXPECT_EQ(first.maxT, -40);

  ExpectHelpTopic(*dlg.HelpBtn, 310);
}

TEST(SmallDialogs, ReadAndShowTheDecimalCommaOfTheUsersLocale) {
  DecimalCommaScope comma;
  ProblemRecord problem;
  ProblemModel model(problem);
  problem.SetParameters(2.5e-4, 1e-5, 1000, 10000, 0.5);
  problem.initialTemp = -12.75;
  TParametersDlg parameters(model);
  parameters.show();
  EXPECT_EQ(TextOf(parameters, "Dt"), "0,5");
  EXPECT_EQ(TextOf(parameters, "TolTime"), "0,00025");
  // Refused for the separator alone, and the field says which one it expects; its own hint
  // comes back once the number reads.
  QLineEdit* tolTime = Child(parameters, "TolTime");
  const QString ownHint = tolTime->toolTip();
  Type(parameters, "TolTime", "2.5E-4");
  EXPECT_FALSE(parameters.OKBtn->isEnabled());
  EXPECT_EQ(tolTime->toolTip(),
            "Not read as a number: the decimal separator is \",\" (2,5E-4 rather than 2.5E-4)");
  Type(parameters, "TolTime", "2,5E-4");
  EXPECT_EQ(tolTime->toolTip(), ownHint);
  Type(parameters, "Dt", "2.5");
  EXPECT_FALSE(parameters.OKBtn->isEnabled());
  Type(parameters, "Dt", "2,5");
  Type(parameters, "TolSpace", "1,5E-7");
  EXPECT_TRUE(parameters.OKBtn->isEnabled());
  parameters.OKBtn->click();
  EXPECT_EQ(problem.dt, 2.5);
  EXPECT_EQ(problem.tolSpace, 1.5e-7);

  TInitialTempDlg initial(model);
  initial.show();
  EXPECT_EQ(TextOf(initial, "Temp"), "-12,75");
  Type(initial, "Temp", "36,6");
  initial.OKBtn->click();
  EXPECT_EQ(problem.initialTemp, 36.6);
}

// Context help: each control shows its own topic, or that of the group it sits in.
TEST(SettingsDialogs, ControlsCarryTheirHelpTopics) {
  ProblemRecord problem;
  ProblemModel model(problem);
  struct NoWindow : GeometryTarget {
    bool SetMedia(std::unique_ptr<Media>) override { return true; }
  } window;
  TGeometryDlg geometry(window);
  TParametersDlg parameters(model);
  TInitialTempDlg initial(model);
  TTimeDlg times(model);
  auto topicOf = [](QDialog& dialog, const char* name) {
    QWidget* control = Child<QWidget>(dialog, name);
    return control ? HelpTopicAt(control, &dialog) : -1;
  };
  const struct {
    QDialog* dialog;
    const char* control;
    int topic;
  } expected[] = {
      {&geometry, "PageControl", 1300},
      {&geometry, "cWidth", 1320},
      {&geometry, "pAngle", 1320},
      {&geometry, "mU", 1320},
      {&geometry, "cNI", 1330},
      {&geometry, "mNJ", 1330},
      {&geometry, "OKBtn", 1220},
      {&geometry, "CancelBtn", 1210},
      {&geometry, "HelpBtn", 1200},
      {&parameters, "Dt", 2000},
      {&parameters, "MaxIterTime", 2000},
      {&parameters, "TolSpace", 2010},
      {&parameters, "OKBtn", 1220},
      {&initial, "Temp", 1800},
      {&initial, "CancelBtn", 1210},
      {&times, "LBTimes", 2220},
      {&times, "Page", 2200},
      {&times, "LSamples", 2250},
      {&times, "ESamples", 2250},
      {&times, "LinSetBtn", 2210},
      {&times, "ExpDraw", 2240},
      {&times, "CTSteps", 2260},
      {&times, "AddBtn", 2270},
      {&times, "DelBtn", 2230},
  };
  for (const auto& e : expected)
    EXPECT_EQ(topicOf(*e.dialog, e.control), e.topic) << e.control;
}

}  // namespace
