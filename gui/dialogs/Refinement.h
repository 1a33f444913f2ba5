#ifndef CALORIVECTRIX_GUI_REFINEMENT_H
#define CALORIVECTRIX_GUI_REFINEMENT_H

// The refinement study window ("Refinement Study"): runs the problem on its own grid and on
// grids 2, 4, ... times finer, tabulates the heat rate through each side, the temperature
// at a probe point and the largest temperature on every level, and says what the three
// finest levels tell: the observed order, the extrapolated value and whether to trust it.
// A plot shows the chosen quantity against the grid spacing.
//
// The study runs on a thread of its own, on a copy of the problem taken when Run is
// pressed: the main window stays usable, and nothing the study does reaches the problem.
// A timer watches the thread for progress; Cancel asks it to stop at the next time step.
// Closing the window leaves a study running; it is there when the window comes back.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "gui/dialogs/refinementtarget.h"
#include "gui/plot/studyplot.h"
#include "sim/refinement.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QShowEvent;
class QSpinBox;
class QTableWidget;
class QTimer;
class TPaintBox;

class TRefinementDlg : public QDialog {
  Q_OBJECT

 public:
  // The target holds the problem; it must outlive the window.
  explicit TRefinementDlg(RefinementTarget& target, QWidget* parent = nullptr);
  ~TRefinementDlg() override;

  // Reads the problem's grid: the levels it allows, the probe's range, whether it can be
  // refined at all (a grid from a file cannot), and says so.
  void Update();
  // Starts the study on a copy of the problem; false (with the reason shown) when it
  // cannot start.
  bool RunClick();
  void CancelClick();
  // Takes the thread's progress, and its result once it has finished.
  void Poll();
  // Cancels a running study and waits for its thread; the window stays as it was.
  void Stop();
  void SaveClick();
  void HelpClick();
  // Shows the plot and the verdict of a quantity (a row of the table).
  void ShowQuantity(int quantity);

  bool Running() const { return worker.joinable(); }
  // The last finished study; null before one has finished.
  const study::Result* Result() const { return hasResult ? &result : nullptr; }
  const StudyPlot& Plot() const { return plot; }
  int Quantity() const { return quantity; }

  // Asks for a file to save the table to (empty: cancelled); tests replace it.
  std::function<QString()> askSaveFileName;

  QSpinBox* LevelsEdit;
  QSpinBox* ProbeIEdit;
  QSpinBox* ProbeJEdit;
  QLabel* ProbePoint;
  QPushButton* RunBtn;
  QPushButton* CancelBtn;
  QProgressBar* Progress;
  QLabel* Status;
  QTableWidget* Table;
  QComboBox* PlotMode;
  TPaintBox* PlotBox;
  QLabel* Verdict;
  // A link to the help's page on grid convergence.
  QLabel* Meaning;
  QPushButton* SaveBtn;
  QPushButton* HelpBtn;
  QPushButton* CloseBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  void Finished();
  void FillTable();
  void SetRunning(bool running);

  RefinementTarget& target;
  QTimer* poller;
  QElapsedTimer clock;
  // Owned by this thread: made when the study starts and released after its thread ends.
  std::unique_ptr<ProblemRecord> copy;
  std::unique_ptr<study::Progress> progress;
  std::thread worker;
  std::atomic<bool> workerDone{false};
  // Written by the worker before workerDone; read here only after it.
  study::Result outcome;
  study::Result result;
  bool hasResult = false;
  StudyPlot plot;
  int quantity = study::HeatWest;
};

#endif
