#ifndef CALORIVECTRIX_GUI_INITIALTEMP_H
#define CALORIVECTRIX_GUI_INITIALTEMP_H

// The initial-temperature dialog: the uniform temperature a fresh run starts from. Any
// number is a temperature here (negative and zero included); OK is enabled exactly when
// the field reads as a decimal number with the user's separator.

#include <QDialog>

#include "gui/document/problemmodel.h"

class QLineEdit;
class QPushButton;
class QShowEvent;

class TInitialTempDlg : public QDialog {
  Q_OBJECT

 public:
  // The model must outlive the dialog.
  explicit TInitialTempDlg(ProblemModel& model, QWidget* parent = nullptr);

  // The field shows the stored temperature and takes the focus.
  void FormShow();
  // Whether the field reads as a number; enables OK accordingly.
  bool TempChange();
  // Asks the model for the temperature and closes with OK; does nothing while the field does not
  // read.
  void OKBtnClick();
  void HelpBtnClick();

  QLineEdit* Temp;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ProblemModel& model;
  const ProblemRecord& problem;
};

#endif
