#ifndef CALORIVECTRIX_GUI_PARAMETERS_H
#define CALORIVECTRIX_GUI_PARAMETERS_H

// The simulation parameters dialog: the time step, the number of time steps, the two
// tolerances, the solver's iteration limit, the choice of solver and the run mode of the
// problem it is given. It asks nothing of the window: the values are stored in the problem,
// which keeps its animation times ending at the new number of steps, and take effect at the
// next run; the model keeps OK as one step of the history. A steady run is solved by the direct
// solver whatever solver is chosen for transients: while "Steady state" is chosen the solver list
// shows the direct solver, greyed, the time fields are greyed, and the choice made for transients
// is kept.
//
// OK is enabled exactly when every field reads (integers strictly, decimals with the user's
// separator) and every value is above zero; nothing else is checked, so the dialog can
// never store a value the solver cannot use.

#include <QDialog>
#include <cstdint>

#include "gui/document/problemmodel.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TTimeStepAdvisor;

class TParametersDlg : public QDialog {
  Q_OBJECT

 public:
  // The model must outlive the dialog.
  explicit TParametersDlg(ProblemModel& model, QWidget* parent = nullptr);

  // The fields show the stored values; the focus goes to the time step.
  void FormShow();
  // Whether all five fields read as values above zero; enables OK accordingly. With the
  // direct solver the iterations number and the solver tolerance are greyed and not checked.
  bool CheckValues();
  // The choice of solver: greys the fields only Gauss-Seidel uses, and says why.
  void SolverChange();
  // Stores the five values, the solver and the run mode in the problem and closes with OK;
  // does nothing while a field does not read.
  void OKBtnClick();
  // Applies the run mode chosen to the other controls.
  void ModeChanged();
  void HelpBtnClick();

  QLineEdit* MaxIterTime;
  QLineEdit* TolTime;
  QLineEdit* Dt;
  QLineEdit* MaxIterSpace;
  QLineEdit* TolSpace;
  // How each time step is solved: Gauss-Seidel (index 0) or the direct solver (index 1).
  QComboBox* Solver;
  // How a run goes: "Transient" (index 0) or "Steady state" (index 1), and a note on what
  // the mode chosen does (for the steady one: that Gauss-Seidel is not offered).
  QComboBox* Mode;
  QLabel* SteadyNote;
  QGroupBox* TimeGroup;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

  // The time-step advisor: figures and advice for the values being typed.
  TTimeStepAdvisor* Advisor;
  void UpdateAdvice();

  // The "Solver" group and its rows (caption in column 0, control in column 1), open to
  // further rows for solver settings.
  QGroupBox* SolverGroup;
  QGridLayout* solverRows;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Values {
    double dt;
    int32_t maxIterTime;
    double tolTime;
    int32_t maxIterSpace;
    double tolSpace;
  };
  // The fields as values, or false when any does not read or is not above zero.
  bool Read(Values& values) const;

  ProblemModel& model;
  const ProblemRecord& problem;
  // The solver chosen for transients, kept while the steady mode shows the direct one.
  int transientSolver = 0;
  // The captions of the iterations number and the solver tolerance.
  QLabel* sweepLabels[2] = {nullptr, nullptr};
};

#endif
