// The main window's controls: menus, the tool bar, the drawing area and the legend, and
// the wiring of each to its handler.

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/icons.h"
#include "gui/platform/widgets.h"

namespace {

QString ShortHint(const QString& hint) {
  return hint.section('|', 0, 0);
}

QString LongHint(const QString& hint) {
  const int bar = hint.indexOf('|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

}  // namespace

void THeatForm::SetHint(QWidget* control, const QString& hint) {
  control->setToolTip(ShortHint(hint));
  control->setProperty("longHint", LongHint(hint));
  control->installEventFilter(this);
}

void THeatForm::SetHint(QAction* item, const QString& hint) {
  item->setToolTip(ShortHint(hint));
  item->setStatusTip(LongHint(hint));
}

bool THeatForm::eventFilter(QObject* watched, QEvent* event) {
  // The status bar shows the long hint of the control under the pointer, even an empty one.
  if (event->type() == QEvent::Enter) {
    const QVariant hint = watched->property("longHint");
    if (hint.isValid())
      statusBar()->showMessage(hint.toString());
  } else if (event->type() == QEvent::Leave && watched->property("longHint").isValid()) {
    statusBar()->clearMessage();
  }
  return QMainWindow::eventFilter(watched, event);
}

void THeatForm::SetToolVisible(QWidget* control, bool visible) {
  if (QAction* action = toolActions.value(control))
    action->setVisible(visible);
}

bool THeatForm::ToolVisible(QWidget* control) const {
  QAction* action = toolActions.value(control);
  return action && action->isVisible();
}

void THeatForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto item = [this](QMenu* menu, const QString& text, const QString& hint) {
    QAction* action = menu->addAction(text);
    SetHint(action, hint);
    return action;
  };

  QMenu* file = bar->addMenu("&File");
  OpenGeometryItem = item(file, "&Open Geometry...", "Get a grid from a file");
  file->addSeparator();
  ExitItem = item(file, "E&xit", "Quit program!");

  QMenu* mediaMenu = bar->addMenu("&Media");
  GeometryItem = item(mediaMenu, "&Geometry...", "Generate default geometries");
  PhysicalPropertiesItem =
      item(mediaMenu, "&Physical Properties...", "Set the media physical properties");

  QMenu* conditions = bar->addMenu("&Conditions");
  BoundaryItem = item(conditions, "&Boundary...", "Set boundary conditions");
  InitialItem = item(conditions, "&Initial ...", "Set initial condition");

  QMenu* simulation = bar->addMenu("&Simulation");
  RunItem = item(simulation, "&Run...", "Start simulation process");
  RunItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
  ParametersItem = item(simulation, "&Parameters...", "Set simulation parameters");
  OutputsItem = item(simulation, "&Outputs...", "View simulation outputs");
  OutputsItem->setEnabled(false);
  AnimationTimesItem =
      item(simulation, "Animation &Times...", "Set visualization times for the trasient problem");
  simulation->addSeparator();
  PlayAnimationItem = item(simulation, "Play &Animation", "Strat animation");
  PlayAnimationItem->setShortcut(QKeySequence(Qt::Key_F9));

  QMenu* view = bar->addMenu("&View");
  viewGroup = new QActionGroup(this);
  BoundsItem = item(view, "&Bounds", "Boundary visualization");
  MediaItem = item(view, "&Media", "Media visualization");
  TemperatureFieldItem = item(view, "&Temperature Field", "Temperature Field Visualization");
  IsothermsItem = item(view, "&Isotherms", "Isotherms Visualization");
  for (QAction* radio : {BoundsItem, MediaItem, TemperatureFieldItem, IsothermsItem}) {
    radio->setCheckable(true);
    viewGroup->addAction(radio);
  }
  MediaItem->setChecked(true);
  view->addSeparator();
  HeatFluxVectorsItem = item(view, "&Heat flux vectors", "Heat flux visualization");
  HeatFluxVectorsItem->setCheckable(true);
  DynamicPlotsItem = item(view, "&Dynamic Plots...", "Profiles along coordinates");

  QMenu* help = bar->addMenu("&Help");
  ContentsItem = item(help, "&Contents", "Opens the online help contents");
  HelpTopicsItem = item(help, "Help &Topics", "Opens the online help index");
  HelpOnHelpItem = item(help, "Help on &Help", "Opens the online Windows help");
  QMenu* tutorial = help->addMenu("T&utorial");
  const struct {
    const char* text;
    const char* hint;
    int topic;
  } examples[] = {
      {"Example &1", "Opens the tutorial example 1 - Transient flow in a Slab", 700},
      {"Example &2", "Opens the tutorial example 2 - Heat Conduction in Extended Surfaces (Fins)",
       710},
      {"Example &3", "Opens the tutorial example 3 - Thermal resistance calculations", 720},
      {"Example &4", "Opens the tutorial example 4 - Calculating the conduction shape factor", 730},
  };
  for (const auto& example : examples) {
    QAction* action = item(tutorial, example.text, example.hint);
    const int topic = example.topic;
    connect(action, &QAction::triggered, this, [topic] { ShowHelpTopic(topic); });
  }
  help->addSeparator();
  AboutItem = item(help, "&About...", "Software information");
}

void THeatForm::BuildSpeedPanel() {
  SpeedPanel = addToolBar("Tools");
  SpeedPanel->setObjectName("SpeedPanel");
  SpeedPanel->setMovable(false);
  SpeedPanel->setIconSize(QSize(20, 20));
  auto button = [this](const char* name, const char* icon, const QString& hint) {
    auto* b = new QToolButton(SpeedPanel);
    b->setObjectName(name);
    b->setIcon(ToolIcon(icon));
    b->setAutoRaise(true);
    SetHint(b, hint);
    toolActions.insert(b, SpeedPanel->addWidget(b));
    return b;
  };
  OpenBtn = button("OpenBtn", "open", "Open|");
  GeometryBtn = button("GeometryBtn", "geometry", "Default Geometry|");
  PhyPropBtn = button("PhyPropBtn", "properties", "Physical Property|");
  BConditionsBtn = button("BConditionsBtn", "boundary", "Boundary Conditions|");
  SimulationBtn = button("SimulationBtn", "simulation", "Start Simulation|");
  SpeedPanel->addSeparator();
  FirstFrameBtn = button("FirstFrameBtn", "first", "First Frame|");
  PreviousFrameBtn = button("PreviousFrameBtn", "previous", "Previous Frame|");
  PlayBtn = button("PlayBtn", "play", "Play|");
  NextFrameBtn = button("NextFrameBtn", "next", "Next Frame|");
  LastFrameBtn = button("LastFrameBtn", "last", "Last Frame|");
  PauseBtn = button("PauseBtn", "pause", "Pause|");
  SpeedPanel->addSeparator();

  NLinesPanel = new QWidget(SpeedPanel);
  NLinesPanel->setObjectName("NLinesPanel");
  auto* lines = new QHBoxLayout(NLinesPanel);
  lines->setContentsMargins(4, 0, 4, 0);
  lines->setSpacing(2);
  NLinesLabel = new QLabel("20", NLinesPanel);
  NLinesLabel->setObjectName("NLinesLabel");
  NLinesLabel->setMinimumWidth(24);
  NLinesLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  NLinesUpDown = new TUpDown(2, 100, 20, NLinesPanel);
  NLinesUpDown->setObjectName("NLinesUpDown");
  lines->addWidget(NLinesLabel);
  lines->addWidget(NLinesUpDown);
  SetHint(NLinesPanel, "Select the Number of Contour Plots");
  toolActions.insert(NLinesPanel, SpeedPanel->addWidget(NLinesPanel));

  AlphaNorm = button("AlphaNorm", "autoscale", "Auto scale");
  VectorSize = new QSlider(Qt::Horizontal, SpeedPanel);
  VectorSize->setObjectName("VectorSize");
  VectorSize->setRange(0, 20);
  VectorSize->setValue(0);
  VectorSize->setTickInterval(2);
  VectorSize->setTickPosition(QSlider::TicksBelow);
  VectorSize->setFixedWidth(72);
  SetHint(VectorSize, "Vector Size");
  toolActions.insert(VectorSize, SpeedPanel->addWidget(VectorSize));
  SpeedPanel->addSeparator();

  LegendBtn = button("LegendBtn", "legend", "More information|");
  LegendBtn->setCheckable(true);
  HelpBtn = button("HelpBtn", "help", "Help|");
  HelpBtnCPopup = button("HelpBtnCPopup", "whatsthis", "What is this?");
  HelpBtnCPopup->setCheckable(true);
}

void THeatForm::BuildClientArea() {
  auto* client = new QWidget(this);
  auto* layout = new QHBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Legend = new TLegend(client);
  Legend->setFixedWidth(178);
  Legend->setVisible(false);
  layout->addWidget(Legend);

  auto* panel = new QWidget(client);
  panel->setObjectName("DrawPanel");
  panel->setAutoFillBackground(true);
  QPalette black = panel->palette();
  black.setColor(QPalette::Window, Qt::black);
  panel->setPalette(black);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  Draw = new TDrawArea(panel);
  Draw->setObjectName("Draw");
  Draw->setMinimumSize(40, 40);
  panelLayout->addWidget(Draw);
  layout->addWidget(panel, 1);
  setCentralWidget(client);

  statusBar()->setObjectName("StatusBar");
  statusBar()->setSizeGripEnabled(true);

  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(100);

  // The client area below the menu starts at 640 x 431.
  resize(640, 431 + menuBar()->sizeHint().height());
}

void THeatForm::Connect() {
  Draw->render = [this](QSize size) { return RenderPlot(size); };
  Draw->onResize = [this] { FitViewport(); };
  Draw->onMouseMove = [this](int x, int y, Qt::MouseButtons buttons) { MouseMove(x, y, buttons); };
  Draw->onMouseDown = [this](Qt::MouseButton button, int, int) { MouseDown(button); };
  Legend->ColorScale->onPaint = [this](QPainter& painter) { PaintScale(painter); };
  connect(Legend->TabSet, &QTabBar::currentChanged, this, [this] { UpdateReadouts(); });

  connect(OpenGeometryItem, &QAction::triggered, this, &THeatForm::OpenGeometryClick);
  connect(OpenBtn, &QToolButton::clicked, this, &THeatForm::OpenGeometryClick);
  connect(ExitItem, &QAction::triggered, this, &QWidget::close);
  connect(RunItem, &QAction::triggered, this, &THeatForm::SimulationBtnClick);
  connect(SimulationBtn, &QToolButton::clicked, this, &THeatForm::SimulationBtnClick);

  connect(FirstFrameBtn, &QToolButton::clicked, this, &THeatForm::FirstFrameBtnClick);
  connect(PreviousFrameBtn, &QToolButton::clicked, this, &THeatForm::PreviousFrameBtnClick);
  connect(PlayBtn, &QToolButton::clicked, this, &THeatForm::PlayBtnClick);
  connect(PlayAnimationItem, &QAction::triggered, this, &THeatForm::PlayBtnClick);
  connect(NextFrameBtn, &QToolButton::clicked, this, &THeatForm::NextFrameBtnClick);
  connect(LastFrameBtn, &QToolButton::clicked, this, &THeatForm::LastFrameBtnClick);
  connect(PauseBtn, &QToolButton::clicked, this, &THeatForm::PauseBtnClick);
  connect(Timer, &QTimer::timeout, this, &THeatForm::TimerTimer);

  connect(BoundsItem, &QAction::triggered, this, [this] { SetViewMode(ViewMode::Bounds); });
  connect(MediaItem, &QAction::triggered, this, [this] { SetViewMode(ViewMode::Media); });
  connect(TemperatureFieldItem, &QAction::triggered, this,
          [this] { SetViewMode(ViewMode::Temperature); });
  connect(IsothermsItem, &QAction::triggered, this, [this] { SetViewMode(ViewMode::Isotherms); });
  connect(HeatFluxVectorsItem, &QAction::triggered, this, &THeatForm::HeatFluxVectorsClick);
  connect(NLinesUpDown, &TUpDown::changing, this, &THeatForm::NLinesUpDownChanging);
  connect(AlphaNorm, &QToolButton::clicked, this, &THeatForm::AlphaNormClick);
  connect(VectorSize, &QSlider::valueChanged, this, &THeatForm::VectorSizeChange);
  connect(LegendBtn, &QToolButton::clicked, this, &THeatForm::LegendBtnClick);

  connect(ContentsItem, &QAction::triggered, this, &THeatForm::HelpBtnClick);
  connect(HelpBtn, &QToolButton::clicked, this, &THeatForm::HelpBtnClick);
  connect(HelpBtnCPopup, &QToolButton::clicked, this, &THeatForm::HelpBtnCPopupClick);
  for (QToolButton* b : {GeometryBtn, PhyPropBtn, BConditionsBtn}) {
    const int topic = b == GeometryBtn ? 1050 : b == PhyPropBtn ? 1060 : 1070;
    connect(b, &QToolButton::clicked, this, [this, topic] { Popup(topic); });
  }
  connect(HelpTopicsItem, &QAction::triggered, this, [] { HelpViewer::Instance().ShowIndex(); });
  connect(HelpOnHelpItem, &QAction::triggered, this, [] { HelpViewer::Instance().HelpOnHelp(); });
  // The legend's panels explain themselves on any click.
  connect(Legend, &TLegend::panelClicked, this, &THeatForm::ContextPopup);
}
