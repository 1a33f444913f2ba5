// Drives the real program through the states worth looking at and saves a picture of each,
// so anyone can regenerate what the README and the reviews show.
//
//   tools/screenshots [output folder]      (runs this under xvfb-run)
//   ... calorivectrix_screenshots folder study   only the references and the refinement study

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWhatsThis>
#include <algorithm>
#include <cmath>
#include <cstdio>

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
#include "gui/dialogs/timestepadvisor.h"
#include "gui/document/problemfile.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/widgets.h"
#include "sim/geometry.h"

namespace {

QString outDir;

void Shot(QWidget& window, const QString& name) {
  for (int k = 0; k < 5; ++k) {
    QCoreApplication::processEvents();
    QTest::qWait(20);
  }
  // The window as the screen shows it, with whatever is on top of it.
  QScreen* screen = window.screen();
  const QRect frame = window.frameGeometry();
  QPixmap picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (picture.isNull())
    picture = window.grab();
  const QString path = outDir + "/" + name + ".png";
  picture.save(path);
  std::printf("%s\n", qPrintable(path));
}

NumVector<int>* EveryStep(int step, int last) {
  auto* marks = new NumVector<int>(last / step + 1);
  for (int k = 0; k < marks->N(); ++k)
    (*marks)[k] = k * step;
  (*marks)[marks->N() - 1] = last;
  return marks;
}

QPushButton* Button(QWidget& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(name);
  if (!button) {
    std::fprintf(stderr, "no button %s\n", name);
    std::exit(1);
  }
  return button;
}

void Type(QWidget& dialog, const char* name, const QString& text) {
  auto* edit = dialog.findChild<QLineEdit*>(name);
  if (!edit) {
    std::fprintf(stderr, "no field %s\n", name);
    std::exit(1);
  }
  edit->setText(text);
}

void RunToTheEnd(TProcessDlg& dialog) {
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
}

// The dialogs that set up a run, every page of them, and runs on the wizard's other grids.
void ShootSettingsDialogs(THeatForm& form, TProcessDlg& process) {
  form.resize(760, 520);
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 20);
  TGeometryDlg& geometry = *form.geometryDlg;
  geometry.move(60, 60);
  geometry.show();
  Shot(geometry, "20-geometry-default");
  Button(geometry, "Next")->click();
  Shot(geometry, "21-geometry-cartesian");
  Button(geometry, "Back")->click();
  geometry.Polar->click();
  Button(geometry, "Next")->click();
  Shot(geometry, "22-geometry-polar");
  Button(geometry, "Back")->click();
  geometry.Mixed->click();
  Button(geometry, "Next")->click();
  Shot(geometry, "23-geometry-mixed");
  Button(geometry, "Back")->click();
  geometry.hide();

  TParametersDlg& parameters = *form.parametersDlg;
  parameters.move(60, 60);
  parameters.show();
  Shot(parameters, "24-parameters");
  parameters.Mode->setCurrentIndex(1);
  Shot(parameters, "24b-parameters-steady");
  parameters.hide();
  TInitialTempDlg& initial = *form.initialTempDlg;
  initial.move(60, 60);
  initial.show();
  Shot(initial, "25-initial-temperature");
  initial.hide();

  TTimeDlg& times = *form.timeDlg;
  times.move(60, 60);
  times.show();
  Type(times, "LSamples", "11");
  Button(times, "LinSetBtn")->click();
  Shot(times, "26-times-linear");
  times.Page->setCurrentIndex(1);
  Type(times, "ESamples", "20");
  Button(times, "ExpSetBtn")->click();
  Shot(times, "27-times-exponential");
  times.Page->setCurrentIndex(2);
  Type(times, "CTSteps", "25");
  Shot(times, "28-times-custom");
  times.hide();

  // A sector, then a 20 x 60 mixed grid with 50 exponential times, each run to the end.
  geometry.show();
  geometry.Polar->click();
  Button(geometry, "Next")->click();
  Type(geometry, "pAngle", "90");
  Type(geometry, "pNJ", "30");
  Button(geometry, "Next")->click();
  // Long steps: a sector 10 m across takes days to warm through.
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 2000);
  RunToTheEnd(process);
  Shot(form, "29-sector-temperature");

  geometry.show();
  geometry.Mixed->click();
  Button(geometry, "Next")->click();
  Type(geometry, "mNI", "20");
  Type(geometry, "mNJ", "60");
  Button(geometry, "Next")->click();
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 1);
  times.show();
  times.Page->setCurrentIndex(1);
  Type(times, "ESamples", "50");
  Button(times, "ExpSetBtn")->click();
  Button(times, "OKBtn")->click();
  RunToTheEnd(process);
  Shot(form, "30-mixed-temperature");

  // The example grids, each run to its end.
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 200);
  int shot = 31;
  for (const char* name : {"lshape", "parallelogram", "graded", "tapered-fin"}) {
    if (!form.OpenGeometry(QString("resources/grids/%1.sdf").arg(name))) {
      std::fprintf(stderr, "cannot open the example grid %s\n", name);
      std::exit(1);
    }
    RunToTheEnd(process);
    Shot(form, QString("%1-grid-%2").arg(shot++).arg(name));
  }

  // The last grid's steady state in one solve: the run window, and the field it leaves.
  form.runMode = RunMode::Steady;
  process.show();
  process.FormShow();
  Button(process, "Run")->click();
  Shot(process, "35-steady-run-dialog");
  Button(process, "Finish")->click();
  const bool legendShown = form.Legend->isVisible();
  if (!legendShown)
    form.LegendBtn->click();
  form.MouseMove(form.Draw->width() / 2, form.Draw->height() / 2, Qt::NoButton);
  Shot(form, "36-steady-field");
  if (!legendShown)
    form.LegendBtn->click();
  // West insulated: the steady field is uniform, nothing flows, and the check passes it.
  form.westFace->Insert(Segment{0, 1, new FFlux(form.functionList[0].get())});
  process.show();
  process.FormShow();
  Button(process, "Run")->click();
  Shot(process, "37-steady-nothing-flows");
  Button(process, "Finish")->click();
  // East insulated as well: nothing holds the temperature, and the run says so.
  form.eastFace->Insert(Segment{0, 1, new FFlux(form.functionList[0].get())});
  process.show();
  process.FormShow();
  Button(process, "Run")->click();
  Shot(process, "38-steady-refused");
  Button(process, "Finish")->click();
  form.westFace->Insert(Segment{0, 1, new FTemperature(form.functionList[0].get())});
  form.eastFace->Insert(Segment{0, 1, new FTemperature(form.functionList[1].get())});
  form.runMode = RunMode::Transient;
}

// The screen round several windows at once, as a student sees them side by side.
void ShotAround(std::initializer_list<QWidget*> windows, const QString& name) {
  for (int k = 0; k < 5; ++k) {
    QCoreApplication::processEvents();
    QTest::qWait(20);
  }
  QRect area;
  for (QWidget* w : windows)
    area |= w->frameGeometry();
  QScreen* screen = (*windows.begin())->screen();
  const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const QString path = outDir + "/" + name + ".png";
  picture.save(path);
  std::printf("%s\n", qPrintable(path));
}

// The report of the shown snapshot (as built, edited, printed) and the profile window in
// its four combinations beside the main window.
void ResultWindows(THeatForm& form) {
  form.ShowSnapshot(3);
  form.OutputsItem->trigger();
  TOutputsDlg& outputs = *form.outputsDlg;
  outputs.setGeometry(40, 60, 900, 560);
  Shot(outputs, "07a-outputs-report");
  QTextCursor cursor = outputs.Editor->textCursor();
  cursor.movePosition(QTextCursor::Start);
  cursor.movePosition(QTextCursor::Down, QTextCursor::MoveAnchor, 2);
  outputs.Editor->setTextCursor(cursor);
  QTest::keyClicks(outputs.Editor, "Lab 3, group B: the bar after 75 steps {dt = 20 s}");
  QTest::keyClick(outputs.Editor, Qt::Key_Return);
  Shot(outputs, "07b-outputs-edited");
  outputs.askPrinter = [](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(outDir + "/07c-outputs-printed.pdf");
    return true;
  };
  outputs.PrintBtn->click();
  std::printf("%s\n", qPrintable(outDir + "/07c-outputs-printed.pdf"));
  outputs.close();

  form.DynamicPlotsItem->trigger();
  TGraphicDlg& plots = *form.graphicDlg;
  plots.move(form.frameGeometry().right() + 8, form.y());
  plots.WEBar->setValue(6);
  plots.NSBar->setValue(3);
  Shot(plots, "07d-profile-only");
  ShotAround({&form, &plots}, "07e-profile-temperature-we");
  plots.SNBtn->click();
  ShotAround({&form, &plots}, "07f-profile-temperature-sn");
  form.HeatFluxVectorsItem->trigger();
  ShotAround({&form, &plots}, "07g-profile-flux-sn");
  plots.WEBtn->click();
  ShotAround({&form, &plots}, "07h-profile-flux-we");
  form.HeatFluxVectorsItem->trigger();
  plots.close();
}

// The editors on a fresh default problem: materials typed, picked and painted, and a side
// split into three segments, with the segment and function dialogs on their way.
// The Edit menu after a stroke of the paint tool and after a segment, each naming its step,
// and after undoing both.
void UndoShots() {
  THeatForm form;
  form.move(20, 20);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form))
    std::exit(1);
  const auto showEditMenu = [&form] {
    QMenu* edit = form.menuBar()->findChild<QMenu*>("EditMenu");
    edit->popup(form.menuBar()->mapToGlobal(
        form.menuBar()->actionGeometry(edit->menuAction()).bottomLeft()));
    QTest::qWait(100);
    return edit;
  };

  TPhysicalPropDlg& props = *form.physicalPropDlg;
  form.PhyPropBtn->click();
  props.move(form.frameGeometry().right() + 12, 20);
  props.MoreBtn->click();
  props.DatabaseGrid->selectRow(17);
  props.DatabaseGridDblClick();
  // A stripe down the middle, in one drag.
  QImage probe(1, 1, QImage::Format_RGB32);
  Surface surface(&probe);
  RCanvas canvas(surface, form.viewport, form.boundsMin, form.boundsMax, 4);
  const QPoint top(canvas.MapX(0.55), canvas.MapY(0.98));
  const QPoint bottom(canvas.MapX(0.55), canvas.MapY(0.02));
  QTest::mouseMove(form.Draw, top);
  QTest::mousePress(form.Draw, Qt::LeftButton, {}, top);
  for (int y = top.y(); y <= bottom.y(); ++y)
    QTest::mouseMove(form.Draw, QPoint(top.x(), y));
  QTest::mouseRelease(form.Draw, Qt::LeftButton, {}, bottom);
  props.close();
  Shot(form, "c0a-undo-on-the-tool-bar");
  QMenu* edit = showEditMenu();
  Shot(form, "c0-edit-menu-after-stroke");
  edit->close();

  // A convective segment on North through the editor's model.
  form.BoundsItem->trigger();
  form.BConditionsBtn->click();
  TBoundaryDlg& editor = *form.boundaryDlg;
  editor.move(form.frameGeometry().right() + 12, 20);
  form.Model().AddSegment(
      Side::North, 0.3, 0.7,
      std::make_unique<FConvection>(form.functionList[1].get(), form.functionList[0].get()));
  form.activateWindow();
  edit = showEditMenu();
  ShotAround({&form, &editor}, "c1-edit-menu-after-segment");
  edit->close();
  form.UndoItem->trigger();
  form.UndoItem->trigger();
  edit = showEditMenu();
  ShotAround({&form, &editor}, "c2-edit-menu-after-two-undos");
  edit->close();
  editor.close();
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
  form.close();
  messages::SetAnswerer(nullptr);
}

void EditingShots() {
  THeatForm form;
  form.move(20, 20);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form))
    std::exit(1);

  TPhysicalPropDlg& props = *form.physicalPropDlg;
  form.PhyPropBtn->click();
  props.move(form.frameGeometry().right() + 12, 20);
  Shot(props, "50-properties-narrow");
  props.MoreBtn->click();
  props.DatabaseGrid->selectRow(17);
  props.DatabaseGridDblClick();
  Shot(props, "51-properties-wide-copper");

  // A copper diagonal and a heat source, painted with the mouse.
  form.LegendBtn->click();
  QTest::qWait(100);  // the drawing area refits itself to the room the legend leaves
  QImage probe(1, 1, QImage::Format_RGB32);
  Surface surface(&probe);
  RCanvas canvas(surface, form.viewport, form.boundsMin, form.boundsMax, 4);
  for (int k = 0; k < 10; ++k) {
    const QPoint p(canvas.MapX(0.05 + 0.1 * k), canvas.MapY(0.05 + 0.1 * k));
    QTest::mouseMove(form.Draw, p);
    QTest::mouseClick(form.Draw, Qt::LeftButton, {}, p);
  }
  Type(props, "HeatGen", "1000");
  const QPoint source(canvas.MapX(0.75), canvas.MapY(0.25));
  QTest::mouseMove(form.Draw, source);
  QTest::mouseClick(form.Draw, Qt::LeftButton, {}, source);
  Type(props, "HeatGen", "0");
  QTest::mouseMove(form.Draw, QPoint(canvas.MapX(0.75), canvas.MapY(0.25)));
  ShotAround({&form, &props}, "52-painted-media");
  props.close();
  form.LegendBtn->click();

  // North split in three, the editor over the Bounds view.
  form.BoundsItem->trigger();
  form.BConditionsBtn->click();
  TBoundaryDlg& editor = *form.boundaryDlg;
  editor.move(form.frameGeometry().right() + 12, 20);
  TSegmentDlg& segment = *form.segmentDlg;
  QTimer::singleShot(0, &segment, [&] {
    segment.CBType->setCurrentIndex(2);
    Type(segment, "Start", "0.2");
    Type(segment, "End", "0.4");
    segment.CBF0->setCurrentIndex(1);
    segment.move(editor.frameGeometry().left(), editor.frameGeometry().bottom() + 12);
    Shot(segment, "53-segment-temperature");
    segment.OkBtn->click();
  });
  editor.AddBtn->click();
  ShotAround({&form, &editor}, "54-boundary-north-split");

  TFunctionDlg& function = *form.functionDlg;
  function.move(editor.frameGeometry().left(), editor.frameGeometry().bottom() + 12);
  QTimer::singleShot(0, &segment, [&] {
    segment.move(editor.frameGeometry().left(), editor.frameGeometry().bottom() + 12);
    segment.CBType->setCurrentIndex(0);
    segment.CBF1->setCurrentIndex(segment.CBF1->count() - 1);
    QTimer::singleShot(0, &function, [&] {
      function.CBType->setCurrentIndex(2);
      Type(function, "SinA", "20");
      Type(function, "SinB", "-5");
      Type(function, "SinC", "9");
      Shot(function, "55-function-sine");
      function.CBType->setCurrentIndex(1);
      Type(function, "LinA", "2");
      Type(function, "LinB", "-1");
      Shot(function, "56-function-linear");
      function.OkBtn->click();
    });
    segment.FunctionChosen(segment.CBF1);
    Shot(segment, "57-segment-convection-custom");
    segment.CancelBtn->click();
  });
  editor.AddBtn->click();

  // What the README's example ends with: the copper diagonal, a cooled North side, a run.
  QTimer::singleShot(0, &segment, [&] {
    segment.CBType->setCurrentIndex(0);
    Type(segment, "Start", "0");
    Type(segment, "End", "1");
    segment.CBF1->setCurrentIndex(0);
    QTimer::singleShot(0, &function, [&] {
      function.CBType->setCurrentIndex(0);
      Type(function, "ConstK", "1000");
      function.OkBtn->click();
    });
    segment.CBF0->setCurrentIndex(segment.CBF0->count() - 1);
    segment.FunctionChosen(segment.CBF0);
    segment.OkBtn->click();
  });
  editor.AddBtn->click();
  ShotAround({&form, &editor}, "58-north-convection");
  editor.close();
  RunToTheEnd(*form.processDlg);
  form.LegendBtn->click();
  Shot(form, "59-copper-diagonal-cooled-north");
  form.close();
}

// The problem as a document: the File menu with its examples, an example opened and run,
// and the picture Export Picture writes. The problem is not saved at the end.
void ShootDocument(THeatForm& form, TProcessDlg& dialog) {
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
  form.resize(760, 520);
  form.LegendBtn->setChecked(false);
  form.LegendBtnClick();
  QMenu* file = form.menuBar()->findChild<QMenu*>("FileMenu");
  file->popup(
      form.menuBar()->mapToGlobal(form.menuBar()->actionGeometry(file->menuAction()).bottomLeft()));
  QTest::qWait(100);
  form.ExamplesMenu->popup(
      file->mapToGlobal(file->actionGeometry(form.ExamplesMenu->menuAction()).topRight()));
  Shot(form, "60-file-menu-examples");
  form.ExamplesMenu->close();
  file->close();
  form.findChild<QAction*>("PaintedCompositeExample")->trigger();
  Shot(form, "61-example-opened");
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
  form.IsothermsItem->trigger();
  Shot(form, "62-example-run");
  form.ExportPicture(outDir + "/63-exported-picture.png");
  std::printf("%s\n", qPrintable(outDir + "/63-exported-picture.png"));
}

// Looking inside the numbers: Tutorial 1 with three watched volumes and its time history
// during and after the run, a volume watched afterwards, the equation of a volume of the
// fin, and the parameters dialog's advice.
void ShootInsight(THeatForm& form, TProcessDlg& dialog) {
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
  form.resize(600, 480);
  form.move(10, 20);
  form.findChild<QAction*>("SlabTutorialExample")->trigger();
  for (int i : {0, 9, 19})
    form.WatchVolume(VolumeIndex{i, 0}, true);
  form.TimeHistoryItem->trigger();
  TTimeHistoryDlg& history = *form.historyDlg;
  history.resize(640, 520);
  history.move(form.frameGeometry().right() + 8, form.y());
  ShotAround({&form, &history}, "a0-tutorial1-watched");
  dialog.move(form.x() + 20, form.y() + 260);
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  // The window reads a run still in the run window a few times a second.
  QTest::qWait(400);
  ShotAround({&form, &history, &dialog}, "a1-time-history-run-window-open");
  Button(dialog, "Finish")->click();
  form.LegendBtn->setChecked(true);
  form.LegendBtnClick();
  form.Legend->ShowPage(1);
  form.ShowSnapshot(2);
  form.MouseMove(form.Draw->width() / 10, form.Draw->height() / 2, Qt::NoButton);
  ShotAround({&form, &history}, "a2-time-history-at-200s");
  form.WatchVolume(VolumeIndex{4, 1}, true);
  Shot(history, "a3-time-history-watched-after-run");
  history.close();

  form.findChild<QAction*>("FinTutorialExample")->trigger();
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
  const QPoint at = form.VolumePixel(VolumeIndex{0, 3});
  QMenu* menu = form.PrepareDrawMenu(at.x(), at.y());
  menu->popup(form.Draw->mapToGlobal(at));
  Shot(form, "a4-fin-context-menu");
  menu->close();
  form.ShowEquation(VolumeIndex{0, 3});
  TVolumeEquationDlg& equation = *form.equationDlg;
  equation.move(40, 60);
  Shot(equation, "a5-fin-volume-equation");
  form.ShowEquation(VolumeIndex{10, 1});
  Shot(equation, "a6-fin-volume-equation-inner");
  equation.close();

  // A steady run of the default problem: its history is the start and the steady field.
  form.NewProblem();
  form.runMode = RunMode::Steady;
  form.WatchVolume(VolumeIndex{2, 5}, true);
  form.WatchVolume(VolumeIndex{7, 5}, true);
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
  form.TimeHistoryItem->trigger();
  ShotAround({&form, &history}, "aa-steady-time-history");
  history.close();
  form.ShowEquation(VolumeIndex{7, 5});
  Shot(equation, "ab-steady-volume-equation");
  equation.close();

  form.NewProblem();
  TParametersDlg& parameters = *form.parametersDlg;
  parameters.move(60, 60);
  parameters.show();
  Shot(parameters, "a7-parameters-advice-default");
  Type(parameters, "Dt", "1e6");
  Shot(parameters, "a8-parameters-advice-step-too-long");
  Type(parameters, "Dt", "2");
  Shot(parameters, "a9-parameters-advice-run-too-short");
  parameters.reject();
}

// The message box the command about to run shows: photographed, then closed with `button`.
void ShotOfBox(const QString& name, QMessageBox::StandardButton button) {
  QTimer::singleShot(300, [name, button] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
      return;
    Shot(*box, name);
    box->button(button)->click();
  });
}

// What the program refuses, or asks about, before anything is lost: a run whose snapshots
// would not fit in the memory, a file that is not a grid, notes typed into the report.
void ShootRefusals(THeatForm& form, TProcessDlg& dialog) {
  messages::SetAnswerer(nullptr);
  form.SetMedia(std::make_unique<CartesianMedia>(1, 1, 500, 500, DefaultMaterial()));
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 20);
  form.SetMarks(std::unique_ptr<NumVector<int>>(EveryStep(1, 1000)));
  dialog.show();
  dialog.FormShow();
  dialog.machineMemory = [] { return uint64_t{24} << 30; };
  ShotOfBox("70-run-memory-question", QMessageBox::No);
  Button(dialog, "Run")->click();
  dialog.machineMemory = [] { return uint64_t{8} << 30; };
  ShotOfBox("71-run-memory-refused", QMessageBox::Ok);
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
  dialog.machineMemory = nullptr;

  const QString problem = outDir + "/not-a-grid.cvx";
  problemfile::Save(form, problem, nullptr);
  form.askGridFileName = [problem] { return problem; };
  ShotOfBox("72-open-geometry-not-a-grid", QMessageBox::Ok);
  form.OpenGeometryItem->trigger();
  QFile::remove(problem);

  form.SetMedia(std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial()));
  form.SetMarks(std::unique_ptr<NumVector<int>>(EveryStep(100, 1000)));
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Button(dialog, "Finish")->click();
  form.OutputsItem->trigger();
  TOutputsDlg& outputs = *form.outputsDlg;
  QTest::keyClicks(outputs.Editor, "Group B: the bar settles after 300 steps. ");
  ShotOfBox("73-report-question-before-new", QMessageBox::Cancel);
  form.NewProblemItem->trigger();
  outputs.close();
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
}

// The exact references beside the profiles, and the refinement study: Tutorial 1's series
// beside the slab's profile, and Tutorial 4's study on three and four levels.
void ShootReferenceAndStudy(THeatForm& form, TProcessDlg& dialog) {
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
  form.resize(760, 520);
  form.OpenExample(":/examples/tutorial-1-slab.cvx");
  RunToTheEnd(dialog);
  form.TemperatureFieldItem->trigger();
  form.ShowSnapshot(2);
  TGraphicDlg& profile = *form.graphicDlg;
  profile.move(form.frameGeometry().right() + 12, 40);
  form.DynamicPlotsItem->trigger();
  Shot(profile, "80-profile-reference-slab-200s");
  form.ShowSnapshot(6);
  Shot(profile, "81-profile-reference-slab-600s");
  form.HeatFluxVectorsItem->trigger();
  profile.SNBtn->click();
  profile.WEBar->setValue(profile.WEBar->maximum());
  Shot(profile, "82-profile-reference-slab-east-flux");
  form.HeatFluxVectorsItem->trigger();
  profile.close();

  form.OpenExample(":/examples/tutorial-4-shape-factor.cvx");
  TRefinementDlg& study = *form.refinementDlg;
  study.move(40, 40);
  form.findChild<QAction*>("RefinementStudyItem")->trigger();
  Shot(study, "83-study-ready");
  study.RunClick();
  QTest::qWait(300);
  Shot(study, "84-study-running");
  while (study.Running())
    QTest::qWait(100);
  study.Table->selectRow(study::HeatEast);
  Shot(study, "85-study-tutorial-4");
  study.PlotMode->setCurrentIndex(1);
  Shot(study, "86-study-tutorial-4-distance");
  study.PlotMode->setCurrentIndex(0);
  study.LevelsEdit->setValue(4);
  study.RunClick();
  while (study.Running())
    QTest::qWait(100);
  study.Table->selectRow(study::HeatEast);
  Shot(study, "87-study-tutorial-4-four-levels");
  study.PlotMode->setCurrentIndex(1);
  Shot(study, "88-study-tutorial-4-four-levels-distance");
  study.Table->selectRow(study::ProbeTemperature);
  study.PlotMode->setCurrentIndex(0);
  Shot(study, "89-study-tutorial-4-probe");
  study.close();
}

// Where students got stuck, and what the windows say now: a run that ends still changing,
// the picture that keeps its scale, the paint tool turned off by a field, segment ends on
// their sides, the boundary table with a whole condition in its tooltip, and the wizard
// saying why Finish is greyed.
void StumbleShots() {
  // The problems made here are not kept.
  messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
  THeatForm form;
  form.move(20, 20);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form))
    std::exit(1);

  // A composite wall, brick beside hardwood, run with the default 1000 steps of 20 s.
  form.SetMedia(std::make_unique<CartesianMedia>(0.2, 0.1, 20, 2, DefaultMaterial()));
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 2; ++j) {
      form.media->volume(i, j) =
          i < 10 ? VolumeProperties{0.72, 1920, 835, 0} : VolumeProperties{0.16, 720, 1255, 0};
    }
  }
  form.functionList.push_back(std::make_unique<FConstant>(50));
  form.westFace->Insert(Segment{0, 1, new FTemperature(form.functionList.back().get())});
  form.eastFace->Insert(Segment{0, 1, new FTemperature(form.functionList[0].get())});
  TProcessDlg& dialog = *form.processDlg;
  dialog.move(form.frameGeometry().right() + 12, 20);
  dialog.show();
  dialog.FormShow();
  Button(dialog, "Run")->click();
  Shot(dialog, "90-run-not-steady");
  Button(dialog, "Finish")->click();
  form.ExportPicture(outDir + "/91-exported-picture.png");
  std::printf("%s\n", qPrintable(outDir + "/91-exported-picture.png"));

  // The paint tool, turned off by a density typed through 0.
  form.PhyPropBtn->click();
  TPhysicalPropDlg& props = *form.physicalPropDlg;
  Type(props, "Density", "0");
  QTest::mouseMove(form.Draw, form.Draw->rect().center());
  ShotAround({&form, &props}, "92-paint-tool-off");
  props.close();

  // Segments on West and North, then the editor on North over the materials.
  form.SetMedia(std::make_unique<CartesianMedia>(1, 1, 10, 10, DefaultMaterial()));
  form.functionList.push_back(std::make_unique<FSin>(0, 1, 3.14159));
  form.westFace->Insert(Segment{
      0.35, 1, new FConvection(form.functionList[1].get(), form.functionList.back().get())});
  form.northFace->Insert(Segment{0.2, 0.6, new FTemperature(form.functionList[1].get())});
  form.BoundsItem->trigger();
  Shot(form, "93-segment-ends-bounds");
  form.MediaItem->trigger();
  TBoundaryDlg& editor = *form.boundaryDlg;
  form.BConditionsBtn->click();
  editor.Page->setCurrentIndex(3);
  editor.setGeometry(form.frameGeometry().right() + 12, 40, 560, 260);
  QCoreApplication::processEvents();
  QTableWidget* west = editor.WGrid;
  const QRect row = west->visualItemRect(west->item(1, 3));
  QToolTip::showText(west->viewport()->mapToGlobal(row.center()), west->item(1, 3)->toolTip(),
                     west->viewport());
  ShotAround({&form, &editor}, "94-boundary-tooltip-segment-ends");
  QToolTip::hideText();
  editor.close();

  // The wizard on the mixed page with too few volumes around the hole.
  TGeometryDlg& geometry = *form.geometryDlg;
  geometry.move(60, 60);
  geometry.show();
  geometry.Mixed->click();
  Button(geometry, "Next")->click();
  Type(geometry, "mNJ", "3");
  Shot(geometry, "95-wizard-says-why");
  geometry.close();
  form.close();
}

}  // namespace

// The help window on a tutorial, its index and contents, popups, and the About box.
void ShootHelpAndAbout(THeatForm& form) {
  HelpViewer& help = HelpViewer::Instance();
  help.ShowTopic(730);
  QWidget* window = help.Window();
  window->move(40, 30);
  Shot(*window, "60-help-tutorial");
  help.ShowTopic(topic::kProblemFiles);
  Shot(*window, "66-help-problem-files");
  help.ShowIndex();
  QTest::keyClicks(window->findChild<QLineEdit*>("HelpIndexKey"), "toler");
  Shot(*window, "61-help-index");
  help.ShowContents();
  Shot(*window, "62-help-contents");
  help.Close();
  QCursor::setPos(form.geometry().center());
  help.ShowPopup(1900);
  Shot(form, "63-help-popup");
  QWhatsThis::hideText();
  TAboutBox& box = *form.aboutBox;
  QTimer::singleShot(300, &box, [&box] {
    box.move(100, 100);
    Shot(box, "64-about-narrow");
    box.Credits->click();
    Shot(box, "65-about-wide");
    box.OKButton->click();
  });
  box.ShowDialog();
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  outDir = argc > 1 ? QString(argv[1]) : QString("screenshots");
  QDir().mkpath(outDir);
  HelpViewer::Instance().SetHelpFile("Help/heat.hlp");
  // "stumbles" alone: the pictures of what students got stuck on.
  if (argc > 2 && QString(argv[2]) == "stumbles") {
    StumbleShots();
    return 0;
  }
  // "undo" alone: the Edit menu.
  if (argc > 2 && QString(argv[2]) == "undo") {
    UndoShots();
    return 0;
  }

  TAboutBox::ShowSplash();
  THeatForm form;
  form.move(20, 20);
  form.show();
  TAboutBox::RaiseSplash();
  if (!QTest::qWaitForWindowExposed(&form))
    return 1;
  if (TAboutBox* splash = TAboutBox::Splash()) {
    splash->move(form.geometry().center() - splash->rect().center());
    Shot(form, "00-splash-over-start");
    splash->OKClick();
  }
  // "screenshots folder study" shoots only the references and the refinement study.
  if (argc > 2 && QString(argv[2]) == "study") {
    ShootReferenceAndStudy(form, *form.processDlg);
    form.close();
    return 0;
  }
  const QSize startSize = form.size();
  Shot(form, "01-media");
  form.BoundsItem->trigger();
  Shot(form, "02-bounds");
  ShootHelpAndAbout(form);

  // A run through the dialog, with the animation times every 25 steps.
  form.SetMarks(std::unique_ptr<NumVector<int>>(EveryStep(25, form.maxIterTime)));
  TProcessDlg& dialog = *form.processDlg;
  dialog.move(660, 40);
  dialog.show();
  dialog.FormShow();
  Shot(dialog, "03-run-dialog-ready");
  Button(dialog, "Run")->click();
  Shot(dialog, "04-run-dialog-finished");
  Button(dialog, "Finish")->click();

  form.LegendBtn->click();
  form.Legend->ShowPage(1);
  form.HeatFluxVectorsItem->trigger();
  form.VectorSize->setValue(8);
  form.AlphaNorm->click();
  form.MouseMove(form.Draw->width() / 2, form.Draw->height() / 2, Qt::NoButton);
  Shot(form, "05-temperature-vectors");
  form.IsothermsItem->trigger();
  Shot(form, "06-isotherms");
  form.HeatFluxVectorsItem->trigger();
  form.TemperatureFieldItem->trigger();
  form.FirstFrameBtn->click();
  form.PlayBtn->click();
  QTest::qWait(450);
  Shot(form, "07-mid-animation");
  form.PauseBtn->click();
  ResultWindows(form);

  // A larger grid so the dialog can be seen while it runs.
  form.SetMedia(std::make_unique<CartesianMedia>(1, 1, 100, 100, DefaultMaterial()));
  form.SetParameters(1e-7, 1e-6, 2000, 10000, 2);
  form.SetMarks(std::unique_ptr<NumVector<int>>(EveryStep(100, 2000)));
  dialog.show();
  dialog.FormShow();
  QTimer::singleShot(800, &dialog, [&] { Shot(dialog, "08-run-dialog-running"); });
  QTimer::singleShot(1200, &dialog, [&] { Button(dialog, "Pause")->click(); });
  Button(dialog, "Run")->click();
  Shot(dialog, "09-run-dialog-paused");
  Button(dialog, "Finish")->click();
  Shot(form, "10-after-pause");

  // The smallest window a student can make, with the legend's fuller page showing.
  form.Legend->ShowPage(0);
  form.resize(360, 260);
  Shot(form, "11-small-window-media-legend");
  form.Legend->ShowPage(1);
  Shot(form, "12-small-window-fields-legend");
  form.resize(1000, 800);
  Shot(form, "13-large-window");

  ShootSettingsDialogs(form, dialog);

  // The finest grid the reader accepts, 500 x 500 volumes round a hole, with a field given
  // in closed form (solving it by sweeps would take minutes) and a square of another
  // material that generates heat: each view as a student would see it.
  form.resize(startSize);
  form.SetMedia(std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, 500, 500, DefaultMaterial()));
  Media& fine = *form.media;
  NumMatrix<double> field(fine.ni, fine.nj);
  for (int i = 0; i < fine.ni; ++i) {
    for (int j = 0; j < fine.nj; ++j) {
      // 0 on the hole and 1 on the outer sides, as the default conditions hold them.
      const Point c = GeometryOf(fine, i, j).centre;
      const double t = std::clamp((std::hypot(c.x, c.y - 0.5) - 0.25) / 0.25, 0.0, 1.0);
      field[i][j] = (1 - 4 * (1 - c.x) * c.y * (1 - c.y)) * t * t * (3 - 2 * t);
      if (std::abs(c.x - 0.7) < 0.1 && std::abs(c.y - 0.3) < 0.1)
        fine.volume(i, j) = VolumeProperties{50, 7800, 460, 1e5};
    }
  }
  auto* results = new SimManager(&fine, form.northFace.get(), form.southFace.get(),
                                 form.eastFace.get(), form.westFace.get(), 1e-6, 1e-6, 1, 1, 1,
                                 field, nullptr, nullptr, form._marks.get());
  results->ReleaseSimulator();
  form.MediaItem->trigger();
  Shot(form, "40-fine-media");
  form.SetManager(results);
  Shot(form, "41-fine-temperature");
  form.HeatFluxVectorsItem->trigger();
  Shot(form, "42-fine-temperature-vectors");
  form.IsothermsItem->trigger();
  Shot(form, "43-fine-isotherms-vectors");
  form.MediaItem->trigger();
  Shot(form, "44-fine-media-vectors");

  // The default problem refined to 200 x 200: the sweeps' steady state fails the convergence
  // check, the direct solver's passes.
  form.SetMedia(std::make_unique<CartesianMedia>(1, 1, 200, 200, DefaultMaterial()));
  form.SetParameters(1e-5, 1e-5, 1000, 10000, 20);
  for (SolverKind solver : {SolverKind::GaussSeidel, SolverKind::Direct}) {
    form.solver = solver;
    dialog.show();
    dialog.FormShow();
    Button(dialog, "Run")->click();
    Shot(dialog, solver == SolverKind::Direct ? "51-check-direct-200" : "50-check-warning-200");
    Button(dialog, "Finish")->click();
  }
  Shot(form, "52-direct-200-field");

  ShootDocument(form, dialog);
  ShootInsight(form, dialog);
  ShootRefusals(form, dialog);
  ShootReferenceAndStudy(form, dialog);
  form.close();

  EditingShots();
  UndoShots();
  StumbleShots();
  return 0;
}
