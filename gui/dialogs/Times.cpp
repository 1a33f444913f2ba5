#include "gui/dialogs/Times.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/surface.h"
#include "gui/platform/widgets.h"
#include "sim/check.h"

namespace {

// Close to 1 / (e - 1): scales e^x - 1 over [0, 1] onto [0, 1].
constexpr double kExpScale = 0.58197670686934174;

const QColor kCurveColour(255, 0, 0);
const QColor kSampleColour(0, 0, 255);

double ExpFraction(double x) {
  return (std::exp(x) - 1) * kExpScale;
}

// The unit square of a preview, its white ground and plain frame.
RCanvas PreviewCanvas(Surface& surface, const PixelRect& rect) {
  surface.SetPenColor(Qt::black);
  surface.SetBrushColor(Qt::white);
  surface.Rectangle(rect.left, rect.top, rect.right, rect.bottom);
  return RCanvas(surface, rect, Point{0, 0}, Point{1, 1}, 6);
}

void Line(Surface& surface, const RCanvas& canvas, Point from, Point to, const QColor& colour) {
  surface.SetPenColor(colour);
  surface.MoveTo(canvas.MapX(from.x), canvas.MapY(from.y));
  surface.LineTo(canvas.MapX(to.x), canvas.MapY(to.y));
}

}  // namespace

std::vector<int32_t> LinearSteps(int32_t n, int32_t maxIterTime) {
  INVARIANT(n >= 2, "n>=2");
  std::vector<int32_t> steps;
  steps.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    steps.push_back(static_cast<int32_t>(static_cast<int64_t>(i) * maxIterTime /
                                         (static_cast<int64_t>(n) - 1)));
  }
  return steps;
}

std::vector<int32_t> ExponentialSteps(int32_t n, int32_t maxIterTime) {
  INVARIANT(n >= 2, "n>=2");
  std::vector<int32_t> steps{0};
  steps.reserve(static_cast<size_t>(n));
  int32_t previous = 0;
  for (int32_t i = 1; i <= n - 2; ++i) {
    const double f = ExpFraction(static_cast<double>(i) / (n - 1));
    int32_t k = static_cast<int32_t>(f * f * maxIterTime);
    // Early samples would share a step; each is pushed one past the one before.
    if (k <= previous)
      k = previous + 1;
    steps.push_back(k);
    previous = k;
  }
  steps.push_back(maxIterTime);
  return steps;
}

void PaintLinearSampling(Surface& surface, const PixelRect& rect, int32_t n) {
  RCanvas canvas = PreviewCanvas(surface, rect);
  Line(surface, canvas, Point{0, 0}, Point{1, 1}, kCurveColour);
  if (n < 2)
    return;
  for (int32_t i = 0; i < n; ++i) {
    const double s = static_cast<double>(i) / (n - 1);
    Line(surface, canvas, Point{s, s}, Point{s, 0}, kSampleColour);
  }
}

void PaintExponentialSampling(Surface& surface, const PixelRect& rect, int32_t n) {
  RCanvas canvas = PreviewCanvas(surface, rect);
  if (n < 2)
    return;
  Point previous{0, 0};
  for (int32_t i = 1; i < n; ++i) {
    const double s = static_cast<double>(i) / (n - 1);
    const double f = ExpFraction(s);
    const Point sample{f * f, s};
    Line(surface, canvas, previous, sample, kCurveColour);
    Line(surface, canvas, sample, Point{sample.x, 0}, kSampleColour);
    previous = sample;
  }
}

// ---------------------------------------------------------------------------------------
// The form

TTimeDlg::TTimeDlg(ProblemModel& model, QWidget* parent)
    : QDialog(parent), model(model), problem(model.Problem()) {
  BuildForm();
  connect(LSamples, &QLineEdit::textChanged, this, [this] { SamplesChange(LSamples); });
  connect(ESamples, &QLineEdit::textChanged, this, [this] { SamplesChange(ESamples); });
  connect(Page, &QTabWidget::currentChanged, this, &TTimeDlg::PageChange);
  connect(LinSetBtn, &QPushButton::clicked, this, &TTimeDlg::LinSetBtnClick);
  connect(ExpSetBtn, &QPushButton::clicked, this, &TTimeDlg::ExpSetBtnClick);
  connect(CTSteps, &QLineEdit::textChanged, this, &TTimeDlg::CTStepsChange);
  connect(AddBtn, &QPushButton::clicked, this, &TTimeDlg::AddBtnClick);
  connect(DelBtn, &QPushButton::clicked, this, &TTimeDlg::DelBtnClick);
  connect(OKBtn, &QPushButton::clicked, this, &TTimeDlg::OKBtnClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TTimeDlg::HelpBtnClick);
  LinearDraw->onPaint = [this](QPainter& painter) {
    Surface surface(painter);
    PaintLinearSampling(surface, PixelRect::Of(LinearDraw->rect()),
                        samples <= kMaxSamples ? samples : 0);
  };
  ExpDraw->onPaint = [this](QPainter& painter) {
    Surface surface(painter);
    PaintExponentialSampling(surface, PixelRect::Of(ExpDraw->rect()),
                             samples <= kMaxSamples ? samples : 0);
  };
  SamplesChange(LSamples);
}

void TTimeDlg::BuildForm() {
  setObjectName(QStringLiteral("TimeDlg"));
  setWindowTitle(QStringLiteral("Animation Times"));
  InstallContextHelp(this, topic::kTimeDlg);

  auto* layout = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  layout->addLayout(body);

  auto* listColumn = new QVBoxLayout;
  LBTimes = new QListWidget(this);
  LBTimes->setObjectName(QStringLiteral("LBTimes"));
  LBTimes->setSelectionMode(QAbstractItemView::ExtendedSelection);
  LBTimes->setFixedWidth(120);
  SetHelpTopic(LBTimes, topic::kTimesList);
  auto* listLabel = new QLabel(QStringLiteral("Times (sec.)"), this);
  listLabel->setBuddy(LBTimes);
  DelBtn = MakeButton(this, "DelBtn", QStringLiteral("Del"), topic::kTimesDel);
  listColumn->addWidget(listLabel);
  listColumn->addWidget(LBTimes, 1);
  listColumn->addWidget(DelBtn);
  body->addLayout(listColumn);

  Page = new QTabWidget(this);
  Page->setObjectName(QStringLiteral("Page"));
  SetHelpTopic(Page, topic::kTimesPages);
  Page->addTab(
      BuildSamplingPage("LSamples", "LinSetBtn", "LinearDraw", LSamples, LinSetBtn, LinearDraw),
      QStringLiteral("Linear"));
  Page->addTab(BuildSamplingPage("ESamples", "ExpSetBtn", "ExpDraw", ESamples, ExpSetBtn, ExpDraw),
               QStringLiteral("Exponential"));
  Page->addTab(BuildCustomPage(), QStringLiteral("Custom"));
  body->addWidget(Page, 1);

  const DialogButtons buttons =
      AddDialogButtons(this, layout, QStringLiteral("&OK"), QStringLiteral("&Cancel"));
  OKBtn = buttons.ok;
  CancelBtn = buttons.cancel;
  HelpBtn = buttons.help;
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TTimeDlg::BuildSamplingPage(const char* editName, const char* setName,
                                     const char* drawName, QLineEdit*& edit, QPushButton*& set,
                                     TPaintBox*& draw) {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* group = new QGroupBox(QStringLiteral("Samples"), page);
  auto* row = new QHBoxLayout(group);
  edit = MakeNumberEdit(group, editName);
  edit->setText(QStringLiteral("50"));
  SetHelpTopic(edit, topic::kTimesSample);
  set = MakeButton(group, setName, QStringLiteral("Set"), topic::kTimesSet);
  row->addWidget(edit, 1);
  row->addWidget(set);
  column->addWidget(group);
  draw = new TPaintBox(page);
  draw->setObjectName(QString::fromLatin1(drawName));
  draw->setFixedSize(200, 150);
  SetHelpTopic(draw, topic::kTimesPreview);
  column->addWidget(draw, 0, Qt::AlignHCenter);
  column->addStretch(1);
  return page;
}

QWidget* TTimeDlg::BuildCustomPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* group = new QGroupBox(QStringLiteral("Time"), page);
  auto* rows = new QGridLayout(group);
  CTSteps = MakeNumberEdit(group, "CTSteps");
  SetHelpTopic(CTSteps, topic::kTimesSteps);
  auto* stepsLabel = new QLabel(QStringLiteral("Time steps"), group);
  stepsLabel->setBuddy(CTSteps);
  rows->addWidget(stepsLabel, 0, 0);
  rows->addWidget(CTSteps, 0, 1);
  CTime = new QLabel(group);
  CTime->setObjectName(QStringLiteral("CTime"));
  rows->addWidget(new QLabel(QStringLiteral("Time"), group), 1, 0);
  rows->addWidget(CTime, 1, 1);
  rows->addWidget(new QLabel(QStringLiteral("sec."), group), 1, 2);
  CDT = new QLabel(group);
  CDT->setObjectName(QStringLiteral("CDT"));
  rows->addWidget(new QLabel(QStringLiteral("DT"), group), 2, 0);
  rows->addWidget(CDT, 2, 1);
  rows->addWidget(new QLabel(QStringLiteral("sec."), group), 2, 2);
  AddBtn = MakeButton(group, "AddBtn", QStringLiteral("Add"), topic::kTimesAdd);
  rows->addWidget(AddBtn, 3, 1);
  column->addWidget(group);
  column->addStretch(1);
  return page;
}

// ---------------------------------------------------------------------------------------
// Showing and the pages

void TTimeDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TTimeDlg::FormShow() {
  const NumVector<int>& marks = *problem._marks;
  std::vector<int32_t> steps;
  steps.reserve(static_cast<size_t>(marks.N()));
  for (int32_t k = 0; k < marks.N(); ++k)
    steps.push_back(marks[k]);
  ListSteps(steps);
  CTSteps->setText(QStringLiteral("0"));
  CDT->setText(FormatGeneral(problem.dt));
  AddBtn->setEnabled(false);
  // The step count may have changed since the last showing.
  PageChange(Page->currentIndex());
}

void TTimeDlg::ListSteps(const std::vector<int32_t>& steps) {
  LBTimes->clear();
  for (int32_t step : steps)
    LBTimes->addItem(FormatGeneral(step * problem.dt));
}

QStringList TTimeDlg::ListedTimes() const {
  QStringList times;
  for (int row = 0; row < LBTimes->count(); ++row)
    times << LBTimes->item(row)->text();
  return times;
}

void TTimeDlg::SamplesChange(QLineEdit* edit) {
  int n = 0;
  if (!ParseInteger(edit->text(), n))
    n = 0;
  samples = n;
  const bool valid = n >= 2 && n < problem.maxIterTime && n <= kMaxSamples;
  LinSetBtn->setEnabled(valid);
  ExpSetBtn->setEnabled(valid);
  LinearDraw->update();
  ExpDraw->update();
}

void TTimeDlg::PageChange(int index) {
  if (index == 0)
    SamplesChange(LSamples);
  else if (index == 1)
    SamplesChange(ESamples);
}

void TTimeDlg::LinSetBtnClick() {
  if (!LinSetBtn->isEnabled())
    return;
  ListSteps(LinearSteps(samples, problem.maxIterTime));
  CTStepsChange();
}

void TTimeDlg::ExpSetBtnClick() {
  if (!ExpSetBtn->isEnabled())
    return;
  ListSteps(ExponentialSteps(samples, problem.maxIterTime));
  CTStepsChange();
}

// ---------------------------------------------------------------------------------------
// The list: custom times, deleting, and the marks

int32_t TTimeDlg::StepOf(int row) const {
  double t = 0;
  if (!ParseDecimal(LBTimes->item(row)->text(), t))
    return -1;
  const double step = std::trunc(t / problem.dt + 0.5);
  if (!(step < static_cast<double>(INT32_MAX)))
    return INT32_MAX;
  return step < 0 ? -1 : static_cast<int32_t>(step);
}

void TTimeDlg::CTStepsChange() {
  int k = 0;
  if (!ParseInteger(CTSteps->text(), k)) {
    CTime->setText(QStringLiteral("(none)"));
    AddBtn->setEnabled(false);
    return;
  }
  CTime->setText(FormatGeneral(k * problem.dt));
  bool enable = false;
  // Compared as time steps, which is what OK keeps: a time that differs from a listed one
  // only in its last digits is the same step.
  if (k > 0) {
    for (int row = 1; row < LBTimes->count(); ++row) {
      const int32_t step = StepOf(row);
      if (step == k)
        break;
      if (step > k) {
        enable = true;
        break;
      }
    }
  }
  AddBtn->setEnabled(enable);
}

void TTimeDlg::AddBtnClick() {
  if (!AddBtn->isEnabled())
    return;
  int k = 0;
  if (!ParseInteger(CTSteps->text(), k))
    return;
  int row = 1;
  while (row < LBTimes->count() - 1 && StepOf(row) <= k)
    ++row;
  LBTimes->insertItem(row, FormatGeneral(k * problem.dt));
  AddBtn->setEnabled(false);
}

void TTimeDlg::DelBtnClick() {
  const int last = LBTimes->count() - 1;
  if (LBTimes->item(0)->isSelected() || LBTimes->item(last)->isSelected()) {
    messages::ShowError(this, QStringLiteral("Cannot delete first and last limits"));
    return;
  }
  for (int row = last - 1; row >= 1; --row) {
    if (LBTimes->item(row)->isSelected())
      delete LBTimes->takeItem(row);
  }
  // A time deleted may be added again.
  CTStepsChange();
}

std::unique_ptr<NumVector<int>> TTimeDlg::ListedMarks() const {
  const int32_t last = problem.maxIterTime;
  std::vector<int32_t> steps{0};
  for (int row = 1; row < LBTimes->count() - 1; ++row) {
    const int32_t step = StepOf(row);
    // Two times within half a step of each other are one step: stored once, since a run
    // stores one snapshot per step.
    if (step > steps.back() && step < last)
      steps.push_back(step);
  }
  steps.push_back(last);
  auto marks = std::make_unique<NumVector<int>>(static_cast<int32_t>(steps.size()));
  for (size_t k = 0; k < steps.size(); ++k)
    (*marks)[static_cast<int32_t>(k)] = steps[k];
  return marks;
}

void TTimeDlg::OKBtnClick() {
  model.SetAnimationTimes(*ListedMarks());
  accept();
}

void TTimeDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kTimeDlg);
}
