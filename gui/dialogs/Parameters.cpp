#include "gui/dialogs/Parameters.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/dialogs/dialogparts.h"
#include "gui/dialogs/timestepadvisor.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"

namespace {

// Adds a caption and its edit as the next row of a group's grid.
QLabel* AddRow(QGridLayout* rows, const QString& caption, QLineEdit* edit) {
  const int row = rows->rowCount();
  auto* label = new QLabel(caption, edit->parentWidget());
  label->setBuddy(edit);
  rows->addWidget(label, row, 0);
  rows->addWidget(edit, row, 1);
  return label;
}

}  // namespace

TParametersDlg::TParametersDlg(ProblemModel& model, QWidget* parent)
    : QDialog(parent), model(model), problem(model.Problem()) {
  setObjectName(QStringLiteral("ParametersDlg"));
  setWindowTitle(QStringLiteral("Simulation Parameters"));
  InstallContextHelp(this, topic::kParametersDlg);

  auto* layout = new QVBoxLayout(this);

  auto* timeGroup = new QGroupBox(QStringLiteral("Time"), this);
  timeGroup->setObjectName(QStringLiteral("TimeGroup"));
  TimeGroup = timeGroup;
  SetHelpTopic(timeGroup, topic::kParametersTime);
  auto* timeRows = new QGridLayout(timeGroup);
  timeRows->setColumnStretch(0, 1);
  MaxIterTime = MakeNumberEdit(timeGroup, "MaxIterTime");
  TolTime = MakeNumberEdit(timeGroup, "TolTime");
  Dt = MakeNumberEdit(timeGroup, "Dt");
  AddRow(timeRows, QStringLiteral("Number of Time Steps"), MaxIterTime);
  QLabel* tolerance = AddRow(timeRows, QStringLiteral("Tolerance"), TolTime);
  // The hint has no long part, so the status bar stays empty.
  tolerance->setToolTip(QStringLiteral("Tolerance to reach steady state"));
  TolTime->setToolTip(tolerance->toolTip());
  AddRow(timeRows, QStringLiteral("Time Step (sec.)"), Dt);
  layout->addWidget(timeGroup);
  Advisor = new TTimeStepAdvisor(this);
  layout->addWidget(Advisor);

  SolverGroup = new QGroupBox(QStringLiteral("Solver"), this);
  SolverGroup->setObjectName(QStringLiteral("SolverGroup"));
  SetHelpTopic(SolverGroup, topic::kParametersSolver);
  solverRows = new QGridLayout(SolverGroup);
  solverRows->setColumnStretch(0, 1);
  MaxIterSpace = MakeNumberEdit(SolverGroup, "MaxIterSpace");
  TolSpace = MakeNumberEdit(SolverGroup, "TolSpace");
  sweepLabels[0] = AddRow(solverRows, QStringLiteral("Iterations Number"), MaxIterSpace);
  sweepLabels[1] = AddRow(solverRows, QStringLiteral("Tolerance"), TolSpace);
  Solver = new QComboBox(SolverGroup);
  Solver->setObjectName(QStringLiteral("Solver"));
  Solver->addItem(QStringLiteral("Gauss\u2013Seidel"));
  Solver->addItem(QStringLiteral("Direct (sparse LU)"));
  Solver->setToolTip(
      QStringLiteral("Gauss\u2013Seidel sweeps each time step until it changes less than the "
                     "tolerance; the direct solver solves it exactly"));
  auto* solverLabel = new QLabel(QStringLiteral("Solver"), SolverGroup);
  solverLabel->setBuddy(Solver);
  const int solverRow = solverRows->rowCount();
  solverRows->addWidget(solverLabel, solverRow, 0);
  solverRows->addWidget(Solver, solverRow, 1);
  Mode = new QComboBox(SolverGroup);
  Mode->setObjectName(QStringLiteral("Mode"));
  Mode->addItem(QStringLiteral("Transient"));
  Mode->addItem(QStringLiteral("Steady state"));
  Mode->setToolTip(
      QStringLiteral("Transient marches in time steps from the initial temperature; steady "
                     "state solves at once for the field the transient tends to"));
  auto* modeLabel = new QLabel(QStringLiteral("Run"), SolverGroup);
  modeLabel->setBuddy(Mode);
  const int modeRow = solverRows->rowCount();
  solverRows->addWidget(modeLabel, modeRow, 0);
  solverRows->addWidget(Mode, modeRow, 1);
  SteadyNote = new QLabel(SolverGroup);
  SteadyNote->setObjectName(QStringLiteral("SteadyNote"));
  SteadyNote->setWordWrap(true);
  SteadyNote->setMinimumWidth(270);
  solverRows->addWidget(SteadyNote, modeRow + 1, 0, 1, 2);
  layout->addWidget(SolverGroup);
  layout->addStretch(1);

  const DialogButtons buttons =
      AddDialogButtons(this, layout, QStringLiteral("OK"), QStringLiteral("Cancel"));
  OKBtn = buttons.ok;
  CancelBtn = buttons.cancel;
  HelpBtn = buttons.help;
  layout->setSizeConstraint(QLayout::SetFixedSize);

  for (QLineEdit* edit : {MaxIterTime, TolTime, Dt, MaxIterSpace, TolSpace})
    connect(edit, &QLineEdit::textChanged, this, &TParametersDlg::CheckValues);
  connect(Mode, &QComboBox::currentIndexChanged, this, &TParametersDlg::ModeChanged);
  for (QLineEdit* edit : {MaxIterTime, Dt})
    connect(edit, &QLineEdit::textChanged, this, &TParametersDlg::UpdateAdvice);
  connect(Solver, &QComboBox::currentIndexChanged, this, &TParametersDlg::SolverChange);
  connect(OKBtn, &QPushButton::clicked, this, &TParametersDlg::OKBtnClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TParametersDlg::HelpBtnClick);
}

void TParametersDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TParametersDlg::FormShow() {
  Dt->setText(FormatGeneral(problem.dt));
  MaxIterTime->setText(FormatInteger(problem.maxIterTime));
  TolTime->setText(FormatGeneral(problem.tolTime));
  MaxIterSpace->setText(FormatInteger(problem.maxIterSpace));
  TolSpace->setText(FormatGeneral(problem.tolSpace));
  Solver->setCurrentIndex(problem.solver == SolverKind::Direct ? 1 : 0);
  Solver->setEnabled(true);
  {
    // Applied once below, whether or not the index changes.
    const QSignalBlocker quiet(Mode);
    Mode->setCurrentIndex(problem.runMode == RunMode::Steady ? 1 : 0);
  }
  ModeChanged();
  SolverChange();
  UpdateAdvice();
  // A steady run greys the time step: the first field that can be typed in is the mode.
  (Mode->currentIndex() == 1 ? static_cast<QWidget*>(Mode) : Dt)->setFocus();
}

void TParametersDlg::SolverChange() {
  // The sweeps' limit and tolerance do not act on a direct solve: greyed, with the reason.
  const bool sweeps = Solver->currentIndex() != 1;
  const QString why =
      sweeps ? QString()
             : QStringLiteral(
                   "Used by Gauss\u2013Seidel only: the direct solver solves each time "
                   "step exactly");
  QWidget* const controls[] = {MaxIterSpace, TolSpace, sweepLabels[0], sweepLabels[1]};
  for (QWidget* control : controls) {
    control->setEnabled(sweeps);
    control->setToolTip(why);
  }
  CheckValues();
}

void TParametersDlg::UpdateAdvice() {
  double dt = 0;
  int steps = 0;
  const bool valid = ParseDecimal(Dt->text(), dt) && ParseInteger(MaxIterTime->text(), steps);
  Advisor->Show(*problem.media, *problem._marks, dt, steps, valid);
  if (Mode->currentIndex() == 1) {
    Advisor->Advice->setText(
        QStringLiteral("A steady run takes no time steps: the advice is for transient runs."));
  }
}

bool TParametersDlg::Read(Values& v) const {
  if (!MaxIterSpace->isEnabled()) {
    // Greyed fields cannot be mended, so they cannot hold OK back: what they do not read
    // as stays as it was stored.
    v.maxIterSpace = problem.maxIterSpace;
    v.tolSpace = problem.tolSpace;
    int maxIterSpace = 0;
    double tolSpace = 0;
    if (ParseInteger(MaxIterSpace->text(), maxIterSpace) && maxIterSpace > 0)
      v.maxIterSpace = maxIterSpace;
    if (ParseDecimal(TolSpace->text(), tolSpace) && tolSpace > 0)
      v.tolSpace = tolSpace;
  } else if (!ParseInteger(MaxIterSpace->text(), v.maxIterSpace) ||
             !ParseDecimal(TolSpace->text(), v.tolSpace)) {
    return false;
  }
  return ParseDecimal(Dt->text(), v.dt) && ParseInteger(MaxIterTime->text(), v.maxIterTime) &&
         ParseDecimal(TolTime->text(), v.tolTime) && v.dt > 0 && v.maxIterTime > 0 &&
         v.maxIterSpace > 0 && v.tolTime > 0 && v.tolSpace > 0;
}

bool TParametersDlg::CheckValues() {
  Values values{};
  const bool valid = Read(values);
  OKBtn->setEnabled(valid);
  return valid;
}

void TParametersDlg::OKBtnClick() {
  Values v{};
  if (!Read(v))
    return;
  const bool steady = Mode->currentIndex() == 1;
  const int solver = steady ? transientSolver : Solver->currentIndex();
  model.SetParameters(
      ProblemModel::Parameters{v.tolTime, v.tolSpace, v.maxIterTime, v.maxIterSpace, v.dt,
                               solver == 1 ? SolverKind::Direct : SolverKind::GaussSeidel,
                               steady ? RunMode::Steady : RunMode::Transient});
  accept();
}

void TParametersDlg::ModeChanged() {
  const bool steady = Mode->currentIndex() == 1;
  if (steady && Solver->isEnabled()) {
    transientSolver = Solver->currentIndex();
    Solver->setCurrentIndex(1);
  } else if (!steady && !Solver->isEnabled()) {
    Solver->setCurrentIndex(transientSolver);
  }
  Solver->setEnabled(!steady);
  // Both texts take two lines, so the dialog keeps its size when the mode changes.
  SteadyNote->setText(
      steady ? QStringLiteral("Solved at once by the direct solver: Gauss\u2013\u2060Seidel is not "
                              "offered for a steady state.")
             : QStringLiteral("Time steps from the initial temperature, each solved by the "
                              "solver above."));
  // A steady field has no time steps.
  TimeGroup->setEnabled(!steady);
  Advisor->setEnabled(!steady);
  UpdateAdvice();
  // Laid out at once, so that nothing moves under a click that follows (the showing calls
  // this after its own layout).
  layout()->activate();
}

void TParametersDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kParametersDlg);
}
