#ifndef CALORIVECTRIX_GUI_SDIMAIN_H
#define CALORIVECTRIX_GUI_SDIMAIN_H

// The main window: owner of the problem being studied and of the results of the last
// accepted run, which it draws, probes and plays back. The problem is the window's record,
// but it changes only through the window's ProblemModel: the window and every dialog ask
// the model for a change, and follow the model's Changed signal to show it.

#include <QEvent>
#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "gui/dialogs/boundarytarget.h"
#include "gui/dialogs/geometrytarget.h"
#include "gui/dialogs/graphictarget.h"
#include "gui/dialogs/insighttarget.h"
#include "gui/dialogs/outputstarget.h"
#include "gui/dialogs/propertiestarget.h"
#include "gui/dialogs/refinementtarget.h"
#include "gui/dialogs/runtarget.h"
#include "gui/dialogs/segmenttarget.h"
#include "gui/document/problemmodel.h"
#include "gui/platform/surface.h"
#include "gui/plot/fieldplot.h"
#include "gui/plot/rcanvas.h"
#include "sim/manager.h"
#include "sim/problem.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QMouseEvent;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class TBoundaryDlg;
class TDrawArea;
class TAboutBox;
class TFunctionDlg;
class TGeometryDlg;
class TGraphicDlg;
class TInitialTempDlg;
class TLegend;
class TOutputsDlg;
class TParametersDlg;
class TPhysicalPropDlg;
class TProcessDlg;
class TRefinementDlg;
class TSegmentDlg;
class TTimeDlg;
class TTimeHistoryDlg;
class TUpDown;
class TVolumeEquationDlg;

class THeatForm : public QMainWindow,
                  public ProblemRecord,
                  public RunTarget,
                  public GeometryTarget,
                  public OutputsTarget,
                  public GraphicTarget,
                  public PropertiesTarget,
                  public BoundaryTarget,
                  public SegmentTarget,
                  public RefinementTarget,
                  public InsightTarget {
  Q_OBJECT

 public:
  explicit THeatForm(QWidget* parent = nullptr);
  ~THeatForm() override;

  // The one way the problem changes, and its history.
  ProblemModel& Model() { return *model; }
  const ProblemModel& Model() const { return *model; }

  // RunTarget
  ProblemRecord& Problem() override { return *this; }
  const SimManager* Results() const override { return manager.get(); }
  bool SetManager(SimManager* results) override;
  void RunStarted(const SimManager& run) override;
  void RunEnded() override;
  // InsightTarget (with Results and Grid)
  const std::vector<VolumeIndex>& WatchedVolumes() const override { return watched; }
  int32_t ShownIndex() const override { return curSnapshot; }
  const SimManager* LiveRun() const override { return liveRun; }
  // OutputsTarget and GraphicTarget (with Results and ShownSnapshot)
  ViewMode View() const override { return viewMode; }
  bool VectorsShown() const override;
  // The grid the results belong to (a new grid discards them) and the problem's reference.
  const Media* Grid() const override { return media.get(); }
  const ReferenceCase* Reference() const override { return reference ? &*reference : nullptr; }

  // PropertiesTarget
  void ShowPaintTool(PaintTool tool, const QString& why) override;
  void PropertiesShown(bool shown) override;
  // BoundaryTarget
  void ShowBoundarySide(bool visible, const QString& page) override;
  std::optional<NewSegment> AskSegment() override;
  // SegmentTarget
  std::unique_ptr<Function1D> AskCustomFunction() override;
  // RefinementTarget
  const ProblemRecord& StudyProblem() const override { return *this; }
  VolumeIndex ProbedVolume() const override { return VolumeIndex{probeI, probeJ}; }

  // GeometryTarget, and Open Geometry: asks the model to replace the grid (a step of the
  // history named `name`, or by the kind of grid); results are discarded when the grid
  // changes, by this step or by its undo and redo. Refused (false, the grid dropped and
  // nothing changed) while a run's simulator reads the grid.
  bool SetMedia(std::unique_ptr<Media> newMedia) override;
  bool SetMedia(std::unique_ptr<Media> newMedia, const QString& name);
  void SetViewMode(ViewMode mode);
  // Fits the grid's bounding box into the drawing area with equal scales on both axes.
  void FitViewport();
  void ComputeBounds();
  // Repaints the field plot off screen and shows it.
  void Redraw();
  // Fills the active legend page from the probed volume.
  void UpdateReadouts();
  void RefreshMarker();
  // Refreshes the profile window when it is showing.
  void UpdateProfiles();
  // Refreshes the Time History and Volume Equation windows when they are showing.
  void UpdateInsightWindows();

  // Watches or stops watching a volume: one change of the problem, redrawn everywhere.
  // False, with a word in the status bar, when refused (eight are watched already).
  bool WatchVolume(VolumeIndex volume, bool watch);
  void ToggleWatch(VolumeIndex volume);
  // The Time History window, and the Volume Equation window on a volume.
  void TimeHistoryItemClick();
  void ShowEquation(VolumeIndex volume);
  void EquationBtnClick();
  // The drawing area's context menu, made ready for the volume at a pixel: "Watch" checked
  // when it is watched, both items greyed where there is no volume. Returns the menu.
  QMenu* PrepareDrawMenu(int x, int y);

  // Playback.
  bool ShowSnapshot(int k);
  void UpdateFrameButtons();
  bool Playing() const;
  // The time between two frames of playback, in milliseconds; 100 unless the student
  // chooses a slower pace under Simulation > Playback Speed. Takes effect at once.
  void SetPlaybackInterval(int milliseconds);

  // Mouse over the drawing area.
  void MouseMove(int x, int y, Qt::MouseButtons buttons);
  void MouseDown(Qt::MouseButton button);
  // Where a volume's centre lies in the drawing area, in its pixels.
  QPoint VolumePixel(VolumeIndex volume);
  // Asks the model to paint the physical-properties dialog's material into the probed
  // volume, as part of the stroke the last press began.
  void PaintProbedVolume();

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
  void ExitItemClick();
  void UndoItemClick();
  void RedoItemClick();
  void GeometryBtnClick();
  void PhyPropBtnClick();
  void BConditionsBtnClick();
  void InitialItemClick();
  void SimulationBtnClick();
  void ParametersItemClick();
  void OutputsItemClick();
  void AnimationTimesItemClick();
  void DynamicPlotsItemClick();
  void RefinementStudyItemClick();
  void HelpBtnClick();
  void HelpTopicsItemClick();
  void HelpOnHelpItemClick();
  void AboutItemClick();
  // The What-is-this mode: the next command or control with a help topic shows the topic
  // instead of acting, and ends the mode; commands without a topic act and leave it on.
  void HelpBtnCPopupClick();
  void ContextPopup(int topic);
  bool ContextHelpMode() const { return contextHelpMode; }
  // Reads a grid file and makes it the problem's grid; false, with the grid unchanged,
  // when it cannot be opened or read. The message says why.
  bool OpenGeometry(const QString& fileName, QString* message = nullptr);

  // ---- The problem as a document. The problem counts as changed unless the history stands
  // where it stood when the problem was last opened or saved (the model's clean state): an
  // undo back to the save leaves it unchanged.

  // Opens a problem file: the whole problem is replaced and results are discarded. On
  // failure nothing changes and the message says what is wrong and where.
  bool OpenProblem(const QString& fileName, QString* message = nullptr);
  // The same with any failure shown in an error box; for the command line and the menus.
  bool OpenProblemFile(const QString& fileName);
  // A problem shipped with the program, by its resource path; it opens untitled, so that
  // saving asks for a name of the student's own.
  bool OpenExample(const QString& resource);
  bool SaveProblem(const QString& fileName, QString* message = nullptr);
  // The default problem, untitled.
  void NewProblem();
  // Replaces the whole problem (the window takes the grid; the faces keep their identity),
  // with a fresh history. Refused, with nothing changed, while a run uses the problem.
  bool LoadProblem(std::unique_ptr<ProblemRecord> problem);
  bool ProblemModified() const;
  // Before the problem is replaced or the program ends: when the report window holds edited
  // text, and when the problem has unsaved changes, asks whether to save them. False when
  // the user cancels, or chose to save and the save did not happen.
  bool MayDiscardProblem();
  // The drawing area as the student sees it, as PNG, with the colour scale and the time
  // beside it while "Colour Scale in Pictures" is checked (it is at start).
  bool ExportPicture(const QString& fileName, QString* message = nullptr);
  // The shown snapshot as CSV; needs results.
  bool ExportData(const QString& fileName, QString* message = nullptr);

  // Handlers of the document commands.
  void NewProblemClick();
  void OpenProblemClick();
  bool SaveProblemClick();
  bool SaveProblemAsClick();
  void OpenRecentClick(const QString& fileName);
  void ExportPictureClick();
  void ExportDataClick();

  // The file the problem was last opened from or saved to; empty when untitled.
  QString problemFileName;
  // Most recent first; kept between sessions.
  QStringList recentProblems;
  static constexpr int maxRecentProblems = 6;

  // The state the field plot is drawn from.
  FieldPlotState PlotState() const;
  const SimSnapshot* ShownSnapshot() const override;

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

  // The dialogs, created with the window.
  TProcessDlg* processDlg = nullptr;
  // The modal dialogs that set up a run; created with the window, so each keeps what the
  // student chose last.
  TGeometryDlg* geometryDlg = nullptr;
  TParametersDlg* parametersDlg = nullptr;
  TInitialTempDlg* initialTempDlg = nullptr;
  TTimeDlg* timeDlg = nullptr;
  // The report of the snapshot on show, and the profiles along grid lines; created with the
  // window, shown without blocking it.
  TOutputsDlg* outputsDlg = nullptr;
  TGraphicDlg* graphicDlg = nullptr;
  // The refinement study, shown without blocking; its runs work on copies of the problem.
  TRefinementDlg* refinementDlg = nullptr;
  // Help > About...; the start-up splash is a box of its own.
  TAboutBox* aboutBox = nullptr;
  // The editors of materials and boundary conditions, shown without blocking the window,
  // and the dialogs they ask for a segment and a custom function.
  TPhysicalPropDlg* physicalPropDlg = nullptr;
  TBoundaryDlg* boundaryDlg = nullptr;
  TSegmentDlg* segmentDlg = nullptr;
  TFunctionDlg* functionDlg = nullptr;
  // The windows that look inside the numbers, shown without blocking this one.
  TTimeHistoryDlg* historyDlg = nullptr;
  TVolumeEquationDlg* equationDlg = nullptr;

  // Controls, by the names the program gives them.
  QToolBar* SpeedPanel = nullptr;
  QToolButton* OpenBtn = nullptr;
  QToolButton* GeometryBtn = nullptr;
  QToolButton* PhyPropBtn = nullptr;
  QToolButton* BConditionsBtn = nullptr;
  QToolButton* SimulationBtn = nullptr;
  QToolButton* FirstFrameBtn = nullptr;
  QToolButton* PreviousFrameBtn = nullptr;
  QToolButton* PlayBtn = nullptr;
  QToolButton* NextFrameBtn = nullptr;
  QToolButton* LastFrameBtn = nullptr;
  QToolButton* PauseBtn = nullptr;
  QWidget* NLinesPanel = nullptr;
  QLabel* NLinesLabel = nullptr;
  TUpDown* NLinesUpDown = nullptr;
  QToolButton* AlphaNorm = nullptr;
  QSlider* VectorSize = nullptr;
  QToolButton* LegendBtn = nullptr;
  QToolButton* HelpBtn = nullptr;
  QToolButton* HelpBtnCPopup = nullptr;
  TDrawArea* Draw = nullptr;
  TLegend* Legend = nullptr;
  QTimer* Timer = nullptr;

  QAction* OpenGeometryItem = nullptr;
  QAction* ExitItem = nullptr;
  QAction* UndoItem = nullptr;
  QAction* RedoItem = nullptr;
  QToolButton* UndoBtn = nullptr;
  QToolButton* RedoBtn = nullptr;
  QAction* GeometryItem = nullptr;
  QAction* PhysicalPropertiesItem = nullptr;
  QAction* BoundaryItem = nullptr;
  QAction* InitialItem = nullptr;
  QAction* RunItem = nullptr;
  QAction* ParametersItem = nullptr;
  QAction* OutputsItem = nullptr;
  QAction* AnimationTimesItem = nullptr;
  QAction* RefinementStudyItem = nullptr;
  QAction* PlayAnimationItem = nullptr;
  QMenu* PlaybackSpeedMenu = nullptr;
  QAction* BoundsItem = nullptr;
  QAction* MediaItem = nullptr;
  QAction* TemperatureFieldItem = nullptr;
  QAction* IsothermsItem = nullptr;
  QAction* HeatFluxVectorsItem = nullptr;
  QAction* DynamicPlotsItem = nullptr;
  QAction* ContentsItem = nullptr;
  QAction* HelpTopicsItem = nullptr;
  QAction* HelpOnHelpItem = nullptr;
  QAction* Example1Item = nullptr;
  QAction* Example2Item = nullptr;
  QAction* Example3Item = nullptr;
  QAction* Example4Item = nullptr;
  QAction* AboutItem = nullptr;
  QAction* NewProblemItem = nullptr;
  QAction* OpenProblemItem = nullptr;
  QAction* SaveProblemItem = nullptr;
  QAction* SaveProblemAsItem = nullptr;
  QMenu* RecentProblemsMenu = nullptr;
  QMenu* ExamplesMenu = nullptr;
  QAction* ExportPictureItem = nullptr;
  QAction* ScaleInPicturesItem = nullptr;
  QAction* ExportDataItem = nullptr;
  QAction* TimeHistoryItem = nullptr;
  QToolButton* TimeHistoryBtn = nullptr;
  // The drawing area's context menu and its items, for the volume it was opened on.
  QMenu* DrawMenu = nullptr;
  QAction* WatchItem = nullptr;
  QAction* EquationItem = nullptr;
  VolumeIndex menuVolume{-1, -1};

  // Asks for a grid file's name; tests replace it. Empty means cancelled.
  std::function<QString()> askGridFileName;
  // Ask for a file to open or save, given the dialog's caption, filter and default suffix;
  // tests replace them. Empty means cancelled.
  std::function<QString(const QString&, const QString&)> askOpenFileName;
  std::function<QString(const QString&, const QString&, const QString&)> askSaveFileName;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The tool bar and menu bar offer no menu of their own: hiding the tool bar would leave
  // a student no way to bring it back.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void BuildCommands();
  QAction* MenuItem(QMenu* menu, const char* name, const QString& text, const QString& hint,
                    int topic = 0);
  QToolButton* ToolButton(const char* name, const char* icon, const QString& hint, int topic = 0);
  // Connects a command's menu item and tool button (either may be null) to its handler
  // through Act.
  void OnCommand(QAction* item, QToolButton* button, void (THeatForm::*handler)());
  // In the What-is-this mode a command that declares a help topic shows it instead of
  // acting; otherwise the handler runs.
  void Act(QObject* source, void (THeatForm::*handler)());
  // The context help of presses on the window's controls: legend panels on any click,
  // everything with a topic in the What-is-this mode. True when the press was taken.
  bool ClickHelp(QWidget* widget, QMouseEvent* event);
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

  struct PressStamp {
    quint64 timestamp;
    QEvent::Type type;
    QPointF global;
    bool operator==(const PressStamp& o) const {
      return timestamp == o.timestamp && type == o.type && global == o.global;
    }
  };
  PressStamp lastPress{0, QEvent::None, QPointF()};

  void RememberRecent(const QString& fileName);
  void StoreRecent();
  void UpdateRecentMenu();
  // Where the results go after a run; refreshed with every change of results.
  void UpdateExportItems();

  // What the window shows of a change the model announces.
  void ProblemChanged(ProblemModel::Parts parts);
  // A new grid, by a step, its undo or redo, or a problem replaced: results are put aside
  // (discarded) and the view fits the grid.
  void GridReplaced();
  // Undo and Redo name their steps and are greyed when there is none, or while the run
  // window holds the problem; the caption marks unsaved changes.
  void UpdateEditItems();

  std::unique_ptr<ProblemModel> model;
  bool runWindowOpen = false;
  // A run going on in the run window, from its start to its end.
  const SimManager* liveRun = nullptr;
  // The keys held at the last press in the drawing area (Ctrl+click watches).
  Qt::KeyboardModifiers pressModifiers;
  // What the status bar says about the paint tool while the properties dialog is open; it
  // comes back whenever a hint has come and gone.
  QString paintStatus;
  // The view before the properties dialog switched to the materials, to go back to.
  std::optional<ViewMode> viewBeforeProperties;
  // The properties dialog is placed beside the window the first time it opens; after that
  // it opens where the student left it.
  bool propertiesPlaced = false;
  bool shutDown = false;
  bool contextHelpMode = false;
  QActionGroup* viewGroup = nullptr;
  QHash<QWidget*, QAction*> toolActions;
  // The mouse probe's canvas maps on this surface; it never draws.
  Surface& ProbeSurface();
  QImage probeImage;
  std::unique_ptr<Surface> probeSurface;
};

#endif
