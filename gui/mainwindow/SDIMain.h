#ifndef CALORIVECTRIX_GUI_SDIMAIN_H
#define CALORIVECTRIX_GUI_SDIMAIN_H

// The main window: owner of the problem being studied and of the results of the last
// accepted run, which it draws, probes and plays back.

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "gui/dialogs/runtarget.h"
#include "gui/platform/surface.h"
#include "gui/plot/fieldplot.h"
#include "gui/plot/rcanvas.h"
#include "sim/manager.h"
#include "sim/problem.h"

class QAction;
class QActionGroup;
class QLabel;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class TDrawArea;
class TLegend;
class TProcessDlg;
class TUpDown;

class THeatForm : public QMainWindow, public ProblemRecord, public RunTarget {
  Q_OBJECT

 public:
  explicit THeatForm(QWidget* parent = nullptr);
  ~THeatForm() override;

  // RunTarget
  ProblemRecord& Problem() override { return *this; }
  const SimManager* Results() const override { return manager.get(); }
  void SetManager(SimManager* results) override;

  // Replaces the grid (the window owns it from now on) and discards any results.
  void SetMedia(std::unique_ptr<Media> newMedia);
  void SetViewMode(ViewMode mode);
  // Fits the grid's bounding box into the drawing area with equal scales on both axes.
  void FitViewport();
  void ComputeBounds();
  // Repaints the field plot off screen and shows it.
  void Redraw();
  // Fills the active legend page from the probed volume.
  void UpdateReadouts();
  void RefreshMarker();

  // Playback.
  bool ShowSnapshot(int k);
  void UpdateFrameButtons();
  bool Playing() const;

  // Mouse over the drawing area.
  void MouseMove(int x, int y, Qt::MouseButtons buttons);
  void MouseDown(Qt::MouseButton button);

  // Handlers of the commands.
  void FirstFrameBtnClick();
  void PreviousFrameBtnClick();
  void NextFrameBtnClick();
  void LastFrameBtnClick();
  void PlayBtnClick();
  void PauseBtnClick();
  void TimerTimer();
  void NLinesUpDownChanging(int position);
  void AlphaNormClick();
  void VectorSizeChange();
  void LegendBtnClick();
  void HeatFluxVectorsClick();
  void OpenGeometryClick();
  void SimulationBtnClick();
  void HelpBtnClick();
  // The What-is-this mode: the next command with a help topic shows the topic instead of
  // acting, and ends the mode.
  void HelpBtnCPopupClick();
  void ContextPopup(int topic);
  bool ContextHelpMode() const { return contextHelpMode; }
  // Reads a grid file and makes it the problem's grid; false, with the grid unchanged,
  // when it cannot be opened or read. The message says why.
  bool OpenGeometry(const QString& fileName, QString* message = nullptr);

  // The state the field plot is drawn from.
  FieldPlotState PlotState() const;
  const SimSnapshot* ShownSnapshot() const;

  // Results of the last accepted run, or none.
  std::unique_ptr<SimManager> manager;
  int32_t curSnapshot = 0;

  ViewMode viewMode = ViewMode::Media;
  int32_t nLines = 20;
  double fluxScale = 1.0;
  double cellSize = 1.0;
  Point boundsMin{0, 0};
  Point boundsMax{0, 0};
  PixelRect viewport{0, 0, 0, 0};
  Point mousePos{0, 0};
  int32_t probeI = -1;
  int32_t probeJ = -1;
  QImage scaleBitmap;

  // Whether the boundary-condition dialog is showing, and its page's caption; the field plot
  // highlights that side. Set by that dialog when it exists.
  bool boundaryDialogVisible = false;
  QString boundaryPage;

  // The dialog that runs simulations; created with the window.
  TProcessDlg* processDlg = nullptr;

  // Controls, by the names the program gives them.
  QToolBar* SpeedPanel;
  QToolButton* OpenBtn;
  QToolButton* GeometryBtn;
  QToolButton* PhyPropBtn;
  QToolButton* BConditionsBtn;
  QToolButton* SimulationBtn;
  QToolButton* FirstFrameBtn;
  QToolButton* PreviousFrameBtn;
  QToolButton* PlayBtn;
  QToolButton* NextFrameBtn;
  QToolButton* LastFrameBtn;
  QToolButton* PauseBtn;
  QWidget* NLinesPanel;
  QLabel* NLinesLabel;
  TUpDown* NLinesUpDown;
  QToolButton* AlphaNorm;
  QSlider* VectorSize;
  QToolButton* LegendBtn;
  QToolButton* HelpBtn;
  QToolButton* HelpBtnCPopup;
  TDrawArea* Draw;
  TLegend* Legend;
  QTimer* Timer;

  QAction* OpenGeometryItem;
  QAction* ExitItem;
  QAction* GeometryItem;
  QAction* PhysicalPropertiesItem;
  QAction* BoundaryItem;
  QAction* InitialItem;
  QAction* RunItem;
  QAction* ParametersItem;
  QAction* OutputsItem;
  QAction* AnimationTimesItem;
  QAction* PlayAnimationItem;
  QAction* BoundsItem;
  QAction* MediaItem;
  QAction* TemperatureFieldItem;
  QAction* IsothermsItem;
  QAction* HeatFluxVectorsItem;
  QAction* DynamicPlotsItem;
  QAction* ContentsItem;
  QAction* HelpTopicsItem;
  QAction* HelpOnHelpItem;
  QAction* AboutItem;

  // Asks for a grid file's name; tests replace it. Empty means cancelled.
  std::function<QString()> askGridFileName;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildSpeedPanel();
  void BuildClientArea();
  void Connect();
  // "short|long": the short part as tooltip, the long part for the status bar.
  void SetHint(QWidget* control, const QString& hint);
  void SetHint(QAction* item, const QString& hint);
  void PaintScale(QPainter& painter);
  void ShowCurrentTime();
  void SetScaleLabels();
  void ShutDown();
  // Widgets on the tool bar are shown and hidden through their actions.
  void SetToolVisible(QWidget* control, bool visible);
  bool ToolVisible(QWidget* control) const;
  QImage RenderPlot(QSize size) const;

  // In the What-is-this mode: shows the topic, ends the mode and answers true.
  bool Popup(int topic);

  bool shutDown = false;
  bool contextHelpMode = false;
  QActionGroup* viewGroup = nullptr;
  QHash<QWidget*, QAction*> toolActions;
  // The mouse probe's canvas maps on this surface; it never draws.
  QImage probeImage;
  std::unique_ptr<Surface> probeSurface;
};

#endif
