#ifndef CALORIVECTRIX_GUI_LEGEND_H
#define CALORIVECTRIX_GUI_LEGEND_H

// The legend panel at the left of the main window: two pages, "Media" with the mouse
// position and the material of the volume under the mouse, and "Fields" with its
// temperature and flux, the current time and the colour scale. The main window fills it.

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;
class TPaintBox;
class TShape;

class TLegend : public QWidget {
  Q_OBJECT

 public:
  explicit TLegend(QWidget* parent = nullptr);

  // "Media" or "Fields".
  QString ActivePage() const;
  void ShowPage(int index);

  QTabBar* TabSet;
  QStackedWidget* Notebook;

  QGroupBox* MouseGroup;
  QLabel* MouseX;
  QLabel* MouseY;
  QGroupBox* MediaVolumeGroup;
  QLabel* MediaI;
  QLabel* MediaJ;
  QLabel* MaterialName;
  TShape* MaterialColor;
  QLabel* Conductivity;
  QLabel* SpecificHeat;
  QLabel* Density;
  QLabel* Diffusivity;
  QLabel* HeatGeneration;

  QGroupBox* FieldVolumeGroup;
  QLabel* FieldI;
  QLabel* FieldJ;
  QLabel* TempValue;
  TShape* TempColor;
  QLabel* FluxValue;
  // Opens the Volume Equation window on the probed volume.
  QPushButton* EquationBtn;
  QGroupBox* AnimationGroup;
  QLabel* CurrentTime;
  QGroupBox* ScaleGroup;
  TPaintBox* ColorScale;
  QLabel* ScaleMax;
  QLabel* ScaleMedMax;
  QLabel* ScaleMed;
  QLabel* ScaleMedMin;
  QLabel* ScaleMin;
};

#endif
