#include "gui/dialogs/Refinement.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "gui/document/savefile.h"
#include "gui/document/studycsv.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/widgets.h"
#include "sim/streammedia.h"

namespace {

QString Value(double v) {
  if (!std::isfinite(v))
    return QStringLiteral("-");
  return QString::number(v == 0 ? 0.0 : v, 'g', 8);
}

QString RowName(int quantity) {
  const QString unit = study::QuantityUnit(quantity);
  return QString(study::QuantityName(quantity)) + (unit.isEmpty() ? "" : " (" + unit + ")");
}

}  // namespace

TRefinementDlg::TRefinementDlg(RefinementTarget& refinementTarget, QWidget* parent)
    : QDialog(parent), target(refinementTarget) {
  BuildForm();
  askSaveFileName = [this] {
    QFileDialog dialog(this, "Save the study's table", QString(), "CSV files (*.csv)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
}

TRefinementDlg::~TRefinementDlg() {
  Stop();
}

void TRefinementDlg::BuildForm() {
  setObjectName(QStringLiteral("RefinementDlg"));
  setWindowTitle(QStringLiteral("Refinement Study"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
  InstallContextHelp(this, topic::kRefinementDlg);
  auto* outer = new QVBoxLayout(this);

  // The study's settings and its Run and Cancel.
  auto* settings = new QHBoxLayout;
  auto* levelsLabel = new QLabel(QStringLiteral("&Levels"), this);
  LevelsEdit = new QSpinBox(this);
  LevelsEdit->setObjectName(QStringLiteral("LevelsEdit"));
  LevelsEdit->setRange(3, 3);
  LevelsEdit->setToolTip(
      QStringLiteral("The problem's own grid and grids 2, 4, ... times finer in each direction"));
  levelsLabel->setBuddy(LevelsEdit);
  SetHelpTopic(LevelsEdit, topic::kStudyLevels);
  SetHelpTopic(levelsLabel, topic::kStudyLevels);
  settings->addWidget(levelsLabel);
  settings->addWidget(LevelsEdit);
  settings->addSpacing(16);

  auto* probe = new QWidget(this);
  probe->setObjectName(QStringLiteral("ProbePanel"));
  SetHelpTopic(probe, topic::kStudyProbe);
  auto* probeRow = new QHBoxLayout(probe);
  probeRow->setContentsMargins(0, 0, 0, 0);
  auto* probeILabel = new QLabel(QStringLiteral("Probe volume &I"), probe);
  ProbeIEdit = new QSpinBox(probe);
  ProbeIEdit->setObjectName(QStringLiteral("ProbeIEdit"));
  probeILabel->setBuddy(ProbeIEdit);
  auto* probeJLabel = new QLabel(QStringLiteral("&J"), probe);
  ProbeJEdit = new QSpinBox(probe);
  ProbeJEdit->setObjectName(QStringLiteral("ProbeJEdit"));
  probeJLabel->setBuddy(ProbeJEdit);
  ProbePoint = new QLabel(probe);
  ProbePoint->setObjectName(QStringLiteral("ProbePoint"));
  probeRow->addWidget(probeILabel);
  probeRow->addWidget(ProbeIEdit);
  probeRow->addWidget(probeJLabel);
  probeRow->addWidget(ProbeJEdit);
  probeRow->addWidget(ProbePoint);
  settings->addWidget(probe);
  settings->addStretch(1);

  RunBtn = new QPushButton(QStringLiteral("&Run"), this);
  RunBtn->setObjectName(QStringLiteral("RunBtn"));
  RunBtn->setDefault(true);
  SetHelpTopic(RunBtn, topic::kStudyRun);
  CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setEnabled(false);
  SetHelpTopic(CancelBtn, topic::kStudyRun);
  settings->addWidget(RunBtn);
  settings->addWidget(CancelBtn);
  outer->addLayout(settings);

  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setRange(0, 1000);
  Progress->setValue(0);
  Progress->setTextVisible(false);
  SetHelpTopic(Progress, topic::kStudyRun);
  outer->addWidget(Progress);
  Status = new QLabel(this);
  Status->setObjectName(QStringLiteral("Status"));
  Status->setWordWrap(true);
  SetHelpTopic(Status, topic::kStudyRun);
  outer->addWidget(Status);

  Table = new QTableWidget(study::quantityCount, 0, this);
  Table->setObjectName(QStringLiteral("Table"));
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::SingleSelection);
  Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  QStringList rows;
  for (int q = 0; q < study::quantityCount; ++q)
    rows << RowName(q);
  Table->setVerticalHeaderLabels(rows);
  // The rows and a header of two lines, no empty space below them.
  Table->setFixedHeight(Table->verticalHeader()->length() + 2 * Table->fontMetrics().height() + 16 +
                        2 * Table->frameWidth());
  SetHelpTopic(Table, topic::kStudyTable);
  outer->addWidget(Table);

  // The chosen quantity: its plot, and what the levels say about it.
  auto* lower = new QHBoxLayout;
  auto* plotColumn = new QVBoxLayout;
  PlotMode = new QComboBox(this);
  PlotMode->setObjectName(QStringLiteral("PlotMode"));
  PlotMode->addItem(QStringLiteral("Value against the grid spacing"));
  PlotMode->addItem(QStringLiteral("Distance from the extrapolated value (log-log)"));
  SetHelpTopic(PlotMode, topic::kStudyPlot);
  plotColumn->addWidget(PlotMode);
  PlotBox = new TPaintBox(this);
  PlotBox->setObjectName(QStringLiteral("PlotBox"));
  PlotBox->setMinimumSize(420, 260);
  SetHelpTopic(PlotBox, topic::kStudyPlot);
  plotColumn->addWidget(PlotBox, 1);
  lower->addLayout(plotColumn, 3);
  Verdict = new QLabel(this);
  Verdict->setObjectName(QStringLiteral("Verdict"));
  Verdict->setWordWrap(true);
  Verdict->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  Verdict->setFrameShape(QFrame::StyledPanel);
  Verdict->setMargin(6);
  Verdict->setMinimumWidth(240);
  Verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SetHelpTopic(Verdict, topic::kStudyVerdict);
  auto* verdictColumn = new QVBoxLayout;
  verdictColumn->addWidget(Verdict, 1);
  // The meaning of the numbers, one click away from them.
  Meaning = new QLabel(
      QStringLiteral("<a href=\"135\">What the order, the extrapolated value and the index "
                     "mean</a>"),
      this);
  Meaning->setObjectName(QStringLiteral("Meaning"));
  Meaning->setWordWrap(true);
  SetHelpTopic(Meaning, topic::kGridConvergence);
  verdictColumn->addWidget(Meaning);
  lower->addLayout(verdictColumn, 2);
  outer->addLayout(lower, 1);

  auto* buttons = new QHBoxLayout;
  SaveBtn = new QPushButton(QStringLiteral("&Save Table..."), this);
  SaveBtn->setObjectName(QStringLiteral("SaveBtn"));
  SaveBtn->setEnabled(false);
  SetHelpTopic(SaveBtn, topic::kStudyTable);
  buttons->addWidget(SaveBtn);
  buttons->addStretch(1);
  CloseBtn = new QPushButton(QStringLiteral("Close"), this);
  CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
  SetHelpTopic(CloseBtn, topic::kOkButton);
  HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
  HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
  SetHelpTopic(HelpBtn, topic::kHelpButton);
  buttons->addWidget(CloseBtn);
  buttons->addWidget(HelpBtn);
  outer->addLayout(buttons);
  resize(820, 640);

  poller = new QTimer(this);
  poller->setInterval(100);
  PlotBox->onPaint = [this](QPainter& painter) { PaintStudyPlot(painter, PlotBox->rect(), plot); };
  auto showProbe = [this] {
    const Media& grid = *target.StudyProblem().media;
    const int i = ProbeIEdit->value() - 1;
    const int j = ProbeJEdit->value() - 1;
    if (i < 0 || j < 0 || i >= grid.ni || j >= grid.nj) {
      ProbePoint->clear();
      return;
    }
    const Point c = GeometryOf(grid, i, j).centre;
    ProbePoint->setText(QString("at x = %1 m, y = %2 m").arg(c.x, 0, 'g', 5).arg(c.y, 0, 'g', 5));
  };
  connect(ProbeIEdit, qOverload<int>(&QSpinBox::valueChanged), this, showProbe);
  connect(ProbeJEdit, qOverload<int>(&QSpinBox::valueChanged), this, showProbe);
  connect(RunBtn, &QPushButton::clicked, this, [this] { RunClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &TRefinementDlg::CancelClick);
  connect(poller, &QTimer::timeout, this, &TRefinementDlg::Poll);
  connect(Table, &QTableWidget::currentCellChanged, this,
          [this](int row) { ShowQuantity(row >= 0 ? row : quantity); });
  connect(PlotMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
          [this] { ShowQuantity(quantity); });
  connect(SaveBtn, &QPushButton::clicked, this, &TRefinementDlg::SaveClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(HelpBtn, &QPushButton::clicked, this, &TRefinementDlg::HelpClick);
  connect(Meaning, &QLabel::linkActivated, this, [] { ShowHelpTopic(topic::kGridConvergence); });
  ShowQuantity(quantity);
}

void TRefinementDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous())
    return;
  Update();
  // The volume the student last pointed at is the natural probe.
  const VolumeIndex probed = target.ProbedVolume();
  const Media& grid = *target.StudyProblem().media;
  if (!Running() && probed.Valid() && probed.i < grid.ni && probed.j < grid.nj) {
    ProbeIEdit->setValue(probed.i + 1);
    ProbeJEdit->setValue(probed.j + 1);
  }
}

void TRefinementDlg::Update() {
  const Media& grid = *target.StudyProblem().media;
  // A probe outside a new grid moves to its middle.
  const bool probeFits = ProbeIEdit->value() >= 1 && ProbeIEdit->value() <= grid.ni &&
                         ProbeJEdit->value() >= 1 && ProbeJEdit->value() <= grid.nj &&
                         ProbeIEdit->maximum() == grid.ni && ProbeJEdit->maximum() == grid.nj;
  ProbeIEdit->setRange(1, grid.ni);
  ProbeJEdit->setRange(1, grid.nj);
  if (!probeFits) {
    ProbeIEdit->setValue(grid.ni / 2 + 1);
    ProbeJEdit->setValue(grid.nj / 2 + 1);
  }
  const int most = MaxStudyLevels(grid);
  LevelsEdit->setRange(3, std::max(3, most));
  if (Running())
    return;
  QString reason;
  if (!Refinable(grid)) {
    reason =
        "The study needs a grid the program generates (Media > Geometry...): a grid read "
        "from a file cannot be made finer.";
  } else if (most < 3) {
    reason = QString(
                 "This grid is too fine for a study: its grid four times finer would have "
                 "%1 x %2 volumes, more than a problem may have (%3 in all, %4 in a row).")
                 .arg(grid.ni * 4)
                 .arg(grid.nj * 4)
                 .arg(maxGridFileVolumes)
                 .arg(maxGridFileVolumesPerDirection);
  }
  RunBtn->setEnabled(reason.isEmpty());
  if (!reason.isEmpty())
    Status->setText(reason);
  else if (!hasResult && Status->text().isEmpty())
    Status->setText(QString("Up to %1 levels fit this grid of %2 x %3 volumes. Press Run.")
                        .arg(most)
                        .arg(grid.ni)
                        .arg(grid.nj));
}

void TRefinementDlg::SetRunning(bool on) {
  RunBtn->setEnabled(!on);
  CancelBtn->setEnabled(on);
  LevelsEdit->setEnabled(!on);
  ProbeIEdit->setEnabled(!on);
  ProbeJEdit->setEnabled(!on);
}

bool TRefinementDlg::RunClick() {
  if (Running())
    return false;
  Update();
  if (!RunBtn->isEnabled())
    return false;
  const ProblemRecord& problem = target.StudyProblem();
  copy = CopyProblem(problem);
  progress = std::make_unique<study::Progress>();
  study::Settings settings;
  settings.levels = LevelsEdit->value();
  settings.probe = VolumeIndex{ProbeIEdit->value() - 1, ProbeJEdit->value() - 1};
  workerDone.store(false);
  // The copy and the progress live until the thread has been joined; the thread touches
  // nothing else of this window's.
  ProblemRecord* studied = copy.get();
  study::Progress* watch = progress.get();
  worker = std::thread([this, studied, watch, settings] {
    outcome = study::Run(*studied, settings, *watch);
    workerDone.store(true);
  });
  clock.start();
  SetRunning(true);
  Progress->setValue(0);
  Status->setText(QString("Level 1 of %1: %2 x %3 volumes.")
                      .arg(settings.levels)
                      .arg(problem.media->ni)
                      .arg(problem.media->nj));
  poller->start();
  return true;
}

void TRefinementDlg::CancelClick() {
  if (progress)
    progress->cancel.store(true);
  Status->setText(QStringLiteral("Cancelling at the next time step..."));
}

void TRefinementDlg::Poll() {
  if (!Running()) {
    poller->stop();
    return;
  }
  Progress->setValue(static_cast<int>(1000 * progress->done.load()));
  if (!progress->cancel.load()) {
    const int level = progress->level.load();
    const Media& grid = *copy->media;
    Status->setText(QString("Level %1 of %2: %3 x %4 volumes.")
                        .arg(level + 1)
                        .arg(LevelsEdit->value())
                        .arg(grid.ni << level)
                        .arg(grid.nj << level));
  }
  if (workerDone.load()) {
    worker.join();
    Finished();
  }
}

void TRefinementDlg::Finished() {
  poller->stop();
  copy.reset();
  const double seconds = clock.elapsed() / 1000.0;
  switch (outcome.status) {
    case study::Result::Status::Done:
      result = std::move(outcome);
      hasResult = true;
      Progress->setValue(1000);
      Status->setText(QString("Done: %1 levels in %2 s, each run to the problem's end time "
                              "with the direct solver. The study worked on a copy of the "
                              "problem as it was when Run was pressed.")
                          .arg(result.levels.size())
                          .arg(seconds, 0, 'f', 1));
      FillTable();
      ShowQuantity(quantity);
      break;
    case study::Result::Status::Cancelled:
      Progress->setValue(0);
      Status->setText(QStringLiteral("Cancelled. The problem is as it was."));
      break;
    case study::Result::Status::Failed:
      Progress->setValue(0);
      Status->setText(QString::fromStdString(outcome.message));
      break;
  }
  progress.reset();
  outcome = study::Result();
  SetRunning(false);
  SaveBtn->setEnabled(hasResult);
}

void TRefinementDlg::Stop() {
  if (!Running())
    return;
  progress->cancel.store(true);
  worker.join();
  poller->stop();
  copy.reset();
  progress.reset();
  outcome = study::Result();
  SetRunning(false);
}

void TRefinementDlg::FillTable() {
  const bool exact = !result.referenceTitle.empty();
  const int levels = static_cast<int>(result.levels.size());
  Table->setColumnCount(levels + (exact ? 3 : 2));
  QStringList headers;
  for (const study::Level& level : result.levels)
    headers << QString("%1 x %2\nh = %3").arg(level.ni).arg(level.nj).arg(level.spacing, 0, 'g', 3);
  headers << QStringLiteral("Order p") << QStringLiteral("Extrapolated");
  if (exact)
    headers << QStringLiteral("Exact");
  Table->setHorizontalHeaderLabels(headers);
  for (int q = 0; q < study::quantityCount; ++q) {
    for (int k = 0; k < levels; ++k)
      Table->setItem(q, k, new QTableWidgetItem(Value(result.levels[k].values[q])));
    const study::Estimate& e = result.estimates[q];
    const bool converging = e.kind == study::Estimate::Kind::Converging;
    QString order = QStringLiteral("-");
    if (converging)
      order = QString::number(e.order, 'f', 2) + (e.trusted ? "" : " (!)");
    else if (e.kind == study::Estimate::Kind::Unchanged)
      order = QStringLiteral("unchanged");
    else if (e.kind == study::Estimate::Kind::Oscillating)
      order = QStringLiteral("oscillates");
    else if (e.kind == study::Estimate::Kind::Diverging)
      order = QStringLiteral("not converging");
    else if (e.kind == study::Estimate::Kind::Settled)
      order = QStringLiteral("settled");
    Table->setItem(q, levels, new QTableWidgetItem(order));
    Table->setItem(q, levels + 1,
                   new QTableWidgetItem(converging ? Value(e.extrapolated) : QStringLiteral("-")));
    if (exact)
      Table->setItem(q, levels + 2, new QTableWidgetItem(Value(result.exact[q])));
    for (int c = 0; c < Table->columnCount(); ++c)
      Table->item(q, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  Table->selectRow(quantity);
  Table->setFixedHeight(Table->verticalHeader()->length() + Table->horizontalHeader()->height() +
                        2 * Table->frameWidth() + 2);
}

void TRefinementDlg::ShowQuantity(int q) {
  if (q < 0 || q >= study::quantityCount)
    return;
  quantity = q;
  const StudyPlotMode mode =
      PlotMode->currentIndex() == 1 ? StudyPlotMode::Distance : StudyPlotMode::Value;
  plot = MakeStudyPlot(hasResult ? result : study::Result(), q, mode);
  QString text = QStringLiteral(
      "What the levels say about the chosen row shows here once the study has run: whether "
      "the values converge, the observed order, and whether to trust the extrapolated value.");
  if (hasResult) {
    text = "<b>" + RowName(q).toHtmlEscaped() + "</b><p>" +
           QString::fromStdString(result.verdicts[q]).toHtmlEscaped() + "</p>";
    if (q == study::ProbeTemperature) {
      text += QString(
                  "<p>Read at x = %1 m, y = %2 m, the centre of volume (%3, %4) of the "
                  "first grid, interpolated between the volume centres on the finer "
                  "ones.</p>")
                  .arg(result.probePoint.x, 0, 'g', 5)
                  .arg(result.probePoint.y, 0, 'g', 5)
                  .arg(result.probe.i + 1)
                  .arg(result.probe.j + 1);
    }
    if (std::isfinite(result.exact[q])) {
      text += "<p><span style='color:#008c00'>Exact (" +
              QString::fromStdString(result.referenceTitle).toHtmlEscaped() +
              "): " + Value(result.exact[q]) + "</span></p>";
    }
  }
  Verdict->setText(text);
  PlotBox->update();
}

void TRefinementDlg::SaveClick() {
  if (!hasResult)
    return;
  const QString name = askSaveFileName();
  if (name.isEmpty())
    return;
  QString message;
  if (!WriteAtomically(name, StudyCsv(result), &message))
    messages::ShowError(this, message);
}

void TRefinementDlg::HelpClick() {
  ShowHelpTopic(topic::kRefinementDlg);
}
