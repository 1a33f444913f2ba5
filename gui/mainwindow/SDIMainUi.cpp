// The main window's controls: menus, the tool bar, the drawing area and the legend, and
// the wiring of each to its handler.

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

#include "gui/dialogs/PhysicalProp.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/examples.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
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
}

void THeatForm::SetHint(QAction* item, const QString& hint) {
  item->setToolTip(ShortHint(hint));
  item->setStatusTip(LongHint(hint));
}

bool THeatForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (watched == Draw)
        pressModifiers = static_cast<QMouseEvent*>(event)->modifiers();
      [[fallthrough]];
    case QEvent::MouseButtonDblClick:
      if (watched->isWidgetType() &&
          ClickHelp(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event)))
        return true;
      break;
    // The status bar shows the long hint of the control under the pointer, even an empty one.
    case QEvent::Enter:
      if (const QVariant hint = watched->property("longHint"); hint.isValid())
        statusBar()->showMessage(hint.toString());
      break;
    case QEvent::Leave:
      // What the status bar says of the paint tool outlasts the hints that come and go.
      if (watched->property("longHint").isValid())
        statusBar()->showMessage(paintStatus);
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool THeatForm::ClickHelp(QWidget* widget, QMouseEvent* event) {
  // A press the widget under the pointer ignores reaches this filter again for each parent
  // it propagates to, as a copy with the same time stamp; only the first delivery counts.
  const PressStamp stamp{event->timestamp(), event->type(), event->globalPosition()};
  if (stamp == lastPress)
    return false;
  lastPress = stamp;
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    // A menu item in the What-is-this mode: the item's topic instead of the item, when it
    // has one; items without a topic act.
    if (!contextHelpMode || !isAncestorOf(menu))
      return false;
    const int topic = HelpTopicOf(menu->actionAt(event->position().toPoint()));
    if (topic == 0)
      return false;
    for (QWidget* open = QApplication::activePopupWidget(); open;
         open = QApplication::activePopupWidget())
      open->close();
    ContextPopup(topic);
    return true;
  }
  if (widget->window() != this || widget == HelpBtnCPopup)
    return false;
  bool anyClick = false;
  const int topic = HelpTopicAt(widget, this, &anyClick);
  if (topic == 0 || (!contextHelpMode && !anyClick))
    return false;
  ContextPopup(topic);
  return true;
}

void THeatForm::SetToolVisible(QWidget* control, bool visible) {
  if (QAction* action = toolActions.value(control))
    action->setVisible(visible);
}

bool THeatForm::ToolVisible(QWidget* control) const {
  QAction* action = toolActions.value(control);
  return action && action->isVisible();
}

QAction* THeatForm::MenuItem(QMenu* menu, const char* name, const QString& text,
                             const QString& hint, int topic) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  SetHint(action, hint);
  if (topic != 0)
    SetHelpTopic(action, topic);
  return action;
}

QToolButton* THeatForm::ToolButton(const char* name, const char* icon, const QString& hint,
                                   int topic) {
  auto* b = new QToolButton(SpeedPanel);
  b->setObjectName(name);
  b->setIcon(ToolIcon(icon));
  b->setAutoRaise(true);
  SetHint(b, hint);
  if (topic != 0)
    SetHelpTopic(b, topic);
  toolActions.insert(b, SpeedPanel->addWidget(b));
  return b;
}

void THeatForm::OnCommand(QAction* item, QToolButton* button, void (THeatForm::*handler)()) {
  if (item)
    connect(item, &QAction::triggered, this, [this, item, handler] { Act(item, handler); });
  if (button)
    connect(button, &QToolButton::clicked, this, [this, button, handler] { Act(button, handler); });
}

void THeatForm::Act(QObject* source, void (THeatForm::*handler)()) {
  const int topic = HelpTopicOf(source);
  if (contextHelpMode && topic != 0) {
    // The click asked what the command is, not for the command: a toggle goes back as it was.
    if (auto* button = qobject_cast<QAbstractButton*>(source); button && button->isCheckable()) {
      const QSignalBlocker quiet(button);
      button->setChecked(!button->isChecked());
    }
    ContextPopup(topic);
    return;
  }
  (this->*handler)();
}

// One stanza per command: its menu item and tool button, shortcut, hints, help topic and
// handler. Menus and the tool bar are filled in the order the stanzas come.
void THeatForm::BuildCommands() {
  QMenuBar* bar = menuBar();
  SpeedPanel = addToolBar("Tools");
  SpeedPanel->setObjectName("SpeedPanel");
  SpeedPanel->setMovable(false);
  SpeedPanel->setFloatable(false);
  SpeedPanel->setIconSize(QSize(20, 20));
  // Only the bar's own background explains itself; its tools act unless they have a topic.
  SetHelpTopic(SpeedPanel, topic::kContents, HelpReach::OwnArea);

  QMenu* file = bar->addMenu("&File");
  file->setObjectName("FileMenu");

  NewProblemItem = MenuItem(file, "NewProblemItem", "&New Problem",
                            "Start again from the default problem", topic::kProblemCommands);
  OnCommand(NewProblemItem, nullptr, &THeatForm::NewProblemClick);

  OpenProblemItem = MenuItem(file, "OpenProblemItem", "Open &Problem...",
                             "Open a problem saved before: grid, materials, conditions, settings",
                             topic::kProblemCommands);
  OpenProblemItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  OnCommand(OpenProblemItem, nullptr, &THeatForm::OpenProblemClick);

  SaveProblemItem = MenuItem(file, "SaveProblemItem", "&Save Problem", "Save the problem",
                             topic::kProblemCommands);
  SaveProblemItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(SaveProblemItem, &QAction::triggered, this, [this] { SaveProblemClick(); });

  SaveProblemAsItem = MenuItem(file, "SaveProblemAsItem", "Save Problem &As...",
                               "Save the problem under a new name", topic::kProblemCommands);
  connect(SaveProblemAsItem, &QAction::triggered, this, [this] { SaveProblemAsClick(); });

  RecentProblemsMenu = file->addMenu("&Recent Problems");
  RecentProblemsMenu->setObjectName("RecentProblemsMenu");
  SetHelpTopic(RecentProblemsMenu->menuAction(), topic::kProblemCommands);

  ExamplesMenu = file->addMenu("E&xamples");
  ExamplesMenu->setObjectName("ExamplesMenu");
  SetHelpTopic(ExamplesMenu->menuAction(), topic::kProblemCommands);
  bool afterTutorial = false;
  for (const Example& example : Examples()) {
    // The worked examples of the help first, set apart from the showcases after them.
    if (afterTutorial && !example.tutorial)
      ExamplesMenu->addSeparator();
    afterTutorial = example.tutorial;
    QAction* item =
        MenuItem(ExamplesMenu, example.name, example.caption, example.hint, example.helpTopic);
    const QString resource = example.resource;
    connect(item, &QAction::triggered, this, [this, resource] {
      if (MayDiscardProblem())
        OpenExample(resource);
    });
  }

  file->addSeparator();
  OpenGeometryItem = MenuItem(file, "OpenGeometryItem", "&Open Geometry...",
                              "Get a grid from a file", topic::kOpenGeometry);
  OpenBtn = ToolButton("OpenBtn", "open", "Open|", topic::kOpenGeometry);
  OnCommand(OpenGeometryItem, OpenBtn, &THeatForm::OpenGeometryClick);

  file->addSeparator();
  ExportPictureItem = MenuItem(file, "ExportPictureItem", "Export &Picture...",
                               "Save the drawing area as a PNG picture", topic::kExportCommands);
  OnCommand(ExportPictureItem, nullptr, &THeatForm::ExportPictureClick);

  // A picture of temperatures without their scale cannot be read; the student may still
  // want the drawing area alone.
  ScaleInPicturesItem =
      MenuItem(file, "ScaleInPicturesItem", "Colour &Scale in Pictures",
               "Export pictures of temperatures with their colour scale and time beside them",
               topic::kExportCommands);
  ScaleInPicturesItem->setCheckable(true);
  ScaleInPicturesItem->setChecked(true);

  ExportDataItem = MenuItem(file, "ExportDataItem", "Export &Data...",
                            "Save the shown results as a table (CSV)", topic::kExportCommands);
  OnCommand(ExportDataItem, nullptr, &THeatForm::ExportDataClick);

  file->addSeparator();
  ExitItem = MenuItem(file, "ExitItem", "E&xit", "Quit program!");
  OnCommand(ExitItem, nullptr, &THeatForm::ExitItemClick);

  // Undo and Redo name the step they take back or bring back (UpdateEditItems).
  QMenu* edit = bar->addMenu("&Edit");
  edit->setObjectName("EditMenu");
  SpeedPanel->addSeparator();

  UndoItem = MenuItem(edit, "UndoItem", "&Undo", "", topic::kEditCommands);
  UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  UndoBtn = ToolButton("UndoBtn", "undo", "Undo|", topic::kEditCommands);
  OnCommand(UndoItem, UndoBtn, &THeatForm::UndoItemClick);

  RedoItem = MenuItem(edit, "RedoItem", "&Redo", "", topic::kEditCommands);
  RedoItem->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  RedoBtn = ToolButton("RedoBtn", "redo", "Redo|", topic::kEditCommands);
  OnCommand(RedoItem, RedoBtn, &THeatForm::RedoItemClick);
  SpeedPanel->addSeparator();

  QMenu* mediaMenu = bar->addMenu("&Media");
  mediaMenu->setObjectName("MediaMenu");

  GeometryItem = MenuItem(mediaMenu, "GeometryItem", "&Geometry...", "Generate default geometries",
                          topic::kGeometry);
  GeometryBtn = ToolButton("GeometryBtn", "geometry", "Default Geometry|", topic::kGeometry);
  OnCommand(GeometryItem, GeometryBtn, &THeatForm::GeometryBtnClick);

  PhysicalPropertiesItem =
      MenuItem(mediaMenu, "PhysicalPropertiesItem", "&Physical Properties...",
               "Set the media physical properties", topic::kPhysicalProperties);
  PhyPropBtn =
      ToolButton("PhyPropBtn", "properties", "Physical Property|", topic::kPhysicalProperties);
  OnCommand(PhysicalPropertiesItem, PhyPropBtn, &THeatForm::PhyPropBtnClick);

  QMenu* conditions = bar->addMenu("&Conditions");
  conditions->setObjectName("ConditionsMenu");

  BoundaryItem = MenuItem(conditions, "BoundaryItem", "&Boundary...", "Set boundary conditions",
                          topic::kBoundary);
  BConditionsBtn =
      ToolButton("BConditionsBtn", "boundary", "Boundary Conditions|", topic::kBoundary);
  OnCommand(BoundaryItem, BConditionsBtn, &THeatForm::BConditionsBtnClick);

  InitialItem = MenuItem(conditions, "InitialItem", "&Initial ...", "Set initial condition");
  OnCommand(InitialItem, nullptr, &THeatForm::InitialItemClick);

  QMenu* simulation = bar->addMenu("&Simulation");
  simulation->setObjectName("SimulationMenu");

  RunItem = MenuItem(simulation, "RunItem", "&Run...", "Start simulation process", topic::kRun);
  RunItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
  SimulationBtn = ToolButton("SimulationBtn", "simulation", "Start Simulation|", topic::kRun);
  OnCommand(RunItem, SimulationBtn, &THeatForm::SimulationBtnClick);

  ParametersItem =
      MenuItem(simulation, "ParametersItem", "&Parameters...", "Set simulation parameters");
  OnCommand(ParametersItem, nullptr, &THeatForm::ParametersItemClick);

  OutputsItem = MenuItem(simulation, "OutputsItem", "&Outputs...", "View simulation outputs");
  OutputsItem->setEnabled(false);
  OnCommand(OutputsItem, nullptr, &THeatForm::OutputsItemClick);

  AnimationTimesItem = MenuItem(simulation, "AnimationTimesItem", "Animation &Times...",
                                "Set visualization times for the trasient problem");
  OnCommand(AnimationTimesItem, nullptr, &THeatForm::AnimationTimesItemClick);

  RefinementStudyItem =
      MenuItem(simulation, "RefinementStudyItem", "Refinement &Study...",
               "Run the problem on finer grids and see how much its answer still changes",
               topic::kRefinementDlg);
  OnCommand(RefinementStudyItem, nullptr, &THeatForm::RefinementStudyItemClick);

  simulation->addSeparator();
  SpeedPanel->addSeparator();

  FirstFrameBtn = ToolButton("FirstFrameBtn", "first", "First Frame|", topic::kPlayback);
  OnCommand(nullptr, FirstFrameBtn, &THeatForm::FirstFrameBtnClick);

  PreviousFrameBtn =
      ToolButton("PreviousFrameBtn", "previous", "Previous Frame|", topic::kPlayback);
  OnCommand(nullptr, PreviousFrameBtn, &THeatForm::PreviousFrameBtnClick);

  PlayAnimationItem = MenuItem(simulation, "PlayAnimationItem", "Play &Animation",
                               "Strat animation", topic::kPlayback);
  PlayAnimationItem->setShortcut(QKeySequence(Qt::Key_F9));
  PlayBtn = ToolButton("PlayBtn", "play", "Play|", topic::kPlayback);
  OnCommand(PlayAnimationItem, PlayBtn, &THeatForm::PlayBtnClick);

  // A short run plays in under a second at the ten frames a second it always had; a student
  // following a transient may slow it down.
  PlaybackSpeedMenu = simulation->addMenu("Playback &Speed");
  PlaybackSpeedMenu->setObjectName("PlaybackSpeedMenu");
  SetHelpTopic(PlaybackSpeedMenu->menuAction(), topic::kPlayback);
  auto* speeds = new QActionGroup(this);
  const struct {
    const char* name;
    const char* text;
    int milliseconds;
  } paces[] = {{"Speed100Item", "&10 frames a second", 100},
               {"Speed250Item", "&4 frames a second", 250},
               {"Speed500Item", "&2 frames a second", 500},
               {"Speed1000Item", "&1 frame a second", 1000}};
  for (const auto& pace : paces) {
    QAction* item = MenuItem(PlaybackSpeedMenu, pace.name, pace.text,
                             "Set how fast the animation plays", topic::kPlayback);
    item->setCheckable(true);
    item->setData(pace.milliseconds);
    speeds->addAction(item);
    const int milliseconds = pace.milliseconds;
    connect(item, &QAction::triggered, this,
            [this, milliseconds] { SetPlaybackInterval(milliseconds); });
  }
  PlaybackSpeedMenu->actions().constFirst()->setChecked(true);

  NextFrameBtn = ToolButton("NextFrameBtn", "next", "Next Frame|", topic::kPlayback);
  OnCommand(nullptr, NextFrameBtn, &THeatForm::NextFrameBtnClick);

  LastFrameBtn = ToolButton("LastFrameBtn", "last", "Last Frame|", topic::kPlayback);
  OnCommand(nullptr, LastFrameBtn, &THeatForm::LastFrameBtnClick);

  PauseBtn = ToolButton("PauseBtn", "pause", "Pause|", topic::kPlayback);
  OnCommand(nullptr, PauseBtn, &THeatForm::PauseBtnClick);

  SpeedPanel->addSeparator();
  QMenu* view = bar->addMenu("&View");
  view->setObjectName("ViewMenu");
  viewGroup = new QActionGroup(this);
  const struct {
    QAction** item;
    const char* name;
    const char* text;
    const char* hint;
    ViewMode mode;
  } views[] = {
      {&BoundsItem, "BoundsItem", "&Bounds", "Boundary visualization", ViewMode::Bounds},
      {&MediaItem, "MediaItem", "&Media", "Media visualization", ViewMode::Media},
      {&TemperatureFieldItem, "TemperatureFieldItem", "&Temperature Field",
       "Temperature Field Visualization", ViewMode::Temperature},
      {&IsothermsItem, "IsothermsItem", "&Isotherms", "Isotherms Visualization",
       ViewMode::Isotherms},
  };
  for (const auto& v : views) {
    QAction* radio = MenuItem(view, v.name, v.text, v.hint);
    radio->setCheckable(true);
    viewGroup->addAction(radio);
    const ViewMode mode = v.mode;
    connect(radio, &QAction::triggered, this, [this, mode] { SetViewMode(mode); });
    *v.item = radio;
  }
  MediaItem->setChecked(true);
  view->addSeparator();

  HeatFluxVectorsItem =
      MenuItem(view, "HeatFluxVectorsItem", "&Heat flux vectors", "Heat flux visualization");
  HeatFluxVectorsItem->setCheckable(true);
  OnCommand(HeatFluxVectorsItem, nullptr, &THeatForm::HeatFluxVectorsClick);

  DynamicPlotsItem =
      MenuItem(view, "DynamicPlotsItem", "&Dynamic Plots...", "Profiles along coordinates");
  OnCommand(DynamicPlotsItem, nullptr, &THeatForm::DynamicPlotsItemClick);

  TimeHistoryItem = MenuItem(view, "TimeHistoryItem", "Time &History...",
                             "Temperature of the watched volumes against time", topic::kHistoryDlg);
  TimeHistoryBtn = ToolButton("TimeHistoryBtn", "history",
                              "Time History|Temperature of the watched volumes against time",
                              topic::kHistoryDlg);
  OnCommand(TimeHistoryItem, TimeHistoryBtn, &THeatForm::TimeHistoryItemClick);

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
  connect(NLinesUpDown, &TUpDown::changing, this, &THeatForm::NLinesUpDownChanging);

  AlphaNorm = ToolButton("AlphaNorm", "autoscale", "Auto scale", topic::kVectors);
  OnCommand(nullptr, AlphaNorm, &THeatForm::AlphaNormClick);

  VectorSize = new QSlider(Qt::Horizontal, SpeedPanel);
  VectorSize->setObjectName("VectorSize");
  VectorSize->setRange(0, 20);
  VectorSize->setValue(0);
  VectorSize->setTickInterval(2);
  VectorSize->setTickPosition(QSlider::TicksBelow);
  VectorSize->setFixedWidth(72);
  SetHint(VectorSize, "Vector Size");
  // In the What-is-this mode the press is taken before the slider moves (see eventFilter).
  SetHelpTopic(VectorSize, topic::kVectors);
  toolActions.insert(VectorSize, SpeedPanel->addWidget(VectorSize));
  connect(VectorSize, &QSlider::valueChanged, this, &THeatForm::VectorSizeChange);

  SpeedPanel->addSeparator();
  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("HelpMenu");

  LegendBtn = ToolButton("LegendBtn", "legend", "More information|", topic::kContents);
  LegendBtn->setCheckable(true);
  OnCommand(nullptr, LegendBtn, &THeatForm::LegendBtnClick);

  ContentsItem = MenuItem(help, "ContentsItem", "&Contents", "Opens the online help contents",
                          topic::kContents);
  HelpBtn = ToolButton("HelpBtn", "help", "Help|", topic::kContents);
  OnCommand(ContentsItem, HelpBtn, &THeatForm::HelpBtnClick);

  HelpTopicsItem = MenuItem(help, "HelpTopicsItem", "Help &Topics", "Opens the online help index");
  OnCommand(HelpTopicsItem, nullptr, &THeatForm::HelpTopicsItemClick);

  HelpOnHelpItem =
      MenuItem(help, "HelpOnHelpItem", "Help on &Help", "Opens the online Windows help");
  OnCommand(HelpOnHelpItem, nullptr, &THeatForm::HelpOnHelpItemClick);

  QMenu* tutorial = help->addMenu("T&utorial");
  tutorial->setObjectName("TutorialMenu");
  const struct {
    QAction** item;
    const char* name;
    const char* text;
    const char* hint;
    int topic;
  } examples[] = {
      {&Example1Item, "Example1Item", "Example &1",
       "Opens the tutorial example 1 - Transient flow in a Slab", topic::kTutorialSlab},
      {&Example2Item, "Example2Item", "Example &2",
       "Opens the tutorial example 2 - Heat Conduction in Extended Surfaces (Fins)",
       topic::kTutorialFin},
      {&Example3Item, "Example3Item", "Example &3",
       "Opens the tutorial example 3 - Thermal resistance calculations",
       topic::kTutorialResistance},
      {&Example4Item, "Example4Item", "Example &4",
       "Opens the tutorial example 4 - Calculating the conduction shape factor",
       topic::kTutorialShapeFactor},
  };
  for (const auto& example : examples) {
    // Tutorials only open their page; they leave the problem as it is.
    QAction* action = MenuItem(tutorial, example.name, example.text, example.hint);
    const int page = example.topic;
    connect(action, &QAction::triggered, this, [page] { ShowHelpTopic(page); });
    *example.item = action;
  }

  help->addSeparator();
  AboutItem = MenuItem(help, "AboutItem", "&About...", "Software information");
  OnCommand(AboutItem, nullptr, &THeatForm::AboutItemClick);

  HelpBtnCPopup = ToolButton("HelpBtnCPopup", "whatsthis", "What is this?");
  HelpBtnCPopup->setCheckable(true);
  connect(HelpBtnCPopup, &QToolButton::clicked, this, &THeatForm::HelpBtnCPopupClick);
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
  SetHelpTopic(Draw, topic::kContents);
  panelLayout->addWidget(Draw);
  layout->addWidget(panel, 1);
  setCentralWidget(client);

  statusBar()->setObjectName("StatusBar");
  statusBar()->setSizeGripEnabled(true);
  SetHelpTopic(statusBar(), topic::kContents);

  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(100);

  // The drawing area's context menu: watch the volume under the pointer, or read its
  // equation.
  DrawMenu = new QMenu(this);
  DrawMenu->setObjectName("DrawMenu");
  WatchItem = DrawMenu->addAction("&Watch");
  WatchItem->setObjectName("WatchItem");
  WatchItem->setCheckable(true);
  SetHint(WatchItem, "Record this volume's temperature at every time step (Ctrl+click)");
  SetHelpTopic(WatchItem, topic::kWatchedVolumes);
  EquationItem = DrawMenu->addAction("Volume &Equation...");
  EquationItem->setObjectName("EquationItem");
  SetHint(EquationItem, "The equation the simulator solved for this volume, with its numbers");
  SetHelpTopic(EquationItem, topic::kEquationDlg);
  Draw->setContextMenuPolicy(Qt::CustomContextMenu);

  // The client area below the menu starts at 640 x 431.
  resize(640, 431 + menuBar()->sizeHint().height());
}

void THeatForm::Connect() {
  Draw->render = [this](QSize size) { return RenderPlot(size); };
  Draw->onResize = [this] { FitViewport(); };
  Draw->onMouseMove = [this](int x, int y, Qt::MouseButtons buttons) { MouseMove(x, y, buttons); };
  // A press acts on the volume under it even when no move reported that volume first.
  Draw->onMouseDown = [this](Qt::MouseButton button, int x, int y) {
    MouseMove(x, y, Qt::NoButton);
    MouseDown(button);
  };
  Legend->ColorScale->onPaint = [this](QPainter& painter) { PaintScale(painter); };
  connect(Legend->EquationBtn, &QPushButton::clicked, this, &THeatForm::EquationBtnClick);
  connect(Draw, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    // A right-click with the paint tool picks up a material; in the What-is-this mode it
    // asked for help.
    if (physicalPropDlg->Painting() || contextHelpMode)
      return;
    PrepareDrawMenu(at.x(), at.y())->popup(Draw->mapToGlobal(at));
  });
  connect(WatchItem, &QAction::triggered, this,
          [this](bool checked) { WatchVolume(menuVolume, checked); });
  connect(EquationItem, &QAction::triggered, this, [this] { ShowEquation(menuVolume); });
  connect(Legend->TabSet, &QTabBar::currentChanged, this, [this] { UpdateReadouts(); });
  connect(Timer, &QTimer::timeout, this, &THeatForm::TimerTimer);
}

void THeatForm::UpdateRecentMenu() {
  RecentProblemsMenu->clear();
  for (int k = 0; k < recentProblems.size(); ++k) {
    const QString fileName = recentProblems[k];
    QAction* item = RecentProblemsMenu->addAction(
        QString("&%1 %2").arg(k + 1).arg(QFileInfo(fileName).fileName()));
    item->setStatusTip(fileName);
    connect(item, &QAction::triggered, this, [this, fileName] { OpenRecentClick(fileName); });
  }
  RecentProblemsMenu->setEnabled(!recentProblems.isEmpty());
}

void THeatForm::UpdateEditItems() {
  const QUndoStack& history = model->History();
  const bool free = !runWindowOpen && model->MayChange();
  const struct {
    QAction* item;
    QToolButton* button;
    bool can;
    QString step;
    QString verb;
    QString meaning;
    QString idle;
  } commands[] = {
      {UndoItem, UndoBtn, free && history.canUndo(), history.undoText(), "Undo",
       "Take back the last change to the problem", "Nothing to undo"},
      {RedoItem, RedoBtn, free && history.canRedo(), history.redoText(), "Redo",
       "Make again the change last taken back", "Nothing to redo"},
  };
  for (const auto& c : commands) {
    QString text = '&' + c.verb;
    QString hint = c.verb + '|';
    if (c.can) {
      // A file name in a step's name may hold an ampersand, which is no accelerator.
      text += ' ' + QString(c.step).replace('&', QLatin1String("&&"));
      hint = c.verb + ' ' + c.step + '|' + c.meaning + ": " + c.step;
    } else {
      hint += runWindowOpen ? QStringLiteral("Not while the Simulation window is open") : c.idle;
    }
    c.item->setText(text);
    c.item->setEnabled(c.can);
    SetHint(c.item, hint);
    c.button->setEnabled(c.can);
    SetHint(c.button, hint);
  }
  // The caption marks unsaved changes, and loses the mark when they are undone or saved.
  setWindowTitle(model->IsClean() ? QStringLiteral("Calorivectrix v1.1")
                                  : QStringLiteral("Calorivectrix v1.1*"));
}

void THeatForm::UpdateExportItems() {
  ExportDataItem->setEnabled(manager != nullptr);
}
