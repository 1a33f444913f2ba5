#ifndef CALORIVECTRIX_GUI_PHYSICALPROP_H
#define CALORIVECTRIX_GUI_PHYSICALPROP_H

// The physical-properties dialog: the material to apply, typed or picked from the material
// database, written into every volume at once ("Apply all") or volume by volume with the
// paint tool in the main window's drawing area (while "Apply" is down).
//
// Shown without blocking the main window and kept above it; created once, it keeps its
// fields between showings. The apply buttons are enabled exactly while all four fields hold
// numbers and the three properties exceed 0.00001, so whatever is written is valid.

#include <QDialog>
#include <optional>

#include "gui/dialogs/propertiestarget.h"
#include "gui/document/problemmodel.h"
#include "sim/media.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTableWidget;
class QToolButton;
class TShape;

class TPhysicalPropDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNarrowWidth = 242;
  static constexpr int kWideWidth = 555;

  // The model and the target must outlive the dialog.
  TPhysicalPropDlg(ProblemModel& model, PropertiesTarget& target, QWidget* parent = nullptr);

  // The material in the fields; none while a field does not hold a valid number.
  std::optional<VolumeProperties> ReadProperties() const;
  // Takes a volume's material into the fields, name and swatch; the heat generation typed
  // in the dialog stays.
  void ShowProperties(const VolumeProperties& properties);
  // Whether the paint tool is engaged.
  bool Painting() const;
  // Why the apply buttons are off: the first field that does not hold what it must, with
  // the separator expected when that is the fault; empty while all four are valid.
  QString WhyInvalid() const;
  // Back to the state of a new problem: the default material, no heat generation.
  void Reset();

  // Event handlers, callable by tests as the controls call them.
  void FormShow();
  void PropertiesChange();
  void HeatGenChange();
  void ApplyAllClick();
  void MoreBtnClick();
  void DatabaseGridDblClick();
  void HelpBtnClick();

  // Closing by any way (Close, Escape, the close box) releases the paint tool.
  void done(int result) override;

  QLineEdit* Conductivity;
  QLineEdit* SpecificHeat;
  QLineEdit* Density;
  QLineEdit* HeatGen;
  QLabel* MaterialName;
  TShape* MaterialColor;
  QToolButton* Apply;
  QPushButton* ApplyAll;
  QPushButton* MoreBtn;
  QTableWidget* DatabaseGrid;
  QGroupBox* DatabaseGroup;
  QPushButton* CloseBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  void FillDatabase();
  // The three properties when they all parse and exceed the limit.
  std::optional<VolumeProperties> ValidProperties() const;
  // Enables or disables both apply buttons; disabling releases the paint tool.
  void EnableApply(bool enable);
  void ShowName(const VolumeProperties& properties);
  void ApplyToggled(bool down);
  // Tells the target how the tool stands (Closed when `closing`) and says the same on Apply.
  void ShowTool(bool closing = false);

  ProblemModel& model;
  PropertiesTarget& target;
  // While the fields are filled together, one check runs at the end instead of one per field.
  bool filling = false;
};

#endif
