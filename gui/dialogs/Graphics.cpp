#include "gui/dialogs/Graphics.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "gui/dialogs/outputreport.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "sim/check.h"

// ---- Profiles --------------------------------------------------------------------------

ProfileKind ProfileFor(ViewMode view, bool vectors, bool results) {
  if (!results)
    return ProfileKind::None;
  if (vectors)
    return ProfileKind::Flux;
  if (view == ViewMode::Temperature || view == ViewMode::Isotherms)
    return ProfileKind::Temperature;
  return ProfileKind::None;
}

namespace {

// The matrix a profile reads: the South-North faces lie across a row, the West-East faces
// across a column.
const NumMatrix<double>& ProfileField(const SimSnapshot& s, ProfileKind kind,
                                      ProfileDirection direction) {
  if (kind == ProfileKind::Temperature)
    return s.T;
  return direction == ProfileDirection::WE ? s.heatSN : s.heatWE;
}

}  // namespace

BarMaxima ProfileBarMaxima(const SimSnapshot& shown, ProfileKind kind, ProfileDirection direction) {
  if (kind == ProfileKind::None)
    return BarMaxima{};
  const NumMatrix<double>& field = ProfileField(shown, kind, direction);
  return BarMaxima{field.N() - 1, field.M() - 1};
}

Profile ComputeProfile(const SimManager& run, const SimSnapshot& shown, ProfileKind kind,
                       ProfileDirection direction, int32_t i, int32_t j) {
  INVARIANT(kind != ProfileKind::None, "kind != ProfileKind::None");
  const NumMatrix<double>& field = ProfileField(shown, kind, direction);
  const bool flux = kind == ProfileKind::Flux;
  if (flux) {
    INVARIANT(i >= 0 && j >= 0 && i < field.N() && j < field.M(), "i<F.N() && j<F.M()");
  } else {
    INVARIANT(i >= 0 && j >= 0 && i < field.N() && j < field.M(), "i<T.N() && j<T.M()");
  }
  // Heat rates as the report shows them; temperatures as stored.
  auto value = [&](int32_t a, int32_t b) { return flux ? ReportedHeat(field[a][b]) : field[a][b]; };

  Profile p;
  if (!flux) {
    p.globalMin = run.minT;
    p.globalMax = run.maxT;
    p.localMin = shown.minT;
    p.localMax = shown.maxT;
  } else if (direction == ProfileDirection::WE) {
    p.globalMin = ReportedHeat(run.maxHeatSN);
    p.globalMax = ReportedHeat(run.minHeatSN);
    p.localMin = ReportedHeat(shown.maxHeatSN);
    p.localMax = ReportedHeat(shown.minHeatSN);
  } else {
    p.globalMin = ReportedHeat(run.maxHeatWE);
    p.globalMax = ReportedHeat(run.minHeatWE);
    p.localMin = ReportedHeat(shown.maxHeatWE);
    p.localMax = ReportedHeat(shown.minHeatWE);
  }
  p.fieldValue = value(i, j);

  double sum = 0;
  if (direction == ProfileDirection::WE) {
    p.worldMin = Point{0, p.globalMin};
    p.worldMax = Point{static_cast<double>(field.N() - 1), p.globalMax};
    for (int32_t k = 0; k < field.N(); ++k) {
      p.line.push_back(Point{static_cast<double>(k), value(k, j)});
      sum += field[k][j];
    }
    p.marker = Point{static_cast<double>(i), p.fieldValue};
    p.statistic = flux ? ReportedHeat(sum) : sum / field.N();
  } else {
    p.worldMin = Point{p.globalMin, 0};
    p.worldMax = Point{p.globalMax, static_cast<double>(field.M() - 1)};
    for (int32_t k = 0; k < field.M(); ++k) {
      p.line.push_back(Point{value(i, k), static_cast<double>(k)});
      sum += field[i][k];
    }
    p.marker = Point{p.fieldValue, static_cast<double>(j)};
    p.statistic = flux ? ReportedHeat(sum) : sum / field.M();
  }
  return p;
}

ReferenceProfile ComputeReferenceProfile(const ExactSolution& exact, const Media& media,
                                         const SimSnapshot& shown, ProfileKind kind,
                                         ProfileDirection direction, int32_t i, int32_t j) {
  INVARIANT(kind != ProfileKind::None, "kind != ProfileKind::None");
  const double none = std::numeric_limits<double>::quiet_NaN();
  ReferenceProfile r{{}, none, none};
  const NumMatrix<double>& field = ProfileField(shown, kind, direction);
  const bool flux = kind == ProfileKind::Flux;
  const bool we = direction == ProfileDirection::WE;
  const double time = shown.Time();
  const int32_t count = we ? field.N() : field.M();
  double runSum = 0, exactSum = 0;
  bool complete = true;
  for (int32_t k = 0; k < count; ++k) {
    const int32_t a = we ? k : i;
    const int32_t b = we ? j : k;
    double e;
    if (!flux)
      e = ExactVolumeTemperature(exact, media, a, b, time);
    else if (we)
      e = ReportedHeat(ExactHeatSN(exact, media, a, b, time));
    else
      e = ReportedHeat(ExactHeatWE(exact, media, a, b, time));
    const double run = flux ? ReportedHeat(field[a][b]) : field[a][b];
    runSum += run;
    if (!std::isfinite(e)) {
      complete = false;
      continue;
    }
    exactSum += e;
    r.line.push_back(we ? Point{static_cast<double>(k), e} : Point{e, static_cast<double>(k)});
    const double d = run - e;
    if (!std::isfinite(r.largestDifference) || std::abs(d) > std::abs(r.largestDifference))
      r.largestDifference = d;
  }
  if (complete)
    r.statisticDifference = flux ? runSum - exactSum : (runSum - exactSum) / count;
  return r;
}

void PaintProfile(Surface& surface, const PixelRect& rect, const Point& worldMin,
                  const Point& worldMax, ProfileDirection direction, const Profile* profile,
                  const std::vector<Point>* reference) {
  RCanvas canvas(surface, rect, worldMin, worldMax, 4);
  const bool we = direction == ProfileDirection::WE;
  // Zero, or the nearest edge of the extents when zero lies outside them.
  auto held = [](double lo, double hi) {
    double v = 0;
    if (v < lo)
      v = lo;
    if (v > hi)
      v = hi;
    return v;
  };
  const double base = we ? held(worldMin.y, worldMax.y) : held(worldMin.x, worldMax.x);
  auto map = [&canvas](const Point& p) { return QPoint(canvas.MapX(p.x), canvas.MapY(p.y)); };
  auto line = [&surface, &map](const Point& from, const Point& to) {
    const QPoint a = map(from);
    const QPoint b = map(to);
    surface.MoveTo(a.x(), a.y());
    surface.LineTo(b.x(), b.y());
  };

  surface.SetPenColor(Qt::black);
  if (we) {
    line(Point{worldMin.x, base}, Point{worldMax.x, base});
  } else {
    line(Point{base, worldMin.y}, Point{base, worldMax.y});
  }
  if (!profile || profile->line.empty())
    return;

  surface.SetPenColor(QColor(0, 0, 255));
  const Point& m = profile->marker;
  line(m, we ? Point{m.x, base} : Point{base, m.y});

  auto polyline = [&surface, &map](const std::vector<Point>& points) {
    const QPoint first = map(points.front());
    surface.MoveTo(first.x(), first.y());
    for (std::size_t k = 1; k < points.size(); ++k) {
      const QPoint p = map(points[k]);
      surface.LineTo(p.x(), p.y());
    }
  };
  surface.SetPenColor(QColor(255, 0, 0));
  polyline(profile->line);
  // Dotted over the run's curve, so that where the two agree both still show.
  if (reference && !reference->empty()) {
    surface.SetPenColor(QColor(0, 140, 0));
    surface.SetPenStyle(Surface::PenStyle::Dot);
    polyline(*reference);
    surface.SetPenStyle(Surface::PenStyle::Solid);
  }
}

// ---- The window ------------------------------------------------------------------------

namespace {

QLabel* ValueLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  // Wide enough for any number the window shows, so the window keeps its size as they change.
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-8.88888E-888")) +
                         10);
  return label;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

// A group of two read-outs named Min and Max.
QGroupBox* MinMaxGroup(QWidget* parent, const QString& title, const char* minName,
                       const char* maxName, QLabel*& min, QLabel*& max) {
  auto* group = new QGroupBox(title, parent);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(2);
  grid->addWidget(new QLabel(QStringLiteral("Min"), group), 0, 0);
  min = ValueLabel(group, minName, QStringLiteral("-"));
  grid->addWidget(min, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Max"), group), 1, 0);
  max = ValueLabel(group, maxName, QStringLiteral("-"));
  grid->addWidget(max, 1, 1);
  return group;
}

}  // namespace

TGraphicDlg::TGraphicDlg(GraphicTarget& graphicTarget, QWidget* parent)
    : QDialog(parent), target(graphicTarget) {
  BuildForm();
}

void TGraphicDlg::BuildForm() {
  setObjectName(QStringLiteral("GraphicDlg"));
  setWindowTitle(QStringLiteral("Dynamic Plots"));
  // A tool window stays above the main window without blocking it.
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
  InstallContextHelp(this, topic::kGraphicDlg);
  // Context help finds every control's topic; the window's own answers for its margins.
  SetHelpTopic(this, topic::kGraphicDlg);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 6, 8, 8);
  outer->setSpacing(6);

  ProfileName = NamedLabel(this, "ProfileName", QStringLiteral("Temperature"));
  ProfileName->setAlignment(Qt::AlignCenter);
  QFont bold = ProfileName->font();
  bold.setBold(true);
  ProfileName->setFont(bold);
  outer->addWidget(ProfileName);

  auto* body = new QHBoxLayout;
  body->setSpacing(10);
  outer->addLayout(body);

  // Left: the direction buttons, the plot with its two track bars.
  auto* plotGrid = new QGridLayout;
  plotGrid->setSpacing(2);
  body->addLayout(plotGrid);
  auto* directions = new QHBoxLayout;
  directions->setSpacing(0);
  auto* group = new QButtonGroup(this);
  auto direction = [this, group, directions](const char* name, const QString& text) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setCheckable(true);
    b->setMinimumWidth(40);
    group->addButton(b);
    directions->addWidget(b);
    return b;
  };
  WEBtn = direction("WEBtn", QStringLiteral("WE"));
  SNBtn = direction("SNBtn", QStringLiteral("SN"));
  WEBtn->setChecked(true);
  for (QWidget* w : {static_cast<QWidget*>(WEBtn), static_cast<QWidget*>(SNBtn)})
    SetHelpTopic(w, topic::kProfileDirection);
  directions->addStretch(1);
  plotGrid->addLayout(directions, 0, 1);

  auto* north = new QLabel(QStringLiteral("N"), this);
  north->setAlignment(Qt::AlignCenter);
  plotGrid->addWidget(north, 0, 0);
  NSBar = new QSlider(Qt::Vertical, this);
  NSBar->setObjectName(QStringLiteral("NSBar"));
  NSBar->setRange(0, 0);
  // Position 0 sits at the top and picks the northernmost line; the arrow keys move the
  // handle the way they point.
  NSBar->setInvertedAppearance(true);
  NSBar->setInvertedControls(true);
  NSBar->setTickPosition(QSlider::TicksRight);
  NSBar->setPageStep(1);
  plotGrid->addWidget(NSBar, 1, 0, Qt::AlignHCenter);
  auto* south = new QLabel(QStringLiteral("S"), this);
  south->setAlignment(Qt::AlignCenter);
  plotGrid->addWidget(south, 2, 0);

  auto* white = new QFrame(this);
  white->setObjectName(QStringLiteral("DrawPanel"));
  white->setFrameShape(QFrame::Panel);
  white->setFrameShadow(QFrame::Sunken);
  white->setAutoFillBackground(true);
  QPalette palette = white->palette();
  palette.setColor(QPalette::Window, Qt::white);
  white->setPalette(palette);
  auto* whiteLayout = new QVBoxLayout(white);
  whiteLayout->setContentsMargins(2, 2, 2, 2);
  Draw = new TPaintBox(white);
  Draw->setObjectName(QStringLiteral("Draw"));
  Draw->setFixedSize(180, 160);
  whiteLayout->addWidget(Draw);
  white->setFixedSize(white->sizeHint());
  plotGrid->addWidget(white, 1, 1);
  SetHelpTopic(white, topic::kProfilePlot);
  SetHelpTopic(ProfileName, topic::kProfilePlot);
  // The vertical bar runs along the plot, as the horizontal one runs under it.
  NSBar->setFixedHeight(white->height());

  auto* weRow = new QHBoxLayout;
  weRow->addWidget(new QLabel(QStringLiteral("W"), this));
  WEBar = new QSlider(Qt::Horizontal, this);
  WEBar->setObjectName(QStringLiteral("WEBar"));
  WEBar->setRange(0, 0);
  WEBar->setTickPosition(QSlider::TicksBelow);
  WEBar->setPageStep(1);
  weRow->addWidget(WEBar, 1);
  weRow->addWidget(new QLabel(QStringLiteral("E"), this));
  plotGrid->addLayout(weRow, 2, 1);
  // The sliders and the letters of the sides at their ends.
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (qobject_cast<QSlider*>(w) || (qobject_cast<QLabel*>(w) && w->objectName().isEmpty()))
      SetHelpTopic(w, topic::kProfileSliders);
  }

  // Right: the read-outs.
  auto* readouts = new QVBoxLayout;
  readouts->setSpacing(4);
  body->addLayout(readouts);
  Unit = new QGroupBox(QStringLiteral("Volume"), this);
  Unit->setObjectName(QStringLiteral("Unit"));
  auto* unitGrid = new QGridLayout(Unit);
  unitGrid->setContentsMargins(6, 2, 6, 4);
  unitGrid->setVerticalSpacing(2);
  WEUnit = NamedLabel(Unit, "WEUnit", QStringLiteral("I"));
  WEUnit->setMinimumWidth(WEUnit->fontMetrics().horizontalAdvance(QStringLiteral("WE volume")));
  ValueWE = ValueLabel(Unit, "ValueWE", QStringLiteral("-"));
  SNUnit = NamedLabel(Unit, "SNUnit", QStringLiteral("J"));
  ValueSN = ValueLabel(Unit, "ValueSN", QStringLiteral("-"));
  FieldValue = ValueLabel(Unit, "FieldValue", QStringLiteral("-"));
  unitGrid->addWidget(WEUnit, 0, 0);
  unitGrid->addWidget(ValueWE, 0, 1);
  unitGrid->addWidget(SNUnit, 1, 0);
  unitGrid->addWidget(ValueSN, 1, 1);
  unitGrid->addWidget(new QLabel(QStringLiteral("Value"), Unit), 2, 0);
  unitGrid->addWidget(FieldValue, 2, 1);
  readouts->addWidget(Unit);
  SetHelpTopic(Unit, topic::kProfilePosition);
  for (auto [title, minName, maxName, min, max] :
       {std::tuple{"Global values", "GlobalMin", "GlobalMax", &GlobalMin, &GlobalMax},
        std::tuple{"Local values", "LocalMin", "LocalMax", &LocalMin, &LocalMax}}) {
    QGroupBox* extremes =
        MinMaxGroup(this, QString::fromLatin1(title), minName, maxName, *min, *max);
    SetHelpTopic(extremes, topic::kProfileExtremes);
    readouts->addWidget(extremes);
  }
  auto* statRow = new QHBoxLayout;
  statRow->setContentsMargins(6, 0, 6, 0);
  Statistic = NamedLabel(this, "Statistic", QStringLiteral("Average"));
  Statistic->setMinimumWidth(Statistic->fontMetrics().horizontalAdvance(QStringLiteral("Average")));
  StatisticValue = ValueLabel(this, "StatisticValue", QStringLiteral("-"));
  statRow->addWidget(Statistic);
  statRow->addWidget(StatisticValue, 1);
  SetHelpTopic(Statistic, topic::kProfileStatistic);
  SetHelpTopic(StatisticValue, topic::kProfileStatistic);
  readouts->addLayout(statRow);

  ReferenceGroup = new QGroupBox(QStringLiteral("Run minus reference"), this);
  ReferenceGroup->setObjectName(QStringLiteral("ReferenceGroup"));
  SetHelpTopic(ReferenceGroup, topic::kProfileReference);
  auto* referenceGrid = new QGridLayout(ReferenceGroup);
  referenceGrid->setContentsMargins(6, 2, 6, 4);
  referenceGrid->setVerticalSpacing(2);
  ReferenceName = NamedLabel(ReferenceGroup, "ReferenceName", QString());
  ReferenceName->setWordWrap(true);
  QPalette green = ReferenceName->palette();
  green.setColor(QPalette::WindowText, QColor(0, 110, 0));
  ReferenceName->setPalette(green);
  referenceGrid->addWidget(ReferenceName, 0, 0, 1, 2);
  referenceGrid->addWidget(new QLabel(QStringLiteral("Largest"), ReferenceGroup), 1, 0);
  LargestDifference = ValueLabel(ReferenceGroup, "LargestDifference", QStringLiteral("-"));
  referenceGrid->addWidget(LargestDifference, 1, 1);
  StatisticDifferenceName =
      NamedLabel(ReferenceGroup, "StatisticDifferenceName", QStringLiteral("Average"));
  referenceGrid->addWidget(StatisticDifferenceName, 2, 0);
  StatisticDifference = ValueLabel(ReferenceGroup, "StatisticDifference", QStringLiteral("-"));
  referenceGrid->addWidget(StatisticDifference, 2, 1);
  ReferenceGroup->setVisible(false);
  readouts->addWidget(ReferenceGroup);
  readouts->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  OKBtn = new QPushButton(QStringLiteral("Close"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  SetHelpTopic(OKBtn, topic::kCloseButton);
  HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
  HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
  SetHelpTopic(HelpBtn, topic::kHelpButton);
  buttons->addWidget(OKBtn);
  buttons->addWidget(HelpBtn);
  outer->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  Draw->onPaint = [this](QPainter& painter) { FormPaint(painter); };
  connect(WEBtn, &QToolButton::clicked, this, &TGraphicDlg::SetProfile);
  connect(SNBtn, &QToolButton::clicked, this, &TGraphicDlg::SetProfile);
  connect(WEBar, &QSlider::valueChanged, this, &TGraphicDlg::Refresh);
  connect(NSBar, &QSlider::valueChanged, this, &TGraphicDlg::Refresh);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(HelpBtn, &QPushButton::clicked, this, &TGraphicDlg::HelpBtnClick);
}

void TGraphicDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    Update();
}

ProfileDirection TGraphicDlg::Direction() const {
  return SNBtn->isChecked() ? ProfileDirection::SN : ProfileDirection::WE;
}

int32_t TGraphicDlg::IndexWE() const {
  return WEBar->value();
}

int32_t TGraphicDlg::IndexSN() const {
  return NSBar->maximum() - NSBar->value();
}

void TGraphicDlg::SetBarMaxima(const BarMaxima& maxima) {
  settingBars = true;
  WEBar->setMaximum(maxima.we);
  NSBar->setMaximum(maxima.ns);
  settingBars = false;
}

void TGraphicDlg::Update() {
  const SimSnapshot* shown = target.ShownSnapshot();
  kind = ProfileFor(target.View(), target.VectorsShown(),
                    target.Results() != nullptr && shown != nullptr);
  switch (kind) {
    case ProfileKind::Temperature:
      ProfileName->setText(QStringLiteral("Temperature"));
      Unit->setTitle(QStringLiteral("Volume"));
      WEUnit->setText(QStringLiteral("I"));
      SNUnit->setText(QStringLiteral("J"));
      Statistic->setText(QStringLiteral("Average"));
      SetBarMaxima(ProfileBarMaxima(*shown, kind, ProfileDirection::WE));
      break;
    case ProfileKind::Flux:
      ProfileName->setText(QStringLiteral("Flux (q)"));
      Unit->setTitle(QStringLiteral("Direction"));
      Statistic->setText(QStringLiteral("Sum"));
      break;
    case ProfileKind::None:
      ProfileName->setText(QStringLiteral("No fields"));
      for (QLabel* label : {GlobalMin, GlobalMax, LocalMin, LocalMax, FieldValue})
        label->setText(QStringLiteral("-"));
      SetBarMaxima(BarMaxima{});
      break;
  }
  SetProfile();
}

void TGraphicDlg::SetProfile() {
  if (kind == ProfileKind::Flux) {
    const bool we = Direction() == ProfileDirection::WE;
    WEUnit->setText(we ? QStringLiteral("WE volume") : QStringLiteral("WE line"));
    SNUnit->setText(we ? QStringLiteral("SN line") : QStringLiteral("SN volume"));
    SetBarMaxima(ProfileBarMaxima(*target.ShownSnapshot(), kind, Direction()));
  }
  Refresh();
}

void TGraphicDlg::ShowExtremes(const Profile& p) {
  GlobalMin->setText(FormatExponent(p.globalMin, 3));
  GlobalMax->setText(FormatExponent(p.globalMax, 3));
  LocalMin->setText(FormatExponent(p.localMin, 3));
  LocalMax->setText(FormatExponent(p.localMax, 3));
}

void TGraphicDlg::Refresh() {
  if (settingBars)
    return;
  const SimManager* run = target.Results();
  const SimSnapshot* shown = target.ShownSnapshot();
  // The main window may have dropped its results since the last Update; until it says so,
  // there is nothing to plot.
  if (kind == ProfileKind::None || !run || !shown) {
    hasProfile = false;
    hasReference = false;
    for (QLabel* label : {ValueWE, ValueSN, StatisticValue, LargestDifference, StatisticDifference})
      label->setText(QStringLiteral("-"));
    ReferenceGroup->setVisible(target.Reference() != nullptr);
    Draw->update();
    return;
  }
  // Results replaced without an Update (a grid of another size) would leave the bars'
  // ranges behind; they follow the snapshot before its indices are read.
  const BarMaxima maxima = ProfileBarMaxima(*shown, kind, Direction());
  if (maxima.we != WEBar->maximum() || maxima.ns != NSBar->maximum())
    SetBarMaxima(maxima);
  const int32_t i = IndexWE();
  const int32_t j = IndexSN();
  profile = ComputeProfile(*run, *shown, kind, Direction(), i, j);
  hasProfile = true;
  worldMin = profile.worldMin;
  worldMax = profile.worldMax;
  ValueWE->setText(FormatInteger(i + 1));
  ValueSN->setText(FormatInteger(j + 1));
  FieldValue->setText(FormatExponent(profile.fieldValue, 6));
  StatisticValue->setText(FormatExponent(profile.statistic, 6));
  ShowExtremes(profile);
  RefreshReference(*shown, i, j);
  Draw->update();
}

void TGraphicDlg::RefreshReference(const SimSnapshot& shown, int32_t i, int32_t j) {
  const ReferenceCase* kase = target.Reference();
  const Media* grid = target.Grid();
  hasReference = false;
  ReferenceGroup->setVisible(kase != nullptr);
  if (!kase)
    return;
  StatisticDifferenceName->setText(Statistic->text());
  ReferenceName->setText(QString::fromStdString(ReferenceTitle(*kase)));
  // A grid that no longer fits the results has nothing to compare with.
  if (!grid || grid->ni != shown.T.N() || grid->nj != shown.T.M() ||
      !CheckReference(*kase).empty()) {
    LargestDifference->setText(QStringLiteral("-"));
    StatisticDifference->setText(QStringLiteral("-"));
    return;
  }
  const ExactSolution exact(*kase);
  reference = ComputeReferenceProfile(exact, *grid, shown, kind, Direction(), i, j);
  hasReference = true;
  auto shownNumber = [](double v) {
    return std::isfinite(v) ? FormatExponent(v, 6) : QStringLiteral("-");
  };
  LargestDifference->setText(shownNumber(reference.largestDifference));
  StatisticDifference->setText(shownNumber(reference.statisticDifference));
  // The exact curve stays inside the plot: the extents take it in.
  for (const Point& p : reference.line) {
    worldMin = Point{std::min(worldMin.x, p.x), std::min(worldMin.y, p.y)};
    worldMax = Point{std::max(worldMax.x, p.x), std::max(worldMax.y, p.y)};
  }
}

void TGraphicDlg::FormPaint(QPainter& painter) {
  // The paint box is opaque: it lays its own white ground.
  painter.fillRect(Draw->rect(), Qt::white);
  Surface surface(painter);
  const PixelRect rect{0, 0, Draw->width() - 1, Draw->height() - 1};
  PaintProfile(surface, rect, worldMin, worldMax, Direction(), Shown(),
               hasReference ? &reference.line : nullptr);
}

void TGraphicDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kGraphicDlg);
}
