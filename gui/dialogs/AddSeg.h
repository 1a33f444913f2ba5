#ifndef CALORIVECTRIX_GUI_ADDSEG_H
#define CALORIVECTRIX_GUI_ADDSEG_H

// The segment dialog: asks for one new boundary segment, its kind of condition, its limits
// along the side (0 to 1) and the function or functions of the condition, chosen from the
// problem's function list or made on the spot ("Custom...").

#include <QDialog>
#include <QWidget>

#include "gui/dialogs/boundarytarget.h"
#include "gui/dialogs/segmenttarget.h"
#include "gui/document/problemmodel.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QStackedWidget;

// A small picture of a kind of condition on a wall: "ConvImg", "FluxImg" or "TempImg".
class TConditionPicture : public QWidget {
  Q_OBJECT

 public:
  TConditionPicture(const QString& kind, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString kind;
};

class TSegmentDlg : public QDialog {
  Q_OBJECT

 public:
  // The model and the target must outlive the dialog.
  TSegmentDlg(ProblemModel& model, SegmentTarget& target, QWidget* parent = nullptr);

  void FormShow();
  void CBTypeChange();
  // OK is enabled exactly when both limits parse and 0 <= Start < End <= 1.
  void LimitsChange();
  // Both function lists: every function of the problem, then "Custom...", each keeping its
  // choice (held to the last function).
  void FillFunctionLists();
  // A choice in CBF0 or CBF1 (a click in the open list, or Enter or Space on "Custom..."):
  // "Custom..." asks for a new function, adds it to the problem (a step of its own) and
  // chooses it. Passing over "Custom..." with the arrow keys or the wheel only shows it: the
  // dialog opens when it is chosen.
  void FunctionChosen(QComboBox* list);
  // Back to the state of a new problem: Convection over the whole side, the first function.
  void Reset();

  // The segment of the fields, with a new condition on the chosen functions; none while the
  // limits are not valid.
  std::optional<NewSegment> BuildSegment() const;

  QComboBox* CBType;
  QLineEdit* Start;
  QLineEdit* End;
  QGroupBox* Limits;
  QGroupBox* Functions;
  QLabel* LF0;
  QComboBox* CBF0;
  QLabel* LF1;
  QComboBox* CBF1;
  QStackedWidget* NotebookImg;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildForm();
  bool ReadLimits(double& lower, double& upper) const;
  // OK needs valid limits and real functions in the lists that are shown.
  void UpdateOk();
  const Function1D* Chosen(const QComboBox* list) const;

  ProblemModel& model;
  const ProblemRecord& problem;
  SegmentTarget& target;
};

#endif
