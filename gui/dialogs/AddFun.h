#ifndef CALORIVECTRIX_GUI_ADDFUN_H
#define CALORIVECTRIX_GUI_ADDFUN_H

// The custom-function dialog: builds a constant, linear, sine or cosine function of the
// position along a side, with a live preview. The function built from the fields is
// "pending" while they parse; OK leaves it for the caller to take, Cancel drops it.

#include <QDialog>
#include <memory>

#include "sim/fheat.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QStackedWidget;
class TPaintBox;

// The preview's scale for a value: the smallest power of ten above |v|, with v's sign; 0 and
// +-1 give +-1. A value too large for that power (or not finite) gives an infinite scale.
double PreviewScale(double v);

class TFunctionDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TFunctionDlg(QWidget* parent = nullptr);
  ~TFunctionDlg() override;

  // Rebuilds the pending function from the fields of the shown kind, its preview range and
  // OK; on showing, on a change of kind and on every change of a field.
  void BuildFunction();
  void CBTypeChange();

  const Function1D* Pending() const { return pending.get(); }
  // Hands the pending function over; null when there is none.
  std::unique_ptr<Function1D> TakeFunction() { return std::move(pending); }
  double YMin() const { return ymin; }
  double YMax() const { return ymax; }

  // Cancel and the close box drop the pending function.
  void done(int result) override;

  QComboBox* CBType;
  QStackedWidget* Pages;
  QLineEdit* ConstK;
  QLineEdit* LinA;
  QLineEdit* LinB;
  QLineEdit* SinA;
  QLineEdit* SinB;
  QLineEdit* SinC;
  QLineEdit* CosA;
  QLineEdit* CosB;
  QLineEdit* CosC;
  TPaintBox* Draw;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  void PaintPreview(QPainter& painter);

  std::unique_ptr<Function1D> pending;
  double ymin = -1;
  double ymax = 1;
};

#endif
