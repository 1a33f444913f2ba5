#ifndef CALORIVECTRIX_GUI_GEOMETRY_H
#define CALORIVECTRIX_GUI_GEOMETRY_H

// The geometry wizard: a new grid of one of the three generated kinds (a rectangle, an
// annular sector, a rectangle with a semicircular hole in its West edge), chosen with a
// picture on the first page and sized on the kind's own page. OK or Finish builds the grid
// with every volume of the default material and hands it to the target; the boundary
// conditions stay, since they are defined along the sides, not on volumes.
//
// One dialog lives as long as the window, so the kind and every field keep the student's
// last values. Invalid fields never raise a message: they disable OK and Finish.

#include <QDialog>
#include <QString>
#include <memory>

#include "gui/dialogs/geometrytarget.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

enum class GeometryKind { Cartesian, Polar, Mixed };

// A sketch of the kind's shape in a w x h box; `labelled` adds the names of the dimensions
// the kind's page asks for.
QPixmap GeometrySketch(GeometryKind kind, QSize size, bool labelled);

class TGeometryDlg : public QDialog {
  Q_OBJECT

 public:
  // The target must outlive the dialog.
  explicit TGeometryDlg(GeometryTarget& target, QWidget* parent = nullptr);

  GeometryKind Kind() const;
  // "Default", "Cartesian", "Polar" or "Mixed".
  QString ActivePage() const;

  // The kinds' validation: OK enabled exactly when the kind's fields are valid, Next enabled
  // when the kind's picture was pressed or the fields are valid.
  bool CartesianValidate(bool fromButton);
  bool PolarValidate(bool fromButton);
  bool MixedValidate(bool fromButton);
  // The grid the fields of `kind` describe, or null while they are not valid or describe a
  // grid too large, too small or too thin to compute on; `why` then says which.
  std::unique_ptr<Media> BuildMedia(GeometryKind kind) const;
  std::unique_ptr<Media> BuildMedia(GeometryKind kind, QString& why) const;
  // Why `kind`'s fields build no grid ("J must be from 4 to 1000."); empty when they do. The
  // line under the fields shows it for the kind last validated.
  QString WhyInvalid(GeometryKind kind) const;

  void NextClick();
  void BackClick();
  void HelpBtnClick();
  // Every way of closing ends here: the next showing starts on the first page, and an OK
  // result hands the chosen kind's grid to the target.
  void done(int result) override;

  QStackedWidget* PageControl;
  QToolButton* Cartesian;
  QToolButton* Polar;
  QToolButton* Mixed;
  QLineEdit* cNI;
  QLineEdit* cNJ;
  QLineEdit* cWidth;
  QLineEdit* cHeight;
  QLineEdit* pRi;
  QLineEdit* pRe;
  QLineEdit* pAngle;
  QLineEdit* pNI;
  QLineEdit* pNJ;
  QLineEdit* mRadius;
  QLineEdit* mU;
  QLineEdit* mWidth;
  QLineEdit* mHeight;
  QLineEdit* mNI;
  QLineEdit* mNJ;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* Next;
  QPushButton* Back;
  QPushButton* HelpBtn;
  QLabel* Reason;

 private:
  void BuildForm();
  QWidget* BuildDefaultPage();
  QWidget* BuildCartesianPage();
  QWidget* BuildPolarPage();
  QWidget* BuildMixedPage();
  QWidget* KindPage(GeometryKind kind) const;
  bool Validate(GeometryKind kind, bool fromButton);

  GeometryTarget& target;
  QWidget* defaultPage = nullptr;
  QWidget* cartesianPage = nullptr;
  QWidget* polarPage = nullptr;
  QWidget* mixedPage = nullptr;
};

#endif
