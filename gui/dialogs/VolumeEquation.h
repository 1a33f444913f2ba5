#ifndef CALORIVECTRIX_GUI_DIALOGS_VOLUMEEQUATION_H
#define CALORIVECTRIX_GUI_DIALOGS_VOLUMEEQUATION_H

// The Volume Equation window: for one volume at the snapshot on show, the balance the
// simulator solved for it, written out with its numbers: a formula line in words and
// symbols, then a table of its terms (each neighbour's coefficient and temperature, the
// storage term with the old temperature, the generation, each boundary face with the value
// its condition gave, the right-hand side, the centre coefficient, the temperature the terms
// give, the stored temperature and the residual) and the heat rates through its faces.
//
// The numbers are the run's own (sim/equation): read from the system the simulator
// assembled, never formed again here. The simulator divides every equation by the volume's
// specific heat; the window multiplies it back, so coefficients read in W/(m K) and terms
// in W/m, per metre of depth. Shown without blocking the main window; the volume is the one
// the window is given (the one clicked, or under the probe).

#include <QDialog>
#include <QString>
#include <vector>

#include "gui/dialogs/insighttarget.h"
#include "sim/equation.h"

class QLabel;
class QPushButton;
class QShowEvent;
class QTableWidget;

// One line of the table of terms; empty texts leave their cells blank. A section line has a
// label only, drawn across the table.
struct EquationRow {
  QString label;
  QString coefficient;
  QString temperature;
  QString value;
  bool section = false;
};

// The table for an equation, in W/(m K) and W/m.
std::vector<EquationRow> EquationTable(const VolumeEquation& equation);
// What a boundary face's condition gave, in words: "convection, h = 50 W/(m²·K), T∞ = 0".
QString ConditionText(const Simulator::BoundaryUse& use);

class TVolumeEquationDlg : public QDialog {
  Q_OBJECT

 public:
  // The target must outlive the window.
  explicit TVolumeEquationDlg(InsightTarget& target, QWidget* parent = nullptr);

  // Shows the equation of this volume from now on.
  void SetVolume(VolumeIndex volume);
  VolumeIndex Volume() const { return volume; }
  // Reads the target afresh (results, snapshot on show). Called by the owner whenever they
  // change while the window shows.
  void Update();
  void HelpBtnClick();

  // Whether an equation is on show, and which.
  bool HasEquation() const { return hasEquation; }
  const VolumeEquation& Shown() const { return equation; }

  QLabel* Headline;
  QLabel* Formula;
  QTableWidget* Terms;
  QLabel* Message;
  QPushButton* CloseBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  InsightTarget& target;
  VolumeIndex volume{-1, -1};
  VolumeEquation equation;
  bool hasEquation = false;
};

#endif
