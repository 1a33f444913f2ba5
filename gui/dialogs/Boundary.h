#ifndef CALORIVECTRIX_GUI_BOUNDARY_H
#define CALORIVECTRIX_GUI_BOUNDARY_H

// The boundary-condition editor: one table per side listing its segments, with Add and Del.
// Every change is asked of the problem's model and takes effect at once (and at the next
// run); there is no copy and no Cancel, the history undoes. The tables follow the model, so
// an undo shows at once. While it is shown the window's plot highlights the side of the
// current tab.

#include <QDialog>

#include "gui/dialogs/boundarytarget.h"
#include "gui/document/problemmodel.h"
#include "sim/face.h"

class QPushButton;
class QShowEvent;
class QTabWidget;
class QTableWidget;

// A segment's condition whole, as its row's tooltip shows it: the kind and the limits, then
// each function by its name, both of a convection ("h = 10" and "T-infinity = 0+1sin(3.14159x)").
QString ConditionDescription(const FHeat& condition, double start, double end);

class TBoundaryDlg : public QDialog {
  Q_OBJECT

 public:
  // The model and the target must outlive the dialog.
  TBoundaryDlg(ProblemModel& model, BoundaryTarget& target, QWidget* parent = nullptr);

  void FormShow();
  void PageChange();
  // Asks for a segment and lays it over the current side. A side that could not take it
  // (a face holds at most 100 segments) refuses with a message and stays as it was.
  void AddBtnClick();
  // Deletes the selected segment by giving its range to a neighbour: the following segment,
  // or for the last row the preceding one. The only segment of a side cannot be deleted.
  void DelBtnClick();
  void HelpBtnClick();
  // Closing by any way (Close, Escape, the close box) takes the highlight off the plot.
  void done(int result) override;

  // The caption of the current tab ("North" until the user changes tab), its face and table.
  QString CurrentSide() const;
  Side CurrentSideIndex() const;
  const Face& CurrentFace() const;
  QTableWidget* CurrentGrid() const;
  // Fills a table from a face: one row per segment, from the side's start.
  static void FillGrid(QTableWidget& grid, const Face& face);

  QTabWidget* Page;
  QTableWidget* NGrid;
  QTableWidget* SGrid;
  QTableWidget* EGrid;
  QTableWidget* WGrid;
  QPushButton* AddBtn;
  QPushButton* DelBtn;
  QPushButton* HelpBtn;
  QPushButton* CloseBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  void FillAll();
  // Refills the current table and selects `row` (held to the table).
  void RefillCurrent(int row);

  ProblemModel& model;
  const ProblemRecord& problem;
  BoundaryTarget& target;
};

#endif
