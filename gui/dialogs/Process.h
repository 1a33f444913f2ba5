#ifndef CALORIVECTRIX_GUI_PROCESS_H
#define CALORIVECTRIX_GUI_PROCESS_H

// The run dialog: builds a run of the problem its target holds, runs, pauses and resumes it
// with live counters and a convergence graph, lets the user look at intermediate results
// and hands the results to the target on Finish. TPreviewDlg is the small window that
// stands in for the dialog while the target shows a preview.
//
// The run happens inside RunClick on the user-interface thread; the progress callback keeps
// the program responsive by processing pending events, and Pause stops the run at the
// callback's next answer. The dialog is created once and shown modally many times; its
// rules (FormShow, the clicks, the close rules) are plain members so that they work the
// same whether the dialog is shown with exec(), with show(), or not at all.
//
// Below the counters, the convergence check: whenever a run stops, the energy ledger of its
// latest state (heat in and out through each side, generated, stored) with its imbalance
// and the residual of the equations, and a plain verdict. When the field is not a solution
// of its equations, or a step failed, the verdict says so and what to do about it; when a
// run ends at its last step still changing, it says first that it is not a steady state.

#include <QDialog>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "gui/dialogs/runtarget.h"
#include "gui/plot/graphbox.h"
#include "sim/manager.h"

class QCheckBox;
class QCloseEvent;
class QEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QShowEvent;

class TPreviewDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TPreviewDlg(QWidget* parent = nullptr);

  QPushButton* Return;
};

class TProcessDlg : public QDialog {
  Q_OBJECT

 public:
  // The target is the window holding the problem and the results; it must outlive the
  // dialog.
  explicit TProcessDlg(RunTarget& target, QWidget* parent = nullptr);
  ~TProcessDlg() override;

  // Each time the dialog is shown: the starting state, unless it comes back from a preview.
  void FormShow();
  // Closing is allowed exactly when Finish is enabled, so never during a run.
  bool FormCloseQuery() const;
  // Drops what belongs to this showing only: the error series and the starting field.
  void FormClose();

  void RunClick();
  void PauseClick();
  void FinishClick();
  void PreviewClick();
  void HelpBtnClick();

  // The convergence check panel shows a ledger: its numbers and the verdict on it, with the
  // advice that suits the solver that produced it.
  void ShowCheck(const EnergyLedger& ledger, SolverKind solver);
  // Empties the panel until the next run stops.
  void ClearCheck();
  // Whether a verdict shown is a warning (drawn in red): the steady-state one or the check's.
  bool WarningShown() const { return steadyWarning || convergenceWarning; }

  // The memory the program may use, for the check before a run; tests replace it.
  std::function<uint64_t()> machineMemory;

  // The simulator's progress callback; `data` is the dialog.
  static bool Progress(Simulator* sim, int32_t code, double value, void* data);

  // Closing goes through the same rules whatever asks for it (Finish, the close box,
  // Escape): refused during a run, and results held are handed over, never dropped.
  void done(int result) override;

  // The state of the current showing, for the main window and tests to observe.
  const Data& Tolerance() const { return tolerance; }
  const Data* ErrorSeries() const { return error.get(); }
  const SimManager* Manager() const { return manager; }
  bool OwnsManager() const { return ownedManager != nullptr; }
  const NumMatrix<double>* StartingField() const { return temp.get(); }
  bool Previewing() const { return previewing; }
  TPreviewDlg& PreviewWindow() { return *previewWindow; }

  TGraphBox* Graph;
  QLabel* Time;
  QLabel* TIterMax;
  QLabel* TIter;
  QLabel* TTol;
  QLabel* TError;
  QLabel* SIterMax;
  QLabel* SIter;
  QLabel* STol;
  QLabel* SError;
  QCheckBox* CKInitial;
  QPushButton* Preview;
  QPushButton* Run;
  QPushButton* Pause;
  QPushButton* HelpBtn;
  QPushButton* Finish;

  // The convergence check: heat in and out through North, South, East and West, heat
  // generated and stored (W/m), imbalance and residual (per cent of the largest heat rate),
  // and the verdict.
  QGroupBox* CheckGroup;
  QLabel* HeatIn[4];
  QLabel* HeatOut[4];
  QLabel* Generated;
  QLabel* Stored;
  QLabel* Imbalance;
  QLabel* Residual;
  // Whether a run that ended reached a steady state (empty until one ends), then the verdict
  // on its equations.
  QLabel* SteadyVerdict;
  QLabel* Verdict;

  // Outside the solver a run spends its time painting, and nobody sees more than a screen's
  // refresh rate: pending events (and with them the repaints of the counters) are processed
  // at most every `pumpIntervalMs`, 0 meaning at every counter update (what a test that
  // steers a short run wants), and the graph is redrawn at most every `graphIntervalMs`.
  // The counters are always current, every point is added, and the end of a run is drawn.
  int pumpIntervalMs = 10;
  static constexpr int64_t graphIntervalMs = 30;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildForm();
  void BuildCheckPanel();
  // After a run stops: the check of its latest state, or why its step failed; a run that
  // has `finished` also says whether it reached a steady state.
  void CheckAfterRun(bool finished);
  void SetVerdict(const QString& text, bool warning);
  void SetSteadyVerdict(const QString& text, bool warning);
  bool OnProgress(const Simulator& sim, int32_t code, double value);
  void ShowTimeLabels(const Simulator& sim);
  void RefreshGraph();
  // Finish's hand-over: the results go to the target, or are dropped when no time step was
  // completed; either way the dialog holds no manager afterwards.
  void HandOver();
  std::unique_ptr<NumMatrix<double>> MakeStartingField() const;
  // Makes the run's manager once its snapshots are known to fit in memory (or the student
  // chose to go on); false, with the dialog unchanged, when the run does not start.
  bool StartRun();

  RunTarget& target;

  Data tolerance;
  std::unique_ptr<Data> error;
  // `manager` is the run of the current showing, whoever owns it. The dialog owns it from
  // its creation (then `ownedManager` holds the same pointer) until a Preview or Finish
  // hands it to the target (then `ownedManager` is empty and the dialog only uses it).
  SimManager* manager = nullptr;
  std::unique_ptr<SimManager> ownedManager;
  std::unique_ptr<NumMatrix<double>> temp;
  // Held from the creation of a run's manager until its hand-over: the simulator reads the
  // problem's grid and animation times all that time.
  std::unique_ptr<ProblemRecord::RunHold> runHold;
  bool previewing = false;

  std::unique_ptr<TPreviewDlg> previewWindow;
  QElapsedTimer pumpClock;
  QElapsedTimer graphClock;
  bool graphStale = false;
  bool steadyWarning = false;
  bool convergenceWarning = false;
};

#endif
