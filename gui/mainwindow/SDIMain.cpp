// The main window's state and the operations through which dialogs and commands change it.

#include "gui/mainwindow/SDIMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <istream>
#include <streambuf>

#include "gui/dialogs/About.h"
#include "gui/dialogs/AddFun.h"
#include "gui/dialogs/AddSeg.h"
#include "gui/dialogs/Boundary.h"
#include "gui/dialogs/Geometry.h"
#include "gui/dialogs/Graphics.h"
#include "gui/dialogs/InitialTemp.h"
#include "gui/dialogs/Outputs.h"
#include "gui/dialogs/Parameters.h"
#include "gui/dialogs/PhysicalProp.h"
#include "gui/dialogs/Process.h"
#include "gui/dialogs/Refinement.h"
#include "gui/dialogs/TimeHistory.h"
#include "gui/dialogs/Times.h"
#include "gui/dialogs/VolumeEquation.h"
#include "gui/document/nativefile.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/document/savefile.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/icons.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/programfiles.h"
#include "gui/platform/surface.h"
#include "gui/platform/widgets.h"
#include "gui/plot/fieldpicture.h"
#include "gui/plot/probe.h"
#include "sim/check.h"
#include "sim/geometry.h"
#include "sim/materials.h"
#include "sim/streammedia.h"

namespace {

// A standard stream buffer over an open file, for readers written against the standard
// streams.
class DeviceBuffer : public std::streambuf {
 public:
  explicit DeviceBuffer(QIODevice& device) : device(device) {}

 protected:
  int_type underflow() override {
    const qint64 n = device.read(chunk, sizeof chunk);
    if (n <= 0)
      return traits_type::eof();
    setg(chunk, chunk, chunk + n);
    return traits_type::to_int_type(chunk[0]);
  }

 private:
  QIODevice& device;
  char chunk[64 * 1024];
};

const char* const settingsOrganisation = "Calorivectrix";
const char* const settingsApplication = "Calorivectrix";
const char* const busyMessage = "The problem cannot be replaced while a run is using it.";

// The swatch colour of a probed temperature, on the run's scale. A run that produced no
// usable extremes shows white rather than a colour that means nothing.
QColor ReadoutColor(const SimManager& results, double t) {
  const std::optional<double> rate = TemperatureRate(t, results.minT, results.maxT);
  return rate ? TemperatureColor(*rate, 0.5) : QColor(Qt::white);
}

}  // namespace

THeatForm::THeatForm(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Calorivectrix v1.1");
  ComputeBounds();
  model = std::make_unique<ProblemModel>(*this);
  // Results previewed from a run that goes on still belong to it; its grid must stay.
  model->SetInUse([this] { return manager && manager->Sim() != nullptr; });

  BuildCommands();
  BuildClientArea();
  Connect();
  // Hints and context help are answered for every control of the window, including the
  // menus, which are windows of their own.
  qApp->installEventFilter(this);

  scaleBitmap = QImage(ScaleBitmapSize(Legend->ColorScale->size()), QImage::Format_RGB32);
  scaleBitmap.fill(Qt::white);
  NLinesUpDown->SetPosition(20);

  askGridFileName = [this] {
    // A student starts among the example grids: a "grids" folder where the program was
    // started, as it has always looked, else the one that comes with the program.
    const QString examples = FindHereOrProgramFile("grids");
    return QFileDialog::getOpenFileName(this, "Open Geometry", examples, "Geometry files (*.sdf)");
  };
  askOpenFileName = [this](const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(this, caption, QString(), filter);
  };
  askSaveFileName = [this](const QString& caption, const QString& filter, const QString& suffix) {
    QFileDialog dialog(this, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  recentProblems = QSettings(settingsOrganisation, settingsApplication)
                       .value("recentProblems")
                       .toStringList()
                       .mid(0, maxRecentProblems);
  UpdateRecentMenu();

  processDlg = new TProcessDlg(*this, this);
  geometryDlg = new TGeometryDlg(*this, this);
  parametersDlg = new TParametersDlg(*model, this);
  initialTempDlg = new TInitialTempDlg(*model, this);
  timeDlg = new TTimeDlg(*model, this);
  outputsDlg = new TOutputsDlg(*this, this);
  graphicDlg = new TGraphicDlg(*this, this);
  historyDlg = new TTimeHistoryDlg(*this, this);
  equationDlg = new TVolumeEquationDlg(*this, this);
  aboutBox = new TAboutBox(this);
  boundaryDlg = new TBoundaryDlg(*model, *this, this);
  segmentDlg = new TSegmentDlg(*model, *this, this);
  functionDlg = new TFunctionDlg(this);
  physicalPropDlg = new TPhysicalPropDlg(*model, *this, this);
  refinementDlg = new TRefinementDlg(*this, this);
  // The editors that stay open beside the window take back their changes with the same keys.
  for (QWidget* editor :
       {static_cast<QWidget*>(boundaryDlg), static_cast<QWidget*>(physicalPropDlg)})
    editor->addActions({UndoItem, RedoItem});

  connect(model.get(), &ProblemModel::Changed, this, &THeatForm::ProblemChanged);
  connect(&model->History(), &QUndoStack::indexChanged, this, &THeatForm::UpdateEditItems);
  connect(&model->History(), &QUndoStack::cleanChanged, this, &THeatForm::UpdateEditItems);
  UpdateEditItems();

  UpdateExportItems();
  UpdateFrameButtons();
  SetViewMode(viewMode);
  FitViewport();
}

THeatForm::~THeatForm() {
  ShutDown();
}

void THeatForm::closeEvent(QCloseEvent* event) {
  if (!shutDown && !MayDiscardProblem()) {
    event->ignore();
    return;
  }
  ShutDown();
  event->accept();
}

void THeatForm::ShutDown() {
  if (shutDown)
    return;
  shutDown = true;
  Timer->stop();
  // The editors hold no conditions, but closing them takes their tools off the window.
  physicalPropDlg->close();
  boundaryDlg->close();
  if (contextHelpMode)
    QApplication::restoreOverrideCursor();
  contextHelpMode = false;
  // A study still running holds a copy of the conditions; it ends before they are counted.
  refinementDlg->Stop();
  manager.reset();
  scaleBitmap = QImage();
  // The history holds conditions of its own, and grids.
  model->ClearHistory();
  ReleaseConditions();
  INVARIANT(FHeat::Instances() == 0, "FHeat::Instances()==0");
  HelpViewer::Instance().Close();
}

// ---- The problem and its results -------------------------------------------------------

bool THeatForm::SetMedia(std::unique_ptr<Media> newMedia) {
  return SetMedia(std::move(newMedia), QString());
}

bool THeatForm::SetMedia(std::unique_ptr<Media> newMedia, const QString& name) {
  // A run's simulator reads the grid, and after a preview the results held here are that
  // run's own manager: the model refuses while either lasts.
  return model->ReplaceGrid(std::move(newMedia), name);
}

void THeatForm::ProblemChanged(ProblemModel::Parts parts) {
  if (parts & ProblemModel::Grid) {
    GridReplaced();
    return;
  }
  if (parts & (ProblemModel::Materials | ProblemModel::Sides | ProblemModel::Functions |
               ProblemModel::Watched)) {
    UpdateReadouts();
    Redraw();
  }
  // The history and equation windows show the watched volumes, the materials and the step.
  UpdateInsightWindows();
}

void THeatForm::GridReplaced() {
  if (manager) {
    // The timer must never tick without results.
    Timer->stop();
    manager.reset();
    UpdateFrameButtons();
    OutputsItem->setEnabled(false);
  }
  // A probe left over from the old grid could point outside the new one.
  probeI = -1;
  probeJ = -1;
  ComputeBounds();
  FitViewport();
  UpdateReadouts();
  for (QLabel* label : {Legend->CurrentTime, Legend->ScaleMax, Legend->ScaleMedMax,
                        Legend->ScaleMed, Legend->ScaleMedMin, Legend->ScaleMin}) {
    label->setText("-");
  }
  Legend->ColorScale->update();
  SetViewMode(viewMode == ViewMode::Temperature || viewMode == ViewMode::Isotherms ? ViewMode::Media
                                                                                   : viewMode);
  UpdateExportItems();
  if (refinementDlg && refinementDlg->isVisible())
    refinementDlg->Update();
  UpdateInsightWindows();
}

bool THeatForm::SetManager(SimManager* results) {
  // Results previewed from a run that goes on belong to that run until it hands them over
  // again; destroying them would pull its manager away from under it.
  if (manager && manager.get() != results && manager->Sim() != nullptr)
    return false;
  if (manager.get() != results)
    manager.reset(results);
  OutputsItem->setEnabled(true);
  curSnapshot = manager->Count() - 1;
  UpdateFrameButtons();
  fluxScale = AutoFluxScale(*manager);
  SetViewMode(ViewMode::Temperature);
  ShowCurrentTime();
  SetScaleLabels();
  PaintScaleBitmap(scaleBitmap);
  Legend->ColorScale->update();
  UpdateReadouts();
  UpdateExportItems();
  UpdateInsightWindows();
  // Previewed results still belong to their run, which holds the problem: no undo meanwhile.
  UpdateEditItems();
  return true;
}

void THeatForm::RunStarted(const SimManager& run) {
  liveRun = &run;
  UpdateInsightWindows();
}

void THeatForm::RunEnded() {
  liveRun = nullptr;
  UpdateInsightWindows();
}

void THeatForm::ShowCurrentTime() {
  if (!manager) {
    Legend->CurrentTime->setText(QString("-"));
    return;
  }
  // A steady field is the limit of infinite time.
  const double time = manager->Snapshot(curSnapshot).Time();
  Legend->CurrentTime->setText(std::isfinite(time) ? FormatGeneral(time)
                                                   : QStringLiteral("steady state"));
}

void THeatForm::SetScaleLabels() {
  const double minT = manager->minT;
  const double maxT = manager->maxT;
  const double range = maxT - minT;
  Legend->ScaleMax->setText(FormatExponent(maxT, 3));
  Legend->ScaleMedMax->setText(FormatExponent(minT + 0.75 * range, 3));
  Legend->ScaleMed->setText(FormatExponent(minT + 0.5 * range, 3));
  Legend->ScaleMedMin->setText(FormatExponent(minT + 0.25 * range, 3));
  Legend->ScaleMin->setText(FormatExponent(minT, 3));
}

void THeatForm::SetViewMode(ViewMode mode) {
  const bool results = manager != nullptr;
  if (!results)
    HeatFluxVectorsItem->setChecked(false);
  SetToolVisible(AlphaNorm, HeatFluxVectorsItem->isChecked());
  SetToolVisible(VectorSize, ToolVisible(AlphaNorm));
  SetToolVisible(NLinesPanel, mode == ViewMode::Temperature || mode == ViewMode::Isotherms);
  if (mode != viewMode)
    viewMode = mode;
  QAction* const radio[] = {BoundsItem, MediaItem, TemperatureFieldItem, IsothermsItem};
  radio[static_cast<int>(viewMode)]->setChecked(true);
  for (QAction* item :
       {DynamicPlotsItem, HeatFluxVectorsItem, IsothermsItem, TemperatureFieldItem}) {
    item->setEnabled(results);
  }
  UpdateProfiles();
  Redraw();
}

bool THeatForm::VectorsShown() const {
  return HeatFluxVectorsItem->isChecked();
}

void THeatForm::UpdateProfiles() {
  if (graphicDlg && graphicDlg->isVisible())
    graphicDlg->Update();
}

void THeatForm::UpdateInsightWindows() {
  if (historyDlg && historyDlg->isVisible())
    historyDlg->Update();
  if (equationDlg && equationDlg->isVisible())
    equationDlg->Update();
}

void THeatForm::ComputeBounds() {
  ::ComputeBounds(*media, boundsMin, boundsMax, cellSize);
}

void THeatForm::FitViewport() {
  const int w = Draw ? Draw->width() : 0;
  const int h = Draw ? Draw->height() : 0;
  viewport = FittedViewport(boundsMin, boundsMax, w, h);
  Redraw();
}

void THeatForm::resizeEvent(QResizeEvent* event) {
  // The drawing area refits itself when the layout gives it its new size.
  QMainWindow::resizeEvent(event);
}

// ---- Drawing ---------------------------------------------------------------------------

FieldPlotState THeatForm::PlotState() const {
  FieldPlotState state;
  state.media = media.get();
  state.manager = manager.get();
  state.curSnapshot = curSnapshot;
  state.viewMode = viewMode;
  state.nLines = nLines;
  state.vectors = HeatFluxVectorsItem->isChecked();
  state.vectorSize = VectorSize->value();
  state.boundsMin = boundsMin;
  state.boundsMax = boundsMax;
  state.viewport = viewport;
  state.cellSize = cellSize;
  state.fluxScale = fluxScale;
  state.boundaryDialogVisible = boundaryDialogVisible;
  state.boundaryPage = boundaryPage;
  state.watched = watched;
  state.faces[0] = northFace.get();
  state.faces[1] = southFace.get();
  state.faces[2] = eastFace.get();
  state.faces[3] = westFace.get();
  return state;
}

QImage THeatForm::RenderPlot(QSize size) const {
  QFont font("Arial");
  font.setBold(true);
  font.setPixelSize(15);
  return RenderFieldPlot(PlotState(), size, font);
}

void THeatForm::Redraw() {
  if (Draw)
    Draw->Redraw();
}

const SimSnapshot* THeatForm::ShownSnapshot() const {
  if (!manager || curSnapshot < 0 || curSnapshot >= manager->Count())
    return nullptr;
  return &manager->Snapshot(curSnapshot);
}

void THeatForm::PaintScale(QPainter& painter) {
  Surface surface(painter);
  std::optional<double> marker;
  if (manager && probeI >= 0) {
    marker = MarkerDepth(*manager, curSnapshot, VolumeIndex{probeI, probeJ});
  }
  ::PaintScale(surface, Legend->ColorScale->size(), manager ? &scaleBitmap : nullptr, marker);
}

void THeatForm::RefreshMarker() {
  // Only the strip left of the scale image holds the marker.
  const int strip = Legend->ColorScale->width() - scaleBitmap.width();
  Legend->ColorScale->update(0, 0, strip, Legend->ColorScale->height());
}

// ---- Probe -----------------------------------------------------------------------------

Surface& THeatForm::ProbeSurface() {
  // The canvas only maps here; it needs a surface but draws nothing on it. One kept for the
  // window's life spares every mouse move a painter's set-up.
  if (!probeSurface) {
    probeImage = QImage(1, 1, QImage::Format_RGB32);
    probeSurface = std::make_unique<Surface>(&probeImage);
  }
  return *probeSurface;
}

QPoint THeatForm::VolumePixel(VolumeIndex volume) {
  const RCanvas canvas(ProbeSurface(), viewport, boundsMin, boundsMax, 4);
  const Point c = GeometryOf(*media, volume.i, volume.j).centre;
  return QPoint(canvas.MapX(c.x), canvas.MapY(c.y));
}

void THeatForm::MouseMove(int x, int y, Qt::MouseButtons buttons) {
  RCanvas canvas(ProbeSurface(), viewport, boundsMin, boundsMax, 4);
  mousePos = Point{canvas.UnmapX(x), canvas.UnmapY(y)};
  Legend->MouseX->setText(FormatGeneral(mousePos.x, 4));
  Legend->MouseY->setText(FormatGeneral(mousePos.y, 4));
  const VolumeIndex found = FindVolume(*media, mousePos);
  if (found.i == probeI && found.j == probeJ)
    return;
  probeI = found.i;
  probeJ = found.j;
  // Dragging with the paint tool paints every volume the pointer enters.
  if (physicalPropDlg->Painting() && probeI >= 0 && probeJ >= 0 && (buttons & Qt::LeftButton))
    PaintProbedVolume();
  UpdateReadouts();
}

void THeatForm::MouseDown(Qt::MouseButton button) {
  // In the What-is-this mode the press never gets here: it asked for help.
  if (probeI < 0 || probeJ < 0)
    return;
  const VolumeIndex probed{probeI, probeJ};
  // Ctrl+click watches a volume, or stops watching it, whatever tool is engaged.
  if (button == Qt::LeftButton && (pressModifiers & Qt::ControlModifier)) {
    ToggleWatch(probed);
    return;
  }
  if (!physicalPropDlg->Painting()) {
    // With the equation window open, a click chooses the volume it shows.
    if (button == Qt::LeftButton && equationDlg->isVisible())
      equationDlg->SetVolume(probed);
    return;
  }
  if (button == Qt::LeftButton) {
    // One press to its release is one step, however many volumes the drag crosses.
    model->BeginStroke();
    PaintProbedVolume();
    UpdateReadouts();
  } else if (button == Qt::RightButton) {
    // Picks up the volume's material; the heat generation typed in the dialog stays.
    physicalPropDlg->ShowProperties(media->volume(probeI, probeJ));
  }
}

void THeatForm::PaintProbedVolume() {
  if (const std::optional<VolumeProperties> p = physicalPropDlg->ReadProperties())
    model->PaintVolume(VolumeIndex{probeI, probeJ}, *p);
}

void THeatForm::ShowPaintTool(PaintTool tool, const QString& why) {
  if (!Draw)
    return;
  switch (tool) {
    case PaintTool::Engaged:
      Draw->setCursor(PaintingCursor());
      paintStatus =
          QStringLiteral("Painting: click or drag over volumes to give them the material");
      break;
    case PaintTool::Off:
      // A drag now paints nothing; the pointer says so before the student tries.
      Draw->setCursor(Qt::ForbiddenCursor);
      paintStatus = QStringLiteral("The paint tool is off: ") + why;
      break;
    case PaintTool::Closed:
      Draw->unsetCursor();
      if (paintStatus.isEmpty())
        return;
      paintStatus.clear();
      break;
  }
  statusBar()->showMessage(paintStatus);
}

void THeatForm::PropertiesShown(bool shown) {
  // Materials painted over a temperature view would change nothing on screen: the
  // material view is shown while the dialog is open, and the student's view comes back
  // after, unless the student chose another one meanwhile.
  if (shown) {
    if (viewMode != ViewMode::Media && !viewBeforeProperties) {
      viewBeforeProperties = viewMode;
      SetViewMode(ViewMode::Media);
    }
    return;
  }
  const std::optional<ViewMode> before = viewBeforeProperties;
  viewBeforeProperties.reset();
  if (!before || viewMode != ViewMode::Media)
    return;
  const bool needsResults = *before == ViewMode::Temperature || *before == ViewMode::Isotherms;
  if (!needsResults || manager)
    SetViewMode(*before);
}

void THeatForm::UpdateReadouts() {
  TLegend& l = *Legend;
  const bool mediaPage = l.ActivePage() == "Media";
  const bool probed = probeI >= 0 && probeJ >= 0;
  if (!probed) {
    if (mediaPage) {
      for (QLabel* label : {l.MediaI, l.MediaJ, l.MaterialName, l.Conductivity, l.SpecificHeat,
                            l.Density, l.Diffusivity, l.HeatGeneration}) {
        label->setText("-");
      }
      l.MaterialColor->SetBrushColor(Qt::white);
      return;
    }
    for (QLabel* label : {l.FieldI, l.FieldJ, l.TempValue, l.FluxValue})
      label->setText("-");
    l.TempColor->SetBrushColor(Qt::white);
    RefreshMarker();
    return;
  }
  const QString i = FormatInteger(probeI + 1);
  const QString j = FormatInteger(probeJ + 1);
  if (mediaPage) {
    const VolumeProperties& p = media->volume(probeI, probeJ);
    l.MediaI->setText(i);
    l.MediaJ->setText(j);
    l.Conductivity->setText(FormatGeneral(p.conductivity));
    l.SpecificHeat->setText(FormatGeneral(p.specificHeat));
    l.Density->setText(FormatGeneral(p.density));
    l.HeatGeneration->setText(FormatGeneral(p.heatGeneration));
    l.Diffusivity->setText(FormatExponent(p.conductivity / (p.density * p.specificHeat), 6));
    l.MaterialColor->SetBrushColor(PropertyColor(p));
    const char* name = FindMaterial(p.conductivity, p.density, p.specificHeat);
    l.MaterialName->setText(name ? QString(name) : QString("Custom"));
    return;
  }
  l.FieldI->setText(i);
  l.FieldJ->setText(j);
  if (!manager) {
    l.TempValue->setText("-");
    l.TempColor->SetBrushColor(Qt::white);
    l.FluxValue->setText("-");
    return;
  }
  INVARIANT(curSnapshot < manager->Count(), "curSnapshot < manager->Count()");
  const SimSnapshot& s = manager->Snapshot(curSnapshot);
  const double t = s.T[probeI][probeJ];
  l.TempValue->setText(FormatExponent(t, 6));
  l.TempColor->SetBrushColor(ReadoutColor(*manager, t));
  const double qx = s.qx[probeI][probeJ];
  const double qy = s.qy[probeI][probeJ];
  l.FluxValue->setText(FormatExponent(std::sqrt(qx * qx + qy * qy), 6));
  RefreshMarker();
}

// ---- Playback --------------------------------------------------------------------------

bool THeatForm::Playing() const {
  return Timer->isActive();
}

bool THeatForm::ShowSnapshot(int k) {
  INVARIANT(manager != nullptr, "manager");
  const int n = manager->Count();
  int target;
  bool result;
  if (k < 0) {
    target = 0;
    result = false;
  } else if (k < n) {
    target = k;
    result = true;
  } else {
    target = n - 1;
    result = false;
  }
  if (target != curSnapshot) {
    curSnapshot = target;
    ShowCurrentTime();
    UpdateFrameButtons();
    UpdateReadouts();
    Redraw();
  }
  UpdateProfiles();
  UpdateInsightWindows();
  return result;
}

void THeatForm::SetPlaybackInterval(int milliseconds) {
  Timer->setInterval(milliseconds);
  for (QAction* item : PlaybackSpeedMenu->actions())
    item->setChecked(item->data().toInt() == milliseconds);
}

void THeatForm::UpdateFrameButtons() {
  if (!manager) {
    for (QToolButton* b :
         {FirstFrameBtn, PreviousFrameBtn, PlayBtn, NextFrameBtn, LastFrameBtn, PauseBtn}) {
      b->setEnabled(false);
    }
    PlayAnimationItem->setEnabled(false);
    return;
  }
  const int n = manager->Count();
  const bool playing = Playing();
  PlayBtn->setEnabled(!playing);
  PauseBtn->setEnabled(playing);
  PreviousFrameBtn->setEnabled(curSnapshot > 0 && !playing);
  FirstFrameBtn->setEnabled(curSnapshot > 0 && !playing);
  NextFrameBtn->setEnabled(curSnapshot < n - 1 && !playing);
  LastFrameBtn->setEnabled(curSnapshot < n - 1 && !playing);
  PlayAnimationItem->setEnabled(PlayBtn->isEnabled());
}

void THeatForm::FirstFrameBtnClick() {
  ShowSnapshot(0);
}
void THeatForm::PreviousFrameBtnClick() {
  ShowSnapshot(curSnapshot - 1);
}
void THeatForm::NextFrameBtnClick() {
  ShowSnapshot(curSnapshot + 1);
}
void THeatForm::LastFrameBtnClick() {
  ShowSnapshot(manager ? manager->Count() - 1 : 0);
}

void THeatForm::PlayBtnClick() {
  INVARIANT(manager != nullptr, "manager");
  Timer->start();
  if (curSnapshot >= manager->Count() - 1)
    ShowSnapshot(0);
}

void THeatForm::PauseBtnClick() {
  INVARIANT(manager != nullptr, "manager");
  Timer->stop();
  UpdateFrameButtons();
}

void THeatForm::TimerTimer() {
  INVARIANT(manager != nullptr, "manager");
  if (!ShowSnapshot(curSnapshot + 1)) {
    Timer->stop();
    UpdateFrameButtons();
  }
}

// ---- Commands --------------------------------------------------------------------------

void THeatForm::NLinesUpDownChanging(int position) {
  nLines = position;
  NLinesLabel->setText(FormatInteger(nLines));
  SetViewMode(viewMode);
}

void THeatForm::AlphaNormClick() {
  INVARIANT(manager != nullptr, "manager");
  fluxScale = AutoFluxScale(manager->Snapshot(curSnapshot));
  Redraw();
}

void THeatForm::VectorSizeChange() {
  Redraw();
}

void THeatForm::HeatFluxVectorsClick() {
  SetViewMode(viewMode);
}

void THeatForm::LegendBtnClick() {
  // The drawing area refits itself once the layout has given it the room left.
  Legend->setVisible(LegendBtn->isChecked());
}

void THeatForm::HelpBtnClick() {
  HelpViewer::Instance().ShowContents();
}

void THeatForm::HelpTopicsItemClick() {
  HelpViewer::Instance().ShowIndex();
}

void THeatForm::HelpOnHelpItemClick() {
  HelpViewer::Instance().HelpOnHelp();
}

void THeatForm::ExitItemClick() {
  close();
}

// ---- What is this? ---------------------------------------------------------------------

void THeatForm::HelpBtnCPopupClick() {
  HelpBtnCPopup->setChecked(true);
  if (contextHelpMode)
    return;
  contextHelpMode = true;
  QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void THeatForm::ContextPopup(int topic) {
  HelpBtnCPopup->setChecked(false);
  HelpViewer::Instance().ShowPopup(topic);
  if (contextHelpMode)
    QApplication::restoreOverrideCursor();
  contextHelpMode = false;
}

void THeatForm::SimulationBtnClick() {
  if (!processDlg)
    return;
  // A run reads the problem the run window shows; undo and redo wait until it closes.
  runWindowOpen = true;
  UpdateEditItems();
  processDlg->exec();
  runWindowOpen = false;
  UpdateEditItems();
}

void THeatForm::UndoItemClick() {
  model->Undo();
}

void THeatForm::RedoItemClick() {
  model->Redo();
}

void THeatForm::PhyPropBtnClick() {
  if (!propertiesPlaced && !physicalPropDlg->isVisible()) {
    // Beside the window, so that the drawing area to paint in stays in view.
    propertiesPlaced = true;
    const QScreen* screen = this->screen();
    if (screen) {
      physicalPropDlg->move(BesideWindow(frameGeometry(), physicalPropDlg->frameGeometry().size(),
                                         screen->availableGeometry()));
    }
  }
  physicalPropDlg->show();
  physicalPropDlg->raise();
  physicalPropDlg->activateWindow();
}

void THeatForm::BConditionsBtnClick() {
  boundaryDlg->show();
  boundaryDlg->raise();
  boundaryDlg->activateWindow();
}

void THeatForm::ShowBoundarySide(bool visible, const QString& page) {
  boundaryDialogVisible = visible;
  boundaryPage = page;
  Redraw();
}

std::optional<NewSegment> THeatForm::AskSegment() {
  if (segmentDlg->exec() != QDialog::Accepted)
    return std::nullopt;
  return segmentDlg->BuildSegment();
}

std::unique_ptr<Function1D> THeatForm::AskCustomFunction() {
  if (functionDlg->exec() != QDialog::Accepted)
    return nullptr;
  return functionDlg->TakeFunction();
}

void THeatForm::OpenGeometryClick() {
  const QString fileName = askGridFileName ? askGridFileName() : QString();
  if (fileName.isEmpty())
    return;
  QString message;
  if (!OpenGeometry(fileName, &message))
    messages::ShowError(this, message);
}

bool THeatForm::OpenGeometry(const QString& fileName, QString* message) {
  QFile file;
  QString reason;
  if (!nativefile::OpenForReading(file, fileName, &reason)) {
    if (message)
      *message = QString("Cannot open file \"%1\": %2.").arg(fileName, reason);
    return false;
  }
  // The reader goes through the file once and stops at the first thing it refuses, so a
  // file of any size, grid or not, costs one buffer and no more of it is read than needed.
  DeviceBuffer buffer(file);
  std::istream in(&buffer);
  GridFileResult read = ReadGridFile(in, DefaultMaterial());
  if (!read.media) {
    if (message) {
      *message = QString("Cannot read the grid file \"%1\".\n%2")
                     .arg(fileName, QString::fromStdString(read.message));
    }
    return false;
  }
  const QString name = QStringLiteral("Open Geometry ") + QFileInfo(fileName).fileName();
  if (!SetMedia(std::move(read.media), name)) {
    if (message)
      *message =
          "A simulation is still using the current grid. Close the Simulation window "
          "before opening another grid.";
    return false;
  }
  return true;
}

// ---- Windows of their own ---------------------------------------------------------------
// Each opens its window; the windows come with the dialogs that edit or show the problem.

void THeatForm::GeometryBtnClick() {
  geometryDlg->exec();
}

void THeatForm::InitialItemClick() {
  initialTempDlg->exec();
}

void THeatForm::ParametersItemClick() {
  parametersDlg->exec();
}

void THeatForm::OutputsItemClick() {
  // Showing builds the report; a dialog already open keeps its text and comes to the front.
  outputsDlg->show();
  outputsDlg->raise();
  outputsDlg->activateWindow();
}

void THeatForm::AnimationTimesItemClick() {
  timeDlg->exec();
}

void THeatForm::DynamicPlotsItemClick() {
  graphicDlg->show();
  graphicDlg->raise();
}

void THeatForm::RefinementStudyItemClick() {
  refinementDlg->show();
  refinementDlg->raise();
  refinementDlg->activateWindow();
}

// ---- Looking inside the numbers --------------------------------------------------------

bool THeatForm::WatchVolume(VolumeIndex volume, bool watch) {
  if (!model->SetWatched(volume, watch)) {
    if (!model->MayChange()) {
      // The run's results still stand for the problem as it was: say why nothing happened.
      statusBar()->showMessage(
          QStringLiteral("The watched volumes cannot change while a run holds the problem."), 5000);
    } else if (watch && !Watched(volume) && static_cast<int32_t>(watched.size()) >= kMaxWatched) {
      statusBar()->showMessage(
          QString("At most %1 volumes can be watched; Ctrl+click a watched one to stop "
                  "watching it.")
              .arg(kMaxWatched),
          5000);
    }
    return false;
  }
  // The window and the history and equation windows follow the model's Changed.
  return true;
}

void THeatForm::ToggleWatch(VolumeIndex volume) {
  WatchVolume(volume, !Watched(volume));
}

void THeatForm::TimeHistoryItemClick() {
  historyDlg->show();
  historyDlg->raise();
  historyDlg->activateWindow();
}

void THeatForm::ShowEquation(VolumeIndex volume) {
  equationDlg->SetVolume(volume);
  equationDlg->show();
  equationDlg->raise();
  equationDlg->activateWindow();
}

void THeatForm::EquationBtnClick() {
  ShowEquation(VolumeIndex{probeI, probeJ});
}

QMenu* THeatForm::PrepareDrawMenu(int x, int y) {
  MouseMove(x, y, Qt::NoButton);
  menuVolume = VolumeIndex{probeI, probeJ};
  const bool volume = menuVolume.Valid();
  const bool isWatched = volume && Watched(menuVolume);
  WatchItem->setChecked(isWatched);
  WatchItem->setEnabled(volume &&
                        (isWatched || static_cast<int32_t>(watched.size()) < kMaxWatched));
  EquationItem->setEnabled(volume);
  return DrawMenu;
}

void THeatForm::AboutItemClick() {
  aboutBox->ShowDialog();
}

// ---- The problem as a document ---------------------------------------------------------

bool THeatForm::LoadProblem(std::unique_ptr<ProblemRecord> problem) {
  // As for a new grid: a run that still reads this problem keeps it whole.
  if (HeldByRun() || (manager && manager->Sim() != nullptr))
    return false;
  // Windows that edit the problem in place show its old sides and functions; they close
  // rather than show what no longer exists, and read the new problem when shown again.
  for (QDialog* dialog : findChildren<QDialog*>()) {
    if (dialog->isVisible() && !dialog->isModal())
      dialog->close();
  }
  model->Load(std::move(problem));
  // What the dialogs hold for the problem goes with it: a new problem does not paint with
  // the last material typed, nor offer the last segment's limits.
  physicalPropDlg->Reset();
  segmentDlg->Reset();
  Redraw();
  UpdateInsightWindows();
  return true;
}

bool THeatForm::ProblemModified() const {
  return !model->IsClean();
}

bool THeatForm::OpenProblem(const QString& fileName, QString* message) {
  problemfile::ReadResult read = problemfile::Open(fileName);
  if (!read.problem) {
    if (message)
      *message = QString("Cannot open the problem \"%1\".\n%2").arg(fileName, read.message);
    return false;
  }
  if (!LoadProblem(std::move(read.problem))) {
    if (message)
      *message = busyMessage;
    return false;
  }
  problemFileName = QFileInfo(fileName).absoluteFilePath();
  RememberRecent(problemFileName);
  return true;
}

bool THeatForm::OpenProblemFile(const QString& fileName) {
  QString message;
  if (OpenProblem(fileName, &message))
    return true;
  messages::ShowError(this, message);
  return false;
}

bool THeatForm::OpenExample(const QString& resource) {
  problemfile::ReadResult read = problemfile::Open(resource);
  if (!read.problem) {
    messages::ShowError(this, read.message);
    return false;
  }
  if (!LoadProblem(std::move(read.problem))) {
    messages::ShowError(this, busyMessage);
    return false;
  }
  problemFileName.clear();
  return true;
}

bool THeatForm::SaveProblem(const QString& fileName, QString* message) {
  if (!problemfile::Save(*this, fileName, message))
    return false;
  problemFileName = QFileInfo(fileName).absoluteFilePath();
  model->SetClean();
  RememberRecent(problemFileName);
  return true;
}

void THeatForm::NewProblem() {
  if (!LoadProblem(std::make_unique<ProblemRecord>()))
    return;
  problemFileName.clear();
}

bool THeatForm::MayDiscardProblem() {
  // The report's edits go with the problem's: its window closes with the problem, or the
  // program ends.
  if (!outputsDlg->MayDiscardText())
    return false;
  if (!ProblemModified())
    return true;
  switch (
      messages::AskYesNoCancel(this, "Confirmation", "The problem was modified. Save Changes?")) {
    case QMessageBox::Yes:
      return SaveProblemClick();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

void THeatForm::RememberRecent(const QString& fileName) {
  recentProblems.removeAll(fileName);
  recentProblems.prepend(fileName);
  while (recentProblems.size() > maxRecentProblems)
    recentProblems.removeLast();
  StoreRecent();
}

void THeatForm::StoreRecent() {
  // The one thing the program keeps from one session to the next.
  QSettings(settingsOrganisation, settingsApplication).setValue("recentProblems", recentProblems);
  UpdateRecentMenu();
}

bool THeatForm::ExportPicture(const QString& fileName, QString* message) {
  QFont font("Arial");
  font.setBold(true);
  font.setPixelSize(15);
  return SavePng(
      RenderFieldPicture(PlotState(), Draw->size(), font, ScaleInPicturesItem->isChecked()),
      fileName, message);
}

bool THeatForm::ExportData(const QString& fileName, QString* message) {
  const SimSnapshot* shown = ShownSnapshot();
  if (!shown) {
    if (message)
      *message = "There are no results to export; run the simulation first.";
    return false;
  }
  return WriteAtomically(fileName, SnapshotCsv(*media, *shown), message);
}

void THeatForm::NewProblemClick() {
  if (MayDiscardProblem())
    NewProblem();
}

void THeatForm::OpenProblemClick() {
  if (!MayDiscardProblem())
    return;
  const QString fileName = askOpenFileName("Open Problem", "Problem files (*.cvx)");
  if (!fileName.isEmpty())
    OpenProblemFile(fileName);
}

void THeatForm::OpenRecentClick(const QString& fileName) {
  if (!MayDiscardProblem())
    return;
  if (!OpenProblemFile(fileName)) {
    // A file that has gone or gone bad leaves the list, so the menu stops offering it.
    recentProblems.removeAll(fileName);
    StoreRecent();
  }
}

bool THeatForm::SaveProblemClick() {
  if (problemFileName.isEmpty())
    return SaveProblemAsClick();
  QString message;
  if (SaveProblem(problemFileName, &message))
    return true;
  messages::ShowError(this, message);
  return false;
}

bool THeatForm::SaveProblemAsClick() {
  const QString fileName = askSaveFileName("Save Problem As", "Problem files (*.cvx)", "cvx");
  if (fileName.isEmpty())
    return false;
  QString message;
  if (SaveProblem(fileName, &message))
    return true;
  messages::ShowError(this, message);
  return false;
}

void THeatForm::ExportPictureClick() {
  const QString fileName = askSaveFileName("Export Picture", "PNG pictures (*.png)", "png");
  QString message;
  if (!fileName.isEmpty() && !ExportPicture(fileName, &message))
    messages::ShowError(this, message);
}

void THeatForm::ExportDataClick() {
  const QString fileName = askSaveFileName("Export Data", "Comma-separated values (*.csv)", "csv");
  QString message;
  if (!fileName.isEmpty() && !ExportData(fileName, &message))
    messages::ShowError(this, message);
}
