#include "gui/dialogs/Boundary.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"

namespace {

const char* const kSides[] = {"North", "South", "East", "West"};

QTableWidget* MakeGrid(QWidget* parent, const char* name) {
  auto* grid = new QTableWidget(0, 4, parent);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setHorizontalHeaderLabels({QStringLiteral("Type"), QStringLiteral("Start"),
                                   QStringLiteral("End"), QStringLiteral("Value")});
  grid->verticalHeader()->setVisible(false);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid->setWordWrap(false);
  grid->setColumnWidth(0, 86);
  grid->setColumnWidth(1, 52);
  grid->setColumnWidth(2, 52);
  // The student may drag the columns wider; the value takes what is left, and the whole
  // condition is the row's tooltip however narrow its column.
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->horizontalHeader()->setStretchLastSection(true);
  return grid;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int helpTopic) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  if (helpTopic != 0)
    SetHelpTopic(button, helpTopic);
  return button;
}

QString Printed(const BaseFunction& function) {
  std::ostringstream out;
  function.Print(out);
  return LocalisedNumbers(QString::fromStdString(out.str())).left(255);
}

}  // namespace

QString ConditionDescription(const FHeat& condition, double start, double end) {
  QString functions;
  if (const auto* c = dynamic_cast<const FConvection*>(&condition)) {
    functions = QStringLiteral("h = %1\nT\u221e = %2").arg(Printed(*c->h), Printed(*c->ambient));
  } else if (const auto* q = dynamic_cast<const FFlux*>(&condition)) {
    functions = QStringLiteral("q\" = %1").arg(Printed(*q->flux));
  } else if (const auto* t = dynamic_cast<const FTemperature*>(&condition)) {
    functions = QStringLiteral("T = %1").arg(Printed(*t->temperature));
  } else {
    functions = Printed(condition);
  }
  return QStringLiteral(
             "%1 from %2 to %3 of the side\n%4\n(x is the position along the side, "
             "0 at its start and 1 at its end)")
      .arg(QString::fromLatin1(condition.Name()), FormatGeneral(start, 4), FormatGeneral(end, 4),
           functions);
}

TBoundaryDlg::TBoundaryDlg(ProblemModel& model, BoundaryTarget& target, QWidget* parent)
    : QDialog(parent), model(model), problem(model.Problem()), target(target) {
  BuildForm();
  FillAll();
  connect(&model, &ProblemModel::Changed, this, [this](ProblemModel::Parts parts) {
    if (parts & (ProblemModel::Sides | ProblemModel::Functions))
      FillAll();
  });
  connect(Page, &QTabWidget::currentChanged, this, &TBoundaryDlg::PageChange);
  connect(AddBtn, &QPushButton::clicked, this, &TBoundaryDlg::AddBtnClick);
  connect(DelBtn, &QPushButton::clicked, this, &TBoundaryDlg::DelBtnClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TBoundaryDlg::HelpBtnClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TBoundaryDlg::BuildForm() {
  setObjectName(QStringLiteral("BoundaryDlg"));
  setWindowTitle(QStringLiteral("Boundary Conditions"));
  setModal(false);
  InstallContextHelp(this, topic::kBoundaryDlg);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  Page = new QTabWidget(this);
  Page->setObjectName(QStringLiteral("Page"));
  SetHelpTopic(Page, topic::kBoundaryPages);
  NGrid = MakeGrid(Page, "NGrid");
  SGrid = MakeGrid(Page, "SGrid");
  EGrid = MakeGrid(Page, "EGrid");
  WGrid = MakeGrid(Page, "WGrid");
  QTableWidget* grids[] = {NGrid, SGrid, EGrid, WGrid};
  for (int k = 0; k < 4; ++k)
    Page->addTab(grids[k], QString::fromLatin1(kSides[k]));
  layout->addWidget(Page, 1);

  auto* buttons = new QVBoxLayout;
  AddBtn = MakeButton(this, "AddBtn", "&Add...", topic::kBoundaryAdd);
  DelBtn = MakeButton(this, "DelBtn", "&Del", topic::kBoundaryDel);
  HelpBtn = MakeButton(this, "HelpBtn", "&Help", topic::kHelpButton);
  CloseBtn = MakeButton(this, "CloseBtn", "&Close", 0);
  CloseBtn->setDefault(true);
  buttons->addWidget(AddBtn);
  buttons->addWidget(DelBtn);
  buttons->addStretch(1);
  buttons->addWidget(HelpBtn);
  buttons->addWidget(CloseBtn);
  layout->addLayout(buttons);

  // The smallest size the program has always had; larger is the student's choice.
  setMinimumSize(420, 230);
  resize(420, 230);
  setSizeGripEnabled(true);
}

// ---- Tables ----------------------------------------------------------------------------

void TBoundaryDlg::FillGrid(QTableWidget& grid, const Face& face) {
  grid.setRowCount(face.count);
  for (int r = 0; r < face.count; ++r) {
    const FHeat* condition = face.f[r];
    const QString cells[4] = {condition ? QString::fromLatin1(condition->Name()) : QString(),
                              FormatGeneral(face.bounds[r], 4),
                              FormatGeneral(face.bounds[r + 1], 4),
                              condition ? Printed(*condition) : QString()};
    const QString whole = condition
                              ? ConditionDescription(*condition, face.bounds[r], face.bounds[r + 1])
                              : QString();
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* item = grid.item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        grid.setItem(r, c, item);
      }
      item->setText(cells[c]);
      item->setToolTip(whole);
      if (c == 1 || c == 2)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
  }
}

void TBoundaryDlg::FillAll() {
  const Face* faces[] = {problem.northFace.get(), problem.southFace.get(), problem.eastFace.get(),
                         problem.westFace.get()};
  QTableWidget* grids[] = {NGrid, SGrid, EGrid, WGrid};
  for (int k = 0; k < 4; ++k) {
    const int row = std::max(grids[k]->currentRow(), 0);
    FillGrid(*grids[k], *faces[k]);
    grids[k]->selectRow(std::min(row, grids[k]->rowCount() - 1));
  }
}

void TBoundaryDlg::RefillCurrent(int row) {
  QTableWidget& grid = *CurrentGrid();
  FillGrid(grid, CurrentFace());
  grid.selectRow(std::clamp(row, 0, grid.rowCount() - 1));
}

QString TBoundaryDlg::CurrentSide() const {
  return Page->tabText(Page->currentIndex());
}

Side TBoundaryDlg::CurrentSideIndex() const {
  const QString side = CurrentSide();
  if (side == QLatin1String("North"))
    return Side::North;
  if (side == QLatin1String("South"))
    return Side::South;
  if (side == QLatin1String("East"))
    return Side::East;
  return Side::West;
}

const Face& TBoundaryDlg::CurrentFace() const {
  return FaceOf(problem, CurrentSideIndex());
}

QTableWidget* TBoundaryDlg::CurrentGrid() const {
  return static_cast<QTableWidget*>(Page->currentWidget());
}

// ---- Events ----------------------------------------------------------------------------

void TBoundaryDlg::FormShow() {
  target.ShowBoundarySide(true, CurrentSide());
  FillAll();
}

void TBoundaryDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TBoundaryDlg::PageChange() {
  target.ShowBoundarySide(isVisible(), CurrentSide());
}

void TBoundaryDlg::AddBtnClick() {
  std::optional<NewSegment> segment = target.AskSegment();
  if (!segment || !segment->condition)
    return;
  const Face& face = CurrentFace();
  // The dialog's checks, kept here too: the model refuses what Insert would stop at.
  if (!(segment->lower >= 0 && segment->upper <= 1 && segment->lower < segment->upper))
    return;
  if (!face.Fits(segment->lower, segment->upper)) {
    messages::ShowError(this, QStringLiteral("Cannot add boundary condition: a side holds at "
                                             "most %1 segments")
                                  .arg(Face::capacity));
    return;  // the unused condition dies with `segment`
  }
  const double lower = segment->lower;
  const FHeat* added = segment->condition.get();
  if (!model.AddSegment(CurrentSideIndex(), lower, segment->upper, std::move(segment->condition)))
    return;
  // The new segment's row is selected.
  int row = 0;
  while (row < face.count - 1 && !(face.bounds[row] == lower && face.f[row] == added))
    ++row;
  RefillCurrent(row);
}

void TBoundaryDlg::DelBtnClick() {
  const Face& face = CurrentFace();
  if (face.count <= 1) {
    messages::ShowError(this, QStringLiteral("Cannot delete last boundary condition"));
    return;
  }
  const int r = CurrentGrid()->currentRow();
  if (r < 0 || r >= face.count)
    return;
  if (model.DeleteSegment(CurrentSideIndex(), r))
    RefillCurrent(std::min(r, face.count - 1));
}

void TBoundaryDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kBoundaryDlg);
}

void TBoundaryDlg::done(int result) {
  QDialog::done(result);
  target.ShowBoundarySide(false, CurrentSide());
}
