#include "gui/dialogs/TimeHistory.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "gui/dialogs/dialogparts.h"
#include "gui/document/savefile.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "gui/plot/watchmarkers.h"

namespace {

QString VolumeLabel(const VolumeIndex& v) {
  return QStringLiteral("(%1, %2)").arg(v.i + 1).arg(v.j + 1);
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// The time of a snapshot as the window writes it: "steady state" for the steady field.
QString TimeText(double t) {
  return std::isfinite(t) ? FormatGeneral(t) + QStringLiteral(" s")
                          : QStringLiteral("steady state");
}

}  // namespace

TTimeHistoryDlg::TTimeHistoryDlg(InsightTarget& insightTarget, QWidget* parent)
    : QDialog(parent), target(insightTarget) {
  setObjectName(QStringLiteral("TimeHistoryDlg"));
  setWindowTitle(QStringLiteral("Time History"));
  // A tool window stays above the main window without blocking it.
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
  InstallContextHelp(this, topic::kHistoryDlg);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  Plot = new TPaintBox(this);
  Plot->setObjectName(QStringLiteral("Plot"));
  Plot->setMinimumSize(520, 300);
  Plot->onPaint = [this](QPainter& painter) { PaintHistory(painter, Plot->size(), plot); };
  Plot->setToolTip(QStringLiteral("Temperature of each watched volume against time"));
  SetHelpTopic(Plot, topic::kHistoryPlot);
  layout->addWidget(Plot, 1);

  Volumes = new QTableWidget(0, 6, this);
  Volumes->setObjectName(QStringLiteral("Volumes"));
  Volumes->setHorizontalHeaderLabels({QStringLiteral("Marker"), QStringLiteral("I"),
                                      QStringLiteral("J"), QStringLiteral("x (m)"),
                                      QStringLiteral("y (m)"), QStringLiteral("T")});
  Volumes->verticalHeader()->setVisible(false);
  Volumes->verticalHeader()->setDefaultSectionSize(Volumes->fontMetrics().height() + 6);
  Volumes->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Volumes->setSelectionMode(QAbstractItemView::NoSelection);
  Volumes->setMaximumHeight(140);
  Volumes->setToolTip(
      QStringLiteral("The watched volumes and their temperatures at the snapshot on show"));
  SetHelpTopic(Volumes, topic::kHistoryTable);
  layout->addWidget(Volumes);

  Note = new QLabel(this);
  Note->setObjectName(QStringLiteral("Note"));
  Note->setWordWrap(true);
  layout->addWidget(Note);

  auto* buttons = new QHBoxLayout;
  SaveCsvBtn = MakeButton(this, "SaveCsvBtn", QStringLiteral("&Save CSV..."), topic::kHistorySave);
  SaveCsvBtn->setToolTip(QStringLiteral("Save the history as a table: time, T1, T2, ..."));
  CloseBtn = MakeButton(this, "CloseBtn", QStringLiteral("Close"), topic::kOkButton);
  HelpBtn = MakeButton(this, "HelpBtn", QStringLiteral("&Help"), topic::kHelpButton);
  buttons->addWidget(SaveCsvBtn);
  buttons->addStretch(1);
  buttons->addWidget(CloseBtn);
  buttons->addWidget(HelpBtn);
  layout->addLayout(buttons);

  liveTimer = new QTimer(this);
  liveTimer->setInterval(200);
  connect(liveTimer, &QTimer::timeout, this, &TTimeHistoryDlg::Poll);
  connect(SaveCsvBtn, &QPushButton::clicked, this, &TTimeHistoryDlg::SaveCsvClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(HelpBtn, &QPushButton::clicked, this, &TTimeHistoryDlg::HelpBtnClick);

  askFileName = [this] {
    QFileDialog dialog(this, QStringLiteral("Save Time History"), QString(),
                       QStringLiteral("Comma-separated values (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  resize(620, 520);
}

void TTimeHistoryDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    Update();
}

const SimManager* TTimeHistoryDlg::Run() const {
  const SimManager* live = target.LiveRun();
  return live ? live : target.Results();
}

void TTimeHistoryDlg::Update() {
  const SimManager* run = Run();
  const std::vector<VolumeIndex>& watched = target.WatchedVolumes();
  series = HistorySeries(run, watched);

  // The snapshot on show belongs to the results, not to a run still going on.
  const SimManager* results = target.Results();
  const SimSnapshot* shown = nullptr;
  if (results != nullptr && run == results && target.ShownIndex() >= 0 &&
      target.ShownIndex() < results->Count()) {
    shown = &results->Snapshot(target.ShownIndex());
  }

  plot = HistoryPlot{};
  bool afterRun = false;
  for (std::size_t k = 0; k < series.size(); ++k) {
    const VolumeSeries& s = series[k];
    HistoryCurve curve;
    curve.label = QStringLiteral("%1  %2").arg(k + 1).arg(VolumeLabel(s.volume));
    if (!s.recorded && !s.values.empty()) {
      curve.label += QStringLiteral("  snapshots only");
      afterRun = true;
    }
    curve.colour = WatchColor(static_cast<int>(k));
    curve.recorded = s.recorded;
    curve.times = s.times;
    curve.values = s.values;
    plot.curves.push_back(std::move(curve));
  }
  if (shown != nullptr)
    plot.cursor = shown->Time();
  if (watched.empty()) {
    plot.emptyText = QStringLiteral(
        "No volume is watched. Ctrl+click a volume in the drawing area, or right-click it and "
        "choose Watch, to follow its temperature in time.");
  } else {
    plot.emptyText = QStringLiteral(
        "Run the simulation to see the temperatures of the watched volumes in time.");
  }

  // The table: one row per watched volume, its value at the snapshot on show.
  const Media& grid = *target.Grid();
  Volumes->setRowCount(static_cast<int>(watched.size()));
  Volumes->horizontalHeaderItem(5)->setText(
      shown ? QStringLiteral("T at %1").arg(TimeText(shown->Time())) : QStringLiteral("T"));
  for (std::size_t k = 0; k < watched.size(); ++k) {
    const int row = static_cast<int>(k);
    const VolumeIndex& v = watched[k];
    auto* marker = Cell(QString::number(k + 1));
    marker->setBackground(WatchColor(row));
    marker->setForeground(WatchNumberColor(row));
    marker->setTextAlignment(Qt::AlignCenter);
    Volumes->setItem(row, 0, marker);
    Volumes->setItem(row, 1, Cell(QString::number(v.i + 1)));
    Volumes->setItem(row, 2, Cell(QString::number(v.j + 1)));
    const bool inGrid = v.i < grid.ni && v.j < grid.nj;
    const Point c = inGrid ? GeometryOf(grid, v.i, v.j).centre : Point{0, 0};
    Volumes->setItem(row, 3, Cell(inGrid ? FormatGeneral(c.x, 6) : QStringLiteral("-")));
    Volumes->setItem(row, 4, Cell(inGrid ? FormatGeneral(c.y, 6) : QStringLiteral("-")));
    const bool valued = shown != nullptr && v.i < shown->T.N() && v.j < shown->T.M();
    Volumes->setItem(row, 5,
                     Cell(valued ? FormatExponent(shown->T[v.i][v.j], 6) : QStringLiteral("-")));
  }
  Volumes->resizeColumnsToContents();

  // A word on what the curves are.
  QStringList notes;
  if (target.LiveRun() != nullptr)
    notes << QStringLiteral("Recording the run in progress.");
  if (run != nullptr && !run->History().Empty()) {
    const TimeHistory& h = run->History();
    if (h.Stride() > 1) {
      notes << QStringLiteral(
                   "The run is long: every %1th step is kept, with every stored snapshot.")
                   .arg(h.Stride());
    }
    if (!h.Complete())
      notes << QStringLiteral("Memory ran out: the history stops early.");
  }
  if (afterRun) {
    notes << QStringLiteral(
        "Volumes watched after the run show their values at the stored snapshots only "
        "(dots); run again to record them at every step.");
  }
  if (run != nullptr && run->Count() > 0 && !std::isfinite(run->LastSnapshot().Time())) {
    notes << QStringLiteral(
        "A steady run solves for the field at infinite time in one go: the curves hold the "
        "starting temperature, and the dashed lines the steady ones.");
  }
  Note->setText(notes.join(QLatin1Char(' ')));
  Note->setVisible(!notes.isEmpty());

  bool any = false;
  for (const VolumeSeries& s : series)
    any = any || !s.values.empty();
  SaveCsvBtn->setEnabled(any);

  liveRows = run != nullptr ? run->History().Rows() : 0;
  if (target.LiveRun() != nullptr) {
    if (!liveTimer->isActive())
      liveTimer->start();
  } else {
    liveTimer->stop();
  }
  Plot->update();
}

void TTimeHistoryDlg::Poll() {
  const SimManager* live = target.LiveRun();
  if (live == nullptr || !isVisible()) {
    liveTimer->stop();
    return;
  }
  if (live->History().Rows() != liveRows)
    Update();
}

bool TTimeHistoryDlg::SaveCsv(const QString& fileName, QString* message) {
  bool any = false;
  for (const VolumeSeries& s : series)
    any = any || !s.values.empty();
  if (!any) {
    if (message)
      *message =
          QStringLiteral("There is no history to save: watch volumes and run the simulation.");
    return false;
  }
  return WriteAtomically(fileName, HistoryCsv(series), message);
}

void TTimeHistoryDlg::SaveCsvClick() {
  const QString fileName = askFileName ? askFileName() : QString();
  if (fileName.isEmpty())
    return;
  QString message;
  if (!SaveCsv(fileName, &message))
    messages::ShowError(this, message);
}

void TTimeHistoryDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kHistoryDlg);
}
