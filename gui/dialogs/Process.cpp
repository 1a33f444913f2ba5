#include "gui/dialogs/Process.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVariant>
#include <cmath>
#include <new>

#include "gui/dialogs/runmemory.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/machine.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/runverdict.h"
#include "sim/check.h"
#include "sim/ledger.h"
#include "sim/numeric.h"

namespace {

const QColor kErrorColour(255, 0, 0);
const QColor kToleranceColour(0, 0, 255);

// The graph plots errors on a logarithmic scale; the offset keeps an error of exactly zero
// (a steady field) on the graph.
float LogError(double e) {
  return numeric::SinglePrecision(std::log(e + 1e-20));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int helpTopic) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (helpTopic != 0)
    SetHelpTopic(button, helpTopic);
  return button;
}

// A group of caption / value rows, values right-aligned; returns the value labels in order.
std::vector<QLabel*> MakeRows(QGroupBox* group,
                              std::initializer_list<std::pair<const char*, const char*>> rows) {
  auto* layout = new QGridLayout(group);
  layout->setContentsMargins(8, 2, 8, 4);
  layout->setVerticalSpacing(0);
  std::vector<QLabel*> values;
  int row = 0;
  for (const auto& [caption, name] : rows) {
    layout->addWidget(new QLabel(QString::fromLatin1(caption), group), row, 0);
    auto* value = new QLabel(group);
    value->setObjectName(QString::fromLatin1(name));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(value, row, 1);
    values.push_back(value);
    ++row;
  }
  return values;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TPreviewDlg

TPreviewDlg::TPreviewDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("PreviewDlg"));
  setWindowTitle(QStringLiteral("Preview"));
  Return = new QPushButton(QStringLiteral("&Return"), this);
  Return->setObjectName(QStringLiteral("Return"));
  Return->setGeometry(8, 8, 75, 25);
  Return->setDefault(true);
  setFixedSize(91, 41);
  connect(Return, &QPushButton::clicked, this, &QDialog::accept);
}

// ---------------------------------------------------------------------------------------
// TProcessDlg: the form

TProcessDlg::TProcessDlg(RunTarget& runTarget, QWidget* parent)
    : QDialog(parent), target(runTarget), tolerance(50, 10, -1) {
  BuildForm();

  // FormCreate: the tolerance line, shown in every showing.
  tolerance.Add(0, 0);
  tolerance.Add(0, 0);
  Graph->AddSeries(&tolerance, QStringLiteral("Tolerance"), kToleranceColour, false);

  // A sibling of the dialog rather than its child: while it is up the dialog is hidden, and
  // a window should not hang from a hidden one. The dialog is created first, so it is
  // destroyed first and takes the preview window with it.
  previewWindow = std::make_unique<TPreviewDlg>(parent);

  connect(Run, &QPushButton::clicked, this, &TProcessDlg::RunClick);
  connect(Pause, &QPushButton::clicked, this, &TProcessDlg::PauseClick);
  connect(Finish, &QPushButton::clicked, this, &TProcessDlg::FinishClick);
  connect(Preview, &QPushButton::clicked, this, &TProcessDlg::PreviewClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TProcessDlg::HelpBtnClick);
}

TProcessDlg::~TProcessDlg() = default;

void TProcessDlg::BuildForm() {
  setObjectName(QStringLiteral("ProcessDlg"));
  setWindowTitle(QStringLiteral("Simulation"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  // The convergence check sits between the counters and the buttons.
  constexpr int checkHeight = 176;
  setFixedSize(546, 270 + checkHeight);
  InstallContextHelp(this, topic::kProcessDlg);

  auto* caption = new QLabel(QStringLiteral("Convergence Rate (error x time)"), this);
  caption->setGeometry(8, 4, 280, 16);
  Graph = new TGraphBox(this);
  Graph->setObjectName(QStringLiteral("Graph"));
  Graph->setGeometry(8, 22, 280, 206);
  SetHelpTopic(Graph, topic::kRunGraph);

  auto* timeGroup = new QGroupBox(QStringLiteral("Time"), this);
  SetHelpTopic(timeGroup, topic::kRunTime);
  timeGroup->setGeometry(296, 2, 242, 110);
  const std::vector<QLabel*> times = MakeRows(timeGroup, {{"Current Time (sec.)", "Time"},
                                                          {"Number of Time Steps", "TIterMax"},
                                                          {"Performed Time Steps", "TIter"},
                                                          {"Tolerance", "TTol"},
                                                          {"Error", "TError"}});
  Time = times[0];
  TIterMax = times[1];
  TIter = times[2];
  TTol = times[3];
  TError = times[4];

  auto* solverGroup = new QGroupBox(QStringLiteral("Solver"), this);
  SetHelpTopic(solverGroup, topic::kRunSolver);
  solverGroup->setGeometry(296, 114, 242, 92);
  const std::vector<QLabel*> solver = MakeRows(solverGroup, {{"Maximum Iterations", "SIterMax"},
                                                             {"Iteration", "SIter"},
                                                             {"Tolerance", "STol"},
                                                             {"Error", "SError"}});
  SIterMax = solver[0];
  SIter = solver[1];
  STol = solver[2];
  SError = solver[3];

  CKInitial = new QCheckBox(QStringLiteral("Restart using initial temperature"), this);
  CKInitial->setObjectName(QStringLiteral("CKInitial"));
  SetHelpTopic(CKInitial, topic::kRunRestart);
  CKInitial->setGeometry(300, 208, 238, 20);
  CKInitial->setChecked(true);

  Preview = MakeButton(this, "Preview", QStringLiteral("Pre&view"), topic::kRunPreview);
  Run = MakeButton(this, "Run", QStringLiteral("&Run"), topic::kRunRun);
  Pause = MakeButton(this, "Pause", QStringLiteral("&Pause"), topic::kRunPause);
  HelpBtn = MakeButton(this, "HelpBtn", QStringLiteral("&Help"), topic::kProcessDlg);
  Finish = MakeButton(this, "Finish", QStringLiteral("&Cancel"), 0);
  Run->setDefault(true);
  int x = 8;
  for (QPushButton* button : {Preview, Run, Pause, HelpBtn, Finish}) {
    button->setGeometry(x, 237 + checkHeight, 75, 25);
    x += 113;
  }
  setTabOrder(Preview, Run);
  setTabOrder(Run, Pause);
  setTabOrder(Pause, HelpBtn);
  setTabOrder(HelpBtn, Finish);
  setTabOrder(Finish, CKInitial);
  BuildCheckPanel();

  // Centred on the screen rather than over the main window; once placed, the dialog keeps
  // its place between showings.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TProcessDlg::BuildCheckPanel() {
  CheckGroup = new QGroupBox(QStringLiteral("Convergence Check (heat rates in W/m)"), this);
  CheckGroup->setObjectName(QStringLiteral("CheckGroup"));
  SetHelpTopic(CheckGroup, topic::kRunCheck);
  CheckGroup->setGeometry(8, 230, 530, 172);
  auto* grid = new QGridLayout(CheckGroup);
  grid->setContentsMargins(8, 2, 8, 4);
  grid->setVerticalSpacing(0);
  grid->setHorizontalSpacing(6);

  const auto value = [this](const QString& name) {
    auto* label = new QLabel(CheckGroup);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
  };
  const auto caption = [this](const char* text) {
    return new QLabel(QString::fromLatin1(text), CheckGroup);
  };
  const char* sides[4] = {"North", "South", "East", "West"};
  for (int k = 0; k < 4; ++k) {
    QLabel* head = caption(sides[k]);
    head->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(head, 0, k + 1);
    HeatIn[k] = value(QStringLiteral("In") + QLatin1String(sides[k]));
    HeatOut[k] = value(QStringLiteral("Out") + QLatin1String(sides[k]));
    grid->addWidget(HeatIn[k], 1, k + 1);
    grid->addWidget(HeatOut[k], 2, k + 1);
  }
  grid->addWidget(caption("Heat in"), 1, 0);
  grid->addWidget(caption("Heat out"), 2, 0);
  grid->setColumnMinimumWidth(5, 12);
  grid->addWidget(caption("Generated"), 1, 6);
  grid->addWidget(caption("Stored"), 2, 6);
  Generated = value(QStringLiteral("Generated"));
  Stored = value(QStringLiteral("Stored"));
  Stored->setToolTip(QStringLiteral("Rate of change of the stored energy over the last step"));
  grid->addWidget(Generated, 1, 7);
  grid->addWidget(Stored, 2, 7);
  grid->addWidget(caption("Imbalance"), 3, 0);
  Imbalance = value(QStringLiteral("Imbalance"));
  Imbalance->setToolTip(
      QStringLiteral("Heat in minus heat out plus generated minus stored, as a share of the "
                     "largest of them"));
  grid->addWidget(Imbalance, 3, 1);
  grid->addWidget(caption("Residual"), 3, 6);
  Residual = value(QStringLiteral("Residual"));
  Residual->setToolTip(
      QStringLiteral("What the volumes' equations leave unbalanced, summed, as a share of the "
                     "largest heat rate"));
  grid->addWidget(Residual, 3, 7);

  SteadyVerdict = new QLabel(CheckGroup);
  SteadyVerdict->setObjectName(QStringLiteral("SteadyVerdict"));
  SteadyVerdict->setWordWrap(true);
  SteadyVerdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SteadyVerdict->setMinimumHeight(2 * SteadyVerdict->fontMetrics().lineSpacing());
  grid->addWidget(SteadyVerdict, 4, 0, 1, 8);
  Verdict = new QLabel(CheckGroup);
  Verdict->setObjectName(QStringLiteral("Verdict"));
  Verdict->setWordWrap(true);
  Verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Verdict->setMinimumHeight(3 * Verdict->fontMetrics().lineSpacing());
  grid->addWidget(Verdict, 5, 0, 1, 8);
  grid->setRowStretch(5, 1);
}

// ---------------------------------------------------------------------------------------
// TProcessDlg: the convergence check

namespace {

void ShowSentence(QLabel* label, const QString& text, bool warning) {
  label->setText(text);
  label->setStyleSheet(warning ? QStringLiteral("color: rgb(192, 0, 0);") : QString());
}

}  // namespace

void TProcessDlg::SetVerdict(const QString& text, bool warning) {
  convergenceWarning = warning;
  ShowSentence(Verdict, text, warning);
}

void TProcessDlg::SetSteadyVerdict(const QString& text, bool warning) {
  steadyWarning = warning;
  ShowSentence(SteadyVerdict, text, warning);
}

void TProcessDlg::ClearCheck() {
  const QString none = QStringLiteral("(none)");
  for (int k = 0; k < 4; ++k) {
    HeatIn[k]->setText(none);
    HeatOut[k]->setText(none);
  }
  for (QLabel* label : {Generated, Stored, Imbalance, Residual})
    label->setText(none);
  SetSteadyVerdict(QString(), false);
  SetVerdict(QStringLiteral("The balance of heat is checked whenever a run stops."), false);
}

void TProcessDlg::ShowCheck(const EnergyLedger& ledger, SolverKind solver) {
  if (!ledger.valid) {
    ClearCheck();
    SetVerdict(ConvergenceVerdict(ledger, solver), false);
    return;
  }
  for (int k = 0; k < 4; ++k) {
    HeatIn[k]->setText(FormatExponent(ledger.in[k], 3));
    HeatOut[k]->setText(FormatExponent(ledger.out[k], 3));
  }
  Generated->setText(FormatExponent(ledger.generation, 3));
  Stored->setText(FormatExponent(ledger.storage, 3));
  Imbalance->setText(FormatGeneral(100 * ledger.ImbalanceFraction(), 3) + QStringLiteral(" %"));
  Residual->setText(FormatGeneral(100 * ledger.ResidualFraction(), 3) + QStringLiteral(" %"));
  SetVerdict(ConvergenceVerdict(ledger, solver), !ledger.Converged());
}

void TProcessDlg::CheckAfterRun(bool finished) {
  const Simulator* sim = manager != nullptr ? manager->Sim() : nullptr;
  if (sim == nullptr)
    return;
  const EnergyLedger ledger = LedgerOf(*sim);
  ShowCheck(ledger, sim->Solver());
  // A failed step says so over the check of the state before it.
  if (manager->Failure() != StepFailure::None) {
    SetVerdict(FailureText(manager->Failure(), sim->Iteration() + 1, sim->maxIterSpace), true);
    return;
  }
  // A run that has ended says, above the check of its equations, whether it got to a steady
  // state: balanced equations alone do not make a transient steady.
  if (!finished || sim->Iteration() < 1) {
    SetSteadyVerdict(QString(), false);
    return;
  }
  const SteadyState steady = manager->Mode() == RunMode::Steady ? SteadyState::Solved
                             : sim->timeError < sim->tolTime    ? SteadyState::Reached
                                                                : SteadyState::NotReached;
  SetSteadyVerdict(
      SteadyStateVerdict(steady, sim->timeError, sim->tolTime, sim->Iteration(), sim->maxIterTime),
      steady == SteadyState::NotReached);
}

// ---------------------------------------------------------------------------------------
// TProcessDlg: showing and closing

void TProcessDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window coming back from being minimised is not a new showing.
  if (!event->spontaneous())
    FormShow();
}

void TProcessDlg::FormShow() {
  if (previewing)
    return;
  INVARIANT(!error && !manager && !temp, "!error && !manager && !temp");

  const ProblemRecord& problem = target.Problem();
  Preview->setEnabled(false);
  Run->setEnabled(true);
  Run->setFocus();
  Pause->setEnabled(false);
  Finish->setText(QStringLiteral("&Cancel"));
  Finish->setEnabled(true);
  if (target.Results() != nullptr) {
    CKInitial->setEnabled(true);
  } else {
    CKInitial->setEnabled(false);
    CKInitial->setChecked(true);
  }

  const float y = LogError(problem.tolTime);
  tolerance.SetPoint(0, 0, y);
  tolerance.SetPoint(1, 0, y);

  const QString zero = FormatInteger(0);
  Time->setText(zero);
  TIter->setText(zero);
  SIter->setText(zero);
  TIterMax->setText(FormatInteger(problem.maxIterTime));
  TTol->setText(FormatGeneral(problem.tolTime));
  TError->setText(QStringLiteral("(none)"));
  SError->setText(QStringLiteral("(none)"));
  SIterMax->setText(FormatInteger(problem.maxIterSpace));
  STol->setText(FormatGeneral(problem.tolSpace));
  ClearCheck();
}

bool TProcessDlg::FormCloseQuery() const {
  return Finish->isEnabled();
}

void TProcessDlg::FormClose() {
  if (error) {
    Graph->RemoveSeries(error.get(), true);
    error.reset();
  }
  temp.reset();
}

void TProcessDlg::done(int result) {
  if (!FormCloseQuery())
    return;
  HandOver();
  FormClose();
  QDialog::done(result);
}

void TProcessDlg::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  // Through done() even when the dialog is hidden (the base class then skips it), so that
  // no close leaves results behind.
  done(QDialog::Rejected);
  QDialog::closeEvent(event);
}

void TProcessDlg::HandOver() {
  if (manager == nullptr)
    return;
  target.RunEnded();
  const Simulator* sim = manager->Sim();
  if (sim == nullptr || sim->Iteration() == 0) {
    // Nothing was computed; the target keeps the results it had. A manager the target
    // already owns is never one without a completed step, so only an owned one goes.
    ownedManager.reset();
  } else {
    manager->TakeSnapshot();
    manager->ReleaseSimulator();
    // The target owns it from here, if it did not already since a preview; results it
    // refuses go with the showing.
    if (target.SetManager(manager))
      ownedManager.release();
    else
      ownedManager.reset();
  }
  manager = nullptr;
  runHold.reset();
}

// ---------------------------------------------------------------------------------------
// TProcessDlg: buttons

std::unique_ptr<NumMatrix<double>> TProcessDlg::MakeStartingField() const {
  const ProblemRecord& problem = target.Problem();
  const int32_t ni = problem.media->ni;
  const int32_t nj = problem.media->nj;
  const SimManager* results = target.Results();
  if (!CKInitial->isChecked() && results != nullptr) {
    const NumMatrix<double>& last = results->LastSnapshot().T;
    // Results always belong to the current grid (a new grid discards them); a field of
    // another shape would be read out of bounds, so it is never used.
    if (last.N() == ni && last.M() == nj)
      return std::make_unique<NumMatrix<double>>(last);
  }
  auto field = std::make_unique<NumMatrix<double>>(ni, nj);
  field->SetAll(problem.initialTemp);
  return field;
}

void TProcessDlg::RunClick() {
  // A click queued behind Pause can arrive while the stopped run is still unwinding through
  // the callback; starting the solver again from there would re-enter it. The click is
  // dropped and the dialog is left paused.
  if (manager != nullptr && manager->Running())
    return;

  // A new run is made before anything changes, so that a run refused leaves the dialog as
  // it was.
  if (manager == nullptr && !StartRun())
    return;

  Pause->setEnabled(true);
  Pause->setFocus();
  Run->setEnabled(false);
  Preview->setEnabled(false);
  Finish->setText(QStringLiteral("&Close"));
  Finish->setEnabled(false);
  CKInitial->setEnabled(false);

  // The first counters of a run are shown at once.
  pumpClock.invalidate();
  graphClock.start();
  const bool finished = manager->Run();
  if (graphStale)
    RefreshGraph();
  CheckAfterRun(finished);

  Pause->setEnabled(false);
  if (finished) {
    Run->setEnabled(false);
    Finish->setEnabled(true);
    Preview->setEnabled(true);
    Finish->setFocus();
  } else {
    Run->setEnabled(true);
    Run->setFocus();
    Finish->setEnabled(true);
  }
}

bool TProcessDlg::StartRun() {
  ProblemRecord& problem = target.Problem();
  const RunMemory memory =
      CheckRunMemory(problem, machineMemory ? machineMemory() : MachineMemoryBytes());
  if (memory.verdict == RunMemory::Verdict::tooLarge) {
    messages::ShowError(this, RunMemoryText(memory, true));
    return false;
  }
  if (memory.verdict == RunMemory::Verdict::large &&
      !messages::AskYesNo(this, QStringLiteral("Simulation"),
                          RunMemoryText(memory, false) + QStringLiteral("\n\nRun anyway?"))) {
    return false;
  }
  try {
    temp = MakeStartingField();
    runHold = std::make_unique<ProblemRecord::RunHold>(problem);
    ownedManager = std::make_unique<SimManager>(
        problem.media.get(), problem.northFace.get(), problem.southFace.get(),
        problem.eastFace.get(), problem.westFace.get(), problem.tolTime, problem.tolSpace,
        problem.maxIterTime, problem.maxIterSpace, problem.dt, *temp, &TProcessDlg::Progress, this,
        problem._marks.get(), problem.solver, problem.runMode);
    // The watched volumes are recorded at every step of the run.
    ownedManager->Watch(problem.watched);
  } catch (const std::bad_alloc&) {
    ownedManager.reset();
    runHold.reset();
    temp.reset();
    messages::ShowError(this, QStringLiteral("There is not enough memory to start this run. "
                                             "Choose a grid of fewer volumes."));
    return false;
  }
  manager = ownedManager.get();
  target.RunStarted(*manager);
  error = std::make_unique<Data>(50, 10, -1);
  Graph->AddSeries(error.get(), QStringLiteral("Error"), kErrorColour, false);
  return true;
}

void TProcessDlg::PauseClick() {
  Run->setEnabled(true);
  Run->setFocus();
  Preview->setEnabled(true);
  Pause->setEnabled(false);
}

void TProcessDlg::FinishClick() {
  if (manager != nullptr && manager->Running())
    return;
  HandOver();
  done(QDialog::Accepted);
}

void TProcessDlg::PreviewClick() {
  // Only a stopped run can be previewed: a snapshot taken inside a run would catch a time
  // step half solved.
  if (manager == nullptr || manager->Running())
    return;

  const Simulator* sim = manager->Sim();
  if (sim != nullptr && sim->Iteration() >= 1) {
    manager->TakeSnapshot();
    // The target owns it from here; the dialog goes on using it.
    if (target.SetManager(manager))
      ownedManager.release();
  }

  const QPoint offset =
      Preview->mapToGlobal(QPoint(0, 0)) - previewWindow->Return->mapToGlobal(QPoint(0, 0));
  // The client area is moved, not the frame, so that the window manager's frame (not
  // known before the first showing) does not shift the button.
  previewWindow->setGeometry(previewWindow->geometry().translated(offset));

  // QDialog::hide() would also end a modal exec() of this dialog, and the showing must go
  // on after the preview; the plain widget visibility leaves the event loop alone.
  const bool wasVisible = isVisible();
  QWidget::setVisible(false);
  previewing = true;
  previewWindow->exec();
  if (wasVisible)
    QWidget::setVisible(true);
  previewing = false;
  // Back in the state the preview was started from, with its focus (the click moved it).
  if (Run->isEnabled())
    Run->setFocus();
  else
    Finish->setFocus();
}

void TProcessDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kProcessDlg);
}

// ---------------------------------------------------------------------------------------
// TProcessDlg: progress

bool TProcessDlg::Progress(Simulator* sim, int32_t code, double value, void* data) {
  return static_cast<TProcessDlg*>(data)->OnProgress(*sim, code, value);
}

void TProcessDlg::ShowTimeLabels(const Simulator& sim) {
  Time->setText(sim.Steady() ? QStringLiteral("steady state") : FormatExponent(sim.time, 3));
  TError->setText(FormatExponent(sim.timeError, 6));
  TIter->setText(FormatInteger(sim.iteration));
}

void TProcessDlg::RefreshGraph() {
  if (error)
    error->NotifyBoxes();
  graphStale = false;
  graphClock.start();
}

bool TProcessDlg::OnProgress(const Simulator& sim, int32_t code, double value) {
  if (code >= 0) {
    if ((code - 1) % 50 != 0)
      return Pause->isEnabled();
  } else if (code == progress::StepAccepted && sim.Steady()) {
    // The steady field lies at no time a graph over time could show.
    ShowTimeLabels(sim);
  } else if (code == progress::StepAccepted) {
    const double t = sim.time;
    const float y = LogError(sim.timeError);
    if (sim.iteration == 1) {
      Graph->SetYRange(LogError(sim.tolTime / 3), y);
      Graph->SetXRange(numeric::SinglePrecision(sim.dt), numeric::SinglePrecision(1.5 * t));
    }
    if (error)
      error->Add(numeric::SinglePrecision(t), y);
    if (Graph->XMax() < t)
      Graph->SetXRange(numeric::SinglePrecision(sim.dt), numeric::SinglePrecision(1.5 * t));
    tolerance.SetPoint(1, Graph->XMax(), tolerance.Point(1).y);
    graphStale = true;
    if (graphClock.elapsed() >= graphIntervalMs)
      RefreshGraph();
    ShowTimeLabels(sim);
  } else if (code > -5) {
    return true;
  }

  if (code != progress::StepAccepted) {
    const int32_t k = progress::Sweeps(code);
    ShowTimeLabels(sim);
    SIter->setText(FormatInteger(k));
    SError->setText(FormatExponent(value, 6));
  }

  if (!pumpClock.isValid() || pumpClock.elapsed() >= pumpIntervalMs) {
    QCoreApplication::processEvents();
    pumpClock.start();
  }
  return Pause->isEnabled();
}
