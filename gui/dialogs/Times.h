#ifndef CALORIVECTRIX_GUI_TIMES_H
#define CALORIVECTRIX_GUI_TIMES_H

// The animation-times dialog: the times at which a run stores a snapshot, edited in seconds
// as a list. "Linear" samples the run uniformly, "Exponential" densely at first and sparsely
// later, "Custom" adds single times; "Del" removes times, never the first or the last.
// The list is working data, rebuilt from the problem's marks at each showing; only OK turns
// it back into marks, each time step once, strictly increasing from 0 to the last step.
// Nothing is asked of the window: the marks are the problem's, changed through its model.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/document/problemmodel.h"
#include "gui/plot/rcanvas.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QTabWidget;
class Surface;
class TPaintBox;

// The time steps of n samples (2 <= n <= maxIterTime + 1): uniform in integer arithmetic,
// first 0 and last maxIterTime.
std::vector<int32_t> LinearSteps(int32_t n, int32_t maxIterTime);
// The time steps of n samples (2 <= n < maxIterTime): (e^x - 1)/(e - 1), squared, of the
// run's length, each at least one step after the one before; first 0 and last maxIterTime.
std::vector<int32_t> ExponentialSteps(int32_t n, int32_t maxIterTime);

// The previews of the two samplings in a pixel rectangle (right and bottom exclusive): the
// unit square with a 6-pixel margin, time along x and the fraction of samples up; a frame,
// and for n >= 2 a blue line down from each sample to the time axis, joined in red.
void PaintLinearSampling(Surface& surface, const PixelRect& rect, int32_t n);
void PaintExponentialSampling(Surface& surface, const PixelRect& rect, int32_t n);

class TTimeDlg : public QDialog {
  Q_OBJECT

 public:
  // More samples than this would only make a list nobody can read, a preview of solid
  // colour, and runs that fill the memory with snapshots.
  static constexpr int32_t kMaxSamples = 10000;

  // The model must outlive the dialog.
  explicit TTimeDlg(ProblemModel& model, QWidget* parent = nullptr);

  // Lists the problem's marks in seconds and resets the custom page.
  void FormShow();
  // Reads the sample count from `edit` (0 when it does not read) and enables both "Set"
  // buttons exactly when 2 <= n < maxIterTime; repaints the previews.
  void SamplesChange(QLineEdit* edit);
  void PageChange(int index);
  void LinSetBtnClick();
  void ExpSetBtnClick();
  // Shows the time of the typed step count and enables "Add" exactly when it is a new time
  // before the last one.
  void CTStepsChange();
  void AddBtnClick();
  // Deletes the selected times; refuses with a message when the first or last is selected.
  void DelBtnClick();
  // The listed times as marks: each time step once, from 0 to maxIterTime.
  std::unique_ptr<NumVector<int>> ListedMarks() const;
  void OKBtnClick();
  void HelpBtnClick();

  int32_t Samples() const { return samples; }
  // The listed times as text, in order.
  QStringList ListedTimes() const;

  QListWidget* LBTimes;
  QTabWidget* Page;
  QLineEdit* LSamples;
  QPushButton* LinSetBtn;
  TPaintBox* LinearDraw;
  QLineEdit* ESamples;
  QPushButton* ExpSetBtn;
  TPaintBox* ExpDraw;
  QLineEdit* CTSteps;
  QLabel* CTime;
  QLabel* CDT;
  QPushButton* AddBtn;
  QPushButton* DelBtn;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  QWidget* BuildSamplingPage(const char* editName, const char* setName, const char* drawName,
                             QLineEdit*& edit, QPushButton*& set, TPaintBox*& draw);
  QWidget* BuildCustomPage();
  void ListSteps(const std::vector<int32_t>& steps);
  // The time step an item stands for: its time over dt, rounded half up.
  int32_t StepOf(int row) const;

  ProblemModel& model;
  const ProblemRecord& problem;
  int32_t samples = 50;
};

#endif
